// A set knows itself: a split writes the set's record beside its pieces, and a join of a set that
// lost, damaged or gained a piece on its way is refused, naming the piece, with whatever was at
// the target left as it was.
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>

#include "app/texts.h"
#include "tests/support/window_test.h"

namespace quorvel::testing {
namespace {

namespace fs = std::filesystem;

class WholeSet : public WindowTest {
  protected:
    void SetUp() override {
        writeBytes(dir / "a.bin", bytes);
        split(dir / "a.bin", dir.path(), "5");
        ASSERT_EQ(lastMessage(), text::splitDone);
        fs::remove(dir / "a.bin");
        writeBytes(out / "a.bin", "what was there");
        kit.click("Opt2");
        kit.click("Check1");  // nothing may go, unless the join completes
    }
    std::string record() const { return dir / "a.bin_set.sha256"; }
    std::vector<std::string> theSet() const {
        std::vector<std::string> names = {"a.bin_1.xst", "a.bin_2.xst", "a.bin_3.xst",
                                          "a.bin_4.xst", "a.bin_5.xst", "a.bin_set.sha256"};
        return names;
    }
    // A join that is refused with `message`, leaving the target and every file as they were.
    void expectRefused(const std::string& message) {
        const std::vector<std::string> before = dir.names();
        kit.messages.clear();
        join(piece("a.bin", 1), out.path());
        ASSERT_EQ(kit.messages.size(), 1u);
        EXPECT_EQ(lastMessage(), message);
        EXPECT_EQ(bytesOf(out / "a.bin"), "what was there");
        EXPECT_EQ(out.names(), std::vector<std::string>{"a.bin"});
        EXPECT_EQ(dir.names(), before);
        EXPECT_TRUE(form.Frame1->enabled());
    }

    const std::string bytes = patternBytes(5000);
    TempFolder out;
};

#ifndef _WIN32
// The standard tool checks a set with its record, in the pieces' folder.
TEST_F(WholeSet, TheRecordIsWhatSha256sumChecks) {
    EXPECT_EQ(dir.names(), theSet());
    const std::string check =
        "cd '" + dir.path() + "' && sha256sum --quiet --strict -c a.bin_set.sha256";
    EXPECT_EQ(std::system((check + " >/dev/null 2>&1").c_str()), 0);
    std::string damaged = bytesOf(piece("a.bin", 2));
    damaged[500] ^= 1;
    writeBytes(piece("a.bin", 2), damaged);
    EXPECT_NE(std::system((check + " >/dev/null 2>&1").c_str()), 0);
}
#endif

TEST_F(WholeSet, ASetThatChangedOnItsWayIsRefusedNamingThePiece) {
    TempFolder other;
    writeBytes(other / "a.bin", patternBytes(5000, 7));  // another version, of the same length
    kit.click("Opt1");
    split(other / "a.bin", other.path(), "5");
    kit.click("Opt2");
    struct Case {
        const char* what;
        std::function<void()> change;
        std::string message;
    };
    const std::string piece3 = piece("a.bin", 3);
    for (const Case& c : {
             Case{"the last piece lost", [&] { fs::remove(piece("a.bin", 5)); },
                  "a.bin_5.xst is missing: the set has 5 pieces."},
             Case{"a piece cut short", [&] { fs::resize_file(piece3, 999); },
                  "a.bin_3.xst is damaged: it holds 999 bytes, and the set's record gives 1000."},
             Case{"a bit flipped",
                  [&] {
                      std::string worn = bytesOf(piece3);
                      worn[123] ^= 4;
                      writeBytes(piece3, worn);
                  },
                  "a.bin_3.xst is damaged: its checksum does not match the set's record."},
             Case{
                 "a piece of another version",
                 [&] { writeBytes(piece("a.bin", 2), bytesOf(pieceIn(other.path(), "a.bin", 2))); },
                 "a.bin_2.xst is damaged: its checksum does not match the set's record."},
         }) {
        const std::vector<std::string> whole = dir.names();
        std::vector<std::string> kept;
        for (const std::string& name : whole) kept.push_back(bytesOf(dir / name));
        c.change();
        SCOPED_TRACE(c.what);
        expectRefused(c.message);
        for (std::size_t n = 0; n < whole.size(); ++n) writeBytes(dir / whole[n], kept[n]);
    }
}

// The record counts the set: a piece numbered on after its last is another set's, and stays.
TEST_F(WholeSet, ThePiecesTheRecordCountsAreJoinedAndDeletedWithItAndNoOther) {
    writeBytes(piece("a.bin", 6), "a piece 6 of another set");
    join(piece("a.bin", 1), out.path());
    EXPECT_EQ(lastMessage(), text::jointDone);
    EXPECT_EQ(form.partCount, 5);
    EXPECT_EQ(bytesOf(out / "a.bin"), bytes);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.bin_6.xst"});
}

TEST_F(WholeSet, ASetRenamedToUpperCaseStillJoins) {
    for (const std::string& name : theSet()) {
        std::string upper = name;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        fs::rename(dir / name, dir / upper);
    }
    join(dir / "A.BIN_1.XST", out.path());
    EXPECT_EQ(lastMessage(), text::jointDone);
    EXPECT_EQ(bytesOf(out / "A.BIN"), bytes);
    EXPECT_TRUE(dir.names().empty());
}

// A record garbled on its way is a sign that the pieces may be damaged too: it is refused, not
// set aside.
TEST_F(WholeSet, ARecordThatMakesNoSenseIsRefusedNamingIt) {
    const std::string good = bytesOf(record());
    const std::string firstLine = good.substr(0, good.find('\n') + 1);
    const std::string body = good.substr(good.find("a.bin_1.xst") - 66);  // the digest lines
    const std::string refused = "The set's record a.bin_set.sha256 cannot be used: ";
    struct Case {
        std::string text, reason;
    };
    for (const Case& c : {
             Case{"", "it is empty"},
             Case{"\x7f"
                  "ELF garbage\n",
                  "it does not begin as a record of Quorvel's does"},
             Case{firstLine + "# quorvel-set 1 length 5000 pieces 0\n" + body,
                  "it counts 0 pieces, and a set has 1 to 32767"},
             Case{firstLine + "# quorvel-set 1 length 5000 pieces 99999999\n" + body,
                  "it counts 99999999 pieces, and a set has 1 to 32767"},
             Case{firstLine + "# quorvel-set 1 length 5000 pieces 6\n" + body,
                  "it names 5 of the 6 pieces it counts"},
             Case{[&] {
                      std::string other = good;
                      other.replace(other.find("a.bin_2.xst"), 5, "b.bin");
                      return other;
                  }(),
                  "it names b.bin_2.xst as piece 2 of a.bin"},
         }) {
        writeBytes(record(), c.text);
        SCOPED_TRACE(c.reason);
        expectRefused(refused + c.reason + ". Nothing was joined.");
    }
}

// A split that does not complete leaves no set: no first piece, and no record, since an old one
// goes before the first new byte and the new one only comes with the whole set.
TEST_F(WholeSet, AnInterruptedSplitLeavesNoRecordWithAFirstPiece) {
    writeBytes(dir / "a.bin", patternBytes(6000, 3));
    kit.click("Opt1");
    kit.messages.clear();
    kit.onYield = [&, before = kit.yields](int yield) {
        if (yield == before + 2) kit.close();  // pieces 1 and 2 written, the old 3 still there
    };
    split(dir / "a.bin", dir.path(), "3");
    EXPECT_TRUE(kit.messages.empty());
    EXPECT_FALSE(exists(piece("a.bin", 1)));
    EXPECT_FALSE(exists(record()));
}

}  // namespace
}  // namespace quorvel::testing
