#pragma once

#include <memory>
#include <string>

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
    // Handles pending events, then returns.
    virtual void doEvents() = 0;
    // Between two steps of a long piece or check: repaints and handles the close box and the
    // update link. The run keeps the inputs disabled meanwhile.
    virtual void repaint() = 0;
};

}  // namespace quorvel
