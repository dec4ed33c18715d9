#pragma once

#include <optional>
#include <string>

// The checks of a run's input that come before anything is opened, in one place for every door.
namespace quorvel::checks {

struct Refusal {
    const char* message;
    bool ofThePartsCount = false;  // the count is what the user has to change
};

// A split's start: the parts count, a number above 1, then a source that is not itself a piece.
std::optional<Refusal> splitStart(const std::string& partsCount, const std::string& source);
// A split's input: a source that is an ordinary file, and a destination.
std::optional<Refusal> splitInputs(const std::string& source, const std::string& destination);
// A join's input: a first piece, and one that exists.
std::optional<Refusal> joinInputs(const std::string& firstPiece);

}  // namespace quorvel::checks
