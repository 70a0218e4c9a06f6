// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the Win32 window's wiring: its messages reach the controller, the controller's
// changes reach its controls. What the actions decide is tested with the controller.
#include "frmTessavo.h"

#include <dlgs.h>
#include <gtest/gtest.h>
#include <shlobj.h>

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

const std::string kWord8 = "110001+00000001 ";

// A window of the test's own that runs a function when a posted message reaches it, so that
// a test can act in the middle of a run: the run handles posted messages at every line.
class Probe {
  public:
    Probe() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM w, LPARAM l) -> LRESULT {
            auto* action = reinterpret_cast<std::function<void()>*>(l);
            if (message == WM_APP && action) (*action)();
            return DefWindowProcW(window, message, w, l);
        };
        windowClass.lpszClassName = L"TessavoTestProbe";
        RegisterClassW(&windowClass);
        window_ = CreateWindowExW(0, L"TessavoTestProbe", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    }
    ~Probe() { DestroyWindow(window_); }
    void Post(std::function<void()>& action) {
        PostMessageW(window_, WM_APP, 0, reinterpret_cast<LPARAM>(&action));
    }

  private:
    HWND window_;
};

class WindowTest : public testing::Test {
  public:
    void Open(SettingsStore& settings) {
        window.emplace(dialogs, settings, 0ms);
        window->Show();
        window->HandleWaitingMessages();
    }
    void Open() { Open(store); }

    void TearDown() override {
        window.reset();
        int left = 0;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND hwnd, LPARAM count) {
                if (IsWindowVisible(hwnd)) ++*reinterpret_cast<int*>(count);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&left));
        EXPECT_EQ(left, 0) << "a window was left open";
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

    test::FakeDialogs dialogs;
    test::MemorySettingsStore store;
    std::optional<frmTessavo> window;
};

// Start-up from the registry and shut-down back into it, through the real store on a key
// of the test's own.
class RegistryKey {
  public:
    RegistryKey() : name_(L"Software\\Tessavo tests\\" + std::to_wstring(GetCurrentProcessId())) {
        RegDeleteTreeW(HKEY_CURRENT_USER, name_.c_str());
    }
    ~RegistryKey() { RegDeleteTreeW(HKEY_CURRENT_USER, name_.c_str()); }
    const std::wstring& name() const { return name_; }

    void Set(const std::string& key, const std::string& text) {
        const std::wstring wide = Widen(text);
        RegSetKeyValueW(HKEY_CURRENT_USER, name_.c_str(), Widen(key).c_str(), REG_SZ, wide.c_str(),
                        static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    }
    void SetNumber(const std::string& key, DWORD number) {
        RegSetKeyValueW(HKEY_CURRENT_USER, name_.c_str(), Widen(key).c_str(), REG_DWORD, &number,
                        sizeof(number));
    }
    // The text of a REG_SZ value; nothing when it is missing or of another type.
    std::optional<std::string> Get(const std::string& key) const {
        wchar_t text[1024] = {};
        DWORD bytes = sizeof(text);
        if (RegGetValueW(HKEY_CURRENT_USER, name_.c_str(), Widen(key).c_str(), RRF_RT_REG_SZ,
                         nullptr, text, &bytes) != ERROR_SUCCESS)
            return std::nullopt;
        return Narrow(text);
    }

  private:
    std::wstring name_;
};

struct StartCase {
    const char* name;
    friend void PrintTo(const StartCase& c, std::ostream* os) { *os << c.name; }
    std::map<std::string, std::string> stored;
    bool replaceAsNumber;  // ReplaceGSI stored as a REG_DWORD 0, which is no text
    std::string input, output;
    bool replace, autoBackup;
    OutputFormat format;
};

class StartUpTest : public WindowTest, public testing::WithParamInterface<StartCase> {};

TEST_P(StartUpTest, FillsTheControlsFromTheRegistry) {
    const StartCase& c = GetParam();
    RegistryKey key;
    for (const auto& [name, text] : c.stored) key.Set(name, text);
    if (c.replaceAsNumber) key.SetNumber("ReplaceGSI", 0);
    RegistrySettingsStore registry(key.name());

    Open(registry);

    EXPECT_EQ(Text(Control::lblVersion), "Versie: 1.0.4");
    EXPECT_EQ(Text(Control::txtInputGSI), c.input);
    EXPECT_EQ(Text(Control::txtOutputGSI), c.output);
    EXPECT_EQ(Checked(Control::chkReplace), c.replace);
    EXPECT_EQ(IsWindowEnabled(At(Control::txtOutputGSI)) != 0, !c.replace);
    EXPECT_EQ(Checked(Control::chkAutoBackup), c.autoBackup);
    EXPECT_EQ(window->SelectedFormat(), c.format);
    EXPECT_EQ(GetFocus(), At(Control::txtInputGSI));
}

const std::string kPath = "C:\\m\xC3\xA9tingen\\d\xC3\xA4g.gsi";  // "C:\métingen\däg.gsi"

INSTANTIATE_TEST_SUITE_P(Registry, StartUpTest,
                         testing::Values(StartCase{"Empty",
                                                   {},
                                                   false,
                                                   "C:\\TEST.GSI",
                                                   "C:\\TEST.GSI",
                                                   true,
                                                   true,
                                                   OutputFormat::SameAsInput},
                                         StartCase{"Filled",
                                                   {{"InputGSI", kPath},
                                                    {"OutputGSI", "D:\\uit.gsi"},
                                                    {"ReplaceGSI", "0"},
                                                    {"AutoBackup", "0"},
                                                    {"OutFormat", "16"}},
                                                   false,
                                                   kPath,
                                                   "D:\\uit.gsi",
                                                   false,
                                                   false,
                                                   OutputFormat::Gsi16},
                                         StartCase{"BadValues",
                                                   {{"InputGSI", ""},
                                                    {"ReplaceGSI", "ja"},
                                                    {"AutoBackup", "7"},
                                                    {"OutFormat", "08"}},
                                                   false,
                                                   "",
                                                   "",
                                                   true,
                                                   true,
                                                   OutputFormat::SameAsInput},
                                         StartCase{"NumberIsNoText",
                                                   {{"OutputGSI", "D:\\uit.gsi"}},
                                                   true,
                                                   "C:\\TEST.GSI",
                                                   "C:\\TEST.GSI",
                                                   true,
                                                   true,
                                                   OutputFormat::SameAsInput}),
                         test::RowName());

TEST_F(WindowTest, ClosingWritesTextsToTheRegistry) {
    RegistryKey key;
    key.Set("InputGSI", kPath);
    RegistrySettingsStore registry(key.name());
    Open(registry);
    Click(Control::optGSI8);
    Click(Control::chkAutoBackup);

    Press(VK_ESCAPE);

    EXPECT_EQ(window->Window(), nullptr);
    EXPECT_EQ(key.Get("InputGSI"), kPath);
    EXPECT_EQ(key.Get("OutputGSI"), kPath);
    EXPECT_EQ(key.Get("ReplaceGSI"), "1");
    EXPECT_EQ(key.Get("AutoBackup"), "0");
    EXPECT_EQ(key.Get("OutFormat"), "8");
}

// Every way out closes the window through the shut-down.
struct CloseCase {
    const char* name;
    friend void PrintTo(const CloseCase& c, std::ostream* os) { *os << c.name; }
    std::function<void(WindowTest&, HWND window)> close;
};

class CloseTest : public WindowTest, public testing::WithParamInterface<CloseCase> {};

TEST_P(CloseTest, StoresTheSettingsAndCloses) {
    Open();
    GetParam().close(*this, window->Window());
    window->HandleWaitingMessages();
    EXPECT_EQ(window->Window(), nullptr);
    EXPECT_EQ(store.values.size(), 5u);
    EXPECT_EQ(store.values["OutFormat"], "0");
}

INSTANTIATE_TEST_SUITE_P(
    WaysOut, CloseTest,
    testing::Values(
        CloseCase{"Escape", [](WindowTest& fixture, HWND) { fixture.Press(VK_ESCAPE); }},
        CloseCase{"AltE",
                  [](WindowTest&, HWND) { PostMessageW(GetFocus(), WM_SYSCHAR, 'e', 1 << 29); }},
        CloseCase{"ExitButton",
                  [](WindowTest& fixture, HWND) { fixture.Click(Control::cmdCancel); }},
        CloseCase{"EnterOnFocusedExit",
                  [](WindowTest& fixture, HWND window) {
                      SendMessageW(window, WM_NEXTDLGCTL,
                                   reinterpret_cast<WPARAM>(GetDlgItem(window, IDCANCEL)), TRUE);
                      fixture.Press(VK_RETURN);
                  }},
        CloseCase{
            "CloseBox",
            [](WindowTest&, HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }}),
    test::RowName());

TEST_F(WindowTest, TabOrderFollowsTheTabIndex) {
    store.values = {{"ReplaceGSI", "0"}, {"OutFormat", "16"}};
    Open();
    const Control order[] = {Control::txtInputGSI,  Control::cmdInputGSI,   Control::txtOutputGSI,
                             Control::cmdOutputGSI, Control::cmdProcessGSI, Control::cmdCancel,
                             Control::chkReplace,   Control::optGSI16,      Control::chkAutoBackup,
                             Control::txtInputGSI};
    for (Control expected : order) {
        EXPECT_EQ(GetFocus(), At(expected)) << "expected control " << static_cast<int>(expected);
        Press(VK_TAB);
    }

    // Checked, the replace box disables the output controls, which the focus then skips.
    Click(Control::chkReplace);
    SetFocus(At(Control::cmdInputGSI));
    Press(VK_TAB);
    EXPECT_EQ(GetFocus(), At(Control::cmdProcessGSI));
}

TEST_F(WindowTest, ReplaceToggleAndTypedInputReachTheOutput) {
    store.values = {{"InputGSI", "C:\\a.gsi"}, {"OutputGSI", "C:\\b.gsi"}, {"ReplaceGSI", "0"}};
    Open();
    Click(Control::chkReplace);
    EXPECT_EQ(Text(Control::txtOutputGSI), "C:\\a.gsi");
    EXPECT_FALSE(IsWindowEnabled(At(Control::lblOutputGSI)));
    EXPECT_FALSE(IsWindowEnabled(At(Control::cmdOutputGSI)));

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
    test::TempDir dir;
    std::string input;
    for (int i = 0; i < 200; ++i) input += "110001+1\r\n";
    test::WriteFile(dir / "in.gsi", input);
    store.values = {{"InputGSI", dir / "in.gsi"},
                    {"OutputGSI", dir / "uit.gsi"},
                    {"ReplaceGSI", "0"},
                    {"OutFormat", "8"}};
    Open();
    Probe probe;
    std::optional<bool> busyInRun;
    std::function<void()> duringRun = [&] {
        busyInRun =
            SendMessageW(window->Window(), WM_SETCURSOR, reinterpret_cast<WPARAM>(window->Window()),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)) != 0;
    };

    PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(At(Control::cmdProcessGSI), BM_CLICK, 0, 0);
    probe.Post(duringRun);
    window->HandleWaitingMessages();

    EXPECT_EQ(busyInRun, true);
    std::string expected;
    for (int i = 0; i < 200; ++i) expected += kWord8 + "\r\n";
    EXPECT_EQ(test::ReadFile(dir / "uit.gsi"), expected);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].lines[1], "Aantal meetregels:  200");
    EXPECT_EQ(
        SendMessageW(window->Window(), WM_SETCURSOR, reinterpret_cast<WPARAM>(window->Window()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
        0);
}

TEST_F(WindowTest, ClosingDuringARunStopsItAndThenCloses) {
    test::TempDir dir;
    test::WriteFile(dir / "in.gsi", kWord8 + "\r\n" + kWord8 + "\r\n");
    store.values = {
        {"InputGSI", dir / "in.gsi"}, {"OutputGSI", dir / "uit.gsi"}, {"ReplaceGSI", "0"}};
    Open();
    Probe probe;
    std::optional<bool> openInRun;
    std::function<void()> duringRun = [&] { openInRun = window->Window() != nullptr; };

    PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(window->Window(), WM_CLOSE, 0, 0);
    probe.Post(duringRun);
    window->HandleWaitingMessages();

    EXPECT_EQ(openInRun, true);  // the run still had its window after the close
    EXPECT_EQ(window->Window(), nullptr);
    EXPECT_TRUE(dialogs.messages.empty());  // a stopped run says nothing
    EXPECT_EQ(store.values.size(), 5u);
}

TEST_F(WindowTest, DroppedFileBecomesTheInputAndAFolderIsRefused) {
    test::TempDir dir;
    const std::string file = dir / "m\xC3\xA9ting.gsi";
    test::WriteFile(file, kWord8);
    Open();
    EXPECT_TRUE(GetWindowLongPtrW(window->Window(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    auto drop = [this](const std::string& path) {
        const std::wstring wide = Widen(path);
        const std::size_t bytes = sizeof(DROPFILES) + (wide.size() + 2) * sizeof(wchar_t);
        HGLOBAL memory = GlobalAlloc(GHND, bytes);
        auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
        files->pFiles = sizeof(DROPFILES);
        files->fWide = TRUE;
        std::copy(wide.begin(), wide.end(), reinterpret_cast<wchar_t*>(files + 1));
        GlobalUnlock(memory);
        SendMessageW(window->Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    };
    drop(file);
    EXPECT_EQ(Text(Control::txtInputGSI), file);
    EXPECT_EQ(Text(Control::txtOutputGSI), file);  // replace is checked
    drop(test::FromFsPath(dir.path()));
    EXPECT_EQ(Text(Control::txtInputGSI), file);
}

// Every caption fits its control at each dpi, in the fonts the window has made for it.
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
        wchar_t caption[256] = {};
        const int length = GetWindowTextW(control, caption, 256);
        wchar_t windowClass[32] = {};
        GetClassNameW(control, windowClass, 32);
        if (length == 0 || lstrcmpiW(windowClass, L"Edit") == 0) continue;
        const auto style = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
        const bool boxed = lstrcmpiW(windowClass, L"Button") == 0 &&
                           (style == BS_AUTOCHECKBOX || style == BS_AUTORADIOBUTTON);
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
        RECT text{0, 0, 0, 0};
        DrawTextW(dc, caption, length, &text, DT_CALCRECT | DT_SINGLELINE);
        RECT place;
        GetClientRect(control, &place);
        EXPECT_LE(text.right + (boxed ? box : 0), place.right) << Narrow(caption) << " at " << dpi;
        EXPECT_LE(text.bottom, place.bottom + MulDiv(2, dpi, 96))
            << Narrow(caption) << " at " << dpi;
    }
    ReleaseDC(window->Window(), dc);
}

INSTANTIATE_TEST_SUITE_P(Dpi, DpiTest, testing::Values(96u, 120u, 144u, 192u));

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
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));  // 1.0
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(4, 0));  // 0.4
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
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

// Answers the next dialog that the window owns (a message box, a file dialog) from a timer,
// while the dialog's own message loop runs, as the user would.
class DialogAnswer {
  public:
    explicit DialogAnswer(std::function<void(HWND dialog)> answer) {
        answer_ = std::move(answer);
        timer_ = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
            EnumThreadWindows(
                GetCurrentThreadId(),
                [](HWND dialog, LPARAM) {
                    // Owned: the window itself is a dialog too.
                    wchar_t name[16] = {};
                    GetClassNameW(dialog, name, 16);
                    if (lstrcmpW(name, L"#32770") != 0 || !GetWindow(dialog, GW_OWNER) ||
                        !IsWindowVisible(dialog) || !answer_)
                        return TRUE;
                    std::exchange(answer_, nullptr)(dialog);
                    return FALSE;
                },
                0);
        });
    }
    ~DialogAnswer() {
        KillTimer(nullptr, timer_);
        answer_ = nullptr;
    }

  private:
    static inline std::function<void(HWND)> answer_;
    UINT_PTR timer_;
};

std::wstring Caption(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// The two tests of the system's own dialogs, each through its adaptor.

TEST_F(WindowTest, RealMessageBoxShowsTheRefusal) {
    Win32Dialogs real;
    store.values = {{"InputGSI", "C:\\weg\\niets.gsi"}};
    window.emplace(real, store, 0ms);
    real.SetOwner(window->Window());
    window->Show();
    std::wstring title, text;
    DialogAnswer answer([&](HWND box) {
        title = Caption(box);
        text = Caption(GetDlgItem(box, 0xFFFF));  // the text of a message box
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });

    Press(VK_RETURN);

    EXPECT_EQ(title, L"Let op");
    EXPECT_EQ(text, L"Invoerbestand niet gevonden !\nBewerking is niet mogelijk.");
    window->Close();
}

TEST_F(WindowTest, RealSaveDialogOffersBothTypesAndAddsTheExtension) {
    test::TempDir dir;
    Win32Dialogs real;
    store.values = {{"OutputGSI", dir / "oud.gsi"}, {"ReplaceGSI", "0"}};
    window.emplace(real, store, 0ms);
    real.SetOwner(window->Window());
    window->Show();
    std::wstring title;
    std::vector<std::wstring> types;
    DialogAnswer answer([&](HWND dialog) {
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
    std::wstring chosen = Widen(Text(Control::txtOutputGSI)), expected = Widen(dir / "meting.GSI");
    for (std::wstring* path : {&chosen, &expected})
        CharUpperBuffW(path->data(), static_cast<DWORD>(path->size()));
    EXPECT_EQ(chosen, expected);
    window->Close();
}

}  // namespace
}  // namespace tessavo::win32
