#include "image/ItemStore.h"

#include <vector>

namespace orb {

ItemStore::ItemStore() : device_(std::make_unique<MemoryDevice>(kFileSize)) {}

IoResult ItemStore::open(const std::string& path, FileMode mode, ItemStore& out) {
    std::unique_ptr<ByteDevice> device;
    IoResult r = FileDevice::open(path, mode, kFileSize, device);
    if (r == IoResult::Ok) out.device_ = std::move(device);
    return r;
}

IoResult ItemStore::readRecord(int i, ItemRecord& out) const {
    if (!validRecord(i)) return IoResult::OutOfRange;
    std::array<uint8_t, ItemRecord::kSize> bytes;
    IoResult r = device_->read(recordOffset(i), bytes);
    if (r == IoResult::Ok) out = ItemRecord::fromBytes(bytes);
    return r;
}

IoResult ItemStore::writeRecord(int i, const ItemRecord& record) {
    if (!validRecord(i)) return IoResult::OutOfRange;
    std::array<uint8_t, ItemRecord::kSize> bytes;
    record.toBytes(bytes);
    return device_->write(recordOffset(i), bytes);
}

IoResult ItemStore::readHeader(int i, ItemHeader& out) const {
    if (!validRecord(i)) return IoResult::OutOfRange;
    return device_->read(recordOffset(i), out.bytes);
}

IoResult ItemStore::writeHeader(int i, const ItemHeader& header) {
    if (!validRecord(i)) return IoResult::OutOfRange;
    return device_->write(recordOffset(i), header.bytes);
}

IoResult ItemStore::readPayload(int i, int line, LinePayload& out) const {
    if (!validRecord(i) || line < 1 || line > 3) return IoResult::OutOfRange;
    return device_->read(recordOffset(i) + ItemRecord::payloadOffset(line), out.bytes);
}

IoResult ItemStore::writePayload(int i, int line, const LinePayload& payload) {
    if (!validRecord(i) || line < 1 || line > 3) return IoResult::OutOfRange;
    return device_->write(recordOffset(i) + ItemRecord::payloadOffset(line), payload.bytes);
}

IoResult ItemStore::insertRecord(int at, const ItemRecord& record) {
    const int n = itemCount();
    if (n >= kRecords) return IoResult::StoreFull;
    if (at < 0 || at > n) return IoResult::OutOfRange;
    ItemRecord moved;
    for (int i = n - 1; i >= at; --i) {
        IoResult r = readRecord(i, moved);
        if (r == IoResult::Ok) r = writeRecord(i + 1, moved);
        if (r != IoResult::Ok) return r;
    }
    return writeRecord(at, record);
}

IoResult ItemStore::removeRecord(int at) {
    const int n = itemCount();
    if (at < 0 || at >= n) return IoResult::OutOfRange;
    ItemRecord moved;
    for (int i = at + 1; i < n; ++i) {
        IoResult r = readRecord(i, moved);
        if (r == IoResult::Ok) r = writeRecord(i - 1, moved);
        if (r != IoResult::Ok) return r;
    }
    return writeRecord(n - 1, ItemRecord{});
}

IoResult ItemStore::clearRecords() {
    const std::vector<uint8_t> zeros(kRecordsBytes, 0);
    return device_->write(0, zeros);
}

IoResult ItemStore::readSettings(SettingsBlock& out) const {
    return device_->read(kSettingsOffset, out.bytes);
}

IoResult ItemStore::writeSettings(const SettingsBlock& block) {
    return device_->write(kSettingsOffset, block.bytes);
}

IoResult ItemStore::loadSettings(SettingsBlock& out) {
    IoResult r = readSettings(out);
    if (r == IoResult::Ok && out.correct()) r = writeSettings(out);
    return r;
}

int ItemStore::itemCount() const {
    int n = 0;
    ItemHeader h;
    while (n < kRecords && readHeader(n, h) == IoResult::Ok && h.layout() != LayoutCode::None) ++n;
    return n;
}

IoResult ItemStore::readAll(std::span<uint8_t, kFileSize> out) const {
    return device_->read(0, out);
}

IoResult ItemStore::writeAll(std::span<const uint8_t, kFileSize> in) {
    return device_->write(0, in);
}

}  // namespace orb
