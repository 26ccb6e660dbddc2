#pragma once
// Where the simulator reads the display program image from: a file or bytes in memory. The
// image is only ever read; a read past its end returns fewer bytes (or none).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>

#include "image/ProgramImage.h"
#include "image/RegularFile.h"

namespace orb {

class ImageSource {
  public:
    virtual ~ImageSource() = default;
    // Reads up to out.size() bytes at offset; returns how many were read.
    virtual size_t read(uint64_t offset, std::span<uint8_t> out) const = 0;
};

class MemoryImageSource final : public ImageSource {
  public:
    explicit MemoryImageSource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    size_t read(uint64_t offset, std::span<uint8_t> out) const override;

  private:
    std::span<const uint8_t> bytes_;
};

// An image held by a ProgramImage (in memory, as the program writer's ImageSink fills one, or on
// disk). The image must outlive the source.
class ProgramImageSource final : public ImageSource {
  public:
    explicit ProgramImageSource(const ProgramImage& image) : image_(image) {}
    size_t read(uint64_t offset, std::span<uint8_t> out) const override;

  private:
    const ProgramImage& image_;
};

class FileImageSource final : public ImageSource {
  public:
    // nullptr when the file cannot be opened for reading or is not a regular file (a folder,
    // FIFO or device such as /dev/zero).
    static std::unique_ptr<FileImageSource> open(const std::string& path);
    size_t read(uint64_t offset, std::span<uint8_t> out) const override;

  private:
    explicit FileImageSource(RegularFile file) : file_(std::move(file)) {}
    RegularFile file_;
};

}  // namespace orb
