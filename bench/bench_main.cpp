// Measures Quorvel's split and join against the standard tools on the same bytes, in one run:
// cp of the whole file (the disk's own pace), GNU split -n for the split and cat for the join.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/commands.h"
#include "bench/quorvel_worker.h"

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
    int rounds;
};

const Plan fullPlan{{"1 GiB into 3 parts", 1024 * mib, 3},
                    {"1 GiB into 2 parts", 1024 * mib, 2},
                    {"64 MiB into 32767 parts", 64 * mib, 32767},
                    7};
// Small enough for CI: it proves that the harness works, never a speed.
const Plan quickPlan{{"16 MiB into 3 parts", 16 * mib, 3},
                     {"16 MiB into 2 parts", 16 * mib, 2},
                     {"1 MiB into 300 parts", 1 * mib, 300},
                     2};

// The tools as the table names them, in table order.
const std::string quorvelSplit = "quorvel split";
const std::string gnuSplit = "split -n";
const std::string quorvelJoin = "quorvel join";
const std::string cat = "cat";
const std::string cp = "cp";
const std::vector<std::string> tools = {quorvelSplit, gnuSplit, quorvelJoin, cat, cp};

const std::string sourceName = "data.bin";

struct Samples {
    std::vector<double> seconds;
    double peakRssMib = 0;
    double longestStallMs = 0;

    double median() const {
        std::vector<double> sorted = seconds;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t middle = sorted.size() / 2;
        return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
    }
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

// One case in a folder of its own: the source, and for each round Quorvel's pieces (which both
// joins read), GNU split's pieces and the joined files. Every tool writes into an empty folder.
class CaseBench {
public:
    CaseBench(const Case& benchCase, const fs::path& folder, std::string self)
        : case_(benchCase),
          folder_(folder),
          source_(folder / sourceName),
          joined_(folder / "joined"),
          self_(std::move(self)) {
        fs::create_directories(joined_);
        makeSource(source_, case_.bytes);
    }

    // Each tool goes first in every other round, so that both meet the same conditions.
    void runRound(int round) {
        pieces_ = folder_ / ("pieces-" + std::to_string(round));
        gnuPieces_ = folder_ / ("gnu-pieces-" + std::to_string(round));
        fs::create_directories(pieces_);
        fs::create_directories(gnuPieces_);
        const bool quorvelFirst = round % 2 == 0;
        inTurn(quorvelFirst, &CaseBench::splitWithQuorvel, &CaseBench::splitWithGnu);
        copyWithCp();
        inTurn(quorvelFirst, &CaseBench::joinWithQuorvel, &CaseBench::joinWithCat);
        retire(pieces_);
        retire(gnuPieces_);
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

    void splitWithQuorvel() {
        measureQuorvel(quorvelSplit, source_,
                       {"split", source_, pieces_, std::to_string(case_.parts)});
    }

    void splitWithGnu() {
        measure(gnuSplit, source_,
                {{"split", "-d", "-a", "5", "-n", std::to_string(case_.parts), source_, "piece_"},
                 gnuPieces_});
    }

    void joinWithQuorvel() {
        measureQuorvel(quorvelJoin, pieces_, {"join", pieces_ / pieceName(1), joined_});
        // Proves the whole run did its work: the pieces joined give back the source.
        run({{"cmp", "-s", source_, joined_ / sourceName}, folder_});
        fs::remove(joined_ / sourceName);
    }

    void joinWithCat() {
        Command command{{"cat"}, pieces_, joined_ / "cat.bin"};
        for (int n = 1; n <= case_.parts; ++n) command.arguments.push_back(pieceName(n));
        measure(cat, pieces_, command);
        fs::remove(command.output);
    }

    void copyWithCp() {
        const fs::path copy = joined_ / "cp.bin";
        measure(cp, source_, {{"cp", source_, copy}, folder_});
        fs::remove(copy);
    }

    std::string pieceName(int n) const { return sourceName + "_" + std::to_string(n) + ".xst"; }

    // Times a run of `tool` on `input` (a file or a folder of pieces).
    void measure(const std::string& tool, const fs::path& input, const Command& command) {
        ::sync();  // what the last run wrote goes to disk now, not while this one runs
        readThrough(input);
        const Measured measured = run(command);
        std::cerr << "  " << tool << ": " << measured.seconds << " s\n";
        Samples& samples = results_[tool];
        samples.seconds.push_back(measured.seconds);
        samples.peakRssMib = std::max(samples.peakRssMib, measured.peakRssMib);
    }

    void measureQuorvel(const std::string& tool, const fs::path& input,
                        std::vector<std::string> arguments) {
        const fs::path report = folder_ / "stall.txt";
        arguments.insert(arguments.begin(), {self_, "--worker"});
        measure(tool, input, {arguments, folder_, report});
        double stallMs = 0;
        if (!(std::ifstream(report) >> stallMs)) throw std::runtime_error("No report from Quorvel");
        Samples& samples = results_[tool];
        samples.longestStallMs = std::max(samples.longestStallMs, stallMs);
    }

    const Case& case_;
    fs::path folder_, source_, joined_, pieces_, gnuPieces_;
    std::string self_;
    Results results_;
};

Results benchCase(const Case& benchCase, int rounds, const fs::path& folder,
                  const std::string& self) {
    CaseBench bench(benchCase, folder, self);
    for (int round = 0; round < rounds; ++round) {
        std::cerr << "quorvel_bench: " << benchCase.name << ", round " << round + 1 << " of "
                  << rounds << std::endl;
        bench.runRound(round);
    }
    Results results = bench.results();
    fs::remove_all(folder);
    return results;
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

// A case holds its source, two sets of pieces and a joined file at once.
void requireSpace(const fs::path& folder, const Plan& plan) {
    const std::int64_t needed =
        4 * std::max({plan.fewPieces.bytes, plan.bigPieces.bytes, plan.manyPieces.bytes});
    if (static_cast<std::int64_t>(fs::space(folder).available) < needed) {
        throw std::runtime_error("Not enough free space in " + folder.string() +
                                 ": the run needs " + std::to_string(needed / mib) + " MiB");
    }
}

void printTable(const std::vector<std::pair<const Case*, const Results*>>& cases) {
    std::printf("%-24s %-14s %10s %10s %13s %13s\n", "case", "tool", "median s", "MB/s",
                "peak RSS MiB", "max stall ms");
    for (const auto& [benchCase, results] : cases) {
        for (const std::string& tool : tools) {
            const Samples& samples = results->at(tool);
            const double seconds = samples.median();
            const std::string stall = samples.longestStallMs > 0
                                          ? std::to_string(std::lround(samples.longestStallMs))
                                          : "-";
            std::printf("%-24s %-14s %10.3f %10.0f %13.1f %13s\n", benchCase->name.c_str(),
                        tool.c_str(), seconds,
                        static_cast<double>(benchCase->bytes) / 1e6 / seconds, samples.peakRssMib,
                        stall.c_str());
        }
    }
}

void printSummary(const Results& few, const Results& big, const Results& many) {
    const auto ratio = [](const Results& results, const std::string& tool,
                          const std::string& reference) {
        return results.at(tool).median() / results.at(reference).median();
    };
    double peakRssMib = 0;
    double longestStallMs = 0;
    for (const Results* results : {&few, &big, &many}) {
        for (const std::string& tool : {quorvelSplit, quorvelJoin}) {
            peakRssMib = std::max(peakRssMib, results->at(tool).peakRssMib);
            longestStallMs = std::max(longestStallMs, results->at(tool).longestStallMs);
        }
    }
    std::printf(
        "summary split_vs_cp=%.2f join_vs_cp=%.2f split_vs_gnu=%.2f join_vs_cat=%.2f "
        "many_split_vs_gnu=%.2f many_join_vs_cat=%.2f peak_rss_mib=%.1f max_stall_ms=%.0f\n",
        ratio(few, quorvelSplit, cp), ratio(few, quorvelJoin, cp),
        ratio(few, quorvelSplit, gnuSplit), ratio(few, quorvelJoin, cat),
        ratio(many, quorvelSplit, gnuSplit), ratio(many, quorvelJoin, cat), peakRssMib,
        longestStallMs);
}

std::string loadAverage() {
    double load[3] = {};
    if (::getloadavg(load, 3) != 3) return "unknown";
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", load[0], load[1], load[2]);
    return text;
}

int benchMain(const std::vector<std::string>& arguments) {
    bool quick = false;
    fs::path folder = QUORVEL_BENCH_FOLDER;
    for (const std::string& argument : arguments) {
        if (argument == "--quick") {
            quick = true;
        } else if (argument.starts_with("-")) {
            std::cerr << "usage: quorvel_bench [--quick] [folder]\n";
            return 2;
        } else {
            folder = argument;
        }
    }
    const Plan& plan = quick ? quickPlan : fullPlan;
    const WorkFolder work(folder);
    requireSpace(work.path(), plan);
    const std::string self = fs::read_symlink("/proc/self/exe");
    const std::string loadBefore = loadAverage();

    const Results few = benchCase(plan.fewPieces, plan.rounds, work.path() / "few", self);
    const Results big = benchCase(plan.bigPieces, plan.rounds, work.path() / "big", self);
    const Results many = benchCase(plan.manyPieces, plan.rounds, work.path() / "many", self);

    std::printf("load average before %s, after %s; medians of %d rounds\n", loadBefore.c_str(),
                loadAverage().c_str(), plan.rounds);
    printTable({{&plan.fewPieces, &few}, {&plan.bigPieces, &big}, {&plan.manyPieces, &many}});
    printSummary(few, big, many);
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
