#pragma once
// The folder that holds "data.tmp", "preview.tmp" and "RTF/": $ORB_HOME when set; else the
// executable's folder when it is writable (as on the sign's PC) and the program is not an
// installed one; else $XDG_DATA_HOME/orb (~/.local/share/orb), created when missing.
#include <string>

namespace orb {

std::string executableFolder();
// Where an installed program's shared files are: share/orb beside the program's bin/.
std::string installedDataFolder(const std::string& exeFolder);
// The working folder for a program in exeFolder.
std::string workingFolderFor(const std::string& exeFolder);
std::string workingFolder();

}  // namespace orb
