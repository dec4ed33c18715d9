// The set's record comes from whatever folder the pieces arrived in, written by anyone: any bytes
// must give a record that holds together or the one refusal, never a crash or an allocation past
// the text's size. A record read back is written and read again the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/set_record.h"

namespace {

void require(bool holds) {
    if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace record = quorvel::record;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    record::SetRecord read;
    try {
        read = record::parse(text);
    } catch (const record::Unreadable&) {
        return 0;
    }
    require(read.pieceCount() >= 1 && read.pieceCount() <= 32767);
    require(read.pieceNames.size() == read.digests.size());
    require(read.sourceLength >= read.pieceCount());
    std::int64_t total = 0;
    for (std::int32_t n = 1; n <= read.pieceCount(); ++n) {
        require(read.pieceLength(n) >= 1);
        total += read.pieceLength(n);
    }
    require(total == read.sourceLength);
    const record::SetRecord again = record::parse(record::text(read, "source"));
    require(again.sourceLength == read.sourceLength && again.pieceNames == read.pieceNames &&
            again.digests == read.digests);
    return 0;
}
