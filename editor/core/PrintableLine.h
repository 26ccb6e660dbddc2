#pragma once
// Texts that come from a project (picture paths, above all) printed on a terminal: a project must
// not be able to move the cursor, change colours or forge further lines.
#include <string>
#include <string_view>

namespace orb {

// text as one printable line: valid UTF-8 passes, except control characters (C0, DEL, C1) and
// the line and paragraph separators, which become \xNN or \u{NNNN}; bytes that are not UTF-8
// become \xNN; a backslash is doubled.
std::string printableLine(std::string_view text);

}  // namespace orb
