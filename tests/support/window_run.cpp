#include "tests/support/window_run.h"

#include <stdexcept>

#include "app/texts.h"

namespace quorvel::testing {

bool runThroughWindow(HeadlessToolkit& kit, frmMain& form,
                      const std::vector<std::string>& arguments) {
    const bool split = arguments.at(0) == "split";
    if (!split) kit.click("Opt2");
    if (!split && arguments.size() > 3 && arguments.at(3) == "delete" && !kit.click("Check1")) {
        throw std::runtime_error("The delete box cannot be ticked");
    }
    form.Text1->setText(arguments.at(1));
    form.sourcePath = arguments.at(1);
    form.Text2->setText(arguments.at(2));
    form.savePath = arguments.at(2);
    if (split) kit.type("Text3", arguments.at(3));
    kit.click("cmd_Split");
    return kit.messages.size() == 1 &&
           kit.messages.front().text == (split ? text::splitDone : text::jointDone);
}

}  // namespace quorvel::testing
