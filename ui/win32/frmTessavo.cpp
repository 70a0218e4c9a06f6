// SPDX-License-Identifier: GPL-3.0-or-later
// frmTessavo: the window's controls in twips, its messages passed on to the controller.
#include "frmTessavo.h"

#include <commctrl.h>
#include <shellapi.h>

#include <stdexcept>
#include <utility>
#include <vector>

#include "Resources.h"
#include "Utf16.h"

namespace tessavo::win32 {

namespace {

constexpr int kTwipsPerInch = 1440;

// How a control of the design is made: its window class, style and extended style.
struct Making {
    const wchar_t* windowClass;
    DWORD style;
    DWORD exStyle = 0;
};

// `startsGroup`: the first of a group of options.
Making HowToMake(const ControlDesign& design, bool startsGroup) {
    switch (design.kind) {
        case ControlKind::Picture:
            return {WC_STATICW, SS_ICON | SS_CENTERIMAGE};
        case ControlKind::Label:
            // SS_NOTIFY: a plain label lets the mouse through, and so its tool tip would never
            // show.
            return {WC_STATICW, SS_LEFT | SS_NOPREFIX | (design.toolTip ? DWORD{SS_NOTIFY} : 0)};
        case ControlKind::Frame:
            return {WC_BUTTONW, BS_GROUPBOX};
        case ControlKind::TextBox:
            return {WC_EDITW, ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, WS_EX_CLIENTEDGE};
        case ControlKind::Button:
            return {WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP};
        case ControlKind::DefaultButton:
            return {WC_BUTTONW, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP};
        case ControlKind::CheckBox:
            return {WC_BUTTONW, BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP};
        case ControlKind::Option:
            // The options are one group, the first marked WS_GROUP: the arrow keys move within
            // it, and the selected one is its only tab stop (checking an option moves
            // WS_TABSTOP to it).
            return {WC_BUTTONW, BS_AUTORADIOBUTTON | (startsGroup ? DWORD{WS_GROUP} : 0)};
    }
    return {WC_STATICW, 0};  // not reached: every kind has its case
}

// Where a control goes in the window: the frame's controls are placed from its top-left
// corner.
Twips InWindow(const ControlDesign& design) {
    Twips place = design.place;
    if (design.inFrame) {
        place.left += Design(Control::Frame2).place.left;
        place.top += Design(Control::Frame2).place.top;
    }
    return place;
}

Control FromDialogId(int id) {
    if (id == IDOK) return Control::cmdProcessGSI;
    if (id == IDCANCEL) return Control::cmdCancel;
    return static_cast<Control>(id - 1000);
}

int Scale(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), kTwipsPerInch); }

// The per-monitor dpi calls of Windows 10; older systems have one dpi for the whole screen.
template <class Function>
Function User32(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

UINT WindowDpi(HWND window) {
    static const auto getDpiForWindow = User32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (getDpiForWindow) {
        if (const UINT dpi = getDpiForWindow(window)) return dpi;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

// The window's outer size for the client area of the layout at `dpi`.
SIZE WindowSize(HWND window, UINT dpi) {
    static const auto adjustForDpi =
        User32<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    RECT rect{0, 0, Scale(Design().clientWidth, dpi), Scale(Design().clientHeight, dpi)};
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    if (!adjustForDpi || !adjustForDpi(&rect, style, FALSE, exStyle, dpi)) {
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// Gives the window the client area of the layout at `dpi`. The frame may not have the
// size Windows' calculation gives (a title bar of another dpi, a window manager's own frame
// under wine), so the difference is measured and made up.
void FitClientArea(HWND window, UINT dpi, const POINT* position) {
    const SIZE size = WindowSize(window, dpi);
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (position ? 0 : SWP_NOMOVE);
    SetWindowPos(window, nullptr, position ? position->x : 0, position ? position->y : 0, size.cx,
                 size.cy, flags);
    RECT client;
    GetClientRect(window, &client);
    const int missingWidth = Scale(Design().clientWidth, dpi) - client.right;
    const int missingHeight = Scale(Design().clientHeight, dpi) - client.bottom;
    if (missingWidth != 0 || missingHeight != 0) {
        SetWindowPos(window, nullptr, 0, 0, size.cx + missingWidth, size.cy + missingHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// Where the window system would put a new window of this size: the default placement of
// an overlapped window, which a dialog does not get by itself.
POINT DefaultPosition(SIZE size) {
    HWND probe = CreateWindowExW(0, WC_STATICW, L"", WS_OVERLAPPED, CW_USEDEFAULT, CW_USEDEFAULT,
                                 size.cx, size.cy, nullptr, nullptr, nullptr, nullptr);
    if (!probe) return {0, 0};
    RECT rect{};
    GetWindowRect(probe, &rect);
    DestroyWindow(probe);
    return {rect.left, rect.top};
}

// Microsoft Sans Serif is the TrueType twin of the bitmap font MS Sans Serif, which does
// not scale with the dpi.
HFONT MakeFont(const wchar_t* face, int tenthsOfPoint, bool bold, UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(tenthsOfPoint, static_cast<int>(dpi), 720);
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

// The dialog template: no controls (they are made in twips), no font, hidden.
struct alignas(4) EmptyDialog {
    DLGTEMPLATE header;
    WORD menu = 0;
    WORD windowClass = 0;
    WORD title = 0;
};

}  // namespace

int frmTessavo::DialogId(Control control) {
    switch (control) {
        case Control::cmdProcessGSI:
            return IDOK;  // the default button: Enter
        case Control::cmdCancel:
            return IDCANCEL;  // Esc
        default:
            return 1000 + static_cast<int>(control);
    }
}

frmTessavo::frmTessavo(Dialogs& dialogs, SettingsStore& store,
                       const std::optional<std::string>& openedFile,
                       std::chrono::milliseconds eventInterval)
    : controller_(*this, dialogs, store, eventInterval), openedFile_(openedFile) {
    // The tool tips are common controls.
    const INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&classes);
    EmptyDialog dialog{};
    // Fixed single border, a close box and no minimize or maximize box.
    dialog.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &dialog.header, nullptr, DialogProc,
                               reinterpret_cast<LPARAM>(this));
    if (!window_) {
        RethrowFailure();
        throw std::runtime_error("cannot create the window");
    }
}

frmTessavo::~frmTessavo() {
    if (window_) DestroyWindow(window_);
    for (HFONT font : fonts_) {
        if (font) DeleteObject(font);
    }
    for (HICON icon : {bigIcon_, smallIcon_, pictureIcon_}) {
        if (icon) DestroyIcon(icon);
    }
}

INT_PTR CALLBACK frmTessavo::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<frmTessavo*>(lParam)->window_ = window;
    }
    auto* self = reinterpret_cast<frmTessavo*>(GetWindowLongPtrW(window, DWLP_USER));
    return self ? self->HandleMessage(message, wParam, lParam) : FALSE;
}

INT_PTR frmTessavo::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            CreateControls();
            Guarded([this] { controller_.Form_Load(openedFile_); });
            if (!window_) return FALSE;
            SetFocus(Handle(Control::txtInputGSI));
            SendMessageW(Handle(Control::txtInputGSI), EM_SETSEL, 0, -1);
            return FALSE;  // the focus is set
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_CLOSE:
            OnClose();
            return TRUE;
        case WM_DROPFILES:
            OnDropFiles(wParam);
            return TRUE;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
            return reinterpret_cast<INT_PTR>(
                OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
        case WM_SETCURSOR:
            if (!busy_) return FALSE;
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            SetWindowLongPtrW(window_, DWLP_MSGRESULT, TRUE);
            return TRUE;
        case WM_DPICHANGED: {
            ApplyDpi(HIWORD(wParam));
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            const POINT position{suggested->left, suggested->top};
            FitClientArea(window_, dpi_, &position);
            return TRUE;
        }
        case WM_DESTROY:
            window_ = nullptr;
            // Wakes a message loop that waits, so that it sees the window is gone.
            PostMessageW(nullptr, WM_NULL, 0, 0);
            return TRUE;
        default:
            return FALSE;
    }
}

void frmTessavo::CreateControls() {
    SetWindowTextW(window_, Widen(Design().title).c_str());
    // A file dragged from Explorer onto the window, text boxes included, is dropped on it.
    DragAcceptFiles(window_, TRUE);
    // The dialog manager would scale fonts and controls itself on a change of dpi
    // (Windows 10), on top of ApplyDpi.
    static const auto setDialogDpiBehavior =
        User32<BOOL(WINAPI*)(HWND, int, int)>("SetDialogDpiChangeBehavior");
    if (setDialogDpiBehavior) {
        constexpr int kDisableAll = 1;  // DDC_DISABLE_ALL
        setDialogDpiBehavior(window_, kDisableAll, kDisableAll);
    }
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    bool inOptions = false;
    for (const ControlDesign& design : Design().controls) {
        const bool option = design.kind == ControlKind::Option;
        const Making making = HowToMake(design, option && !inOptions);
        inOptions = option;
        controls_[static_cast<int>(design.control)] = CreateWindowExW(
            making.exStyle, making.windowClass, Widen(design.caption ? design.caption : "").c_str(),
            WS_CHILD | WS_VISIBLE | making.style, 0, 0, 0, 0, window_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(DialogId(design.control))), instance,
            nullptr);
    }
    SelectOption(Control::optOutIsIn);

    toolTips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0, 0, window_,
                                nullptr, instance, nullptr);
    for (const ControlDesign& design : Design().controls) {
        if (!design.toolTip) continue;
        // The tool tip keeps a copy of its text.
        std::wstring text = Widen(design.toolTip);
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window_;
        tool.uId = reinterpret_cast<UINT_PTR>(Handle(design.control));
        tool.lpszText = text.data();
        SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }

    const SIZE size = WindowSize(window_, WindowDpi(window_));
    const POINT position = DefaultPosition(size);
    SetWindowPos(window_, nullptr, position.x, position.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The monitor there decides the dpi.
    ApplyDpi(WindowDpi(window_));
    FitClientArea(window_, dpi_, nullptr);
}

// Fonts, places and sizes, and the icons, for `dpi`.
void frmTessavo::ApplyDpi(UINT dpi) {
    dpi_ = dpi;
    const std::array<HFONT, 3> old = fonts_;
    fonts_ = {MakeFont(L"Microsoft Sans Serif", 80, false, dpi), MakeFont(L"Arial", 180, true, dpi),
              MakeFont(L"Microsoft Sans Serif", 98, true, dpi)};
    for (const ControlDesign& design : Design().controls) {
        HWND control = Handle(design.control);
        const Twips place = InWindow(design);
        SetWindowPos(control, nullptr, Scale(place.left, dpi), Scale(place.top, dpi),
                     Scale(place.width, dpi), Scale(place.height, dpi),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(control, WM_SETFONT,
                     reinterpret_cast<WPARAM>(fonts_[static_cast<int>(design.font)]), TRUE);
    }
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[0]), FALSE);
    SendMessageW(toolTips_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[0]), FALSE);
    for (HFONT font : old) {
        if (font) DeleteObject(font);
    }

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    auto loadIcon = [instance](int size) {
        return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TESSAVO), IMAGE_ICON,
                                             size, size, LR_DEFAULTCOLOR));
    };
    const std::array<HICON, 3> oldIcons = {bigIcon_, smallIcon_, pictureIcon_};
    bigIcon_ = loadIcon(MulDiv(32, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI));
    smallIcon_ = loadIcon(MulDiv(16, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI));
    // Picture1 shows the icon filling its area: 32 by 32 pixels at 96 dpi.
    pictureIcon_ = loadIcon(Scale(Design(Control::Picture1).place.width, dpi));
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    SendMessageW(Handle(Control::Picture1), STM_SETICON, reinterpret_cast<WPARAM>(pictureIcon_), 0);
    for (HICON icon : oldIcons) {
        if (icon) DestroyIcon(icon);
    }
}

void frmTessavo::OnCommand(int id, int code) {
    const Control control = FromDialogId(id);
    if (control == Control::txtInputGSI) {
        if (code == EN_CHANGE && !settingText_)
            Guarded([this] { controller_.txtInputGSI_Change(); });
        return;
    }
    // Enter and Esc arrive with code 0, a click with BN_CLICKED (also 0); an option also
    // reports the space bar and an arrow key that moves to it.
    if (code != BN_CLICKED) return;
    for (const auto& [clicked, handler] : TessavoController::kClickHandlers) {
        if (clicked == control) Guarded([this, handler] { (controller_.*handler)(); });
    }
    // The window was closed during a run; it goes now that the run has ended.
    if (closeAfterRun_ && window_ && !controller_.IsRunning()) DestroyWindow(window_);
}

// The close box, Esc, Alt+E and the Exit button all come here.
void frmTessavo::OnClose() {
    Guarded([this] { controller_.Form_Unload(); });
    if (!window_) return;
    // A run in progress stops at its next line and returns through cmdProcessGSI, which
    // then destroys the window: the run still uses the controls until it has returned.
    if (controller_.IsRunning()) {
        closeAfterRun_ = true;
        return;
    }
    DestroyWindow(window_);
}

void frmTessavo::OnDropFiles(WPARAM wParam) {
    const auto drop = reinterpret_cast<HDROP>(wParam);
    std::vector<std::string> paths(DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0));
    for (UINT i = 0; i < paths.size(); ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0), L'\0');
        DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size() + 1));
        paths[i] = Narrow(path);
    }
    DragFinish(drop);
    Guarded([this, &paths] { controller_.Form_DragDrop(paths); });
}

HBRUSH frmTessavo::OnControlColour(HDC dc, HWND control) {
    for (const ControlDesign& design : Design().controls) {
        if (design.darkBlue && control == Handle(design.control)) {
            SetTextColor(dc, RGB(kDarkBlue.red, kDarkBlue.green, kDarkBlue.blue));
            SetBkMode(dc, TRANSPARENT);
            return GetSysColorBrush(COLOR_BTNFACE);
        }
    }
    // From the first replace toggle on, the enabled output box is white; disabled, it
    // keeps the button face that Windows gives a disabled text box.
    if (control == Handle(Control::txtOutputGSI) && outputColoured_ && IsWindowEnabled(control)) {
        SetBkColor(dc, RGB(255, 255, 255));
        return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    }
    return nullptr;  // the dialog's own colours
}

template <class Action>
void frmTessavo::Guarded(Action&& action) {
    try {
        std::forward<Action>(action)();
    } catch (...) {
        if (!failure_) failure_ = std::current_exception();
        if (window_ && !controller_.IsRunning()) DestroyWindow(window_);
    }
}

void frmTessavo::RethrowFailure() {
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void frmTessavo::Show(int showCommand) {
    ShowWindow(window_, showCommand);
    // Mnemonics underlined from the start, not only once Alt is pressed: "Exit" shows its E
    // underlined. Showing the window sets the state the system's way first.
    SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL), 0);
    UpdateWindow(window_);
}

void frmTessavo::RunMessageLoop() {
    MSG message;
    while (window_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!window_ || !IsDialogMessageW(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    RethrowFailure();
}

void frmTessavo::HandleWaitingMessages() {
    ProcessPendingEvents();
    RethrowFailure();
}

void frmTessavo::ProcessPendingEvents() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // For the loop that waits for it.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (!window_ || !IsDialogMessageW(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

void frmTessavo::SetText(Control control, const std::string& text) {
    settingText_ = true;
    SetWindowTextW(Handle(control), Widen(text).c_str());
    settingText_ = false;
}

std::string frmTessavo::Text(Control control) const {
    HWND handle = Handle(control);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(handle)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(handle, text.data(), static_cast<int>(text.size()))));
    return Narrow(text);
}

void frmTessavo::SetVersionText(const std::string& text) { SetText(Control::lblVersion, text); }

std::string frmTessavo::InputPath() const { return Text(Control::txtInputGSI); }

void frmTessavo::SetInputPath(const std::string& path) { SetText(Control::txtInputGSI, path); }

std::string frmTessavo::OutputPath() const { return Text(Control::txtOutputGSI); }

void frmTessavo::SetOutputPath(const std::string& path) { SetText(Control::txtOutputGSI, path); }

bool frmTessavo::ReplaceChecked() const {
    return SendMessageW(Handle(Control::chkReplace), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void frmTessavo::SetReplaceChecked(bool checked) {
    SendMessageW(Handle(Control::chkReplace), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED,
                 0);
}

bool frmTessavo::AutoBackupChecked() const {
    return SendMessageW(Handle(Control::chkAutoBackup), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void frmTessavo::SetAutoBackupChecked(bool checked) {
    SendMessageW(Handle(Control::chkAutoBackup), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED,
                 0);
}

void frmTessavo::SelectOption(Control option) {
    // Checking an option also makes it the group's tab stop.
    CheckRadioButton(window_, DialogId(Control::optGSI8), DialogId(Control::optOutIsIn),
                     DialogId(option));
}

void frmTessavo::EnableOutput(bool enabled) {
    // A control that loses its focus by being disabled would leave the keyboard nowhere.
    HWND focus = GetFocus();
    for (Control control : kOutputControls) {
        if (!enabled && focus == Handle(control)) {
            SendMessageW(window_, WM_NEXTDLGCTL, 0, FALSE);
        }
    }
    for (Control control : kOutputControls) EnableWindow(Handle(control), enabled);
    outputColoured_ = true;
    InvalidateRect(Handle(Control::txtOutputGSI), nullptr, TRUE);
}

void frmTessavo::SetBusy(bool busy) {
    busy_ = busy;
    // The cursor changes now, not at the next move of the mouse.
    POINT point;
    if (GetCursorPos(&point)) {
        HWND under = WindowFromPoint(point);
        if (under == window_ || IsChild(window_, under)) {
            SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
        }
    }
}

void frmTessavo::MakeProcessDefault() { SendMessageW(window_, DM_SETDEFID, IDOK, 0); }

void frmTessavo::Close() {
    if (window_) SendMessageW(window_, WM_CLOSE, 0, 0);
}

}  // namespace tessavo::win32
