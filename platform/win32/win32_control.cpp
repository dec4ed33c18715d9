#include "platform/win32/win32_control.h"

#include <oleacc.h>
#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "platform/legible_color.h"
#include "platform/process.h"
#include "platform/run_error.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/scoped_gdi.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_toolkit.h"

namespace quorvel {
namespace {

using enum ControlKind;

struct NativeKind {
    const wchar_t* windowClass;
    DWORD style;
    DWORD extendedStyle;
};

NativeKind nativeKind(const ControlDesign& design) {
    switch (design.kind) {
        case Frame:
            return {L"QuorvelFrame", WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
        case TextBox:
            return {WC_EDITW, WS_TABSTOP | ES_AUTOHSCROLL | (design.locked ? ES_READONLY : 0u),
                    WS_EX_CLIENTEDGE};
        case Label:
            return {
                WC_STATICW,
                SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY | (design.handCursor ? WS_TABSTOP : 0u),
                0};
        case PictureButton:
            return {WC_BUTTONW, WS_TABSTOP | BS_PUSHBUTTON | BS_BITMAP, 0};
        case OptionButton:
            return {WC_BUTTONW, WS_TABSTOP | BS_AUTORADIOBUTTON | BS_PUSHLIKE | BS_MULTILINE, 0};
        case CheckBox:
            return {WC_BUTTONW, WS_TABSTOP | BS_AUTOCHECKBOX | BS_MULTILINE, 0};
        case Shape:
            return {WC_STATICW, SS_OWNERDRAW, 0};
    }
    throw std::logic_error("unknown control kind");
}

COLORREF colorRef(const Color& color) {
    return RGB(color.red, color.green, color.blue);
}

int pictureResource(Picture picture, bool large) {
    switch (picture) {
        case Picture::OpenFolder:
            return large ? IDB_OPEN_FOLDER_2X : IDB_OPEN_FOLDER;
        case Picture::FloppyDisk:
            return large ? IDB_FLOPPY_DISK_2X : IDB_FLOPPY_DISK;
        case Picture::Scissors:
            return large ? IDB_SCISSORS_2X : IDB_SCISSORS;
        case Picture::None:
            break;
    }
    return 0;
}

// The pictures are drawn on RGB(192, 192, 192); that grey becomes the button's own face colour.
void blendIntoButtonFace(HBITMAP bitmap) {
    DIBSECTION section{};
    if (GetObjectW(bitmap, sizeof section, &section) != sizeof section ||
        section.dsBm.bmBitsPixel != 24) {
        return;
    }
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    auto* bits = static_cast<BYTE*>(section.dsBm.bmBits);
    for (LONG row = 0; row < section.dsBm.bmHeight; ++row) {
        BYTE* pixel = bits + row * section.dsBm.bmWidthBytes;
        for (LONG column = 0; column < section.dsBm.bmWidth; ++column, pixel += 3) {
            if (pixel[0] == 192 && pixel[1] == 192 && pixel[2] == 192) {
                pixel[0] = GetBValue(face);
                pixel[1] = GetGValue(face);
                pixel[2] = GetRValue(face);
            }
        }
    }
}

// A focus mark plain to see on any face: a solid frame, `thickness` pixels wide.
void drawFocusFrame(HDC dc, RECT place, COLORREF color, int thickness) {
    const GdiObject<HBRUSH> brush(CreateSolidBrush(color));
    for (int ring = 0; ring < thickness; ++ring) {
        FrameRect(dc, &place, brush.get());
        InflateRect(&place, -1, -1);
    }
}

// The system's store of what screen readers are told beyond what a control says of itself;
// none where COM is not running.
struct ReleaseServices {
    void operator()(IAccPropServices* services) const { services->Release(); }
};
std::unique_ptr<IAccPropServices, ReleaseServices> annotations() {
    IAccPropServices* services = nullptr;
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IAccPropServices, reinterpret_cast<void**>(&services)))) {
        return nullptr;
    }
    return std::unique_ptr<IAccPropServices, ReleaseServices>(services);
}

// Screen readers take a label for plain text; the annotation tells them this one is a link.
void announceAsLink(HWND link) {
    const auto services = annotations();
    if (!services) return;
    VARIANT role;
    VariantInit(&role);
    role.vt = VT_I4;
    role.lVal = ROLE_SYSTEM_LINK;
    services->SetHwndProp(link, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_ROLE,
                          role);
}

void forgetAnnouncement(HWND link) {
    const auto services = annotations();
    if (!services) return;
    MSAAPROPID role = PROPID_ACC_ROLE;
    services->ClearHwndProps(link, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &role, 1);
}

Color designColor(COLORREF color) {
    return {GetRValue(color), GetGValue(color), GetBValue(color)};
}

}  // namespace

std::string windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return narrowed(text);
}

Win32Control::Win32Control(const ControlDesign& design, HWND parent, int id, bool startsGroup,
                           Win32Toolkit& kit)
    : design_(design), kit_(kit), width_(static_cast<float>(design.width)) {
    const NativeKind native = nativeKind(design);
    const DWORD style = WS_CHILD | native.style | (design.visible ? WS_VISIBLE : 0u) |
                        (startsGroup ? WS_GROUP : 0u);
    handle_ = CreateWindowExW(
        native.extendedStyle, native.windowClass, L"", style, kit.pixels(design.left),
        kit.pixels(design.top), kit.pixels(design.width), kit.pixels(design.height), parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), kit.instance(), &kit);
    if (!handle_) throwSystemError("Cannot create the control", design.name);
    SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(kit.font(design.font)), FALSE);
    if (design.backColor) backBrush_.reset(CreateSolidBrush(colorRef(*design.backColor)));
    if (design.selected) setValue(1);
    setText(design.text);
    showPicture();
    setToolTip(design.toolTip);
    if (*design.accessibleName) nameByText(design.accessibleName);
    if (drawsOwnFocusFrame()) {
        SetWindowSubclass(handle_, focusFrameProc, 0, reinterpret_cast<DWORD_PTR>(this));
    }
    if (isLink()) announceAsLink(handle_);
}

Win32Control::~Win32Control() {
    if (drawsOwnFocusFrame()) RemoveWindowSubclass(handle_, focusFrameProc, 0);
    if (isLink()) forgetAnnouncement(handle_);
    kit_.forget(handle_);
    DestroyWindow(handle_);
}

void Win32Control::setText(const std::string& text) {
    SetWindowTextW(handle_, widened(text).c_str());
    if (design_.kind == Label) fitLabelToText();
}

// A caption longer than the designed width (the Joint mode captions) grows the label to the
// right instead of being cut off. One character's room is kept spare: glyphs may be drawn a little
// past their measured advance (Wine does so).
void Win32Control::fitLabelToText() {
    const std::wstring caption = widened(text());
    SIZE extent{};
    TEXTMETRICW metrics{};
    {
        const WindowDC dc(handle_);
        const SelectedObject font(dc.get(), kit_.font(design_.font));
        GetTextExtentPoint32W(dc.get(), caption.c_str(), static_cast<int>(caption.size()), &extent);
        GetTextMetricsW(dc.get(), &metrics);
    }
    const int width =
        std::max(kit_.pixels(design_.width), static_cast<int>(extent.cx + metrics.tmAveCharWidth));
    SetWindowPos(handle_, nullptr, 0, 0, width, kit_.pixels(design_.height),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(handle_, nullptr, TRUE);  // the caption is drawn anew across the new width
}

void Win32Control::showPicture() {
    const int resource = pictureResource(design_.picture, kit_.largePictures());
    if (resource == 0) return;
    picture_.reset(static_cast<HBITMAP>(LoadImageW(kit_.instance(), MAKEINTRESOURCEW(resource),
                                                   IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!picture_) return;
    blendIntoButtonFace(picture_.get());
    SendMessageW(handle_, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_.get()));
}

bool Win32Control::visible() const {
    return (GetWindowLongW(handle_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32Control::setVisible(bool visible) {
    ShowWindow(handle_, visible ? SW_SHOWNA : SW_HIDE);
}

void Win32Control::setEnabled(bool enabled) {
    if (!enabled) kit_.focusAwayFrom(handle_);
    EnableWindow(handle_, enabled);
    if (enabled) kit_.focusBackTo(handle_);
}

void Win32Control::setToolTip(const std::string& tip) {
    toolTip_ = tip;
    kit_.setToolTip(handle_, tip);
    // A picture button with no name of its own is called what its tip says.
    if (design_.kind == PictureButton && !*design_.accessibleName) nameByText(tip);
}

void Win32Control::nameByText(const std::string& name) {
    if (design_.kind == PictureButton) SetWindowTextW(handle_, widened(name).c_str());
}

bool Win32Control::drawsOwnFocusFrame() const {
    return isLink() || design_.kind == PictureButton;
}

// The control draws itself; the focus frame goes over it, whatever the keyboard-cues setting:
// on the link, a line of its own colour round the caption; on a picture button, a solid frame
// inside its edge. The frame is redrawn whenever the focus or the pressed look changes.
LRESULT CALLBACK Win32Control::focusFrameProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    if (message == WM_SETFOCUS || message == WM_KILLFOCUS || message == BM_SETSTATE) {
        InvalidateRect(window, nullptr, TRUE);
    }
    if (message == WM_PAINT && GetFocus() == window) {
        const auto& control = *reinterpret_cast<const Win32Control*>(self);
        RECT place;
        GetClientRect(window, &place);
        const WindowDC dc(window);
        if (control.isLink()) {
            drawFocusFrame(dc.get(), place,
                           colorRef(control.design_.foreColor.value_or(Color{0, 0, 0})), 1);
        } else {
            InflateRect(&place, -2, -2);
            drawFocusFrame(dc.get(), place, GetSysColor(COLOR_HIGHLIGHT), 2);
        }
    }
    return result;
}

int Win32Control::value() const {
    if (design_.kind != OptionButton && design_.kind != CheckBox) return 0;
    return SendMessageW(handle_, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Win32Control::setValue(int value) {
    SendMessageW(handle_, BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

// The width in twips is kept as set; the window shows it in whole pixels, at least one.
void Win32Control::setWidth(float width) {
    width_ = width;
    SetWindowPos(handle_, nullptr, 0, 0, std::max(1, kit_.pixels(width)),
                 kit_.pixels(design_.height), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(handle_, nullptr, TRUE);  // the outline moves with the width
}

void Win32Control::click() {
    if (!onClick) return;
    // Nothing may unwind through the system's frames that called the window procedure.
    try {
        onClick();
    } catch (const std::exception& error) {
        kit_.messageBox(error.what(), executableName());
    }
}

LRESULT Win32Control::paintColors(HDC dc) const {
    if (design_.foreColor) SetTextColor(dc, colorRef(*design_.foreColor));
    if (backBrush_) {
        SetBkColor(dc, colorRef(*design_.backColor));
        return reinterpret_cast<LRESULT>(backBrush_.get());
    }
    if (design_.kind == TextBox) return 0;
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

// The progress bar: filled with its back colour, outlined in its fore colour.
void Win32Control::drawShape(const DRAWITEMSTRUCT& item) const {
    FillRect(item.hDC, &item.rcItem, backBrush_.get());
    const GdiObject<HBRUSH> border(
        CreateSolidBrush(colorRef(design_.foreColor.value_or(Color{0, 0, 0}))));
    FrameRect(item.hDC, &item.rcItem, border.get());
}

// Push-like option buttons draw their caption in the design's colour, which the system's own
// painting of push buttons ignores.
LRESULT Win32Control::drawOption(const NMCUSTOMDRAW& draw) const {
    if (draw.dwDrawStage != CDDS_PREPAINT) return CDRF_DODEFAULT;
    const bool pressed = value() == 1 || (draw.uItemState & CDIS_SELECTED) != 0;
    RECT whole = draw.rc;
    RECT content = whole;
    if (const ThemeData theme(OpenThemeData(handle_, L"BUTTON")); theme) {
        const int state = pressed                             ? PBS_PRESSED
                          : (draw.uItemState & CDIS_HOT) != 0 ? PBS_HOT
                                                              : PBS_NORMAL;
        DrawThemeParentBackground(handle_, draw.hdc, &whole);
        DrawThemeBackground(theme.get(), draw.hdc, BP_PUSHBUTTON, state, &whole, nullptr);
        GetThemeBackgroundContentRect(theme.get(), draw.hdc, BP_PUSHBUTTON, state, &whole,
                                      &content);
    } else {
        DrawFrameControl(draw.hdc, &whole, DFC_BUTTON,
                         DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED | DFCS_CHECKED : 0u));
        InflateRect(&content, -2, -2);
        if (pressed) OffsetRect(&content, 1, 1);
    }
    // The caption takes the design's colour where it can be read on the face just drawn.
    const Color wanted = design_.foreColor.value_or(designColor(GetSysColor(COLOR_BTNTEXT)));
    const COLORREF face =
        GetPixel(draw.hdc, (whole.left + whole.right) / 2, (whole.top + whole.bottom) / 2);
    const COLORREF ink =
        face == CLR_INVALID ? colorRef(wanted) : colorRef(legibleOn(wanted, designColor(face)));
    const std::wstring caption = widened(text());
    const SelectedObject font(draw.hdc, kit_.font(design_.font));
    RECT measured = content;
    DrawTextW(draw.hdc, caption.c_str(), -1, &measured, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
    OffsetRect(&content, 0,
               ((content.bottom - content.top) - (measured.bottom - measured.top)) / 2);
    SetBkMode(draw.hdc, TRANSPARENT);
    SetTextColor(draw.hdc, ink);
    DrawTextW(draw.hdc, caption.c_str(), -1, &content, DT_CENTER | DT_WORDBREAK);
    if (GetFocus() == handle_) {
        InflateRect(&whole, -3, -3);
        drawFocusFrame(draw.hdc, whole, ink, 2);
    }
    return CDRF_SKIPDEFAULT;
}

}  // namespace quorvel
