// The set's record comes from whatever folder the pieces arrived in, written by anyone: any bytes
// must give a record that holds together or the one refusal, never a crash or an allocation past
// the text's size. A record read back is written and read again the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "engine/set_record.h"

namespace {

void require(bool holds) {
    if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace record = quorvel::record;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> names;
    const auto keep = [&names](std::int32_t n, std::string_view name) {
        require(n == static_cast<std::int32_t>(names.size()) + 1);
        names.emplace_back(name);
    };
    record::SetRecord read;
    try {
        read = record::parse(text, keep);
    } catch (const record::Unreadable&) {
        return 0;
    }
    require(read.pieceCount() >= 1 && read.pieceCount() <= 32767);
    require(names.size() == read.digests.size());
    require(read.sourceLength >= read.pieceCount());
    std::int64_t total = 0;
    for (std::int32_t n = 1; n <= read.pieceCount(); ++n) {
        require(read.pieceLength(n) >= 1);
        total += read.pieceLength(n);
    }
    require(total == read.sourceLength);
    std::string again = record::head("source", read.sourceLength, read.pieceCount());
    for (std::size_t n = 0; n < names.size(); ++n)
        again += record::pieceLine(names[n], read.digests[n]);
    std::vector<std::string> namesAgain;
    const record::SetRecord reread = record::parse(
        again,
        [&namesAgain](std::int32_t, std::string_view name) { namesAgain.emplace_back(name); });
    require(reread.sourceLength == read.sourceLength && namesAgain == names &&
            reread.digests == read.digests);
    return 0;
}
