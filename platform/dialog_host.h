#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/win32_api.h"

namespace quorvel {

// Shows the file and folder dialogs behind our stand-ins for the Windows dialog calls; a toolkit
// on a system without them implements it and hands itself out as the window handle.
class DialogHost {
public:
    virtual ~DialogHost() = default;
    // The files the user confirmed (several only where the record's flags allow it), each a full
    // path; empty when the dialog was cancelled.
    virtual std::vector<std::string> chooseFiles(const OPENFILENAMEA& record) = 0;
    // The folder the user confirmed; an empty path for a folder without a file-system path;
    // nothing when the dialog was cancelled.
    virtual std::optional<std::string> chooseFolder(const BROWSEINFOA& record) = 0;
};

}  // namespace quorvel
