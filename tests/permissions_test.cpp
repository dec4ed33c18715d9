#ifndef _WIN32
#include <sys/stat.h>

#include "app/texts.h"
#include "tests/support/window_test.h"

namespace quorvel::testing {
namespace {

using Permissions = WindowTest;

unsigned modeOf(const std::string& path) {
    struct stat status {};
    ::stat(path.c_str(), &status);
    return status.st_mode & 07777;
}

class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : old_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(old_); }

private:
    mode_t old_;
};

// A private source gives private pieces and a private joined file, whatever the umask says and
// whatever the files that were there before allowed; set-user and set-group bits never travel.
TEST_F(Permissions, PiecesAndTheJoinedFileKeepTheBitsOfWhatTheyWereMadeFrom) {
    for (const mode_t mask : {0000, 0022, 0077}) {
        for (const unsigned mode : {0600u, 0640u, 0755u, 04755u}) {
            const ScopedUmask scoped(mask);
            TempFolder set, into;
            const std::string source = set / "a.bin";
            writeBytes(source, "0123456789");
            ::chmod(source.c_str(), mode);
            const std::string old = set / "a.bin_2.xst";
            writeBytes(old, "an older piece open to all");
            ::chmod(old.c_str(), 0666);
            split(source, set.path(), "2");
            ASSERT_EQ(lastMessage(), text::splitDone);
            EXPECT_EQ(modeOf(set / "a.bin_1.xst"), mode & 0777) << std::oct << mode << " " << mask;
            EXPECT_EQ(modeOf(old), mode & 0777) << std::oct << mode << " " << mask;

            ::chmod((set / "a.bin_1.xst").c_str(), mode & 0750);
            writeBytes(into / "a.bin", "was here before, open to all");
            ::chmod((into / "a.bin").c_str(), 0666);
            join(set / "a.bin_1.xst", into.path());
            kit.click("Opt1");
            ASSERT_EQ(lastMessage(), text::jointDone);
            EXPECT_EQ(modeOf(into / "a.bin"), mode & 0750) << std::oct << mode << " " << mask;
        }
    }
}

}  // namespace
}  // namespace quorvel::testing
#endif
