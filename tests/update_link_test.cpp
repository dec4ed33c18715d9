#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "app/texts.h"
#include "platform/process.h"
#include "tests/support/window_test.h"

namespace quorvel::testing {
namespace {

using UpdateLink = WindowTest;

const std::string updatePage = "https://www.quorvel.example/update";

TEST_F(UpdateLink, WithoutTheBrowserTheAddressIsOfferedForCopying) {
    const ScopedVariable programFiles("programfiles", dir.path());
    kit.inputAnswer = "edited by the user";
    kit.click("Label4");
    kit.click("Label4");  // nothing is remembered from the first failure
    ASSERT_EQ(kit.inputBoxes.size(), 2u);
    for (const InputBoxShown& box : kit.inputBoxes) {
        EXPECT_EQ(box.prompt, text::browserNotFound);
        EXPECT_EQ(box.title, executableName());
        EXPECT_EQ(box.defaultText, updatePage);
    }
    EXPECT_TRUE(kit.messages.empty());
}

#ifndef _WIN32
TEST_F(UpdateLink, TheBrowserUnderProgramFilesGetsTheAddressAsItsOnlyArgument) {
    const std::string browserFolder = dir / "Internet Explorer";
    std::filesystem::create_directory(browserFolder);
    const std::string browser = browserFolder + "/iexplore.exe";
    writeBytes(browser,
               "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"$0.args.tmp\"\n"
               "mv \"$0.args.tmp\" \"$0.args\"\n");
    std::filesystem::permissions(browser, std::filesystem::perms::owner_all);
    const ScopedVariable programFiles("programfiles", dir.path());

    kit.click("Label4");

    for (int waited = 0; waited < 500 && !exists(browser + ".args"); ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(bytesOf(browser + ".args"), "1\n" + updatePage + "\n");
    EXPECT_TRUE(kit.inputBoxes.empty());
}

// A stand-in for the browser under the program-files folder, running `script`.
class UpdateLinkWithOpener : public UpdateLink {
  protected:
    void opener(const std::string& script) {
        std::filesystem::create_directory(dir / "Internet Explorer");
        writeBytes(browser, "#!/bin/sh\n" + script + "\n");
        std::filesystem::permissions(browser, std::filesystem::perms::owner_all);
    }
    const std::string browser = dir / "Internet Explorer/iexplore.exe";
    const ScopedVariable programFiles{"programfiles", dir.path()};
};

// As xdg-open does when it finds no browser. The window repaints while the opener is watched,
// and a second click then starts nothing more.
TEST_F(UpdateLinkWithOpener, AnOpenerThatFailsAtOnceLeadsToTheAddressForCopying) {
    opener("echo started >> \"$0.log\"; sleep 0.3; exit 3");
    kit.onRepaint = [&](int) { kit.click("Label4"); };
    kit.click("Label4");
    EXPECT_GT(kit.repaints, 0);
    EXPECT_EQ(kit.yields, 0);
    EXPECT_EQ(bytesOf(browser + ".log"), "started\n");
    ASSERT_EQ(kit.inputBoxes.size(), 1u);
    EXPECT_EQ(kit.inputBoxes[0].defaultText, updatePage);
}

// The click returns while the browser still runs, and no process of ours is left behind.
TEST_F(UpdateLinkWithOpener, ABrowserThatKeepsRunningIsNotWaitedFor) {
    opener("echo $$ > \"$0.pid.tmp\"; mv \"$0.pid.tmp\" \"$0.pid\"; exec sleep 60");
    kit.click("Label4");
    EXPECT_TRUE(kit.inputBoxes.empty());
    ASSERT_TRUE(exists(browser + ".pid"));
    const pid_t running = std::stoi(bytesOf(browser + ".pid"));
    EXPECT_EQ(::kill(running, 0), 0) << "the browser was waited for";
    ::kill(running, SIGKILL);
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1) << "a child process is left";
}

// A click between two pieces: the address is offered, then the split goes on to its end.
TEST_F(UpdateLinkWithOpener, AFailedOpenerDuringASplitLetsTheSplitFinish) {
    opener("exit 4");
    writeBytes(dir / "a.bin", patternBytes(3000));
    kit.onYield = [&](int yield) {
        if (yield == 1) kit.click("Label4");
    };
    split(dir / "a.bin", dir.path(), "3");
    EXPECT_EQ(kit.inputBoxes.size(), 1u);
    EXPECT_EQ(lastMessage(), text::splitDone);
    EXPECT_EQ(bytesOf(dir / "a.bin_3.xst"), patternBytes(3000).substr(2000));
}

// A click while the split only repaints (it waits for the medium, or copies) is held, and taken
// at the next step of the piece: never inside the wait, and never lost.
TEST_F(UpdateLinkWithOpener, AClickWhileARunRepaintsIsTakenAtItsNextStep) {
    opener("exit 4");
    writeBytes(dir / "a.bin", patternBytes(12 << 20));
    bool clicked = false;
    kit.onRepaint = [&](int) {
        if (!std::exchange(clicked, true)) kit.click("Label4");
    };
    split(dir / "a.bin", dir.path(), "3");
    EXPECT_EQ(lastMessage(), text::splitDone);
    ASSERT_EQ(kit.inputBoxes.size(), 1u);
    EXPECT_FALSE(kit.inputBoxes[0].whileRepainting);
}
#endif

}  // namespace
}  // namespace quorvel::testing
