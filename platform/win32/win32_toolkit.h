#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/toolkit.h"
#include "platform/win32/scoped_gdi.h"
#include "platform/win32/scoped_win.h"

namespace quorvel {

class Win32Control;

// The window and its controls as native child windows, laid out from the design table at the
// system's DPI. One window procedure serves the main window and the frame and routes each
// control's notifications to the control.
class Win32Toolkit : public Toolkit {
  public:
    explicit Win32Toolkit(HINSTANCE instance);
    ~Win32Toolkit() override;
    Win32Toolkit(const Win32Toolkit&) = delete;
    Win32Toolkit& operator=(const Win32Toolkit&) = delete;

    // Handles the window's events until it is closed; the program's exit code.
    int run();

    void createWindow(const WindowDesign& design) override;
    std::unique_ptr<Control> createControl(const ControlDesign& design, Control* frame) override;
    void showWindow() override;
    bool windowClosed() const override { return closed_; }
    void* windowHandle() const override { return window_; }
    void messageBox(const std::string& text, const std::string& title) override;
    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultText) override;
    void doEvents() override;
    void repaint() override;

    // Used by the controls.
    int pixels(double twips) const;
    HFONT font(const Font& design);
    // At 144 dots per inch and above the buttons show their pictures drawn at twice the size.
    bool largePictures() const { return dpi_ >= 144; }
    HINSTANCE instance() const { return instance_; }
    void setToolTip(HWND control, const std::string& tip);
    void forget(HWND control);
    // Keeps the keyboard out of a container that is being disabled, and brings it back after.
    void focusAwayFrom(HWND container);
    void focusBackTo(HWND container);

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    Win32Control* controlOf(LPARAM handle) const;
    void dispatch(MSG& message);
    bool dispatchUnlessQuit(MSG& message);
    void holdLinkActivations(Win32Control& link);
    // Enter on a focused button, option or check box, and Enter or Space on the link, press it.
    bool pressFocused(const MSG& message);
    Win32Control* controlNamed(const std::string& name) const;
    void placeLabelsBeforeTheirFields();
    void registerClasses();
    void paintFrame(HWND frame);
    bool canTakeFocus(HWND control) const;
    void close();
    void takeDrop(const DroppedFiles& drop);

    HINSTANCE instance_;
    int dpi_;
    HWND window_ = nullptr;
    HWND toolTips_ = nullptr;
    std::map<std::pair<std::string, float>, GdiObject<HFONT>> fonts_;
    std::map<HWND, Win32Control*> controls_;
    Win32Control* link_ = nullptr;  // the update link
    int nextId_ = 1000;  // clear of IDOK and IDCANCEL, which the dialog keys send
    ControlKind previousKind_ = ControlKind::Frame;
    HWND focusInDisabledFrame_ = nullptr;
    HWND lastFocus_ = nullptr;
    bool closed_ = false;
};

}  // namespace quorvel
