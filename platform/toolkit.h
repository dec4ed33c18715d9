#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/controls.h"

namespace quorvel {

// What the window asks of whatever shows it: Qt, Win32, or the headless toolkit of the tests.
class Toolkit {
  public:
    virtual ~Toolkit() = default;

    virtual void createWindow(const WindowDesign& design) = 0;
    // `frame` is the container for controls placed in the frame, null for the window itself.
    virtual std::unique_ptr<Control> createControl(const ControlDesign& design, Control* frame) = 0;
    virtual void showWindow() = 0;
    // True once the user has closed the window; a run stops at its next yield.
    virtual bool windowClosed() const = 0;
    // The owner handed to the system dialogs.
    virtual void* windowHandle() const = 0;

    // Modal, information icon, one OK button.
    virtual void messageBox(const std::string& text, const std::string& title) = 0;
    // Modal, with an edit field holding `defaultText`; the edited text, or empty on Cancel.
    virtual std::string inputBox(const std::string& prompt, const std::string& title,
                                 const std::string& defaultText) = 0;
    // Handles pending events, then returns: the clicks repaint() held first, then whatever came
    // meanwhile, as the user gave it.
    virtual void doEvents() = 0;
    // Within a piece, and while a run waits for the medium: repaints, takes a close (the close
    // box, Alt+F4) and holds the update link's activation (a click, Enter or Space) for
    // deliverHeldClicks(). Nothing else is handled: other input waits for doEvents().
    virtual void repaint() = 0;

    // Called with the paths of files the user drops on the window.
    std::function<void(const std::vector<std::string>& paths)> onFilesDropped;

    // Runs the clicks repaint() held, in the order they came.
    void deliverHeldClicks() {
        while (!held_.empty()) {
            Control* control = held_.front();
            held_.erase(held_.begin());
            if (control->onClick) control->onClick();
        }
    }

  protected:
    // An activation of `control` that repaint() takes but may not handle.
    void hold(Control& control) { held_.push_back(&control); }

  private:
    std::vector<Control*> held_;
};

}  // namespace quorvel
