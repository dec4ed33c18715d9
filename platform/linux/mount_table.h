#pragma once

#include <string>

namespace quorvel {

// The name a FUSE mount goes by in the text of /proc/self/mountinfo, for the mount of device
// `major`:`minor`: the driver's subtype ("fuse.fusefat" gives "fusefat"), else the mount's
// source, which a driver given no device names after itself. Empty when no mount matches.
std::string fuseMountName(const std::string& mountInfo, unsigned major, unsigned minor);

}  // namespace quorvel
