// The doors into a run besides the pickers: a file named on the command line ("Open with", a
// double-click on a piece) and files dropped on the window. Each fills the fields as the source
// picker does.
#include <filesystem>

#include "app/texts.h"
#include "engine/piece_naming.h"
#include "platform/file_system.h"
#include "tests/support/window_test.h"

namespace quorvel::testing {
namespace {

class Doors : public WindowTest {
  protected:
    void SetUp() override {
        for (int n = 1; n <= 3; ++n) writeBytes(piece("a.bin", n), "piece " + std::to_string(n));
        for (int n = 1; n <= 2; ++n) {
            writeBytes(pieceIn(dir.path(), "B.BIN", n, ".XST"), "piece " + std::to_string(n));
        }
        writeBytes(dir / "photo.jpg", "a photo");
    }
    bool jointMode() const { return form.Opt2->value() == 1 && form.Check1->visible(); }
    // The fields as the source picker leaves them for `source`, spelt as the file system gives
    // it (Windows gives a name in the case it is asked for).
    void expectSource(const std::string& source, const std::string& destination) {
        EXPECT_TRUE(naming::sameIgnoringCase(form.Text1->text(), source)) << form.Text1->text();
        EXPECT_EQ(form.sourcePath, form.Text1->text());
        EXPECT_EQ(form.Text2->text(), destination);
        EXPECT_EQ(form.savePath, destination);
    }
};

TEST_F(Doors, AFileNamedOpensInTheModeItsNameCallsFor) {
    struct Case {
        std::string given, chosen;
        bool joint;
    };
    for (const Case& c : {Case{dir / "photo.jpg", dir / "photo.jpg", false},
                          Case{piece("a.bin", 2), piece("a.bin", 1), true},
                          Case{piece("a.bin", 1), piece("a.bin", 1), true},
                          Case{pieceIn(dir.path(), "B.BIN", 2, ".XST"),
                               pieceIn(dir.path(), "B.BIN", 1, ".XST"), true}}) {
        form.takeFile(c.given);
        expectSource(c.chosen, dir.withSeparator());
        EXPECT_EQ(jointMode(), c.joint) << c.given;
        EXPECT_TRUE(kit.messages.empty()) << c.given;
    }
    form.takeFile(dir / "photo.jpg");
    EXPECT_FALSE(jointMode());
    EXPECT_EQ(form.Label1->text(), "Select a source file to split(any type):");
}

TEST_F(Doors, AFileThatIsNotThereOrAFolderIsSaidSoAndNothingChanges) {
    form.takeFile(dir / "photo.jpg");
    for (const std::string& message :
         {std::string(text::cannotOpen) + dir / "gone.bin" + text::noSuchFile,
          std::string(text::cannotOpen) + dir.path() + text::isAFolder}) {
        kit.messages.clear();
        form.takeFile(message.find("gone") != std::string::npos ? dir / "gone.bin" : dir.path());
        ASSERT_EQ(kit.messages.size(), 1u);
        EXPECT_EQ(lastMessage(), message);
        expectSource(dir / "photo.jpg", dir.withSeparator());
    }
}

TEST_F(Doors, FilesDroppedAreTakenAsThePickerTakesTheSameChoice) {
    struct Case {
        std::vector<std::string> dropped;
        std::string source, destination;
        bool joint;
    };
    const std::string parent = std::filesystem::path(dir.path()).parent_path().string();
    for (const Case& c : {
             Case{{dir / "photo.jpg"}, dir / "photo.jpg", dir.withSeparator(), false},
             Case{{piece("a.bin", 3)}, piece("a.bin", 1), dir.withSeparator(), true},
             Case{{piece("a.bin", 1), piece("a.bin", 2), piece("a.bin", 3)},
                  piece("a.bin", 1),
                  dir.withSeparator(),
                  true},
             // as the file dialog gives several files: their folder, and its own folder; as the
             // picker does, in the mode the window is in
             Case{{dir / "photo.jpg", piece("a.bin", 1)},
                  dir.path(),
                  parent + nativeSeparator,
                  true},
             Case{{dir / "photo.jpg"}, dir / "photo.jpg", dir.withSeparator(), true},
         }) {
        kit.drop(c.dropped);
        expectSource(c.source, c.destination);
        EXPECT_EQ(jointMode(), c.joint) << c.dropped.size();
    }
}

// Like any other input, a drop during a run is refused: the run goes on with what it was given.
TEST_F(Doors, ADropDuringARunIsRefused) {
    kit.click("Opt2");
    choose(piece("a.bin", 1), dir.path());
    kit.onYield = [&](int) { kit.drop({dir / "photo.jpg"}); };
    kit.click("cmd_Split");
    EXPECT_EQ(lastMessage(), text::jointDone);
    expectSource(piece("a.bin", 1), dir.path());
    EXPECT_TRUE(jointMode());
}

}  // namespace
}  // namespace quorvel::testing
