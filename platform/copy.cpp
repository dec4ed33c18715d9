#include "platform/copy.h"

#include <algorithm>

#include "platform/wait.h"

namespace quorvel {
namespace {

using Clock = std::chrono::steady_clock;

// Copies shorter than this are gathered in memory, up to a MiB at a time: once the file is on its
// way to the medium each write of what was gathered is handed to the waiting thread (see
// writeInto).
constexpr std::int64_t longestGathered = std::int64_t{16} << 10;
constexpr std::int64_t mostGathered = std::int64_t{1} << 20;

// A step takes about this long at the pace last measured: the window answers between two steps,
// well within 50 ms, on a fast disk and on a slow stick alike.
constexpr Clock::duration stepTime = std::chrono::milliseconds(15);
constexpr std::int64_t smallestStep = std::int64_t{256} << 10;
constexpr std::int64_t largestStep = std::int64_t{256} << 20;
// One call to the system copies about this long at the pace of the calls just made, so the
// window answers within a step too, when copying into memory runs slower than the step was sized
// for (as when the system is short of free memory).
constexpr Clock::duration callTime = std::chrono::milliseconds(10);
constexpr std::int64_t smallestCall = std::int64_t{64} << 10;
constexpr std::int64_t largestCall = std::int64_t{4} << 20;

// Steps and calls come in whole units, so a long copy that starts on a block keeps to blocks until
// its end: a file system that shares blocks between a file and its copy (btrfs, XFS) shares only
// whole ones, and copies the bytes of any other.
constexpr std::int64_t sizeUnit = std::int64_t{64} << 10;

// `paced` bytes within `least` and `most` (whole units), in whole units.
std::int64_t wholeUnits(double paced, std::int64_t least, std::int64_t most) {
    const auto size = static_cast<std::int64_t>(
        std::clamp(paced, static_cast<double>(least), static_cast<double>(most)));
    return size / sizeUnit * sizeUnit;
}

}  // namespace

WriteOutPacer::WriteOutPacer(std::string folder, std::function<void()> answer)
    : folder_(std::move(folder)),
      answer_(std::move(answer)),
      stepSize_(smallestStep),
      callSize_(largestCall),
      stepStarted_(Clock::now()),
      callStarted_(stepStarted_) {}

std::int64_t WriteOutPacer::room(const File& file) const {
    const std::int64_t leftOfStep = stepSize_ - (&file == file_ ? written_ - stepBegin_ : 0);
    return onItsWay(file) ? leftOfStep : std::min(callSize_, leftOfStep);
}

void WriteOutPacer::follow(File& file) {
    if (&file == file_) return;
    file_ = &file;
    written_ = stepBegin_ = lastStarted_ = onMedium_ = 0;
}

bool WriteOutPacer::written(File& file, std::int64_t length) {
    follow(file);
    written_ += length;
    paceCalls(length);
    const std::int64_t step = written_ - stepBegin_;
    if (step < stepSize_) {
        answerBeforeNextCall();
        return false;
    }
    // Starting a write-out waits too, once the disk's queue is full. With only one step on its
    // way, the disk would stand idle each time it finished one before the next was written.
    waitWhileAnswering(
        [&file, this] {
            startWriteOut(file, stepBegin_, written_);
            awaitWriteOut(file, onMedium_, lastStarted_);
        },
        answer_);
    onMedium_ = lastStarted_;
    lastStarted_ = stepBegin_;
    stepBegin_ = written_;
    endStep(step);
    answerBeforeNextCall();  // the wait may have been too short to answer in
    return true;
}

void WriteOutPacer::answerBeforeNextCall() {
    answer_();
    callStarted_ = Clock::now();
}

// The next call copies what the last one's pace moves in one call time. The last one's time runs
// from the window's chance to answer before it, so it counts whatever the run did in between too.
void WriteOutPacer::paceCalls(std::int64_t bytes) {
    const auto took = std::max<Clock::rep>((Clock::now() - callStarted_).count(), 1);
    const double paced = static_cast<double>(bytes) * static_cast<double>(callTime.count()) /
                         static_cast<double>(took);
    callSize_ = wholeUnits(paced, smallestCall, largestCall);
}

// Each hand-over to the waiting thread costs about as much as moving a quarter of a MiB, so it
// takes a whole step's worth.
std::int64_t WriteOutPacer::writeInto(const File& file, std::int64_t wanted,
                                      const std::function<std::int64_t(std::int64_t)>& write) {
    if (!onItsWay(file)) return write(wanted);
    waitWhileAnswering(
        [wanted, &write] {
            for (std::int64_t done = 0; done < wanted;) done += write(wanted - done);
        },
        answer_);
    return wanted;
}

// The bytes are read straight into the buffer, which is never cleared first: a MiB set to zero
// for each MiB gathered would cost as much as a tenth of the reads.
void WriteOutPacer::gather(File& from, File& to, std::int64_t length) {
    if (gatheredInto_ != &to || gatheredLength_ + length > mostGathered) writeGathered();
    if (!gathered_) gathered_ = std::make_unique_for_overwrite<char[]>(mostGathered);
    gatheredInto_ = &to;
    gatheredLength_ += length;
    char* end = gathered_.get() + gatheredLength_;
    for (std::int64_t left = length; left > 0;) left -= readSome(from, end - left, left);
}

void WriteOutPacer::writeGathered() {
    if (gatheredLength_ == 0) return;
    const std::int64_t length = gatheredLength_;
    writeInto(*gatheredInto_, length, [this](std::int64_t all) {
        writeAll(*gatheredInto_, gathered_.get(), all);
        return all;
    });
    gatheredLength_ = 0;
    written(*gatheredInto_, length);
}

// A file of several steps has at most three still to come, and waits for them alone. Files shorter
// than a step are waited for together, a step's worth at a time. The entries of all of them and
// the journal behind them go to the medium together, in awaitEndedFiles(): a flush of each file
// would flush the disk's own cache each time.
void WriteOutPacer::fileEnded(File& file) {
    writeGathered();
    follow(file);
    file_ = nullptr;
    filesEnded_ = true;
    if (stepBegin_ > 0) {
        waitWhileAnswering(
            [&file, begin = onMedium_, end = written_] { awaitWriteOut(file, begin, end); },
            answer_);
        return;
    }
    shortFiles_.add(file, written_);
    shortBytes_ += written_;
    if (shortBytes_ >= stepSize_ || shortFiles_.full()) {
        waitWhileAnswering([this] { shortFiles_.passOn(); }, answer_);
        endStep(shortBytes_);
        shortBytes_ = 0;
    }
}

void WriteOutPacer::awaitEndedFiles() {
    if (!filesEnded_) return;
    waitWhileAnswering([this] { shortFiles_.awaitWhole(folder_); }, answer_);
    filesEnded_ = false;
    shortBytes_ = 0;
}

// The next step is what the last one's pace moves in one step time; it at most doubles, since
// the wait for a step shows only two steps later.
void WriteOutPacer::endStep(std::int64_t bytes) {
    const Clock::time_point now = Clock::now();
    const auto took = std::max<Clock::rep>((now - stepStarted_).count(), 1);
    const double paced = static_cast<double>(bytes) * static_cast<double>(stepTime.count()) /
                         static_cast<double>(took);
    stepSize_ = wholeUnits(paced, smallestStep, std::min(2 * stepSize_, largestStep));
    stepStarted_ = now;
}

void copyBytes(File& from, File& to, std::int64_t length, WriteOutPacer& pacer,
               const std::function<void(std::int64_t)>& afterStep) {
    if (length <= longestGathered) {
        pacer.gather(from, to, length);
        return;
    }
    pacer.writeGathered();
    ChunkCopier chunks(from, to, length);
    const std::int64_t begin = pacer.writtenTo(to);
    for (std::int64_t left = length; left > 0;) {
        const std::int64_t copied =
            pacer.writeInto(to, std::min(left, pacer.room(to)),
                            [&chunks](std::int64_t most) { return chunks.copy(most); });
        left -= copied;
        if (pacer.written(to, copied) && left > 0 && afterStep) {
            afterStep(std::max<std::int64_t>(0, pacer.onMedium(to) - begin));
        }
    }
}

}  // namespace quorvel
