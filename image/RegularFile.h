#pragma once
// Opening a file that is to be read as data. A FIFO, a device or a directory is refused before
// anything is read from it, and the open itself never waits for a FIFO's writer. The one place
// every reader of pictures, projects, images and fonts opens its files.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orb {

enum class FileOpen {
    Ok,
    Missing,     // no such file, or it cannot be opened
    NotRegular,  // a directory, FIFO, device or socket
};

class RegularFile {
  public:
    RegularFile() = default;
    ~RegularFile();
    RegularFile(RegularFile&& other) noexcept;
    RegularFile& operator=(RegularFile&& other) noexcept;
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    // writable opens for reading and writing. The file is given back in blocking mode.
    FileOpen open(const std::string& path, bool writable = false);
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    uint64_t size() const { return size_; }

    // Reads up to out.size() bytes at offset; fewer at the end of the file. -1 on an I/O error.
    int64_t readAt(uint64_t offset, std::span<uint8_t> out) const;
    // The first min(size(), limit) bytes; false on an I/O error. A file that shrank gives what is left.
    bool readPrefix(uint64_t limit, std::vector<uint8_t>& out) const;

  private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

}  // namespace orb
