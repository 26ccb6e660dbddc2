#pragma once
// Places a bundle's files in a content store: each under the SHA-256 of its bytes, so that the
// same picture in any number of programs is stored once and a stored file never changes.
#include <cstdint>
#include <span>
#include <string>

#include "bundle/ProgramBundle.h"

namespace orb {

// The SHA-256 of BYTES, 64 lower-case hexadecimal digits.
std::string sha256Hex(std::span<const uint8_t> bytes);

class ContentPlacer {
  public:
    // FOLDER is made absolute against the working folder now; it is created when first needed.
    explicit ContentPlacer(const std::string& folder);

    // Writes FILE whole (image/ReplaceFile) as FOLDER/HASH.EXT, HASH its sha256Hex and EXT the
    // extension of its name in lower case ("bmp", "gif", "rtf"; none for other names). A file
    // already stored under that name is kept when its size matches, and refused otherwise.
    PlacedFile place(const BundleFile& file) const;
    // place() as a FilePlacer; this object must outlive it.
    FilePlacer placer() const {
        return [this](const BundleFile& file) { return place(file); };
    }

  private:
    std::string folder_;
};

}  // namespace orb
