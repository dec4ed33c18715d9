#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/toolkit.h"
#ifndef _WIN32
#include "platform/dialog_host.h"
#endif

namespace quorvel::testing {

class HeadlessToolkit;

// A control kept in memory, as the program sees it.
class HeadlessControl : public Control {
public:
    HeadlessControl(const ControlDesign& design, HeadlessControl* frame, HeadlessToolkit& kit);

    std::string text() const override { return text_; }
    void setText(const std::string& text) override { text_ = text; }
    bool visible() const override { return visible_; }
    void setVisible(bool visible) override { visible_ = visible; }
    bool enabled() const override { return enabled_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    std::string toolTip() const override { return toolTip_; }
    void setToolTip(const std::string& tip) override { toolTip_ = tip; }
    int value() const override { return value_; }
    void setValue(int value) override { value_ = value; }
    float width() const override { return width_; }
    void setWidth(float width) override { width_ = width; }
    void setFocus() override;

    // Whether a user could reach the control: shown and enabled, and so is its frame.
    bool usable() const;
    const ControlDesign& design;
    HeadlessControl* const frame;

private:
    HeadlessToolkit& kit_;
    std::string text_, toolTip_;
    bool visible_, enabled_ = true;
    int value_;
    float width_;
};

struct MessageBoxShown {
    std::string text, title;
};

struct InputBoxShown {
    std::string prompt, title, defaultText;
    bool whileRepainting;  // shown from within repaint(), where nothing may be shown
};

// The window without a screen: controls in memory, message and input boxes recorded and
// answered from the test, and the yield running whatever the test wants between two pieces.
class HeadlessToolkit : public Toolkit
#ifndef _WIN32
    ,
                        public DialogHost
#endif
{
public:
    // What the user does, as the test tells it. A click while the window only repaints
    // (repaint()) is held, as a real window holds it: the update link's until the run takes it,
    // any other until the next doEvents().
    bool click(const std::string& name);
    bool type(const std::string& name, const std::string& text);
    // Files dropped on the window.
    void drop(const std::vector<std::string>& paths) {
        if (onFilesDropped) onFilesDropped(paths);
    }
    void close() { closed_ = true; }
    HeadlessControl& control(const std::string& name);
    std::string focused() const;

    std::vector<MessageBoxShown> messages;
    // Runs as each message box is shown.
    std::function<void()> onMessage;
    std::vector<InputBoxShown> inputBoxes;
    std::string inputAnswer;
    // Runs at each yield, with the yield's number counted from 1.
    std::function<void(int)> onYield;
    int yields = 0;
    // Runs at each step of a long piece or check, with the step's number counted from 1.
    std::function<void(int)> onRepaint;
    int repaints = 0;

#ifndef _WIN32
    // Dialog answers, taken in turn; with none left, the dialog is cancelled.
    std::deque<std::vector<std::string>> fileAnswers;
    std::deque<std::optional<std::string>> folderAnswers;
    // Copies of the records the dialogs received, their texts read while the dialog was open.
    struct OpenRecord {
        OPENFILENAMEA record;
        std::string filter, file, fileTitle, initialFolder, title;
    };
    struct BrowseRecord {
        BROWSEINFOA record;
        std::string title;
    };
    std::vector<OpenRecord> openRecords;
    std::vector<BrowseRecord> browseRecords;

    std::vector<std::string> chooseFiles(const OPENFILENAMEA& record) override;
    std::optional<std::string> chooseFolder(const BROWSEINFOA& record) override;
#endif

    // Toolkit
    void createWindow(const WindowDesign& design) override { window = &design; }
    std::unique_ptr<Control> createControl(const ControlDesign& design, Control* frame) override;
    void showWindow() override { shown = true; }
    bool windowClosed() const override { return closed_; }
    void* windowHandle() const override;
    void messageBox(const std::string& text, const std::string& title) override;
    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultText) override;
    void doEvents() override;
    void repaint() override;

    const WindowDesign* window = nullptr;
    bool shown = false;

private:
    friend class HeadlessControl;
    std::map<std::string, HeadlessControl*> controls_;
    HeadlessControl* focus_ = nullptr;
    bool closed_ = false;
    bool repainting_ = false;
    std::vector<std::string> clicksForLater_;
};

}  // namespace quorvel::testing
