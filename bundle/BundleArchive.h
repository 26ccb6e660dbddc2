#pragma once
// The ZIP container of a program bundle, in memory, through libzip. Opening checks every entry
// before anything is inflated, and refuses the whole archive at the first entry that is not a
// plain file or folder under a safe name (see BundleOutcome for each refusal); reading inflates
// one entry and counts the bytes that really come out, since a declared size can lie.
#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bundle/BundleOutcome.h"

struct zip;  // libzip's zip_t

namespace orb {

// Bounds on what a bundle may make a reader hold. A program names at most 600 files (100 items
// of three phrase lines, each a picture and a rich text); the defaults leave room for the largest
// pictures the decoders take. A service reading uploads may choose lower ones.
struct BundleLimits {
    uint64_t maxArchiveBytes = uint64_t{256} << 20;
    // The entries' declared sizes together, checked before anything is inflated; and the bytes
    // really inflated.
    uint64_t maxExpandedBytes = uint64_t{256} << 20;
    uint64_t maxEntries = 1024;  // folder entries included
};

// A file of a bundle: its entry name (UTF-8, see EntryName.h) and its bytes.
struct BundleFile {
    std::string name;
    std::vector<uint8_t> bytes;
};

class BundleArchive {
  public:
    BundleArchive() = default;
    ~BundleArchive();
    BundleArchive(const BundleArchive&) = delete;
    BundleArchive& operator=(const BundleArchive&) = delete;

    // Opens the archive ZIP and checks every entry. The bytes are not copied: ZIP must outlive
    // this object.
    BundleOutcome open(std::span<const uint8_t> zip, const BundleLimits& limits = {});

    // The file entries (not folders), by name.
    bool contains(std::string_view name) const { return files_.find(name) != files_.end(); }
    size_t fileCount() const { return files_.size(); }

    // Inflates the file entry NAME into OUT. Refused with TooLarge when its declared size passes
    // MAXBYTES, or when the bytes inflated so far from this archive would pass the limit; with
    // Damaged when it inflates to more or fewer bytes than declared or to a wrong checksum.
    BundleOutcome read(std::string_view name, std::vector<uint8_t>& out, uint64_t maxBytes = UINT64_MAX);

  private:
    struct Entry {
        uint64_t index = 0;
        uint64_t size = 0;  // as declared
    };
    // The first name seen for each name key (entryNameKey), and whether it is a file's.
    struct SeenName {
        std::string name;
        bool file = false;
    };
    using SeenNames = std::map<std::string, SeenName>;

    BundleOutcome checkEntries();
    BundleOutcome checkEntry(uint64_t index, SeenNames& keys, uint64_t& declared);

    ::zip* zip_ = nullptr;
    BundleLimits limits_;
    std::map<std::string, Entry, std::less<>> files_;
    uint64_t inflated_ = 0;
};

// An archive of FILES in their order, deflated, each a regular file of mode 0644 dated
// 2000-01-01, so that the same files always give the same bytes. Names are taken as they are.
BundleOutcome writeArchive(std::span<const BundleFile> files, std::vector<uint8_t>& out);

}  // namespace orb
