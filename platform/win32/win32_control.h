#pragma once

#include <windows.h>
// windows.h first
#include <commctrl.h>

#include <string>

#include "platform/controls.h"

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

  private:
    void fitLabelToText();
    void showPicture();

    const ControlDesign& design_;
    Win32Toolkit& kit_;
    HWND handle_;
    HBRUSH backBrush_ = nullptr;
    HBITMAP picture_ = nullptr;
    std::string toolTip_;
    float width_;
};

}  // namespace quorvel
