#pragma once

#include <windows.h>
// windows.h first
#include <commctrl.h>

#include <string>

#include "platform/controls.h"
#include "platform/win32/scoped_gdi.h"

namespace quorvel {

class Win32Toolkit;

// The text of a window, UTF-8.
std::string windowText(HWND window);

// One control of the design table as a native child window. Values are read back from the
// window itself; only the tool-tip and the shape's fractional width are kept here as well.
class Win32Control : public Control {
  public:
    Win32Control(const ControlDesign& design, HWND parent, int id, bool startsGroup,
                 Win32Toolkit& kit);
    ~Win32Control() override;
    Win32Control(const Win32Control&) = delete;
    Win32Control& operator=(const Win32Control&) = delete;

    std::string text() const override { return windowText(handle_); }
    void setText(const std::string& text) override;
    bool visible() const override;
    void setVisible(bool visible) override;
    bool enabled() const override { return IsWindowEnabled(handle_) != FALSE; }
    void setEnabled(bool enabled) override;
    std::string toolTip() const override { return toolTip_; }
    void setToolTip(const std::string& tip) override;
    int value() const override;
    void setValue(int value) override;
    float width() const override { return width_; }
    void setWidth(float width) override;
    void setFocus() override { SetFocus(handle_); }

    HWND handle() const { return handle_; }
    const ControlDesign& design() const { return design_; }

    // What the toolkit calls on the control's notifications.
    void click();
    // The brush for WM_CTLCOLOR*, with the colours set on `dc`; 0 for the system's default.
    LRESULT paintColors(HDC dc) const;
    void drawShape(const DRAWITEMSTRUCT& item) const;
    LRESULT drawOption(const NMCUSTOMDRAW& draw) const;
    // A label used as a link: it takes the focus in its turn and shows it.
    bool isLink() const { return design_.kind == ControlKind::Label && design_.handCursor; }

  private:
    void fitLabelToText();
    void showPicture();
    // What a screen reader reads as the name of a picture button: its window text, never drawn.
    void nameByText(const std::string& name);
    bool drawsOwnFocusFrame() const;
    static LRESULT CALLBACK focusFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR id, DWORD_PTR self);

    const ControlDesign& design_;
    Win32Toolkit& kit_;
    HWND handle_;
    GdiObject<HBRUSH> backBrush_;
    GdiObject<HBITMAP> picture_;
    std::string toolTip_;
    float width_;
};

}  // namespace quorvel
