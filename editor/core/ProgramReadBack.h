#pragma once
// A program read back from what a sign's memory holds: the image header, the item table, and the
// content of every line at its start sector, as long as its header makes it (the rules by which
// the program writer placed it). One decoder over a byte source: the sign over its link, or an
// image (the file "preview.tmp", or memory).
//
// Bounded whatever the memory holds: at most 100 items are taken; every line's content must lie
// inside the content area (sectors 5120 to 65535), and the lines together may not claim more bytes
// than the content area has, so a hostile sign makes the reader hold at most about 31 MB. All of
// that is checked on the headers before any content is read.
#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "image/ItemStore.h"
#include "image/ProgramImage.h"
#include "link/SignLink.h"

namespace orb {

// Where the bytes come from: reads of at most 512 bytes at an address of the sign's memory.
class MemorySource {
  public:
    static constexpr size_t kMaxRead = SignFrame::kMaxData;
    virtual ~MemorySource() = default;
    // Fills OUT from ADDRESS; false with a short text in WHY when it cannot.
    virtual bool read(uint32_t address, std::span<uint8_t> out, std::string& why) = 0;
};

class ImageMemory final : public MemorySource {
  public:
    explicit ImageMemory(const ProgramImage& image) : image_(image) {}
    bool read(uint32_t address, std::span<uint8_t> out, std::string& why) override;

  private:
    const ProgramImage& image_;
};

// SignMemoryRead queries over the link.
class LinkMemory final : public MemorySource {
  public:
    explicit LinkMemory(SignLink& link) : link_(link) {}
    bool read(uint32_t address, std::span<uint8_t> out, std::string& why) override;

  private:
    SignLink& link_;
};

struct ReadBackLine {
    int line = 0;  // 1..3
    uint32_t startSector = 0;
    std::vector<uint8_t> bytes;  // the content from the start sector
};

struct ReadBackItem {
    ItemHeader header;                // as the item table holds it, start sectors included
    std::vector<ReadBackLine> lines;  // the lines the writer places, in line order
};

struct ProgramReadBack {
    ImageHeader header;      // width and height as the size command left them, the item count
    uint8_t windowMode = 0;  // the display-window mode at 0x4012, as the sign holds it
    std::vector<ReadBackItem> items;
};

enum class ReadBackResult {
    Ok,
    NoAnswer,    // the model check was not answered
    OtherModel,  // another model answered
    ReadFailed,  // a read failed part way
    Cancelled,
    TooManyItems,    // an item count over 100
    OutsideMemory,   // a line's content would lie outside the content area
    TooMuchContent,  // the lines claim more bytes than the content area holds
};

struct ReadBackOutcome {
    ReadBackResult result = ReadBackResult::Ok;
    int item = -1;        // 0-based, for a fault of one item
    std::string message;  // for the user; empty when Ok
};

struct ReadBackOptions {
    // False: only the image header and the item table (what a health check compares).
    bool contents = true;
    // Reads done of the total, called after each read once the item table has said how many.
    std::function<void(int done, int total)> progress;
    // Set from another thread to stop after the read in flight.
    const std::atomic<bool>* cancel = nullptr;
};

ReadBackOutcome readProgramBack(MemorySource& source, const ReadBackOptions& options, ProgramReadBack& out);
// The model check first (its failures in the editor's words), then the memory over LINK.
ReadBackOutcome readProgramBack(SignLink& link, const ReadBackOptions& options, ProgramReadBack& out);

// The bytes of line LINE's content as the writer places it, from the header alone: a line
// payload for a sentence or D-day (and both lines of a title and sentence), both colour planes of
// a bitmap or phrase, every frame of an animation, nothing for other kinds or lines the layout
// does not have. 64 bits wide: a hostile header can claim more than any memory holds.
uint64_t contentBytes(const ItemHeader& header, int line);

}  // namespace orb
