#pragma once

#include <windows.h>
// windows.h first
#include <uxtheme.h>

#include "platform/owned.h"

// Each handle of the window's drawing the toolkit takes from the system, with the one call that
// gives it back.
namespace quorvel {

template <typename Object>
struct GdiTraits {
    using Handle = Object;
    static Object none() { return nullptr; }
    static bool holds(Object object) { return object != nullptr; }
    static void giveBack(Object object) { DeleteObject(object); }
};
// A font, brush, pen or bitmap of our own.
template <typename Object>
using GdiObject = Owned<GdiTraits<Object>>;

struct ThemeTraits {
    using Handle = HTHEME;
    static HTHEME none() { return nullptr; }
    static bool holds(HTHEME theme) { return theme != nullptr; }
    static void giveBack(HTHEME theme) { CloseThemeData(theme); }
};
// A visual style's drawing data for one kind of control (OpenThemeData).
using ThemeData = Owned<ThemeTraits>;

// A window's device context (GetDC; null for the screen), released when the object goes.
class WindowDC {
  public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }

    HDC get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// The painting of a window between BeginPaint and EndPaint.
class PaintDC {
  public:
    explicit PaintDC(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    ~PaintDC() { EndPaint(window_, &paint_); }

    HDC get() const { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// An object selected into a device context, the one it replaced put back when the object goes.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (previous_) SelectObject(dc_, previous_);
    }

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace quorvel
