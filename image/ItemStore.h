#pragma once
// The item store: "data.tmp" beside the editor, and every ".dat" project (a byte copy of it).
//   100 records of 4736 bytes (items in list order, the rest all zero), then the settings block.
// Record indexes 100 and above are refused, so nothing reaches the settings block by accident.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "image/ByteDevice.h"
#include "image/ItemRecord.h"
#include "image/SettingsBlock.h"

namespace orb {

class ItemStore {
  public:
    static constexpr int kRecords = 100;
    static constexpr uint64_t kRecordsBytes = uint64_t{kRecords} * ItemRecord::kSize;  // 473,600
    static constexpr uint64_t kSettingsOffset = kRecordsBytes;
    static constexpr uint64_t kFileSize = kSettingsOffset + SettingsBlock::kSize;  // 473,632

    // A store in memory, all zero.
    ItemStore();
    explicit ItemStore(std::unique_ptr<ByteDevice> device) : device_(std::move(device)) {}

    // Opens a store or project file; with CreateOrOpen a missing file is created zero-filled.
    // A file of another size is refused with WrongSize and left as it is.
    static IoResult open(const std::string& path, FileMode mode, ItemStore& out);

    IoResult readRecord(int i, ItemRecord& out) const;
    IoResult writeRecord(int i, const ItemRecord& record);
    IoResult readHeader(int i, ItemHeader& out) const;
    IoResult writeHeader(int i, const ItemHeader& header);
    IoResult readPayload(int i, int line, LinePayload& out) const;
    IoResult writePayload(int i, int line, const LinePayload& payload);

    // The list edits, on the leading run of items (records 0 .. itemCount() - 1); records past
    // the run are not touched beyond the one the run grows into.
    //  - insertRecord: records at .. N - 1 move up by one (the last first) and RECORD goes to
    //    AT, 0 <= at <= N; refused with StoreFull at 100 items, with OutOfRange for AT past N.
    //  - removeRecord: records at + 1 .. N - 1 move down by one (in increasing order) and
    //    record N - 1 becomes zero; OutOfRange unless 0 <= at < N.
    IoResult insertRecord(int at, const ItemRecord& record);
    IoResult removeRecord(int at);

    // Zeros the 100 records; the settings block stays.
    IoResult clearRecords();

    IoResult readSettings(SettingsBlock& out) const;
    IoResult writeSettings(const SettingsBlock& block);
    // Reads the block as the editor does on start-up and after opening a project: values it
    // does not accept are replaced and the corrected block is written back.
    IoResult loadSettings(SettingsBlock& out);

    // The number of leading records whose layout code is not 0: the items of the list.
    int itemCount() const;

    // The whole store as bytes, for saving and opening projects.
    IoResult readAll(std::span<uint8_t, kFileSize> out) const;
    IoResult writeAll(std::span<const uint8_t, kFileSize> in);

  private:
    static bool validRecord(int i) { return i >= 0 && i < kRecords; }
    static uint64_t recordOffset(int i) { return static_cast<uint64_t>(i) * ItemRecord::kSize; }

    std::unique_ptr<ByteDevice> device_;
};

}  // namespace orb
