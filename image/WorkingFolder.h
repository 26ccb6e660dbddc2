#pragma once
// The folder that holds "data.tmp", "preview.tmp" and "RTF/": $ORB_HOME when set; else the
// executable's folder when it is writable (as on the sign's PC); else $XDG_DATA_HOME/orb
// (~/.local/share/orb), created when missing.
#include <string>

namespace orb {

std::string executableFolder();
std::string workingFolder();

}  // namespace orb
