#pragma once

#include <string>

namespace quorvel {

// The program keeps its texts in UTF-8; the system's wide-character calls take UTF-16.
std::wstring widened(const std::string& text);
std::string narrowed(const std::wstring& text);

}  // namespace quorvel
