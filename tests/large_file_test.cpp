#include <filesystem>
#include <fstream>

#include "app/texts.h"
#include "tests/support/window_test.h"

namespace quorvel::testing {
namespace {

// Files past 2 GiB are mostly holes; memory-backed where the system offers it, to spare the disk.
std::string roomyBase() {
    std::error_code ignored;
    return std::filesystem::is_directory("/dev/shm", ignored)
               ? "/dev/shm"
               : std::filesystem::temp_directory_path().string();
}

void writeAt(const std::string& path, std::int64_t offset, const std::string& bytes) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(offset);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readAt(const std::string& path, std::int64_t offset, std::size_t length) {
    std::ifstream file(path, std::ios::binary);
    file.seekg(offset);
    std::string bytes(length, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(length));
    return bytes;
}

TEST(LargeFile, ASourceBeyondTwoGibibytesSplitsAndJoinsByteForByte) {
    TempFolder roomy(roomyBase());
    HeadlessToolkit kit;
    frmMain form(kit);
    const std::int64_t length = (std::int64_t{1} << 31) + 3;
    const std::string source = roomy / "big.img";
    writeBytes(source, "");
    std::filesystem::resize_file(source, length);
    writeAt(source, 0, "head");
    writeAt(source, (std::int64_t{1} << 30) + 1, "seam");  // straddles the first two pieces
    writeAt(source, length - 4, "tail");

    form.Text1->setText(source);
    form.sourcePath = source;
    form.Text2->setText(roomy.path());
    form.savePath = roomy.path();
    kit.type("Text3", "2");
    kit.click("cmd_Split");
    ASSERT_EQ(kit.messages.back().text, text::splitDone);
    // Each piece holds (2^31 + 3) \ 2 bytes; the first one the remainder too.
    EXPECT_EQ(std::filesystem::file_size(roomy / "big.img_1.xst"), (std::uint64_t{1} << 30) + 2);
    EXPECT_EQ(std::filesystem::file_size(roomy / "big.img_2.xst"), (std::uint64_t{1} << 30) + 1);
    std::filesystem::remove(source);

    kit.click("Opt2");
    form.Text1->setText(roomy / "big.img_1.xst");
    form.sourcePath = roomy / "big.img_1.xst";
    kit.click("Check1");
    kit.click("cmd_Split");
    ASSERT_EQ(kit.messages.back().text, text::jointDone);
    EXPECT_EQ(std::filesystem::file_size(source), static_cast<std::uint64_t>(length));
    EXPECT_EQ(readAt(source, 0, 4), "head");
    EXPECT_EQ(readAt(source, (std::int64_t{1} << 30) + 1, 4), "seam");
    EXPECT_EQ(readAt(source, length - 4, 4), "tail");
    EXPECT_EQ(roomy.names(), std::vector<std::string>{"big.img"});
}

}  // namespace
}  // namespace quorvel::testing
