#pragma once
// The names people give things in the service (users, signs, groups, programs) and the free texts
// beside them: valid UTF-8 without control characters, within a length.
#include <cstddef>
#include <string_view>

namespace orb {

inline constexpr size_t kMaxNameChars = 100;
inline constexpr size_t kMaxNoteChars = 2000;

// Valid UTF-8 of 1..MAXCHARS code points with no control character; ALLOWEMPTY admits "".
bool isNameText(std::string_view text, size_t maxChars = kMaxNameChars, bool allowEmpty = false);

}  // namespace orb
