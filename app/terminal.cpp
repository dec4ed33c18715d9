#include "app/terminal.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <iostream>
#include <numeric>
#include <optional>

#include "engine/free_space.h"
#include "engine/join_run.h"
#include "engine/messages.h"
#include "engine/piece_naming.h"
#include "engine/split_run.h"
#include "engine/start_checks.h"
#include "platform/conversions.h"
#include "platform/file.h"
#include "platform/run_error.h"
#include "platform/stop_signals.h"

namespace quorvel::terminal {
namespace {

constexpr const char* program = "quorvel";

constexpr const char* usage =
    "Usage: quorvel [FILE]\n"
    "  or:  quorvel --split FILE PARTS [FOLDER]\n"
    "  or:  quorvel --join FIRST_PIECE [FOLDER] [--delete]\n"
    "Split FILE into PARTS pieces FILE_1.xst, FILE_2.xst, ... and their record FILE_set.sha256,\n"
    "or join the pieces of a set back into the file they were cut from.\n"
    "With no option, open the window, with FILE chosen if one is given.\n"
    "\n"
    "      --split FILE PARTS [FOLDER]  write the pieces into FOLDER (by default FILE's own)\n"
    "      --join FIRST_PIECE [FOLDER]  join the set of FIRST_PIECE (FILE_1.xst) into FOLDER\n"
    "                                     (by default the pieces' own)\n"
    "      --delete                     with --join: delete the pieces and their record once\n"
    "                                     the joined file is on the disk\n"
    "      --help                       display this help and exit\n"
    "      --version                    output version information and exit\n"
    "\n"
    "A set with its record is checked whole; sha256sum -c FILE_set.sha256 checks it too.\n"
    "Progress shows on standard error when it is a terminal.\n"
    "\n"
    "Exit status:\n"
    " 0  if the run completed,\n"
    " 1  if it was refused or failed,\n"
    " 2  if the options were wrong,\n"
    " 128+N  if signal N stopped it (130 for Ctrl+C, 143 for SIGTERM).\n";

constexpr const char* version =
    "quorvel (Quorvel) " QUORVEL_VERSION
    "\n"
    "Copyright (C) 2026 The Quorvel developers.\n"
    "License MIT: <https://opensource.org/licenses/MIT>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

struct UsageError {
    std::string what;
};

void fail(const std::string& message) {
    std::cerr << program << ": " << message << std::endl;
}

// Where the pickers propose to write: the folder of `path`, with its separator; the current
// folder for a bare name.
std::string folderBeside(const std::string& path) {
    const std::string folder = path.substr(0, path.size() - naming::fileName(path).size());
    return folder.empty() ? "." : folder;
}

// The runs' host in the terminal: a one-line progress on standard error when it is a terminal, as
// dd status=progress and rsync --info=progress2 show it, and the messages.
class TerminalHost final : public RunHost {
  public:
    explicit TerminalHost(bool deleting)
        : deleting_(deleting), showing_(::isatty(STDERR_FILENO) == 1) {}

    // The run's pieces are these long.
    void expect(std::vector<std::int64_t> pieceLengths) {
        lengths_ = std::move(pieceLengths);
        total_ = std::accumulate(lengths_.begin(), lengths_.end(), std::int64_t{0});
    }
    bool completed() const { return completed_; }

    void yieldBetweenPieces() override {}
    void answer() override {}
    bool stopRequested() const override { return stopSignal() != 0; }
    void progressWithin(std::int32_t piece, std::int32_t, double done) override {
        show(piecesDone_ + static_cast<std::int64_t>(done * static_cast<double>(length(piece))),
             false);
    }
    void report(const std::string& message) override { fail(message); }
    void pieceSplit(const SplitPiece&, std::int64_t, std::int16_t num) override {
        pieceDone(num, text::splitDone);
    }
    void pieceJoined(const std::int32_t& curNum, const std::int32_t&, JoinedSet& set) override {
        pieceDone(curNum, text::jointDone);
        if (completed_ && deleting_) set.deletePieces();
    }

  private:
    std::int64_t length(std::int32_t piece) const {
        return lengths_[static_cast<std::size_t>(piece - 1)];
    }
    void pieceDone(std::int32_t piece, const char* completion) {
        const bool last = piece == static_cast<std::int32_t>(lengths_.size());
        piecesDone_ += length(piece);
        show(piecesDone_, last);
        if (!last) return;
        std::cout << completion << std::endl;
        completed_ = true;
    }

    // "  42%  430.0 MiB of 1.0 GiB  612.3 MiB/s  1 s left", drawn anew ten times a second at most.
    void show(std::int64_t bytes, bool finished) {
        if (!showing_) return;
        const auto now = std::chrono::steady_clock::now();
        if (!finished && now - drawn_ < std::chrono::milliseconds(100)) return;
        drawn_ = now;
        const double seconds = std::chrono::duration<double>(now - started_).count();
        const double rate = seconds > 0 ? static_cast<double>(bytes) / seconds : 0;
        std::string line = "\r" + std::to_string(total_ > 0 ? bytes * 100 / total_ : 100) + "%  " +
                           sizeText(bytes, false) + " of " + sizeText(total_, false);
        if (rate > 0) {
            line +=
                "  " + sizeText(static_cast<std::int64_t>(rate), false) + "/s  " +
                std::to_string(static_cast<long long>(static_cast<double>(total_ - bytes) / rate)) +
                " s left";
        }
        std::cerr << line << "\033[K" << (finished ? "\n" : "") << std::flush;
    }

    std::vector<std::int64_t> lengths_;
    std::int64_t total_ = 0;
    std::int64_t piecesDone_ = 0;  // the bytes of the pieces done
    bool deleting_;
    bool showing_;
    bool completed_ = false;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point drawn_{};
};

std::vector<std::int64_t> lengthsOfSplit(const std::string& source, std::int32_t parts) {
    const std::int64_t length = File::openForReading(source).lengthWhenOpened();
    std::vector<std::int64_t> lengths(static_cast<std::size_t>(std::max(parts, 1)), length / parts);
    lengths.front() += length % parts;
    return lengths;
}

int split(const std::vector<std::string>& arguments) {
    if (arguments.size() < 3 || arguments.size() > 4) {
        throw UsageError{"--split takes FILE PARTS and, if you like, FOLDER"};
    }
    const std::string& source = arguments[1];
    const std::string folder = arguments.size() == 4 ? arguments[3] : folderBeside(source);
    if (auto refusal = checks::splitStart(arguments[2], source)) return fail(refusal->message), 1;
    if (auto refusal = checks::splitInputs(source, folder)) return fail(refusal->message), 1;
    const std::int32_t parts = toInt32(arguments[2]);
    TerminalHost host(false);
    host.expect(lengthsOfSplit(source, std::min(parts, naming::maxPieces)));
    splitFile({source, folder, parts}, host);
    return host.completed() ? 0 : 1;
}

int join(std::vector<std::string> arguments) {
    const auto deleting = std::find(arguments.begin() + 1, arguments.end(), "--delete");
    const bool deletePieces = deleting != arguments.end();
    if (deletePieces) arguments.erase(deleting);
    if (arguments.size() < 2 || arguments.size() > 3) {
        throw UsageError{"--join takes FIRST_PIECE and, if you like, FOLDER and --delete"};
    }
    const std::string& firstPiece = arguments[1];
    const std::string folder = arguments.size() == 3 ? arguments[2] : folderBeside(firstPiece);
    if (auto refusal = checks::joinInputs(firstPiece)) return fail(refusal->message), 1;
    TerminalHost host(deletePieces);
    JoinRun join({firstPiece, folder}, host);
    host.expect(join.pieceLengths());
    join.run();
    return host.completed() ? 0 : 1;
}

}  // namespace

bool wanted(const std::vector<std::string>& arguments) {
    return !arguments.empty() && arguments.front().size() > 1 && arguments.front().front() == '-';
}

int run(const std::vector<std::string>& arguments) {
    try {
        const std::string& option = arguments.front();
        if (option == "--help") return std::cout << usage, 0;
        if (option == "--version") return std::cout << version, 0;
        if (option == "--split") return split(arguments);
        if (option == "--join") return join(arguments);
        throw UsageError{"unrecognized option '" + option + "'"};
    } catch (const UsageError& error) {
        fail(error.what);
        std::cerr << "Try '" << program << " --help' for more information." << std::endl;
        return 2;
    } catch (const RunCancelled&) {
        return 128 + stopSignal();
    } catch (const std::exception& error) {
        fail(error.what());
        return 1;
    }
}

}  // namespace quorvel::terminal
