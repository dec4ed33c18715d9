#include <chrono>
#include <iterator>
#include <thread>

#include "app/frm_main.h"
#include "app/texts.h"
#include "platform/process.h"

namespace quorvel {
namespace {

// The update page, kept as character codes: https://www.quorvel.example/update
constexpr char updatePageCodes[] = {104, 116, 116, 112, 115, 58,  47,  47, 119, 119, 119, 46,
                                    113, 117, 111, 114, 118, 101, 108, 46, 101, 120, 97,  109,
                                    112, 108, 101, 47,  117, 112, 100, 97, 116, 101};

std::string updatePageAddress() {
    std::string address;
    for (const char code : updatePageCodes) address += code;
    return address;
}

}  // namespace

// An opener that finds no browser (xdg-open without one) starts and fails within moments; it is
// watched that long, the window repainting meanwhile, and never waited for beyond.
bool frmMain::browserFailedToStart() {
    constexpr auto watchFor = std::chrono::seconds(2);
    constexpr auto servingStep = std::chrono::milliseconds(15);
    try {
        StartedProgram browser = startProgram(browserProgram(), updatePageAddress());
        const auto watchEnd = std::chrono::steady_clock::now() + watchFor;
        while (browser.state() == StartedProgram::State::running &&
               std::chrono::steady_clock::now() < watchEnd && !toolkit_.windowClosed()) {
            toolkit_.repaint();
            std::this_thread::sleep_for(servingStep);
        }
        return browser.state() == StartedProgram::State::failed;
    } catch (const std::exception&) {
        return true;
    }
}

// The link stays live during a run, so this may run inside a run's yield or step; a click while
// an earlier one still watches its browser adds nothing.
void frmMain::Label4_Click() {
    if (watchingBrowser_) return;
    watchingBrowser_ = true;
    const bool failed = browserFailedToStart();
    toolkit_.deliverHeldClicks();  // the clicks the watch held, which add nothing
    watchingBrowser_ = false;
    if (failed && !toolkit_.windowClosed()) {
        toolkit_.inputBox(text::browserNotFound, executableName(), updatePageAddress());
    }
}

}  // namespace quorvel
