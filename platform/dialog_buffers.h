#pragma once

#include <cstddef>

// The lengths of the path buffers Module1 hands the dialog calls. Windows' dialogs get the sizes
// they have always been given; where our stand-ins serve the calls, the buffers take any path the
// system allows, so that no choice is dropped for want of room.
namespace quorvel::dialogBuffers {

// The file-open record's path buffer, in characters, its final NUL not counted.
extern const std::size_t file;
// The buffer SHGetPathFromIDList fills, in characters, its NUL counted.
extern const std::size_t folder;

}  // namespace quorvel::dialogBuffers
