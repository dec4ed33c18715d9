#pragma once

#include <string>

#include "platform/toolkit.h"

// Wrappers around the system's file-open dialog and folder browser.
namespace quorvel::Module1 {

// The chosen file's path, or `defaultText` when nothing was chosen. "|" separates the entries of
// `filter`.
std::string ShowOpenFileDialog(const Toolkit& owner, const std::string& filter,
                               const std::string& title, const std::string& defaultText);

// The chosen folder's path, or an empty text when nothing was chosen.
std::string BrowseForFolder(const Toolkit& owner, const std::string& title);

}  // namespace quorvel::Module1
