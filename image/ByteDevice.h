#pragma once
// A fixed-length run of bytes, on disk or in memory. The image and the item store sit on one of
// these so that tests, fuzzers and the sign emulator need no files.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "image/IoResult.h"
#include "image/RegularFile.h"
#include "image/ReplaceFile.h"

namespace orb {

class ByteDevice {
  public:
    virtual ~ByteDevice() = default;
    virtual uint64_t size() const = 0;
    // Both refuse (OutOfRange) any span that does not lie wholly inside the device.
    virtual IoResult read(uint64_t offset, std::span<uint8_t> out) const = 0;
    virtual IoResult write(uint64_t offset, std::span<const uint8_t> in) = 0;

  protected:
    bool inside(uint64_t offset, uint64_t length) const {
        return offset <= size() && length <= size() - offset;
    }
};

// Bytes in memory, all zero at first. Only the pages written take memory: a program image is
// 32 MiB of which a program uses little, and the service keeps one for each program it plays.
class MemoryDevice final : public ByteDevice {
  public:
    explicit MemoryDevice(uint64_t size);
    ~MemoryDevice() override;
    MemoryDevice(const MemoryDevice&) = delete;
    MemoryDevice& operator=(const MemoryDevice&) = delete;
    uint64_t size() const override { return size_; }
    IoResult read(uint64_t offset, std::span<uint8_t> out) const override;
    IoResult write(uint64_t offset, std::span<const uint8_t> in) override;

  private:
    uint8_t* bytes_ = nullptr;
    uint64_t size_ = 0;
};

enum class FileMode {
    ReadOnly,
    ReadWrite,
    CreateOrOpen,  // read and write; a missing file is first made as zero bytes of the expected size
};

class FileDevice final : public ByteDevice {
  public:
    // Opens PATH, which must be a regular file of exactly expectedSize bytes; nothing is written
    // when it is refused. A symbolic link is followed: a missing target is created, the link kept.
    // For writing, PATH must pass checkReplaceable (NotReplaceable otherwise).
    static IoResult open(const std::string& path, FileMode mode, uint64_t expectedSize,
                         std::unique_ptr<ByteDevice>& out);

    uint64_t size() const override { return size_; }
    IoResult read(uint64_t offset, std::span<uint8_t> out) const override;
    IoResult write(uint64_t offset, std::span<const uint8_t> in) override;

  private:
    FileDevice(RegularFile file, uint64_t size) : file_(std::move(file)), size_(size) {}
    RegularFile file_;
    uint64_t size_;
};

}  // namespace orb
