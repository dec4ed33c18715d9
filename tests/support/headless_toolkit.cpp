#include "tests/support/headless_toolkit.h"

#include <cstring>
#include <stdexcept>
#include <utility>

namespace quorvel::testing {

HeadlessControl::HeadlessControl(const ControlDesign& design_, HeadlessControl* frame_,
                                 HeadlessToolkit& kit)
    : design(design_),
      frame(frame_),
      kit_(kit),
      text_(design_.text),
      toolTip_(design_.toolTip),
      visible_(design_.visible),
      value_(design_.selected ? 1 : 0),
      width_(static_cast<float>(design_.width)) {}

void HeadlessControl::setFocus() {
    kit_.focus_ = this;
}

bool HeadlessControl::usable() const {
    return visible_ && enabled_ && (!frame || frame->usable());
}

std::unique_ptr<Control> HeadlessToolkit::createControl(const ControlDesign& design,
                                                        Control* frame) {
    auto control =
        std::make_unique<HeadlessControl>(design, static_cast<HeadlessControl*>(frame), *this);
    controls_[design.name] = control.get();
    // The first control that takes typing has the focus when the window opens.
    if (!focus_ && design.kind == ControlKind::TextBox) focus_ = control.get();
    return control;
}

HeadlessControl& HeadlessToolkit::control(const std::string& name) {
    const auto found = controls_.find(name);
    if (found == controls_.end()) throw std::invalid_argument("no control " + name);
    return *found->second;
}

std::string HeadlessToolkit::focused() const {
    return focus_ ? focus_->design.name : "";
}

bool HeadlessToolkit::click(const std::string& name) {
    HeadlessControl& target = control(name);
    if (!target.usable()) return false;
    if (repainting_) {
        target.design.handCursor ? hold(target) : clicksForLater_.push_back(name);
        return true;
    }
    if (target.design.kind == ControlKind::OptionButton) {
        for (auto& [otherName, other] : controls_) {
            if (other->design.kind == ControlKind::OptionButton) other->setValue(0);
        }
        target.setValue(1);
    } else if (target.design.kind == ControlKind::CheckBox) {
        target.setValue(target.value() == 1 ? 0 : 1);
    }
    if (target.onClick) target.onClick();
    return true;
}

bool HeadlessToolkit::type(const std::string& name, const std::string& text) {
    HeadlessControl& target = control(name);
    if (!target.usable() || target.design.locked) return false;
    target.setText(text);
    return true;
}

void* HeadlessToolkit::windowHandle() const {
#ifdef _WIN32
    return nullptr;
#else
    return static_cast<DialogHost*>(const_cast<HeadlessToolkit*>(this));
#endif
}

void HeadlessToolkit::messageBox(const std::string& text, const std::string& title) {
    messages.push_back({text, title});
    if (onMessage) onMessage();
}

std::string HeadlessToolkit::inputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) {
    inputBoxes.push_back({prompt, title, defaultText, repainting_});
    return inputAnswer;
}

void HeadlessToolkit::doEvents() {
    deliverHeldClicks();
    for (const std::string& name : std::exchange(clicksForLater_, {})) click(name);
    ++yields;
    if (onYield) onYield(yields);
}

void HeadlessToolkit::repaint() {
    ++repaints;
    repainting_ = true;
    struct Done {
        bool& repainting;
        ~Done() { repainting = false; }
    } done{repainting_};
    if (onRepaint) onRepaint(repaints);
}

#ifndef _WIN32
std::vector<std::string> HeadlessToolkit::chooseFiles(const OPENFILENAMEA& record) {
    const auto text = [](const char* p) { return p ? std::string(p) : std::string(); };
    std::string filter;
    for (const char* p = record.lpstrFilter; p && (p[0] || p[1]); ++p) filter += *p;
    openRecords.push_back({record, filter + '\0', text(record.lpstrFile),
                           text(record.lpstrFileTitle), text(record.lpstrInitialDir),
                           text(record.lpstrTitle)});
    if (fileAnswers.empty()) return {};
    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

std::optional<std::string> HeadlessToolkit::chooseFolder(const BROWSEINFOA& record) {
    browseRecords.push_back({record, record.lpszTitle ? record.lpszTitle : ""});
    if (folderAnswers.empty()) return std::nullopt;
    auto answer = folderAnswers.front();
    folderAnswers.pop_front();
    return answer;
}
#endif

}  // namespace quorvel::testing
