#include "platform/copy/copy_loop.h"

#include <algorithm>

namespace quorvel {
namespace {

// The most bytes the next call copies into `into`: the rest of the step, and, where this thread
// makes the call, no more than the pace gives one call.
std::int64_t room(const OutputFile& into, const Pace& pace) {
    const std::int64_t leftOfStep = pace.stepSize() - into.stepWritten();
    return into.onItsWay() ? leftOfStep : std::min(pace.callSize(), leftOfStep);
}

void answerBeforeNextCall(const CopyParts& parts) {
    parts.answering.nowAndThen();
    parts.pace.callStarts();
}

// `bytes` more were written at the end of `into`. True when that ended a step, whose write-out
// then started, the one two before it waited for.
bool wrote(OutputFile& into, std::int64_t bytes, const CopyParts& parts) {
    into.wrote(bytes);
    parts.pace.callMade(bytes);
    const std::int64_t step = into.stepWritten();
    const bool stepEnded = step >= parts.pace.stepSize();
    if (stepEnded) {
        parts.answering.whileCalling([&into] { into.writeOutStep(); });
        parts.pace.stepMade(step);
    }
    answerBeforeNextCall(parts);  // a wait may have been too short to answer in
    return stepEnded;
}

// Once bytes of `into` are on their way to the medium, a write into it may wait for them, so it is
// made on the thread for blocking calls while the run answers. Each hand-over costs about as much
// as moving a quarter of a MiB, so it takes all of `wanted` at once, in as many calls as needed.
std::int64_t copyWhereItMayWait(OutputFile& into, ChunkCopier& chunks, std::int64_t wanted,
                                const CopyParts& parts) {
    if (!into.onItsWay()) return chunks.copy(wanted);
    parts.answering.whileCalling([&chunks, wanted] {
        for (std::int64_t done = 0; done < wanted;) done += chunks.copy(wanted - done);
    });
    return wanted;
}

}  // namespace

void writeGathered(const CopyParts& parts) {
    OutputFile* into = parts.gathered.into();
    if (!into) return;
    const auto bytes = parts.gathered.bytes();
    const auto write = [into, bytes] {
        writeAll(into->file(), bytes.data(), static_cast<std::int64_t>(bytes.size()));
    };
    into->onItsWay() ? parts.answering.whileCalling(write) : write();
    parts.gathered.clear();
    wrote(*into, static_cast<std::int64_t>(bytes.size()), parts);
}

std::span<const char> copyBytes(File& from, OutputFile& into, std::int64_t length,
                                const CopyParts& parts,
                                const std::function<void(std::int64_t)>& afterStep) {
    if (length <= GatheredCopies::longest) {
        if (!parts.gathered.takes(into, length)) writeGathered(parts);
        return parts.gathered.gather(from, into, length);
    }
    writeGathered(parts);
    ChunkCopier chunks(from, into.file(), length);
    const std::int64_t begin = into.written();
    for (std::int64_t left = length; left > 0;) {
        const std::int64_t copied =
            copyWhereItMayWait(into, chunks, std::min(left, room(into, parts.pace)), parts);
        left -= copied;
        if (wrote(into, copied, parts) && left > 0 && afterStep) {
            afterStep(std::max<std::int64_t>(0, into.onMedium() - begin));
        }
    }
    return {};
}

}  // namespace quorvel
