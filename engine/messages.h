#pragma once

// Every text a run shows, whichever door it came in by.
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

}  // namespace quorvel::text
