#include "platform/copy/gathered_copies.h"

#include <stdexcept>

namespace quorvel {

bool GatheredCopies::takes(const OutputFile& into, std::int64_t length) const {
    return length <= longest && (length_ == 0 || (&into == into_ && length_ + length <= capacity));
}

// The bytes are read straight into the buffer, which is never cleared first: a MiB set to zero
// for each MiB gathered would cost as much as a tenth of the reads.
std::span<const char> GatheredCopies::gather(File& from, OutputFile& into, std::int64_t length) {
    if (!takes(into, length)) throw std::logic_error("a copy gathered where it does not fit");
    if (!buffer_) buffer_ = std::make_unique_for_overwrite<char[]>(capacity);
    into_ = &into;
    char* start = buffer_.get() + length_;
    readExactly(from, start, length);
    length_ += length;
    return {start, static_cast<std::size_t>(length)};
}

std::span<const char> GatheredCopies::bytes() const {
    return {buffer_.get(), static_cast<std::size_t>(length_)};
}

}  // namespace quorvel
