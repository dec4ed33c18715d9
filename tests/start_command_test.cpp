#include "app/texts.h"
#include "tests/support/window_test.h"

namespace quorvel::testing {
namespace {

using StartCommand = WindowTest;

TEST_F(StartCommand, BadCountsAreRefusedWithFocusBackInTheCountField) {
    writeBytes(dir / "a.bin", "0123456789");
    for (const char* count : {"1", "0", "-3", "abc", "", "1.4", "2147483648", "1e12"}) {
        kit.messages.clear();
        kit.control("cmd_Open").setFocus();
        form.sp->setVisible(false);
        split(dir / "a.bin", dir.path(), count);
        ASSERT_EQ(kit.messages.size(), 1u) << count;
        EXPECT_EQ(lastMessage(), text::badPartsCount) << count;
        EXPECT_EQ(kit.focused(), "Text3") << count;
        EXPECT_TRUE(form.sp->visible());
        EXPECT_EQ(form.sp->width(), 1);
    }
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.bin"});
}

TEST_F(StartCommand, CountsThatReadAsNumbersAboveOneStartTheSplit) {
    writeBytes(dir / "a.bin", "0123456789");
    struct Case {
        const char* count;
        int parts;
    };
    for (const Case& c : {Case{"2", 2}, Case{" 3 ", 3}, Case{"1.5", 2}, Case{"2.5", 2},
                          Case{"3.5", 4}}) {
        TempFolder out;
        split(dir / "a.bin", out.path(), c.count);
        EXPECT_EQ(lastMessage(), text::splitDone) << c.count;
        EXPECT_EQ(form.partCount, c.parts) << c.count;
        EXPECT_EQ(out.names().size(), static_cast<std::size_t>(c.parts) + 1) << c.count;  // record
    }
}

TEST_F(StartCommand, APieceIsNeverCutAgain) {
    writeBytes(dir / "movie.avi_1.XST", "0123456789");
    kit.control("cmd_Open").setFocus();
    split(dir / "movie.avi_1.XST", dir.path(), "3");
    EXPECT_EQ(lastMessage(), text::cannotSplitPiece);
    EXPECT_EQ(kit.focused(), "cmd_Open");

    split(dir / "movie.avi_1.XST", dir.path(), "abc");  // the count is looked at first
    EXPECT_EQ(lastMessage(), text::badPartsCount);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"movie.avi_1.XST"});
}

TEST_F(StartCommand, AnythingElseIsLeftToTheRuns) {
    writeBytes(dir / "a.xst ", "0123456789");
    split(dir / "a.xst ", dir.path(), "2");  // a blank after .xst is not a piece's name
    EXPECT_EQ(lastMessage(), text::splitDone);

    split("", dir.path(), "2");
    EXPECT_EQ(lastMessage(), text::noSource);

    kit.click("Opt2");
    form.Text3->setText("abc");  // hidden in Joint mode, and ignored
    choose("", dir.path());
    kit.click("cmd_Split");
    EXPECT_EQ(lastMessage(), text::notFirstPiece);
}

}  // namespace
}  // namespace quorvel::testing
