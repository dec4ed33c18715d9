#pragma once

// Every text the program shows, in one place. The captions and looks of the controls at start
// stand in the design table (form_design.cpp).
namespace quorvel::text {

inline constexpr const char* splitDone = "File split successfully completed.";
inline constexpr const char* jointDone = "File joint successfully completed.";
inline constexpr const char* noSource = "Please select a source file to split.";
inline constexpr const char* noDestination = "Select a path to save splitted files.";
inline constexpr const char* notFirstPiece = "Select the first one from the splitted files.";
inline constexpr const char* firstPieceMissing = "File doesn't exist.";
inline constexpr const char* badPartsCount =
    "Please indicate how many parts do you want to split the source file.";
inline constexpr const char* cannotSplitPiece = "Cannot split again for a splitted file.";
// Added to the message of a split that fails once it has begun to write.
inline constexpr const char* splitIncomplete =
    "The set of pieces is incomplete and cannot be joined.";

// Mode texts: the Split text, "|", the Joint text.
inline constexpr const char* label1Modes =
    "Select a source file to split(any type):|Select the first one from the splitted files:";
inline constexpr const char* label2Modes =
    "Select a path to save splitted files:|Select a path to save the joint file:";
inline constexpr const char* startModes = "Start Split|Start Joint";

inline constexpr const char* openFilter = "*.*";
inline constexpr const char* openTitle = "Select a source file to split:";
inline constexpr const char* saveTitle = "Select a path to save splitted files:";

inline constexpr const char* browserNotFound =
    "Quorvel cannot find default webbrowser to open target URL, please copy below URL and open "
    "it by your webbrowser.";

}  // namespace quorvel::text
