#pragma once

#include "engine/messages.h"

// Every text the window shows beside the runs' own (engine/messages.h). The captions and looks
// of the controls at start stand in the design table (form_design.cpp).
namespace quorvel::text {

// Mode texts: the Split text, "|", the Joint text.
inline constexpr const char* label1Modes =
    "Select a source file to split(any type):|Select the first one from the splitted files:";
inline constexpr const char* label2Modes =
    "Select a path to save splitted files:|Select a path to save the joint file:";
inline constexpr const char* startModes = "Start Split|Start Joint";

inline constexpr const char* openFilter = "*.*";
inline constexpr const char* openTitle = "Select a source file to split:";
inline constexpr const char* saveTitle = "Select a path to save splitted files:";

// A file given on the command line or dropped on the window that is not there, or is a folder.
inline constexpr const char* cannotOpen = "Cannot open ";
inline constexpr const char* noSuchFile = ": there is no such file.";
inline constexpr const char* isAFolder =
    ": it is a folder. Choose a file to split, or the first piece of a set to join.";

inline constexpr const char* browserNotFound =
    "Quorvel cannot find default webbrowser to open target URL, please copy below URL and open "
    "it by your webbrowser.";

}  // namespace quorvel::text
