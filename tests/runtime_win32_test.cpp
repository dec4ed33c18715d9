#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/texts.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/win32/wide_text.h"
#include "tests/support/window_test.h"

namespace quorvel::testing {
namespace {

namespace fs = std::filesystem;

fs::path widePath(const std::string& path) {
    return fs::path(widened(path));
}

void setAttributes(const std::string& path, DWORD attributes) {
    ASSERT_TRUE(SetFileAttributesW(widened(path).c_str(), attributes));
}

using WindowsFiles = WindowTest;

TEST_F(WindowsFiles, OnlyOrdinaryFilesAreFound) {
    for (const char* name : {"plain.bin", "hidden.bin", "system.bin", "readonly.bin"}) {
        writeBytes(dir / name, "0123456789");
    }
    fs::create_directory(dir / "folder");
    setAttributes(dir / "hidden.bin", FILE_ATTRIBUTE_HIDDEN);
    setAttributes(dir / "system.bin", FILE_ATTRIBUTE_SYSTEM);
    setAttributes(dir / "readonly.bin", FILE_ATTRIBUTE_READONLY);

    EXPECT_TRUE(isOrdinaryFile(dir / "plain.bin"));
    EXPECT_TRUE(isOrdinaryFile(dir / "readonly.bin"));
    EXPECT_FALSE(isOrdinaryFile(dir / "hidden.bin"));
    EXPECT_FALSE(isOrdinaryFile(dir / "system.bin"));
    EXPECT_FALSE(isOrdinaryFile(dir / "folder"));
    EXPECT_FALSE(isOrdinaryFile(dir / "missing.bin"));

    split(dir / "hidden.bin", dir.path(), "2");
    EXPECT_EQ(lastMessage(), text::noSource);
    for (const char* name : {"hidden.bin", "system.bin", "readonly.bin"}) {
        setAttributes(dir / name, FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(WindowsFiles, NamesBeyondAsciiSplitAndJoinBack) {
    const std::string name =
        "donn\xC3\xA9"
        "es \xE2\x82\xAC \xE6\x96\x87.bin";  // données € 文
    std::ofstream(widePath(dir / name), std::ios::binary) << "0123456789";
    split(dir / name, dir.path(), "3");
    EXPECT_EQ(lastMessage(), text::splitDone);
    EXPECT_TRUE(fs::exists(widePath(piece(name, 3))));

    TempFolder out;
    join(piece(name, 1), out.path());
    EXPECT_EQ(lastMessage(), text::jointDone);
    std::ifstream joined(widePath(out / name), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(joined), {}), "0123456789");
}

TEST_F(WindowsFiles, FailuresNameTheActionThePathAndTheSystemsReason) {
    writeBytes(dir / "a.bin", "0123456789");
    split(dir / "a.bin", dir / "nowhere", "2");
    const std::string prefix = "Cannot write " + (dir / "nowhere") + "\\a.bin_1.xst: ";
    const std::string suffix = std::string(" ") + text::splitIncomplete;
    ASSERT_EQ(lastMessage().rfind(prefix, 0), 0u) << lastMessage();
    ASSERT_TRUE(lastMessage().ends_with(suffix)) << lastMessage();
    const std::string reason =
        lastMessage().substr(prefix.size(), lastMessage().size() - prefix.size() - suffix.size());
    EXPECT_GT(reason.size(), 2u);
    EXPECT_EQ(reason.find_first_of("\r\n"), std::string::npos) << reason;
    EXPECT_EQ(reason.back(), '.');
    EXPECT_NE(reason[reason.size() - 2], '.');
}

TEST_F(WindowsFiles, SizesAndPositionsBeyondFourGibibytes) {
    constexpr std::int64_t size = std::int64_t{5} << 30;
    writeBytes(dir / "big.bin", "");
    fs::resize_file(widePath(dir / "big.bin"), size);  // sparse where the file system allows it
    EXPECT_EQ(File::openForReading(dir / "big.bin").length(), size);
    fs::resize_file(widePath(dir / "big.bin"), 0);
}

TEST_F(WindowsFiles, TheExecutableIsNamedWithoutItsExtension) {
    EXPECT_EQ(executableName(), "quorvel_tests");
    EXPECT_TRUE(fs::exists(widePath(executableFolder()) / "quorvel_tests.exe"));
}

// Waits for a started program's report; it runs on its own, so it takes a moment.
std::string reportOf(const std::string& program) {
    for (int waited = 0; waited < 1000 && !exists(program + ".args"); ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return exists(program + ".args") ? bytesOf(program + ".args") : "";
}

TEST_F(WindowsFiles, TheBrowserUnderAFolderWithBlanksStartsAndNothingElse) {
    const std::string probe = executableFolder() + "\\argument_probe.exe";
    const std::string programFiles = dir / "Program Files";
    fs::create_directories(fs::path(programFiles) / "Internet Explorer");
    const std::string browser = programFiles + "\\Internet Explorer\\iexplore.exe";
    const std::string wrongGuess = dir / "Program.exe";  // what an unquoted command line starts
    fs::copy_file(probe, browser);
    fs::copy_file(probe, wrongGuess);
    const ScopedVariable variable("programfiles", programFiles);

    kit.click("Label4");

    EXPECT_EQ(reportOf(browser), "1\nhttps://www.quorvel.example/update\n");
    EXPECT_TRUE(kit.inputBoxes.empty());
    EXPECT_FALSE(exists(wrongGuess + ".args"));
}

}  // namespace
}  // namespace quorvel::testing
