#include "app/texts.h"
#include "tests/support/window_test.h"

namespace quorvel::testing {
namespace {

using Window = WindowTest;

TEST_F(Window, OpensInSplitModeWithTheDesignedTexts) {
    EXPECT_EQ(kit.window->clientWidth, 5400);
    EXPECT_EQ(kit.window->clientHeight, 3315);
    EXPECT_EQ(std::string(kit.window->caption).rfind("Quorvel v1.0 - ", 0), 0u);
    EXPECT_EQ(form.Opt1->value(), 1);
    EXPECT_EQ(form.Opt2->value(), 0);
    EXPECT_EQ(kit.focused(), "Text3");
    EXPECT_EQ(form.Text3->text(), "2");
    EXPECT_FALSE(form.Check1->visible());
    EXPECT_EQ(form.Check1->value(), 0);
    EXPECT_EQ(form.Label1->text(), "Select a source file to split (any type):");
    EXPECT_EQ(form.Label2->text(), "Select a path to save splited files:");
    EXPECT_EQ(form.cmd_Split->toolTip(), "Start Split");
    EXPECT_EQ(form.Label4->toolTip(), "Check latest version.");
    EXPECT_EQ(form.Label1->tag, text::label1Modes);
    EXPECT_EQ(form.Label2->tag, text::label2Modes);
    EXPECT_EQ(form.cmd_Split->tag, text::startModes);
    EXPECT_EQ(form.sp->tag, "5175");
    EXPECT_TRUE(form.sourcePath.empty());
    EXPECT_TRUE(form.savePath.empty());
    EXPECT_FALSE(kit.type("Text1", "typed"));  // the path boxes take no typing
}

TEST_F(Window, ModeSwitchesChangeCaptionsAndControlsButNoValue) {
    form.Text1->setText("/in/a.bin");
    form.sourcePath = "/in/a.bin";
    kit.type("Text3", "5");
    kit.click("cmd_Split");  // shows the bar, refused later for its missing source
    ASSERT_TRUE(form.sp->visible());

    for (int twice = 0; twice < 2; ++twice) {
        kit.click("Opt2");
        EXPECT_EQ(form.Label1->text(), "Select the first one from the splitted files:");
        EXPECT_EQ(form.Label2->text(), "Select a path to save the joint file:");
        EXPECT_EQ(form.cmd_Split->toolTip(), "Start Joint");
        EXPECT_FALSE(form.Label3->visible());
        EXPECT_FALSE(form.Text3->visible());
        EXPECT_TRUE(form.Check1->visible());
        EXPECT_FALSE(form.sp->visible());
    }
    for (int twice = 0; twice < 2; ++twice) {
        kit.click("Opt1");
        EXPECT_EQ(form.Label1->text(), "Select a source file to split(any type):");
        EXPECT_EQ(form.Label2->text(), "Select a path to save splitted files:");
        EXPECT_EQ(form.cmd_Split->toolTip(), "Start Split");
        EXPECT_TRUE(form.Label3->visible());
        EXPECT_TRUE(form.Text3->visible());
        EXPECT_FALSE(form.Check1->visible());
        EXPECT_FALSE(form.sp->visible());
    }
    EXPECT_EQ(form.Text1->text(), "/in/a.bin");
    EXPECT_EQ(form.sourcePath, "/in/a.bin");
    EXPECT_EQ(form.Text3->text(), "5");
}

TEST_F(Window, InputsCannotBeReachedWhileARunWorks) {
    writeBytes(dir / "a.bin", "0123456789");
    const ScopedVariable noBrowser("programfiles", dir.path());
    std::vector<bool> reached;
    kit.onYield = [&](int) {
        reached.push_back(kit.click("Opt2") || kit.click("cmd_Split") || kit.click("cmd_Open") ||
                          kit.type("Text3", "9"));
        kit.click("Label4");  // outside the frame: still live
    };
    split(dir / "a.bin", dir.path(), "3");
    EXPECT_EQ(reached, (std::vector<bool>{false, false}));
    EXPECT_EQ(kit.inputBoxes.size() + kit.messages.size(), 3u);  // link answered, split done
    EXPECT_EQ(form.Opt1->value(), 1);
}

}  // namespace
}  // namespace quorvel::testing
