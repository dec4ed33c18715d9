#include "tests/support/fault_run.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <sstream>

#include "app/texts.h"

namespace fs = std::filesystem;

namespace quorvel::testing {
namespace {

std::string serialized(const RunOutcome& outcome) {
    std::ostringstream text;
    text << outcome.inputsEnabled << ' ' << outcome.filesLeftOpen << ' ' << outcome.nextRunWorks
         << '\n';
    for (const std::string& message : outcome.messages) text << message << '\n';
    return text.str();
}

RunOutcome parsed(const std::string& serializedText) {
    std::istringstream text(serializedText);
    RunOutcome outcome;
    text >> outcome.inputsEnabled >> outcome.filesLeftOpen >> outcome.nextRunWorks;
    text.ignore(1);
    for (std::string line; std::getline(text, line);) outcome.messages.push_back(line);
    return outcome;
}

void addContents(const std::string& folder, FolderContents& contents) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string path = entry.path().string();
        if (entry.is_symlink()) {
            contents[path] = "-> " + fs::read_symlink(entry.path()).string();
        } else if (entry.is_directory()) {
            contents[path] = "<folder>";
        } else {
            contents[path] = bytesOf(path);
        }
    }
}

int immutableFlagOf(int fd) {
    int flags = 0;
    return ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 ? flags : -1;
}

bool setImmutable(const std::string& path, bool immutable) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = immutableFlagOf(fd);
    bool done = false;
    if (flags >= 0) {
        flags = immutable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

}  // namespace

FolderContents FaultTest::contents() const {
    FolderContents contents;
    addContents(dir.path(), contents);
    addContents(out.path(), contents);
    return contents;
}

RunOutcome FaultTest::outcomeOf(const std::function<void()>& run) {
    kit.messages.clear();
    const int filesOpen = openFileCount();
    run();
    RunOutcome outcome;
    for (const MessageBoxShown& message : kit.messages) outcome.messages.push_back(message.text);
    outcome.inputsEnabled = form.Frame1->enabled();
    outcome.filesLeftOpen = openFileCount() - filesOpen;
    outcome.nextRunWorks = nextRunWorks();
    return outcome;
}

bool FaultTest::nextRunWorks() {
    TempFolder fresh;
    writeBytes(fresh / "next.bin", "0123456789");
    kit.onYield = nullptr;
    kit.messages.clear();
    kit.click("Opt1");
    split(fresh / "next.bin", fresh.path(), "2");
    return kit.messages.size() == 1 && kit.messages[0].text == text::splitDone &&
           bytesOf(fresh / "next.bin_2.xst") == "56789";
}

RunOutcome FaultTest::outcomeWithFileSizeLimit(std::int64_t limit,
                                               const std::function<void()>& run) {
    int channel[2];
    if (::pipe(channel) != 0) throw std::runtime_error("no pipe");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        const rlimit fileSize{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        ::setrlimit(RLIMIT_FSIZE, &fileSize);
        std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
        const std::string report = serialized(outcomeOf(run));
        const bool sent = ::write(channel[1], report.data(), report.size()) ==
                          static_cast<ssize_t>(report.size());
        ::_exit(sent ? 0 : 1);  // no destructors: the folders belong to the parent
    }
    ::close(channel[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
        report.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child ended with " << status;
    return parsed(report);
}

void expectCleanFailure(const RunOutcome& outcome, const std::vector<std::string>& mentions) {
    ASSERT_EQ(outcome.messages.size(), 1u) << ::testing::PrintToString(outcome.messages);
    for (const std::string& mention : mentions) {
        EXPECT_NE(outcome.messages[0].find(mention), std::string::npos)
            << "\"" << outcome.messages[0] << "\" does not mention \"" << mention << "\"";
    }
    EXPECT_TRUE(outcome.inputsEnabled);
    EXPECT_EQ(outcome.filesLeftOpen, 0);
    EXPECT_TRUE(outcome.nextRunWorks);
}

void expectNothingPartial(const FolderContents& before, const FolderContents& after,
                          const FolderContents& complete) {
    for (const auto& [path, content] : before) {
        EXPECT_TRUE(after.count(path)) << path << " is gone";
    }
    for (const auto& [path, content] : after) {
        const auto old = before.find(path);
        const auto whole = complete.find(path);
        const bool asBefore = old != before.end() && old->second == content;
        const bool asComplete = whole != complete.end() && whole->second == content;
        EXPECT_TRUE(asBefore || asComplete)
            << path << " holds " << content.size() << " bytes that are neither what it held "
            << "before nor complete";
    }
}

FolderContents piecesOf(const std::string& folder, const std::string& name,
                        const std::string& bytes, int parts) {
    const std::size_t q = bytes.size() / static_cast<std::size_t>(parts);
    const std::size_t first = q + bytes.size() % static_cast<std::size_t>(parts);
    FolderContents pieces;
    for (int n = 1; n <= parts; ++n) {
        const std::size_t start = n == 1 ? 0 : first + (static_cast<std::size_t>(n) - 2) * q;
        pieces[pieceIn(folder, name, n)] = bytes.substr(start, n == 1 ? first : q);
    }
    return pieces;
}

ImmutableFolder::ImmutableFolder(std::string path) : path_(std::move(path)) {
    held_ = setImmutable(path_, true);
}

ImmutableFolder::~ImmutableFolder() {
    if (held_) setImmutable(path_, false);
}

}  // namespace quorvel::testing
