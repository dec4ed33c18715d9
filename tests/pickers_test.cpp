#include <climits>
#include <cstdint>
#include <filesystem>
#include <string>

#include "app/texts.h"
#include "platform/process.h"
#include "platform/win32_api.h"
#include "tests/support/window_test.h"

namespace quorvel::testing {
namespace {

using Pickers = WindowTest;

TEST_F(Pickers, PickingASourceProposesItsOwnFolder) {
    struct Case {
        std::string chosen, source, destination;
    };
    for (const Case& c :
         {Case{"/data/a.bin", "/data/a.bin", "/data/"}, Case{"/a.bin", "/a.bin", "/"},
          Case{"/data/a", "/data/a", "/data/"}, Case{"/a/a", "/a/a", "/a/"},
          Case{"  /data/b c  ", "/data/b c", "/data/"}}) {
        kit.fileAnswers.push_back({c.chosen});
        kit.click("cmd_Open");
        EXPECT_EQ(form.Text1->text(), c.source);
        EXPECT_EQ(form.sourcePath, c.source);
        EXPECT_EQ(form.Text2->text(), c.destination);
        EXPECT_EQ(form.savePath, c.destination);
    }
}

TEST_F(Pickers, SeveralFilesGiveTheirFolderAsTheSource) {
    kit.fileAnswers.push_back({"/data/in/a.bin", "/data/in/b.bin"});
    kit.click("cmd_Open");
    EXPECT_EQ(form.sourcePath, "/data/in");
    EXPECT_EQ(form.savePath, "/data/");
}

TEST_F(Pickers, NothingChangesWhenNoChoiceIsMade) {
    kit.fileAnswers.push_back({"/data/a.bin"});
    kit.click("cmd_Open");
    kit.fileAnswers.push_back({});                                      // cancelled
    kit.fileAnswers.push_back({"/" + std::string(PATH_MAX - 1, 'x')});  // longer than a path
    kit.fileAnswers.push_back({"   "});
    kit.folderAnswers.push_back(std::nullopt);  // cancelled
    kit.folderAnswers.push_back("");            // a folder without a file-system path
    for (int i = 0; i < 3; ++i) kit.click("cmd_Open");
    for (int i = 0; i < 2; ++i) kit.click("cmd_Save");
    EXPECT_EQ(form.Text1->text(), "/data/a.bin");
    EXPECT_EQ(form.sourcePath, "/data/a.bin");
    EXPECT_EQ(form.Text2->text(), "/data/");
    EXPECT_EQ(form.savePath, "/data/");
}

TEST_F(Pickers, AChosenFolderIsTheDestinationUntilTheNextSource) {
    kit.folderAnswers.push_back("/out");
    kit.click("cmd_Save");
    EXPECT_EQ(form.Text2->text(), "/out");
    EXPECT_EQ(form.savePath, "/out");
    kit.fileAnswers.push_back({"/data/a.bin"});
    kit.click("cmd_Open");
    EXPECT_EQ(form.savePath, "/data/");
}

TEST_F(Pickers, TheDialogsReceiveTheirRecordsInBothModes) {
    kit.click("cmd_Open");
    kit.click("cmd_Save");
    kit.click("Opt2");
    kit.click("cmd_Open");
    kit.click("cmd_Save");
    ASSERT_EQ(kit.openRecords.size(), 2u);
    ASSERT_EQ(kit.browseRecords.size(), 2u);
    for (const auto& open : kit.openRecords) {
        EXPECT_EQ(open.record.lStructSize, 76u);
        EXPECT_EQ(open.record.hwndOwner, kit.windowHandle());
        EXPECT_EQ(open.record.Flags, 0x382204u);
        // Room for any path the system allows.
        EXPECT_EQ(open.record.nMaxFile, std::uint32_t{PATH_MAX});
        EXPECT_EQ(open.record.nMaxFileTitle, 511u);
        EXPECT_EQ(open.file, std::string(PATH_MAX - 1, ' '));
        EXPECT_EQ(open.fileTitle, std::string(510, ' '));
        EXPECT_EQ(open.filter, std::string("*.*\0", 4));
        EXPECT_EQ(open.initialFolder, executableFolder());
        EXPECT_EQ(open.title, text::openTitle);
        EXPECT_EQ(open.record.lpstrCustomFilter, nullptr);
        EXPECT_EQ(open.record.nFilterIndex, 0u);
        EXPECT_EQ(open.record.lpstrDefExt, nullptr);
    }
    for (const auto& browse : kit.browseRecords) {
        EXPECT_EQ(browse.record.hwndOwner, kit.windowHandle());
        EXPECT_EQ(browse.record.pidlRoot, nullptr);
        EXPECT_EQ(browse.record.pszDisplayName, nullptr);
        EXPECT_EQ(browse.record.ulFlags, 1u);
        EXPECT_EQ(browse.title, text::saveTitle);
    }
}

// Far past the Windows dialogs' buffers (2,047 characters for a file, 260 for a folder): the
// choice is taken, not dropped for the previous one.
TEST_F(Pickers, LongPathsAreTakenAsChosen) {
    std::string folder = dir.path();
    while (folder.size() < 3000) {
        folder += "/" + std::string(200, 'd');
        std::filesystem::create_directory(folder);
    }
    const std::string source = folder + "/" + std::string(100, 's');
    writeBytes(source, "0123456789");
    kit.fileAnswers.push_back({dir / "old.bin"});
    kit.folderAnswers.push_back(dir.path());
    kit.click("cmd_Open");
    kit.click("cmd_Save");

    kit.fileAnswers.push_back({source});
    kit.click("cmd_Open");
    EXPECT_EQ(form.sourcePath, source);
    EXPECT_EQ(form.savePath, folder + "/");
    kit.folderAnswers.push_back(dir.path());  // a short one between, so the long one shows
    kit.click("cmd_Save");
    kit.folderAnswers.push_back(folder);
    kit.click("cmd_Save");
    EXPECT_EQ(form.Text2->text(), folder);
    EXPECT_EQ(form.savePath, folder);

    kit.type("Text3", "2");
    kit.click("cmd_Split");
    EXPECT_EQ(lastMessage(), text::splitDone);
    EXPECT_EQ(bytesOf(source + "_2.xst"), "56789");
}

TEST_F(Pickers, ASplitAndAJoinThroughTheWindowsOwnButtons) {
    TempFolder out;
    const std::string bytes = patternBytes(100000);
    writeBytes(dir / "photo.jpg", bytes);
    kit.fileAnswers.push_back({dir / "photo.jpg"});
    kit.click("cmd_Open");
    kit.type("Text3", "3");
    kit.click("cmd_Split");
    EXPECT_EQ(lastMessage(), text::splitDone);

    kit.click("Opt2");
    kit.fileAnswers.push_back({dir / "photo.jpg_1.xst"});
    kit.folderAnswers.push_back(out.path());
    kit.click("cmd_Open");
    kit.click("cmd_Save");
    kit.click("Check1");
    kit.click("cmd_Split");
    EXPECT_EQ(lastMessage(), text::jointDone);
    EXPECT_EQ(bytesOf(out / "photo.jpg"), bytes);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"photo.jpg"});
}

}  // namespace
}  // namespace quorvel::testing
