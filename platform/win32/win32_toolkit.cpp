#include "platform/win32/win32_toolkit.h"

#include <commctrl.h>

#include <cmath>
#include <utility>
#include <vector>

#include "platform/run_error.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/scoped_gdi.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_control.h"
#include "platform/wrap_text.h"

namespace quorvel {
namespace {

constexpr wchar_t mainClass[] = L"QuorvelWindow";
constexpr wchar_t frameClass[] = L"QuorvelFrame";

int systemDpi() {
    const WindowDC screen(nullptr);
    const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
    return dpi > 0 ? dpi : 96;
}

struct InputBoxState {
    std::wstring prompt, title, text;
};

INT_PTR CALLBACK inputBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        const auto& state = *reinterpret_cast<InputBoxState*>(lParam);
        SetWindowTextW(dialog, state.title.c_str());
        SetDlgItemTextW(dialog, IDC_INPUT_PROMPT, state.prompt.c_str());
        SetDlgItemTextW(dialog, IDC_INPUT_TEXT, state.text.c_str());
        SendDlgItemMessageW(dialog, IDC_INPUT_TEXT, EM_SETSEL, 0, -1);
        SetFocus(GetDlgItem(dialog, IDC_INPUT_TEXT));
        return FALSE;  // the focus is set
    }
    if (message != WM_COMMAND || (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL)) {
        return FALSE;
    }
    auto& state = *reinterpret_cast<InputBoxState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    state.text = LOWORD(wParam) == IDOK ? widened(windowText(GetDlgItem(dialog, IDC_INPUT_TEXT)))
                                        : std::wstring();
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
}

}  // namespace

Win32Toolkit::Win32Toolkit(HINSTANCE instance) : instance_(instance), dpi_(systemDpi()) {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    registerClasses();
}

Win32Toolkit::~Win32Toolkit() {
    if (window_) DestroyWindow(window_);
    UnregisterClassW(mainClass, instance_);
    UnregisterClassW(frameClass, instance_);
}

void Win32Toolkit::registerClasses() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance_;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = frameClass;
    if (!RegisterClassExW(&windowClass)) throwSystemError("Cannot register the window class", "");
    windowClass.lpszClassName = mainClass;
    windowClass.hIcon =
        static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_QUORVEL), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_QUORVEL),
                                                        IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
    if (!RegisterClassExW(&windowClass)) throwSystemError("Cannot register the window class", "");
}

int Win32Toolkit::pixels(double twips) const {
    return static_cast<int>(std::lround(twips * dpi_ / 1440.0));
}

HFONT Win32Toolkit::font(const Font& design) {
    GdiObject<HFONT>& font = fonts_[{design.face, design.points}];
    if (!font) {
        LOGFONTW description{};
        description.lfHeight = -static_cast<LONG>(std::lround(design.points * dpi_ / 72.0));
        description.lfCharSet = DEFAULT_CHARSET;
        description.lfQuality = DEFAULT_QUALITY;
        const std::wstring face = widened(design.face);
        face.copy(description.lfFaceName, LF_FACESIZE - 1);
        font.reset(CreateFontIndirectW(&description));
    }
    return font.get();
}

// A fixed window: a caption with close and minimize boxes, no resizing border.
void Win32Toolkit::createWindow(const WindowDesign& design) {
    constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, pixels(design.clientWidth), pixels(design.clientHeight)};
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_CONTROLPARENT);
    window_ = CreateWindowExW(WS_EX_CONTROLPARENT, mainClass, widened(design.caption).c_str(),
                              style, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                              frame.bottom - frame.top, nullptr, nullptr, instance_, this);
    if (!window_) throwSystemError("Cannot create the window", design.caption);
    toolTips_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance_, nullptr);
    DragAcceptFiles(window_, TRUE);
    // The focus is shown from the start, not only once the keyboard has been used.
    SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

std::unique_ptr<Control> Win32Toolkit::createControl(const ControlDesign& design, Control* frame) {
    const HWND parent = frame ? static_cast<Win32Control*>(frame)->handle() : window_;
    // Option buttons next to each other form one group; every other control starts a new one.
    const bool startsGroup =
        design.kind != ControlKind::OptionButton || previousKind_ != ControlKind::OptionButton;
    previousKind_ = design.kind;
    auto control = std::make_unique<Win32Control>(design, parent, nextId_++, startsGroup, *this);
    controls_[control->handle()] = control.get();
    if (control->isLink()) link_ = control.get();
    // The bar lies over the frame's lower edge, so it is drawn above the frame.
    if (design.kind == ControlKind::Shape) {
        SetWindowPos(control->handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    return control;
}

// The focus starts in the first control of the tab order.
void Win32Toolkit::showWindow() {
    placeLabelsBeforeTheirFields();
    ShowWindow(window_, SW_SHOWNORMAL);
    if (const HWND first = GetNextDlgTabItem(window_, nullptr, FALSE)) SetFocus(first);
    UpdateWindow(window_);
}

Win32Control* Win32Toolkit::controlNamed(const std::string& name) const {
    for (const auto& [handle, control] : controls_) {
        if (control->design().name == name) return control;
    }
    return nullptr;
}

// Screen readers name a field by the label just before it in the z-order. The labels take no
// focus, so moving them leaves the tab order as it is.
void Win32Toolkit::placeLabelsBeforeTheirFields() {
    for (const auto& [field, control] : controls_) {
        const Win32Control* label = controlNamed(control->design().labelledBy);
        if (!label) continue;
        const HWND before = GetWindow(field, GW_HWNDPREV);
        if (before == label->handle()) continue;
        SetWindowPos(label->handle(), before ? before : HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void Win32Toolkit::setToolTip(HWND control, const std::string& tip) {
    std::wstring text = widened(tip);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = text.data();
    // Added afresh each time: a tool that is not there yet is simply not deleted.
    SendMessageW(toolTips_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Win32Toolkit::forget(HWND control) {
    if (link_ && link_->handle() == control) link_ = nullptr;
    controls_.erase(control);
}

// The wide forms keep names outside the ANSI code page whole.
void Win32Toolkit::takeDrop(const DroppedFiles& drop) {
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(drop.get(), 0xFFFFFFFF, nullptr, 0);
    for (UINT n = 0; n < count; ++n) {
        std::wstring path(DragQueryFileW(drop.get(), n, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop.get(), n, path.data(), static_cast<UINT>(path.size())));
        paths.push_back(narrowed(path));
    }
    if (onFilesDropped) onFilesDropped(paths);
}

void Win32Toolkit::close() {
    if (closed_) return;
    closed_ = true;
    ShowWindow(window_, SW_HIDE);
    PostQuitMessage(0);
}

bool Win32Toolkit::canTakeFocus(HWND control) const {
    for (HWND window = control; window && window != window_; window = GetParent(window)) {
        if (!IsWindowEnabled(window) || !IsWindowVisible(window)) return false;
    }
    return control != nullptr;
}

void Win32Toolkit::focusAwayFrom(HWND container) {
    const HWND focus = GetFocus();
    if (focus && (focus == container || IsChild(container, focus))) {
        focusInDisabledFrame_ = focus;
        SetFocus(window_);
    }
}

void Win32Toolkit::focusBackTo(HWND container) {
    const HWND focus = std::exchange(focusInDisabledFrame_, nullptr);
    if (focus && IsChild(container, focus) && GetFocus() == window_ && canTakeFocus(focus)) {
        SetFocus(focus);
    }
}

// The system's box breaks lines only between words: a long path would run off the screen.
void Win32Toolkit::messageBox(const std::string& text, const std::string& title) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    const GdiObject<HFONT> font(CreateFontIndirectW(&metrics.lfMessageFont));
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor);
    const int maxWidth =
        static_cast<int>((monitor.rcWork.right - monitor.rcWork.left) * messageShareOfScreen);
    std::string wrapped;
    {
        const WindowDC dc(window_);
        const SelectedObject selected(dc.get(), font.get());
        wrapped = wrapToWidth(text, maxWidth, [&dc](std::string_view part) {
            const std::wstring wide = widened(std::string(part));
            SIZE extent{};
            GetTextExtentPoint32W(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &extent);
            return static_cast<int>(extent.cx);
        });
    }
    MessageBoxW(window_, widened(wrapped).c_str(), widened(title).c_str(),
                MB_ICONINFORMATION | MB_OK);
}

std::string Win32Toolkit::inputBox(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText) {
    InputBoxState state{widened(prompt), widened(title), widened(defaultText)};
    const INT_PTR answer = DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_INPUT_BOX), window_,
                                           inputBoxProc, reinterpret_cast<LPARAM>(&state));
    return answer == IDOK ? narrowed(state.text) : std::string();
}

bool Win32Toolkit::pressFocused(const MSG& message) {
    constexpr LPARAM repeated = 1 << 30;
    if (message.message != WM_KEYDOWN || (message.lParam & repeated) != 0) return false;
    Win32Control* control = controlOf(reinterpret_cast<LPARAM>(message.hwnd));
    if (!control) return false;
    const ControlKind kind = control->design().kind;
    if (control->isLink() && (message.wParam == VK_RETURN || message.wParam == VK_SPACE)) {
        control->click();
        return true;
    }
    if (message.wParam == VK_RETURN &&
        (kind == ControlKind::PictureButton || kind == ControlKind::OptionButton ||
         kind == ControlKind::CheckBox)) {
        SendMessageW(message.hwnd, BM_CLICK, 0, 0);
        return true;
    }
    return false;
}

void Win32Toolkit::dispatch(MSG& message) {
    if (pressFocused(message)) return;
    if (IsDialogMessageW(window_, &message)) return;  // Tab, arrows and mnemonics
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

void Win32Toolkit::doEvents() {
    deliverHeldClicks();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!dispatchUnlessQuit(message)) return;
    }
}

// False for the quit message, which is posted again for the loop in run().
bool Win32Toolkit::dispatchUnlessQuit(MSG& message) {
    if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        return false;
    }
    dispatch(message);
    return true;
}

// Each kind of message is taken by its range, and what no range takes stays queued, in its order,
// for doEvents(): the input of the window's client area (keys, the mouse) and files dropped on it.
// The ranges take every message that is not input, the painting among them; the mouse on the
// window's frame (its close box, a move); the system keys (Alt+F4); and the update link's clicks
// and keys, which the link's activation is held from.
void Win32Toolkit::repaint() {
    struct Range {
        UINT first, last;
    };
    constexpr Range notClientInput[] = {
        {0, WM_KEYFIRST - 1},                 // paint, close and the frame's mouse (WM_NC*)
        {WM_SYSKEYDOWN, WM_SYSDEADCHAR},      // Alt+F4
        {WM_KEYLAST + 1, WM_MOUSEFIRST - 1},  // commands, timers
        {WM_MOUSELAST + 1, WM_DROPFILES - 1},
        {WM_DROPFILES + 1, 0xFFFFFFFF},
    };
    MSG message;
    for (const Range& range : notClientInput) {
        while (PeekMessageW(&message, nullptr, range.first, range.last, PM_REMOVE)) {
            if (!dispatchUnlessQuit(message)) return;
        }
    }
    if (link_) holdLinkActivations(*link_);
}

// A click or Enter or Space on the link is held; the rest of its input comes again later.
void Win32Toolkit::holdLinkActivations(Win32Control& link) {
    MSG message;
    std::vector<MSG> later;
    while (PeekMessageW(&message, link.handle(), WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
        const bool activates = message.message == WM_KEYDOWN &&
                               (message.wParam == VK_RETURN || message.wParam == VK_SPACE);
        if (activates) {
            hold(link);
        } else if (message.message == WM_KEYDOWN) {
            later.push_back(message);  // Tab, say: the key up and character that follow go
        }
    }
    for (const MSG& key : later) PostMessageW(key.hwnd, key.message, key.wParam, key.lParam);
    while (PeekMessageW(&message, link.handle(), WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
        if (message.message == WM_LBUTTONUP) hold(link);
    }
}

int Win32Toolkit::run() {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) dispatch(message);
    return static_cast<int>(message.wParam);
}

Win32Control* Win32Toolkit::controlOf(LPARAM handle) const {
    const auto found = controls_.find(reinterpret_cast<HWND>(handle));
    return found == controls_.end() ? nullptr : found->second;
}

// The frame has no caption: an etched line all round, as a group box draws it.
void Win32Toolkit::paintFrame(HWND frame) {
    const PaintDC dc(frame);
    RECT edge;
    GetClientRect(frame, &edge);
    edge.top += pixels(90);
    DrawEdge(dc.get(), &edge, EDGE_ETCHED, BF_RECT);
}

LRESULT CALLBACK Win32Toolkit::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* kit = reinterpret_cast<Win32Toolkit*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return kit ? kit->handle(window, message, wParam, lParam)
               : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT Win32Toolkit::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            // BN_CLICKED for buttons, STN_CLICKED for labels: both are 0.
            if (Win32Control* control = controlOf(lParam); control && HIWORD(wParam) == 0) {
                control->click();
                return 0;
            }
            break;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            if (const Win32Control* control = controlOf(lParam)) {
                if (const LRESULT brush = control->paintColors(reinterpret_cast<HDC>(wParam))) {
                    return brush;
                }
            }
            break;
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (const Win32Control* control = controlOf(reinterpret_cast<LPARAM>(item.hwndItem))) {
                control->drawShape(item);
                return TRUE;
            }
            break;
        }
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            const Win32Control* control = controlOf(reinterpret_cast<LPARAM>(header.hwndFrom));
            if (!control || header.code != NM_CUSTOMDRAW) break;
            const auto& draw = *reinterpret_cast<const NMCUSTOMDRAW*>(lParam);
            if (control->design().kind == ControlKind::OptionButton) {
                return control->drawOption(draw);
            }
            break;
        }
        case WM_CHANGEUISTATE:
        case WM_UPDATEUISTATE:
            // The keyboard-cues setting may hide underlines, never the focus.
            if (LOWORD(wParam) != UIS_CLEAR) {
                wParam = MAKEWPARAM(LOWORD(wParam), HIWORD(wParam) & ~UISF_HIDEFOCUS);
            }
            break;
        case WM_SETCURSOR:
            if (const Win32Control* control = controlOf(static_cast<LPARAM>(wParam));
                control && control->design().handCursor) {
                SetCursor(LoadCursorW(nullptr, IDC_HAND));
                return TRUE;
            }
            break;
        case WM_PAINT:
            if (window != window_) {
                paintFrame(window);
                return 0;
            }
            break;
        case WM_ACTIVATE:
            // Back from a message box or another program, the focus returns where it was.
            if (window != window_) break;
            if (LOWORD(wParam) == WA_INACTIVE) {
                lastFocus_ = GetFocus();
            } else if (canTakeFocus(lastFocus_) && IsChild(window_, lastFocus_)) {
                SetFocus(lastFocus_);
                return 0;
            }
            break;
        case WM_DROPFILES:
            takeDrop(DroppedFiles(reinterpret_cast<HDROP>(wParam)));
            return 0;
        case WM_CLOSE:
            // A run still working stops at its next yield; the loop in run() then ends.
            close();
            return 0;
        case WM_QUERYENDSESSION:
            // The session ends (a logout, a shutdown) as at a close: a run stops at once, before
            // the system ends the program, and leaves nothing partial.
            if (window == window_) close();
            return TRUE;
        case WM_ENDSESSION:
            if (window == window_ && wParam) close();
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace quorvel
