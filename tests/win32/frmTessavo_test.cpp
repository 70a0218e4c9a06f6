// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the Win32 window's wiring: its messages reach the controller, the controller's
// changes reach its controls. What the actions decide is tested with the controller.
#include "frmTessavo.h"

#include <dlgs.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "FakeDialogs.h"
#include "MemorySettingsStore.h"
#include "RegistrySettingsStore.h"
#include "Resources.h"
#include "TestSupport.h"
#include "Utf16.h"
#include "Win32Dialogs.h"

namespace tessavo::win32 {
namespace {

using namespace std::chrono_literals;
using Stored = std::map<std::string, std::string>;

using test::PrintTo;

const std::string kWord8 = "110001+00000001 ";
const std::string kPath = "C:\\m\xC3\xA9tingen\\d\xC3\xA4g.gsi";  // "C:\métingen\däg.gsi"

// Runs `action` when the message this posts is handled: in the middle of a run, which
// handles the waiting messages at every line.
void PostAction(std::function<void()> action) {
    static std::function<void()> posted;
    static const HWND probe = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM w, LPARAM l) -> LRESULT {
            if (message == WM_APP) std::exchange(posted, nullptr)();
            return DefWindowProcW(window, message, w, l);
        };
        windowClass.lpszClassName = L"TessavoTestProbe";
        RegisterClassW(&windowClass);
        return CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                               nullptr, nullptr, nullptr);
    }();
    posted = std::move(action);
    PostMessageW(probe, WM_APP, 0, 0);
}

class WindowTest : public testing::Test {
  public:
    void Open(SettingsStore& settings) {
        window.emplace(dialogs, settings, std::nullopt, 0ms);
        window->Show();
        window->HandleWaitingMessages();
    }
    // Whatever the test did, nothing of the window, or of a dialog, is left on the screen.
    void TearDown() override {
        window.reset();
        int left = 0;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND shown, LPARAM count) {
                if (IsWindowVisible(shown)) ++*reinterpret_cast<int*>(count);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&left));
        EXPECT_EQ(left, 0) << "a window was left open";
    }
    void Open(const Stored& stored = {}) {
        store.values = stored;
        Open(store);
    }
    // Opens on "in.gsi" of `lines` lines that a run mends, cleaned into "uit.gsi".
    void OpenRun(int lines) {
        std::string text;
        for (int i = 0; i < lines; ++i) text += "110001+1\r\n";
        test::WriteFile(dir / "in.gsi", text);
        Open({{"InputGSI", dir / "in.gsi"}, {"OutputGSI", dir / "uit.gsi"}, {"ReplaceGSI", "0"}});
    }

    HWND At(Control control) const { return window->Handle(control); }
    std::string Text(Control control) const {
        wchar_t text[1024] = {};
        GetWindowTextW(At(control), text, 1024);
        return Narrow(text);
    }
    bool Checked(Control control) const {
        return SendMessageW(At(control), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    bool BusyCursor() const {
        return SendMessageW(window->Window(), WM_SETCURSOR,
                            reinterpret_cast<WPARAM>(window->Window()),
                            MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)) != 0;
    }

    // A key as the keyboard sends it, to the control that has the focus.
    void Press(WPARAM key) {
        PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
        PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000001);
        window->HandleWaitingMessages();
    }
    void Click(Control control) {
        PostMessageW(At(control), BM_CLICK, 0, 0);
        window->HandleWaitingMessages();
    }

    test::TempDir dir;
    test::FakeDialogs dialogs;
    test::MemorySettingsStore store;
    std::optional<frmTessavo> window;
};

// The settings through the real store, on a registry key of the test's own.
class RegistryKey {
  public:
    // The shared parent is made here as a lasting key: a volatile key made first, whose
    // parent would then be made volatile too, would leave no place for the lasting keys of
    // the tests that follow.
    RegistryKey() : name_(std::wstring(kParent) + L"\\" + std::to_wstring(GetCurrentProcessId())) {
        HKEY parent = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kParent, 0, nullptr, 0, KEY_READ, nullptr, &parent,
                            nullptr) == ERROR_SUCCESS)
            RegCloseKey(parent);
        RegDeleteTreeW(HKEY_CURRENT_USER, name_.c_str());
    }
    ~RegistryKey() { RegDeleteTreeW(HKEY_CURRENT_USER, name_.c_str()); }
    const std::wstring& name() const { return name_; }

    void Set(const std::string& key, const std::string& text) {
        const std::wstring wide = Widen(text);
        RegSetKeyValueW(HKEY_CURRENT_USER, name_.c_str(), Widen(key).c_str(), REG_SZ, wide.c_str(),
                        static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    }
    void SetZero(const std::string& key) {  // a REG_DWORD, which is no text
        const DWORD zero = 0;
        RegSetKeyValueW(HKEY_CURRENT_USER, name_.c_str(), Widen(key).c_str(), REG_DWORD, &zero,
                        sizeof(zero));
    }

  private:
    static constexpr const wchar_t* kParent = L"Software\\Tessavo tests";
    std::wstring name_;
};

struct StartCase {
    const char* name;
    Stored stored;
    const char* zero;  // a key stored as the number 0
    std::string input, output;
    bool replace, autoBackup;
    Control option;
};

class StartUpTest : public WindowTest, public testing::WithParamInterface<StartCase> {};

TEST_P(StartUpTest, FillsTheControlsFromTheRegistry) {
    const StartCase& c = GetParam();
    RegistryKey key;
    for (const auto& [name, text] : c.stored) key.Set(name, text);
    if (c.zero) key.SetZero(c.zero);
    RegistrySettingsStore registry(key.name());

    Open(registry);

    EXPECT_EQ(Text(Control::lblVersion), "Versie: 1.0.4");
    EXPECT_EQ(Text(Control::txtInputGSI), c.input);
    EXPECT_EQ(Text(Control::txtOutputGSI), c.output);
    EXPECT_EQ(Checked(Control::chkReplace), c.replace);
    EXPECT_EQ(IsWindowEnabled(At(Control::txtOutputGSI)) != 0, !c.replace);
    EXPECT_EQ(Checked(Control::chkAutoBackup), c.autoBackup);
    EXPECT_TRUE(Checked(c.option));
}

const Stored kFilled = {{"InputGSI", kPath},
                        {"OutputGSI", "D:\\uit.gsi"},
                        {"ReplaceGSI", "0"},
                        {"AutoBackup", "0"},
                        {"OutFormat", "16"}};
const Stored kBad = {{"InputGSI", ""}, {"AutoBackup", "7"}, {"OutFormat", "08"}};

INSTANTIATE_TEST_SUITE_P(Registry, StartUpTest,
                         testing::Values(StartCase{"Empty", Stored(), nullptr, "C:\\TEST.GSI",
                                                   "C:\\TEST.GSI", true, true, Control::optOutIsIn},
                                         StartCase{"Filled", kFilled, nullptr, kPath, "D:\\uit.gsi",
                                                   false, false, Control::optGSI16},
                                         StartCase{"BadValues", kBad, "ReplaceGSI", "", "", true,
                                                   true, Control::optOutIsIn}),
                         test::RowName());

// Every way out stores the settings in the registry and closes the window.
struct CloseCase {
    const char* name;
    void (*close)(WindowTest&);
};

class CloseTest : public WindowTest, public testing::WithParamInterface<CloseCase> {};

TEST_P(CloseTest, StoresTheSettingsAndCloses) {
    RegistryKey key;
    key.Set("InputGSI", kPath);
    RegistrySettingsStore registry(key.name());
    Open(registry);
    Click(Control::optGSI8);
    Click(Control::chkAutoBackup);

    GetParam().close(*this);
    window->HandleWaitingMessages();

    EXPECT_EQ(window->Window(), nullptr);
    const Stored stored{{"InputGSI", kPath},
                        {"OutputGSI", kPath},
                        {"ReplaceGSI", "1"},
                        {"AutoBackup", "0"},
                        {"OutFormat", "8"}};
    // Read back with the store, whose reading the start-up tests hold.
    for (const auto& [name, text] : stored) EXPECT_EQ(registry.Read(name, "?"), text) << name;
}

INSTANTIATE_TEST_SUITE_P(
    WaysOut, CloseTest,
    testing::Values(
        CloseCase{"Escape", [](WindowTest& test) { test.Press(VK_ESCAPE); }},
        CloseCase{"AltE", [](WindowTest&) { PostMessageW(GetFocus(), WM_SYSCHAR, 'e', 1 << 29); }},
        CloseCase{"CloseBox",
                  [](WindowTest& test) {
                      PostMessageW(test.window->Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
                  }}),
    test::RowName());

TEST_F(WindowTest, TabOrderFollowsTheTabIndex) {
    Open({{"ReplaceGSI", "0"}, {"OutFormat", "16"}});
    for (Control expected :
         {Control::txtInputGSI, Control::cmdInputGSI, Control::txtOutputGSI, Control::cmdOutputGSI,
          Control::cmdProcessGSI, Control::cmdCancel, Control::chkReplace, Control::optGSI16,
          Control::chkAutoBackup, Control::txtInputGSI}) {
        EXPECT_EQ(GetFocus(), At(expected)) << "expected control " << static_cast<int>(expected);
        Press(VK_TAB);
    }
}

TEST_F(WindowTest, ReplaceToggleAndTypedInputReachTheOutput) {
    Open({{"InputGSI", "C:\\a.gsi"}, {"OutputGSI", "C:\\b.gsi"}, {"ReplaceGSI", "0"}});
    Click(Control::chkReplace);
    EXPECT_EQ(Text(Control::txtOutputGSI), "C:\\a.gsi");
    for (Control output : {Control::lblOutputGSI, Control::txtOutputGSI, Control::cmdOutputGSI})
        EXPECT_FALSE(IsWindowEnabled(At(output)));

    // The focus is in the input box with its text selected: typing replaces it.
    SetFocus(At(Control::txtInputGSI));
    SendMessageW(At(Control::txtInputGSI), EM_SETSEL, 0, -1);
    for (wchar_t c : std::wstring(L"D:\\\u00e9.gsi")) PostMessageW(GetFocus(), WM_CHAR, c, 1);
    window->HandleWaitingMessages();
    EXPECT_EQ(Text(Control::txtOutputGSI), "D:\\\xC3\xA9.gsi");

    Click(Control::chkReplace);
    EXPECT_TRUE(IsWindowEnabled(At(Control::txtOutputGSI)));
}

// A whole run from Enter: the file, the closing message, and the busy cursor only while
// the run works. A second Enter and a click during the run start nothing.
TEST_F(WindowTest, RunFromEnterWithSecondStartIgnored) {
    OpenRun(200);
    std::optional<bool> busyInRun;

    PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(At(Control::cmdProcessGSI), BM_CLICK, 0, 0);
    PostAction([&] { busyInRun = BusyCursor(); });
    window->HandleWaitingMessages();

    EXPECT_EQ(busyInRun, true);
    EXPECT_FALSE(BusyCursor());
    std::string expected;
    for (int i = 0; i < 200; ++i) expected += kWord8 + "\r\n";
    EXPECT_EQ(test::ReadFile(dir / "uit.gsi"), expected);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].lines[1], "Aantal meetregels:  200");
}

TEST_F(WindowTest, ClosingDuringARunStopsItAndThenCloses) {
    OpenRun(2);
    std::optional<bool> openInRun;

    PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(window->Window(), WM_CLOSE, 0, 0);
    PostAction([&] { openInRun = window->Window() != nullptr; });
    window->HandleWaitingMessages();

    EXPECT_EQ(openInRun, true);  // the run still had its window after the close
    EXPECT_EQ(window->Window(), nullptr);
    EXPECT_TRUE(dialogs.messages.empty());  // a stopped run says nothing
    EXPECT_EQ(store.values.size(), 5u);
}

// A drop goes through the controller's rule, which refuses a folder.
TEST_F(WindowTest, DroppedFileBecomesTheInputAndAFolderIsRefused) {
    const std::string file = dir / "m\xC3\xA9ting.gsi";
    test::WriteFile(file, kWord8);
    Open();
    EXPECT_TRUE(GetWindowLongPtrW(window->Window(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    auto drop = [this](const std::string& path) {
        const std::wstring wide = Widen(path);
        HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + (wide.size() + 2) * sizeof(wchar_t));
        auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
        files->pFiles = sizeof(DROPFILES);
        files->fWide = TRUE;
        std::copy(wide.begin(), wide.end(), reinterpret_cast<wchar_t*>(files + 1));
        GlobalUnlock(memory);
        SendMessageW(window->Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    };
    drop(file);
    EXPECT_EQ(Text(Control::txtInputGSI), file);
    drop(test::FromFsPath(dir.Path()));
    EXPECT_EQ(Text(Control::txtInputGSI), file);
}

// Every caption fits its control, in the fonts the window has made for it: at the dpi the
// window starts with, at 144 dpi, and at 192, where the rounding leaves the least room.
class DpiTest : public WindowTest, public testing::WithParamInterface<UINT> {};

TEST_P(DpiTest, LayoutScalesAndNothingIsCutOff) {
    const UINT dpi = GetParam();
    Open();
    RECT suggested{0, 0, 0, 0};
    SendMessageW(window->Window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));

    RECT client;
    GetClientRect(window->Window(), &client);
    EXPECT_EQ(client.right, MulDiv(8295, dpi, 1440));
    EXPECT_EQ(client.bottom, MulDiv(4080, dpi, 1440));
    // Check boxes and options draw their box in front of the text.
    const int box = MulDiv(16, dpi, 96);
    HDC dc = GetDC(window->Window());
    for (int i = 0; i < kControlCount; ++i) {
        HWND control = At(static_cast<Control>(i));
        wchar_t caption[256] = {}, windowClass[32] = {};
        const int length = GetWindowTextW(control, caption, 256);
        GetClassNameW(control, windowClass, 32);
        if (length == 0 || lstrcmpiW(windowClass, L"Edit") == 0) continue;
        const auto style = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
        const bool boxed = lstrcmpiW(windowClass, L"Button") == 0 &&
                           (style == BS_AUTOCHECKBOX || style == BS_AUTORADIOBUTTON);
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
        RECT text{0, 0, 0, 0}, place;
        DrawTextW(dc, caption, length, &text, DT_CALCRECT | DT_SINGLELINE);
        GetClientRect(control, &place);
        EXPECT_LE(text.right + (boxed ? box : 0), place.right) << Narrow(caption) << " at " << dpi;
        EXPECT_LE(text.bottom, place.bottom + MulDiv(2, dpi, 96))
            << Narrow(caption) << " at " << dpi;
    }
    ReleaseDC(window->Window(), dc);
}

INSTANTIATE_TEST_SUITE_P(Dpi, DpiTest, testing::Values(96u, 144u, 192u));

// A key that cannot be made (below a volatile key, which only volatile keys may be) is
// reported with its place and the registry's reason, once.
TEST(Registry, StoreReportsWhatCannotBeWritten) {
    RegistryKey parent;
    HKEY made = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, parent.name().c_str(), 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &made, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(made);
    RegistrySettingsStore store(parent.name() + L"\\Tessavo");
    store.Write("InputGSI", "C:\\TEST.GSI");
    store.Write("OutputGSI", "C:\\TEST.GSI");

    const SettingsFailure failure{"HKEY_CURRENT_USER\\" + Narrow(parent.name()) + "\\Tessavo",
                                  {ERROR_CHILD_MUST_BE_VOLATILE, std::system_category()}};
    EXPECT_EQ(store.Flush(), std::optional(failure));
    EXPECT_EQ(store.Flush(), std::nullopt);
}

// The resources that the program, and this test program, carry: the version information,
// the manifest (common controls 6, dpi awareness) and the icon.
TEST(Resources, VersionManifestAndIcon) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    DWORD unused = 0;
    std::vector<char> info(GetFileVersionInfoSizeW(self, &unused));
    ASSERT_TRUE(GetFileVersionInfoW(self, 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    const std::vector<DWORD> version{MAKELONG(0, 1), MAKELONG(4, 0)};  // 1.0, 0.4
    EXPECT_EQ((std::vector{fixed->dwFileVersionMS, fixed->dwFileVersionLS}), version);
    EXPECT_EQ((std::vector{fixed->dwProductVersionMS, fixed->dwProductVersionLS}), version);
    for (const wchar_t* name : {L"FileVersion", L"ProductVersion"}) {
        wchar_t* text = nullptr;
        const std::wstring key = std::wstring(L"\\StringFileInfo\\041304B0\\") + name;
        ASSERT_TRUE(
            VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&text), &size));
        EXPECT_EQ(std::wstring(text), L"1.00.0004");
    }

    // Wine's common controls give version 5 whichever is loaded: the manifest is read
    // instead, and its dpi awareness is seen to work.
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(nullptr, found))),
                               SizeofResource(nullptr, found));
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
    EXPECT_TRUE(IsProcessDPIAware());
    EXPECT_NE(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TESSAVO), IMAGE_ICON, 32, 32, 0),
        nullptr);
}

// Answers the dialog that `owner` shows next (a message box, a file dialog) from a timer,
// while the dialog's own message loop runs, as the user would.
void AnswerNextDialog(HWND owner, std::function<void(HWND dialog)> answer) {
    static HWND owner_;
    static std::function<void(HWND)> answer_;
    owner_ = owner;
    answer_ = std::move(answer);
    SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR timer, DWORD) {
        HWND dialog = GetLastActivePopup(owner_);
        if (dialog == owner_ || !IsWindowVisible(dialog)) return;
        KillTimer(nullptr, timer);
        std::exchange(answer_, nullptr)(dialog);
    });
}

std::wstring Caption(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The one test of the system's own dialogs, through their adaptor, from end to end.
TEST_F(WindowTest, RealMessageBoxAndSaveDialog) {
    Win32Dialogs real;
    store.values = {
        {"InputGSI", "C:\\weg\\niets.gsi"}, {"OutputGSI", dir / "oud.gsi"}, {"ReplaceGSI", "0"}};
    window.emplace(real, store, std::nullopt, 0ms);
    real.SetOwner(window->Window());
    window->Show();

    std::wstring title, text;
    AnswerNextDialog(window->Window(), [&](HWND box) {
        title = Caption(box);
        text = Caption(GetDlgItem(box, 0xFFFF));  // the text of a message box
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    Press(VK_RETURN);
    EXPECT_EQ(title, L"Let op");
    EXPECT_EQ(text, L"Invoerbestand niet gevonden !\nBewerking is niet mogelijk.");

    std::vector<std::wstring> types;
    AnswerNextDialog(window->Window(), [&](HWND dialog) {
        title = Caption(dialog);
        HWND typeList = GetDlgItem(dialog, cmb1);
        for (LRESULT i = 0; i < SendMessageW(typeList, CB_GETCOUNT, 0, 0); ++i) {
            wchar_t type[128] = {};
            SendMessageW(typeList, CB_GETLBTEXT, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(type));
            types.push_back(type);
        }
        // A name without an extension, in the folder the dialog opened in.
        SetDlgItemTextW(dialog, GetDlgItem(dialog, cmb13) ? cmb13 : edt1, L"meting");
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    Click(Control::cmdOutputGSI);
    EXPECT_EQ(title, L"Opslaan GSI bestand");
    EXPECT_EQ(types,
              (std::vector<std::wstring>{L"GSI bestanden (*.gsi;*.raw)", L"Alle bestanden (*.*)"}));
    // The dialog may take the letters of the extension from the type selected ("*.gsi").
    EXPECT_EQ(
        lstrcmpiW(Widen(Text(Control::txtOutputGSI)).c_str(), Widen(dir / "meting.GSI").c_str()), 0)
        << Text(Control::txtOutputGSI);
    PostMessageW(window->Window(), WM_CLOSE, 0, 0);
    window->HandleWaitingMessages();
}

// A message with details is a task dialog, its list folded away under a button of its own.
// A task dialog does not scroll: a list longer than the screen ends where the screen does,
// so that the box, opened, stays on the screen with its buttons.
TEST_F(WindowTest, RealTaskDialogOffersTheDetailsThatFitTheScreen) {
    Open();
    Win32Dialogs real(window->Window());
    std::vector<std::wstring> texts;
    RECT box{};
    AnswerNextDialog(window->Window(), [&](HWND dialog) {
        texts.push_back(Caption(dialog));
        std::vector<HWND> children;
        EnumChildWindows(
            dialog,
            [](HWND child, LPARAM found) {
                reinterpret_cast<std::vector<HWND>*>(found)->push_back(child);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&children));
        for (HWND child : children) {
            texts.push_back(Caption(child));
            if (texts.back() == L"Details tonen") SendMessageW(child, BM_CLICK, 0, 0);
        }
        // Where it stands once it has settled.
        AnswerNextDialog(window->Window(), [&](HWND settled) {
            GetWindowRect(settled, &box);
            PostMessageW(settled, WM_COMMAND, IDOK, 0);
        });
    });
    const std::size_t total = 5000;
    const MessageAnswer answer =
        real.ShowMessage({MessageKind::Report,
                          {"Opgeschoond GSI bestand is gereed", "Aantal meetregels:  5000"},
                          MessageIcon::Warning,
                          MessageButtons::Ok,
                          "Tessavo",
                          std::vector<std::string>(total, "regel 20 blijft ongewijzigd")});

    EXPECT_EQ(answer, MessageAnswer::Ok);
    for (const wchar_t* text :
         {L"Tessavo", L"Opgeschoond GSI bestand is gereed\nAantal meetregels:  5000"}) {
        EXPECT_NE(std::find(texts.begin(), texts.end(), text), texts.end()) << Narrow(text);
    }
    const auto list = std::find_if(texts.begin(), texts.end(), [](const std::wstring& text) {
        return text.starts_with(L"regel 20");
    });
    ASSERT_NE(list, texts.end());
    const std::size_t shown =
        static_cast<std::size_t>(std::count(list->begin(), list->end(), L'\n'));
    EXPECT_GT(shown, 5u);
    EXPECT_EQ(list->substr(list->rfind(L'\n') + 1),
              L"\u2026 en nog " + std::to_wstring(total - shown) +
                  L" regels van de lijst, die hier niet passen.");
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window->Window(), MONITOR_DEFAULTTOPRIMARY), &monitor);
    EXPECT_GE(box.top, monitor.rcWork.top);
    EXPECT_LE(box.bottom, monitor.rcWork.bottom);
}

// Tessavo.exe started with a path, as Explorer's "Open with" starts it, shows the path in
// its input box; closing it stores the path in the user's settings.
TEST(Program, StartsWithTheOpenedFile) {
    const std::wstring userKey = RegistrySettingsStore::kUserKey;
    RegDeleteTreeW(HKEY_CURRENT_USER, userKey.c_str());
    test::TempDir dir;
    const std::string file = dir / "m\xC3\xA9ting 1.gsi";
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring program =
        std::wstring(self, std::wcsrchr(self, L'\\') + 1) + Widen(TESSAVO_PROGRAM_FROM_TESTS);
    std::replace(program.begin(), program.end(), L'/', L'\\');
    std::wstring command = L"\"" + program + L"\" \"" + Widen(file) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));

    // Its window, once it is there: the one of its process, since other tests of the window
    // may run beside this one.
    struct Search {
        DWORD process;
        HWND found;
    } search{process.dwProcessId, nullptr};
    const auto ofProcess = [](HWND window, LPARAM data) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        wchar_t title[64] = {};
        GetWindowTextW(window, title, 64);
        if (owner != s.process || std::wcscmp(title, L"Cleaner voor Leica GSI files") != 0)
            return TRUE;
        s.found = window;
        return FALSE;
    };
    for (int tries = 0; tries < 200 && !search.found; ++tries) {
        Sleep(100);
        EnumWindows(ofProcess, reinterpret_cast<LPARAM>(&search));
    }
    const HWND shown = search.found;
    ASSERT_NE(shown, nullptr);
    wchar_t input[MAX_PATH] = {};
    GetDlgItemTextW(shown, frmTessavo::DialogId(Control::txtInputGSI), input, MAX_PATH);
    PostMessageW(shown, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 20'000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    EXPECT_EQ(Narrow(input), file);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(RegistrySettingsStore().Read("InputGSI", "?"), file);
    RegDeleteTreeW(HKEY_CURRENT_USER, userKey.c_str());
}

}  // namespace
}  // namespace tessavo::win32
