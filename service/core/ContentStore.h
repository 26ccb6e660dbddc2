#pragma once
// Files kept by their content: each file is stored once, named by the SHA-256 of its bytes with
// the extension it came with ("3f2a....bmp"), in one folder beside the database. Programs refer
// to their pictures by these names; a file is never changed once written.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orb {

class ContentStore {
  public:
    // Creates FOLDER (mode 0700) when missing; false with ERROR set when it cannot be.
    bool open(const std::string& folder, std::string& error);

    // Stores BYTES under the name made from their hash and ORIGINALNAME's extension, unless a
    // file of that name is there already; NAME is that name. False with errno telling why
    // (a full disk: ENOSPC).
    bool put(std::span<const uint8_t> bytes, const std::string& originalName, std::string& name);
    // The file's bytes; false when it is missing or not one of the store's names.
    bool get(const std::string& name, std::vector<uint8_t>& out) const;
    // The absolute path of a stored name.
    std::string pathOf(const std::string& name) const { return folder_ + "/" + name; }
    // Removes NAME (files no program uses any more).
    bool remove(const std::string& name);

    // Whether NAME has the form of a stored name: 64 lower-case hex digits, then "." and 1..5
    // lower-case letters or digits, or nothing.
    static bool validName(const std::string& name);

    const std::string& folder() const { return folder_; }

  private:
    std::string folder_;
};

}  // namespace orb
