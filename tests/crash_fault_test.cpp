// Runs in a process of their own, stopped by a signal or killed in the middle of a piece, as a
// logout, a shutdown, a crash or a pulled plug ends them: what they leave, and what the next run
// makes of it.
#include <sys/wait.h>

#include <csignal>
#include <string>
#include <vector>

#include "app/texts.h"
#include "tests/support/child_process.h"
#include "tests/support/fault_run.h"

namespace quorvel::testing {
namespace {

// The window in a process of its own (tests/support/window_child.cpp).
class WindowChild : public ChildProcess {
  public:
    explicit WindowChild(std::vector<std::string> arguments)
        : ChildProcess([&arguments] {
              arguments.insert(arguments.begin(), QUORVEL_WINDOW_CHILD);
              return arguments;
          }()) {}
};

// The temporary files in `folder`, which say whose they are.
std::vector<std::string> temporaries(const TempFolder& folder) {
    std::vector<std::string> found;
    for (const std::string& name : folder.names()) {
        if (name.starts_with(".") && name.ends_with(".tmp")) found.push_back(name);
    }
    return found;
}

struct Ending {
    int signal;
    const char* name;
};

class StoppedBySignal : public FaultTest, public ::testing::WithParamInterface<Ending> {};

// As at the close box: the run stops in the middle of its piece, nothing partial and no temporary
// file stays, nothing is said, and the program ends with 128 + the signal's number.
TEST_P(StoppedBySignal, TheRunEndsAsAtACloseAndLeavesNothing) {
    writeBytes(dir / "a.bin", patternBytes(8 << 20));
    WindowChild child({"split", dir / "a.bin", dir.path(), "2", "hold", "3"});
    ASSERT_EQ(child.line(), "holding");
    const int status = child.end(GetParam().signal);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 128 + GetParam().signal);
    EXPECT_EQ(child.line(), "");  // no message after the stop
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.bin"});
}

INSTANTIATE_TEST_SUITE_P(, StoppedBySignal,
                         ::testing::Values(Ending{SIGTERM, "Sigterm"}, Ending{SIGHUP, "Sighup"},
                                           Ending{SIGINT, "Sigint"}),
                         [](const auto& row) { return std::string(row.param.name); });

// A run killed outright leaves its temporary file, under a name that says whose it is. The next
// run in that folder removes it before it counts the free space; a run still going keeps its own.
TEST_F(FaultTest, AKilledRunsTemporaryFileIsRemovedByTheNextRunThere) {
    writeBytes(dir / "a.bin", patternBytes(8 << 20));
    {
        WindowChild killed({"split", dir / "a.bin", dir.path(), "2", "hold", "3"});
        ASSERT_EQ(killed.line(), "holding");
        EXPECT_TRUE(WIFSIGNALED(killed.end(SIGKILL)));
    }
    const std::vector<std::string> left = temporaries(dir);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(left[0].starts_with(".a.bin_1.xst.quorvel-")) << left[0];

    writeBytes(dir / "c.bin", patternBytes(8 << 20, 3));
    WindowChild running({"split", dir / "c.bin", dir.path(), "2", "hold", "3"});
    ASSERT_EQ(running.line(), "holding");
    writeBytes(dir / "b.bin", patternBytes(3000));
    split(dir / "b.bin", dir.path(), "3");
    EXPECT_EQ(lastMessage(), text::splitDone);
    const std::vector<std::string> kept = temporaries(dir);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_TRUE(kept[0].starts_with(".c.bin_1.xst.quorvel-")) << kept[0];
    running.end(SIGTERM);
    EXPECT_TRUE(temporaries(dir).empty());
}

}  // namespace
}  // namespace quorvel::testing
