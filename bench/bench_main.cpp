// Measures Quorvel's split and join against the standard tools on the same bytes, in one run:
// cp of the whole file (the disk's own pace), GNU split -n for the split and cat for the join,
// each followed by a sync, as Quorvel's bytes are on the disk when it says it is done. Then on a
// slow medium (a USB stick's pace) against cp + sync alone, with how long a sync right after
// Quorvel's completion message takes: what it left in memory.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/commands.h"
#include "bench/quorvel_worker.h"
#include "bench/slow_medium.h"
#include "engine/piece_naming.h"

namespace quorvel::bench {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t mib = std::int64_t{1} << 20;

struct Case {
    std::string name;
    std::int64_t bytes;
    int parts;
};

struct Plan {
    Case fewPieces;   // the pace against cp, split and cat
    Case bigPieces;   // memory and responsiveness with pieces of half the file
    Case manyPieces;  // the cost of each piece
    Case slowMedium;  // the window and the bytes at a stick's pace
    int rounds;       // even: each tool goes first in half of them
};

const Plan fullPlan{{"1 GiB into 3 parts", 1024 * mib, 3},
                    {"1 GiB into 2 parts", 1024 * mib, 2},
                    {"64 MiB into 32767 parts", 64 * mib, 32767},
                    {"200 MiB into 2 at 20 MB/s", 200 * mib, 2},
                    8};
// Small enough for CI: it proves that the harness works, never a speed.
const Plan quickPlan{{"16 MiB into 3 parts", 16 * mib, 3},
                     {"16 MiB into 2 parts", 16 * mib, 2},
                     {"1 MiB into 300 parts", 1 * mib, 300},
                     {"8 MiB into 2 at 20 MB/s", 8 * mib, 2},
                     2};

// A USB stick's writes.
constexpr std::int64_t slowMediumPace = 20'000'000;

// The slow medium holds a set of pieces of each build and a joined file at once, and ext4's own
// blocks.
std::int64_t slowMediumCapacity(const Case& benchCase, std::size_t builds) {
    return static_cast<std::int64_t>(builds + 2) * benchCase.bytes + 64 * mib;
}

// The tools as the table names them, in table order.
const std::string quorvelSplit = "quorvel split";
const std::string gnuSplit = "split -n + sync";
const std::string quorvelJoin = "quorvel join";
const std::string quorvelJoinDeleting = "quorvel join, delete";
const std::string cat = "cat + sync";
const std::string cp = "cp + sync";
const std::vector<std::string> tools = {quorvelSplit,        gnuSplit, quorvelJoin,
                                        quorvelJoinDeleting, cat,      cp};

// The Quorvel builds a run races: this one, and another (--compare) whose runs go by the same
// names with this added.
using Builds = std::vector<std::string>;
const std::string otherBuild = " (other build)";

std::string nameFor(const std::string& tool, std::size_t build) {
    return build == 0 ? tool : tool + otherBuild;
}

const std::string sourceName = "data.bin";

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// How long a run of one tool takes against another's: the geometric mean of the ratios of the two
// runs in each round. On a virtual disk whichever tool writes first in a round can be several
// times faster than the one after it; with each first in half the rounds, that weighs on both
// alike, and each pair of runs meets the disk in the same mood.
double pairedRatio(const std::vector<double>& seconds, const std::vector<double>& reference) {
    double logSum = 0;
    for (std::size_t round = 0; round < seconds.size(); ++round) {
        logSum += std::log(seconds[round] / reference.at(round));
    }
    return std::exp(logSum / static_cast<double>(seconds.size()));
}

struct Samples {
    std::vector<double> seconds;
    // Quorvel's: a sync of what it wrote, right after its completion message.
    std::vector<double> syncAfterSeconds;
    double peakRssMib = 0;
    double longestStallMs = 0;
    // What Quorvel's hashing thread hashed, and how long it took (0 for a build without one).
    double hashedBytes = 0;
    double hashingSeconds = 0;

    double median() const { return bench::median(seconds); }
};

using Results = std::map<std::string, Samples>;

// Blocks that differ from one another, written in small writes so this process stays small:
// every child it forks starts with a copy of what it has touched.
void makeSource(const fs::path& path, std::int64_t bytes) {
    std::vector<std::uint64_t> block(8192);
    std::mt19937_64 random{42};
    std::generate(block.begin(), block.end(), std::ref(random));
    const auto blockBytes = static_cast<std::int64_t>(block.size() * sizeof(block[0]));
    std::ofstream out(path, std::ios::binary);
    for (std::int64_t written = 0; written < bytes; written += blockBytes) {
        block[0] = static_cast<std::uint64_t>(written);
        out.write(reinterpret_cast<const char*>(block.data()),
                  std::min(blockBytes, bytes - written));
    }
    out.close();
    if (!out) throw std::runtime_error("Cannot write " + path.string());
}

// Reads a file, or every file in a folder, so that a run finds its input in the page cache
// whatever the system has dropped since it was written.
void readThrough(const fs::path& path) {
    std::vector<fs::path> files;
    if (fs::is_directory(path)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(path)) {
            files.push_back(entry.path());
        }
    } else {
        files.push_back(path);
    }
    std::vector<char> buffer(64 << 10);
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()))) {
        }
    }
}

// Where a case's runs write, and how what a run wrote is made to reach the disk.
struct Medium {
    fs::path folder;
    // The cgroup.procs file every measured process joins; empty: they stay where they are.
    std::string cgroupProcs{};

    Command command(std::vector<std::string> arguments, const fs::path& in,
                    const fs::path& output = "/dev/null") const {
        return {std::move(arguments), in, output, cgroupProcs};
    }

    // The file system a run wrote to, synced whole (syncfs), metadata and all: what Quorvel
    // itself does after many short pieces. One fsync per file would make 32,767 pieces cost
    // GNU split 24 s on this machine's disk.
    Command sync(const fs::path& in) const { return command({"sync", "-f", "."}, in); }
};

// One case: the source in a folder of its own, and on the medium for each round Quorvel's pieces
// (which both joins read), GNU split's pieces and the joined files. Every tool writes into an
// empty folder.
class CaseBench {
  public:
    CaseBench(const Case& benchCase, const fs::path& folder, const Medium& medium, Builds builds)
        : case_(benchCase),
          medium_(medium),
          folder_(folder),
          source_(folder / sourceName),
          joined_(medium.folder / "joined"),
          builds_(std::move(builds)) {
        fs::create_directories(folder_);
        fs::create_directories(joined_);
        makeSource(source_, case_.bytes);
    }

    // Quorvel's runs and the references in turn: each goes first in every other round. Every
    // tool runs once a round, so that its runs line up with the others' round by round.
    using Race = void (CaseBench::*)(bool quorvelFirst);

    void runRound(int round, Race race) {
        round_ = round;
        pieces_ = medium_.folder / ("pieces-" + std::to_string(round));
        gnuPieces_ = medium_.folder / ("gnu-pieces-" + std::to_string(round));
        for (std::size_t build = 0; build < builds_.size(); ++build) {
            fs::create_directories(piecesOf(build));
        }
        (this->*race)(round % 2 == 0);
        for (std::size_t build = 0; build < builds_.size(); ++build) retire(piecesOf(build));
        retire(gnuPieces_);
    }

    // Against cp, GNU split and cat.
    void raceStandardTools(bool quorvelFirst) {
        inTurn(quorvelFirst, &CaseBench::splitWithQuorvel, &CaseBench::splitWithGnu);
        copyWithCp();
        inTurn(quorvelFirst, &CaseBench::joinWithQuorvel, &CaseBench::joinWithCat);
    }

    // Against cp alone: the split, the join, and the join that deletes the pieces.
    void raceCp(bool quorvelFirst) {
        inTurn(quorvelFirst, &CaseBench::splitAndJoinWithQuorvel, &CaseBench::copyWithCp);
    }

    const Results& results() const { return results_; }

  private:
    using Step = void (CaseBench::*)();

    void inTurn(bool inThisOrder, Step first, Step second) {
        if (!inThisOrder) std::swap(first, second);
        (this->*first)();
        (this->*second)();
    }

    // ext4 without a journal (as on the machine this was tuned on) passes over every inode freed
    // in the last minute when it makes a file, so thousands of pieces made just after thousands
    // were deleted cost every tool quadratic time. Many small pieces therefore stay until the case
    // ends; large ones go at once to spare the disk.
    void retire(const fs::path& pieces) const {
        if (case_.parts <= 100) fs::remove_all(pieces);
    }

    // Each build writes pieces of its own, which its joins read; the builds take turns going
    // first, round by round.
    fs::path piecesOf(std::size_t build) const {
        return build == 0 ? pieces_ : fs::path(pieces_.string() + "-other");
    }
    std::vector<std::size_t> buildsInTurn() const {
        std::vector<std::size_t> order;
        for (std::size_t build = 0; build < builds_.size(); ++build) order.push_back(build);
        if (round_ % 4 >= 2) std::reverse(order.begin(), order.end());
        return order;
    }

    void splitWithQuorvel() {
        for (const std::size_t build : buildsInTurn()) {
            measureQuorvel(nameFor(quorvelSplit, build), build, source_,
                           {"split", source_, piecesOf(build), std::to_string(case_.parts)},
                           medium_.sync(piecesOf(build)));
        }
    }

    void splitWithGnu() {
        fs::create_directories(gnuPieces_);
        measure(gnuSplit, source_,
                {medium_.command({"split", "-d", "-a", "5", "-n", std::to_string(case_.parts),
                                  source_, "piece_"},
                                 gnuPieces_),
                 medium_.sync(gnuPieces_)});
    }

    void joinWithQuorvel() { joinWithQuorvel(quorvelJoin, {}); }

    void splitAndJoinWithQuorvel() {
        splitWithQuorvel();
        joinWithQuorvel();
        joinWithQuorvel(quorvelJoinDeleting, {"delete"});
        for (std::size_t build = 0; build < builds_.size(); ++build) {
            if (fs::exists(piecesOf(build) / pieceName(1))) {
                throw std::runtime_error("Quorvel's join left the pieces it was to delete");
            }
        }
    }

    void joinWithQuorvel(const std::string& tool, const std::vector<std::string>& options) {
        for (const std::size_t build : buildsInTurn()) {
            std::vector<std::string> arguments = {"join", piecesOf(build) / pieceName(1), joined_};
            arguments.insert(arguments.end(), options.begin(), options.end());
            measureQuorvel(nameFor(tool, build), build, piecesOf(build), arguments,
                           medium_.sync(joined_));
            // Proves the whole run did its work: the pieces joined give back the source.
            run({{"cmp", "-s", source_, joined_ / sourceName}, folder_});
            fs::remove(joined_ / sourceName);
        }
    }

    void joinWithCat() {
        Command command = medium_.command({"cat"}, pieces_, joined_ / "cat.bin");
        for (int n = 1; n <= case_.parts; ++n) command.arguments.push_back(pieceName(n));
        measure(cat, pieces_, {command, medium_.sync(joined_)});
        fs::remove(command.output);
    }

    void copyWithCp() {
        measure(cp, source_,
                {medium_.command({"cp", source_, "cp.bin"}, joined_), medium_.sync(joined_)});
        fs::remove(joined_ / "cp.bin");
    }

    std::string pieceName(int n) const { return naming::pieceName(sourceName, n); }

    // Times a run of `tool` on `input` (a file or a folder of pieces): its commands one after
    // another, as one.
    void measure(const std::string& tool, const fs::path& input,
                 const std::vector<Command>& commands) {
        throwIfStopped();
        // The input in the page cache, then on the disk whatever was written before, the access
        // times that reading it set included: the next sync would write those, and whichever tool
        // went first would pay for them.
        readThrough(input);
        ::sync();
        Measured total;
        for (const Command& command : commands) {
            const Measured measured = run(command);
            total.seconds += measured.seconds;
            total.peakRssMib = std::max(total.peakRssMib, measured.peakRssMib);
        }
        std::cerr << "  " << tool << ": " << total.seconds << " s\n";
        Samples& samples = results_[tool];
        samples.seconds.push_back(total.seconds);
        samples.peakRssMib = std::max(samples.peakRssMib, total.peakRssMib);
    }

    // Quorvel's run, then at once the sync that puts on the medium what it left in memory.
    void measureQuorvel(const std::string& tool, std::size_t build, const fs::path& input,
                        std::vector<std::string> arguments, const Command& syncAfter) {
        const fs::path report = folder_ / "stall.txt";
        arguments.insert(arguments.begin(), {builds_.at(build), "--worker"});
        measure(tool, input, {medium_.command(arguments, folder_, report)});
        const double syncSeconds = run(syncAfter).seconds;
        double stallMs = 0, hashedBytes = 0, hashingSeconds = 0;
        std::ifstream reported(report);
        if (!(reported >> stallMs)) throw std::runtime_error("No report from Quorvel");
        reported >> hashedBytes >> hashingSeconds;  // not from a build that hashes nothing
        std::cerr << "    sync after: " << syncSeconds << " s, longest stall: " << stallMs
                  << " ms, hashed " << hashedBytes << " bytes in " << hashingSeconds << " s\n";
        Samples& samples = results_[tool];
        samples.syncAfterSeconds.push_back(syncSeconds);
        samples.longestStallMs = std::max(samples.longestStallMs, stallMs);
        samples.hashedBytes += hashedBytes;
        samples.hashingSeconds += hashingSeconds;
    }

    const Case& case_;
    const Medium& medium_;
    fs::path folder_, source_, joined_, pieces_, gnuPieces_;
    Builds builds_;
    int round_ = 0;
    Results results_;
};

Results runCase(const Case& benchCase, int rounds, const fs::path& folder, const Medium& medium,
                const Builds& builds, CaseBench::Race race) {
    CaseBench bench(benchCase, folder, medium, builds);
    for (int round = 0; round < rounds; ++round) {
        std::cerr << "quorvel_bench: " << benchCase.name << ", round " << round + 1 << " of "
                  << rounds << std::endl;
        bench.runRound(round, race);
    }
    Results results = bench.results();
    fs::remove_all(folder);
    fs::remove_all(medium.folder);
    return results;
}

// On the disk the harness works in, against the standard tools.
Results benchFastCase(const Case& benchCase, int rounds, const fs::path& folder,
                      const Builds& builds) {
    return runCase(benchCase, rounds, folder, Medium{.folder = folder}, builds,
                   &CaseBench::raceStandardTools);
}

// The slow medium's case, or why this machine cannot run it.
struct SlowResults {
    std::optional<Results> results;
    std::string note;
};

SlowResults benchSlowCase(const Case& benchCase, int rounds, const fs::path& folder,
                          const Builds& builds) {
    try {
        const SlowMedium medium(folder / "medium", slowMediumCapacity(benchCase, builds.size()),
                                slowMediumPace);
        std::cerr << "quorvel_bench: slow medium: " << medium.description() << std::endl;
        const Medium onIt{.folder = medium.mountPoint() / "case",
                          .cgroupProcs = medium.cgroupProcs()};
        return {runCase(benchCase, rounds, folder / "source", onIt, builds, &CaseBench::raceCp),
                medium.description()};
    } catch (const MediumUnavailable& reason) {
        std::cerr << "quorvel_bench: slow medium skipped: " << reason.what() << std::endl;
        return {std::nullopt, std::string("skipped (") + reason.what() + ")"};
    }
}

// The run's own folder inside the one given, removed with everything in it at the end.
class WorkFolder {
  public:
    explicit WorkFolder(const fs::path& parent)
        : path_(parent / ("run-" + std::to_string(::getpid()))) {
        fs::create_directories(path_);
    }
    ~WorkFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

// A case holds its source, a set of pieces of each build and of GNU split, and a joined file at
// once; the slow one its source and the medium's image.
void requireSpace(const fs::path& folder, const Plan& plan, std::size_t builds) {
    const auto files = static_cast<std::int64_t>(builds + 3);
    const std::int64_t needed = std::max(
        files * std::max({plan.fewPieces.bytes, plan.bigPieces.bytes, plan.manyPieces.bytes}),
        plan.slowMedium.bytes + slowMediumCapacity(plan.slowMedium, builds));
    if (static_cast<std::int64_t>(fs::space(folder).available) < needed) {
        throw std::runtime_error("Not enough free space in " + folder.string() +
                                 ": the run needs " + std::to_string(needed / mib) + " MiB");
    }
}

std::string rounded(double value, const char* format) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void printRow(const Case& benchCase, const std::string& tool, const Samples& samples) {
    const double seconds = samples.median();
    const bool quorvel = !samples.syncAfterSeconds.empty();
    std::printf("%-26s %-34s %9.3f %7.0f %13.1f %13s %12s\n", benchCase.name.c_str(), tool.c_str(),
                seconds, static_cast<double>(benchCase.bytes) / 1e6 / seconds, samples.peakRssMib,
                quorvel ? rounded(samples.longestStallMs, "%.0f").c_str() : "-",
                quorvel ? rounded(median(samples.syncAfterSeconds), "%.3f").c_str() : "-");
}

void printTable(const std::vector<std::pair<const Case*, const Results*>>& cases) {
    std::printf("%-26s %-34s %9s %7s %13s %13s %12s\n", "case", "tool", "median s", "MB/s",
                "peak RSS MiB", "max stall ms", "sync after s");
    for (const auto& [benchCase, results] : cases) {
        for (const std::string& tool : tools) {
            for (const std::string& name : {tool, tool + otherBuild}) {
                if (results->contains(name)) printRow(*benchCase, name, results->at(name));
            }
        }
    }
}

// The worst of one build's Quorvel runs in `results` by `measure`.
template <class Measure>
double worstOf(const Results& results, std::size_t build, Measure measure) {
    double worst = 0;
    for (const std::string& tool : {quorvelSplit, quorvelJoin, quorvelJoinDeleting}) {
        const std::string name = nameFor(tool, build);
        if (results.contains(name)) worst = std::max(worst, measure(results.at(name)));
    }
    return worst;
}

// The slow medium's figures, or "-" where it was skipped.
std::string slowSummary(const Results* slow, std::size_t build) {
    if (!slow) return "slow_max_stall_ms=- slow_sync_after_s=- slow_vs_cp_sync=-";
    const std::vector<double>& cpSeconds = slow->at(cp).seconds;
    const auto worst = [&](auto measure) { return worstOf(*slow, build, measure); };
    return "slow_max_stall_ms=" +
           rounded(worst([](const Samples& s) { return s.longestStallMs; }), "%.0f") +
           " slow_sync_after_s=" +
           rounded(worst([](const Samples& s) { return median(s.syncAfterSeconds); }), "%.2f") +
           " slow_vs_cp_sync=" +
           rounded(worst([&](const Samples& s) { return pairedRatio(s.seconds, cpSeconds); }),
                   "%.2f");
}

// The summary line of one build: "summary" for this one, "summary of the other build" for the
// other.
void printSummary(const Results& few, const Results& many, const std::vector<const Results*>& all,
                  const Results* slow, std::size_t build) {
    const auto ratio = [build](const Results& results, const std::string& tool,
                               const std::string& reference) {
        return pairedRatio(results.at(nameFor(tool, build)).seconds, results.at(reference).seconds);
    };
    double peakRssMib = 0, longestStallMs = 0, hashedBytes = 0, hashingSeconds = 0;
    for (const Results* results : all) {
        for (const auto& [tool, samples] : *results) {
            if (tool.ends_with(otherBuild) != (build != 0)) continue;
            hashedBytes += samples.hashedBytes;
            hashingSeconds += samples.hashingSeconds;
        }
        peakRssMib = std::max(
            peakRssMib, worstOf(*results, build, [](const Samples& s) { return s.peakRssMib; }));
        if (results == slow) continue;
        longestStallMs =
            std::max(longestStallMs,
                     worstOf(*results, build, [](const Samples& s) { return s.longestStallMs; }));
    }
    std::printf(
        "%s split_vs_cp=%.2f join_vs_cp=%.2f split_vs_gnu=%.2f join_vs_cat=%.2f "
        "many_split_vs_gnu=%.2f many_join_vs_cat=%.2f peak_rss_mib=%.1f max_stall_ms=%.0f %s "
        "hash_gib_s=%s\n",
        build == 0 ? "summary" : "summary of the other build", ratio(few, quorvelSplit, cp),
        ratio(few, quorvelJoin, cp), ratio(few, quorvelSplit, gnuSplit),
        ratio(few, quorvelJoin, cat), ratio(many, quorvelSplit, gnuSplit),
        ratio(many, quorvelJoin, cat), peakRssMib, longestStallMs, slowSummary(slow, build).c_str(),
        hashingSeconds > 0 ? rounded(hashedBytes / hashingSeconds / (1 << 30), "%.2f").c_str()
                           : "-");
}

std::string loadAverage() {
    double load[3] = {};
    if (::getloadavg(load, 3) != 3) return "unknown";
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", load[0], load[1], load[2]);
    return text;
}

// The processor time of this machine so far, in seconds: all of it, and what a virtual machine's
// host took for itself (steal), when the runs had to wait for a processor they were due. A run
// that loses the processor for a while cannot answer its window either.
struct ProcessorTime {
    double total = 0;
    double stolen = 0;
};

ProcessorTime processorTime() {
    std::ifstream stat("/proc/stat");
    std::string cpu;
    stat >> cpu;  // the line that sums up every processor
    const double ticksPerSecond = static_cast<double>(::sysconf(_SC_CLK_TCK));
    ProcessorTime time;
    double ticks = 0;
    for (int field = 0; field < 8 && stat >> ticks; ++field) {
        time.total += ticks / ticksPerSecond;
        if (field == 7) time.stolen = ticks / ticksPerSecond;  // the eighth: steal
    }
    return time;
}

std::string stolenDuring(const ProcessorTime& before, const ProcessorTime& after) {
    char text[96];
    std::snprintf(text, sizeof text, "%.0f s of %.0f s", after.stolen - before.stolen,
                  after.total - before.total);
    return text;
}

int benchMain(const std::vector<std::string>& arguments) {
    bool quick = false;
    fs::path folder = QUORVEL_BENCH_FOLDER;
    Builds builds = {fs::read_symlink("/proc/self/exe")};
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::string& argument = arguments[at];
        if (argument == "--quick") {
            quick = true;
        } else if (argument == "--compare" && at + 1 < arguments.size()) {
            builds.push_back(fs::absolute(arguments[++at]));
        } else if (argument.starts_with("-")) {
            std::cerr << "usage: quorvel_bench [--quick] [--compare OTHER_BENCH] [folder]\n";
            return 2;
        } else {
            folder = fs::absolute(argument);  // the runs start in folders of their own
        }
    }
    const Plan& plan = quick ? quickPlan : fullPlan;
    stopOnSignals();
    const WorkFolder work(folder);
    requireSpace(work.path(), plan, builds.size());
    const std::string loadBefore = loadAverage();
    const ProcessorTime timeBefore = processorTime();

    const Results few = benchFastCase(plan.fewPieces, plan.rounds, work.path() / "few", builds);
    const Results big = benchFastCase(plan.bigPieces, plan.rounds, work.path() / "big", builds);
    const Results many = benchFastCase(plan.manyPieces, plan.rounds, work.path() / "many", builds);
    const SlowResults slow =
        benchSlowCase(plan.slowMedium, plan.rounds, work.path() / "slow", builds);

    std::printf(
        "load average before %s, after %s; processor time the host took (steal) %s; "
        "medians of %d rounds, ratios of each round's runs\n",
        loadBefore.c_str(), loadAverage().c_str(),
        stolenDuring(timeBefore, processorTime()).c_str(), plan.rounds);
    std::printf("slow medium: %s\n", slow.note.c_str());
    std::vector<std::pair<const Case*, const Results*>> cases = {
        {&plan.fewPieces, &few}, {&plan.bigPieces, &big}, {&plan.manyPieces, &many}};
    if (slow.results) cases.emplace_back(&plan.slowMedium, &*slow.results);
    printTable(cases);
    const Results* slowResults = slow.results ? &*slow.results : nullptr;
    std::vector<const Results*> all = {&few, &big, &many};
    if (slowResults) all.push_back(slowResults);
    for (std::size_t build = 0; build < builds.size(); ++build) {
        printSummary(few, many, all, slowResults, build);
    }
    return 0;
}

}  // namespace
}  // namespace quorvel::bench

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    try {
        if (!arguments.empty() && arguments.front() == "--worker") {
            return quorvel::bench::runQuorvel({arguments.begin() + 1, arguments.end()});
        }
        return quorvel::bench::benchMain(arguments);
    } catch (const std::exception& error) {
        std::cerr << "quorvel_bench: " << error.what() << '\n';
        return 1;
    }
}
