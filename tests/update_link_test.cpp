#include <chrono>
#include <filesystem>
#include <thread>

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
    writeBytes(browser, "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"$0.args.tmp\"\n"
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
#endif

}  // namespace
}  // namespace quorvel::testing
