#pragma once
// The names a program bundle's entries may have. A name is unpacked under a folder of the
// receiver's choosing, and the same bundle may be unpacked on a file system that folds case or
// normalises Unicode, so only names that stay inside that folder and name one file everywhere
// are taken.
#include <cstddef>
#include <string>
#include <string_view>

namespace orb {

// Longer names are refused: a part of a path longer than this is refused by most file systems,
// and the picture paths of a project hold at most 511 bytes.
inline constexpr size_t kMaxEntryNameBytes = 255;

// Why NAME cannot name an entry, or "" when it can. A name is a relative path of UTF-8 parts
// separated by "/"; a folder entry ends in "/". Refused: an empty name or part, "." and "..", a
// leading "/", a backslash, a colon (drive letters, alternate streams), control characters,
// invalid UTF-8, and names longer than kMaxEntryNameBytes.
std::string entryNameProblem(std::string_view name);

// What two names share when a case-folding, normalising file system would take them for the same
// file: the name's NFKC case folding, without a folder entry's final "/". NAME must be valid
// UTF-8 (entryNameProblem says so).
std::string entryNameKey(std::string_view name);

}  // namespace orb
