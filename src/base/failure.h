#pragma once

#include <QString>

// What failed, so that a caller can tell a refusal of the catalogue from a file that could
// not be written, a drive that is not ready, words a cell cannot take, or a stop the user
// asked for.
enum class FailureKind
{
    Catalogue, // the catalogue's engine refused or could not be reached
    File,      // a file other than the catalogue: an export, a playlist, a song
    Drive,     // no drive chosen, or its disc is not in or does not answer
    Entry,     // text typed into a cell that the cell cannot take
    Cancelled  // the user stopped it
};

// A failure: a number and a description. Number 0 means success. The numbers are the
// catalogue's: 3022 a duplicate key, the engine's own codes, and 3001 for anything else.
struct Failure
{
    int number = 0;
    QString description;
    FailureKind kind = FailureKind::Catalogue;

    bool failed() const { return number != 0; }
    explicit operator bool() const { return failed(); }
};

namespace FailureNumber {
constexpr int DuplicateKey = 3022; // a second row with the same Artist and Title
constexpr int NoCurrentRecord = 3021;
constexpr int InvalidArgument = 3001;
} // namespace FailureNumber
