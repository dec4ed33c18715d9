// The terminal's door as a script or an SSH session meets it: the program itself, with no display,
// its output, exit status and files checked.
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>
#include <vector>

#include "app/texts.h"
#include "tests/support/child_process.h"
#include "tests/support/fault_run.h"

namespace quorvel::testing {
namespace {

namespace fs = std::filesystem;

struct Ran {
    int status;
    std::string output, errors;
};

Ran quorvel(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), QUORVEL_PROGRAM);
    ChildProcess program(arguments, true);
    Ran ran{0, program.output(), ""};
    const int status = program.wait();
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    ran.errors = program.errors();
    return ran;
}

class Terminal : public FaultTest {
  protected:
    const std::string bytes = patternBytes(3 << 20);
    void SetUp() override { writeBytes(dir / "a.bin", bytes); }
};

// Beside the source by default; messages on standard output, nothing on standard error when it is
// no terminal.
TEST_F(Terminal, ASplitAndAJoinRoundTrip) {
    Ran split = quorvel({"--split", dir / "a.bin", "3"});
    EXPECT_EQ(split.status, 0) << split.errors;
    EXPECT_EQ(split.output, std::string(text::splitDone) + "\n");
    EXPECT_EQ(split.errors, "");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.bin", "a.bin_1.xst", "a.bin_2.xst",
                                                     "a.bin_3.xst", "a.bin_set.sha256"}));
    Ran join = quorvel({"--join", piece("a.bin", 1), out.path()});
    EXPECT_EQ(join.status, 0) << join.errors;
    EXPECT_EQ(join.output, std::string(text::jointDone) + "\n");
    EXPECT_TRUE(bytesOf(out / "a.bin") == bytes);
    fs::remove(out / "a.bin");
    Ran deleting = quorvel({"--join", piece("a.bin", 1), out.path(), "--delete"});
    EXPECT_EQ(deleting.status, 0) << deleting.errors;
    EXPECT_TRUE(bytesOf(out / "a.bin") == bytes);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.bin"});
}

// The window's checks and messages, on standard error after the program's name.
TEST_F(Terminal, RefusalsAndFailuresSayWhyAndEndWithOne) {
    split(dir / "a.bin", dir.path(), "3");
    std::string worn = bytesOf(piece("a.bin", 2));
    worn[7] ^= 1;
    TempFolder damaged;
    for (int n = 1; n <= 3; ++n) {
        writeBytes(pieceIn(damaged.path(), "a.bin", n), n == 2 ? worn : bytesOf(piece("a.bin", n)));
    }
    fs::copy_file(dir / "a.bin_set.sha256", damaged / "a.bin_set.sha256");
    struct Case {
        std::vector<std::string> arguments;
        std::string error;
    };
    for (const Case& c : {
             Case{{"--split", dir / "a.bin", "abc"}, text::badPartsCount},
             Case{{"--split", dir / "a.bin", "1"}, text::badPartsCount},
             Case{{"--split", piece("a.bin", 1), "3"}, text::cannotSplitPiece},
             Case{{"--split", dir / "gone.bin", "3"}, text::noSource},
             Case{{"--split", dir / "a.bin", "3", dir / "nowhere"}, "Cannot write"},
             Case{{"--join", piece("a.bin", 2)}, text::notFirstPiece},
             Case{{"--join", dir / "gone_1.xst"}, text::firstPieceMissing},
             Case{{"--join", pieceIn(damaged.path(), "a.bin", 1), out.path()},
                  "a.bin_2.xst is damaged: its checksum does not match the set's record."},
         }) {
        const Ran ran = quorvel(c.arguments);
        EXPECT_EQ(ran.status, 1) << c.error;
        EXPECT_EQ(ran.output, "") << c.error;
        EXPECT_NE(ran.errors.find("quorvel: " + c.error), std::string::npos) << ran.errors;
    }
    EXPECT_TRUE(out.names().empty());
}

// The completion message is out, but the pieces could not go: that is a failure too.
TEST_F(Terminal, ADeletionThatFailsAfterTheJoinEndsWithOne) {
    split(dir / "a.bin", dir.path(), "3");
    const ImmutableFolder held(dir.path());
    if (!held.held()) GTEST_SKIP() << "this file system keeps no immutable flag";
    const Ran ran = quorvel({"--join", piece("a.bin", 1), out.path(), "--delete"});
    EXPECT_EQ(ran.status, 1);
    EXPECT_EQ(ran.output, std::string(text::jointDone) + "\n");
    EXPECT_NE(ran.errors.find("quorvel: Cannot delete"), std::string::npos) << ran.errors;
    EXPECT_TRUE(bytesOf(out / "a.bin") == bytes);
}

TEST_F(Terminal, UsageErrorsEndWithTwoAndHelpAndVersionFollowGnu) {
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"--frobnicate"},
          {"--split", dir / "a.bin"},
          {"--split", dir / "a.bin", "3", out.path(), "more"},
          {"--join"}}) {
        const Ran ran = quorvel(wrong);
        EXPECT_EQ(ran.status, 2) << wrong.front();
        EXPECT_NE(ran.errors.find("Try 'quorvel --help' for more information."), std::string::npos);
    }
    const Ran help = quorvel({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.output.starts_with("Usage: quorvel [FILE]\n")) << help.output;
    const Ran version = quorvel({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.output.starts_with("quorvel (Quorvel) ")) << version.output;
}

// Ctrl+C or SIGTERM in the middle of a large split stops it as the close box does.
TEST_F(Terminal, ASignalStopsTheRunLeavingNothingPartial) {
    fs::resize_file(dir / "a.bin", std::uintmax_t{4} << 30);  // holes: read fast, written slow
    for (const int signal : {SIGINT, SIGTERM}) {
        ChildProcess program({QUORVEL_PROGRAM, "--split", dir / "a.bin", "2", out.path()}, true);
        const auto growing = [&] {
            for (const auto& entry : fs::directory_iterator(out.path())) {
                if (entry.path().filename().string().starts_with(".") && entry.file_size() > 0) {
                    return true;
                }
            }
            return false;
        };
        while (!growing()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const int status = program.end(signal);
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
        EXPECT_EQ(program.output(), "");
        EXPECT_TRUE(out.names().empty());
    }
}

// A one-line bar with bytes, rate and time left on standard error, when it is a terminal.
TEST_F(Terminal, ProgressShowsOnATerminalOnly) {
    const std::string command =
        std::string(QUORVEL_PROGRAM) + " --split '" + dir / "a.bin" + "' 2 '" + out.path() + "'";
    ChildProcess script({"/usr/bin/script", "-qec", command, "/dev/null"}, true);
    const std::string seen = script.output();
    script.wait();
    EXPECT_NE(seen.find("\r100%  3.0 MiB of 3.0 MiB"), std::string::npos) << seen;
    EXPECT_NE(seen.find(text::splitDone), std::string::npos) << seen;
}

}  // namespace
}  // namespace quorvel::testing
