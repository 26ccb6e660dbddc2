#pragma once
// Files kept by their content, in one folder beside the database: the bundle's ContentPlacer
// names each by the SHA-256 of its bytes with its kind's extension ("3f2a....bmp"). Programs refer
// to their pictures by these names; a file is never changed once written.
#include <cstdint>
#include <string>
#include <vector>

#include "bundle/ContentPlacer.h"

namespace orb {

class ContentStore {
  public:
    // Creates FOLDER (mode 0700) when missing; false with ERROR set when it cannot be.
    bool open(const std::string& folder, std::string& error);

    // What places a bundle's files here.
    const ContentPlacer& placer() const { return placer_; }
    // The file's bytes; false when it is missing or NAME is not one of the store's names.
    bool get(const std::string& name, std::vector<uint8_t>& out) const;
    // Removes NAME (a file no program uses any more).
    bool remove(const std::string& name);

    // Whether NAME has the form of a stored name: 64 lower-case hex digits, then nothing or
    // ".bmp", ".gif", ".rtf".
    static bool validName(const std::string& name);
    // The stored name at the end of a placed path.
    static std::string nameOf(const std::string& path);

    const std::string& folder() const { return folder_; }

  private:
    std::string folder_;
    ContentPlacer placer_{"."};
};

}  // namespace orb
