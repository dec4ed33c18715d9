// Runs in a process of their own, stopped by a signal or killed in the middle of a piece, as a
// logout, a shutdown, a crash or a pulled plug ends them: what they leave, and what the next run
// makes of it.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "app/texts.h"
#include "tests/support/fault_run.h"

extern char** environ;

namespace quorvel::testing {
namespace {

// The window in a process of its own (tests/support/window_child.cpp), its output read here.
class WindowChild {
  public:
    explicit WindowChild(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), QUORVEL_WINDOW_CHILD);
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        int channel[2];
        if (::pipe(channel) != 0) throw std::runtime_error("no pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, channel[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, channel[0]);
        const int error = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(channel[1]);
        output_ = ::fdopen(channel[0], "r");
        if (error != 0 || !output_) throw std::runtime_error("cannot start the window child");
    }
    ~WindowChild() {
        if (pid_ > 0) end(SIGKILL);
        if (output_) std::fclose(output_);
    }
    WindowChild(const WindowChild&) = delete;
    WindowChild& operator=(const WindowChild&) = delete;

    // The next line it printed; empty at its end.
    std::string line() {
        char text[4096];
        if (!std::fgets(text, sizeof text, output_)) return "";
        std::string read = text;
        if (!read.empty() && read.back() == '\n') read.pop_back();
        return read;
    }
    // Sends `number` and waits for the process to end; its status, as waitpid gives it.
    int end(int number) {
        ::kill(pid_, number);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return status;
    }

  private:
    pid_t pid_ = -1;
    FILE* output_ = nullptr;
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
