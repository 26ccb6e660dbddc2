#include "editor/core/ProgramReadBack.h"

#include <algorithm>
#include <cstdio>

#include "editor/core/LineEncoder.h"
#include "editor/core/ProgramWriter.h"
#include "editor/core/SignCommands.h"
#include "image/BigEndian.h"

namespace orb {

bool ImageMemory::read(uint32_t address, std::span<uint8_t> out, std::string& why) {
    const IoResult r = image_.read(address, out);
    if (r != IoResult::Ok) why = toText(r);
    return r == IoResult::Ok;
}

bool LinkMemory::read(uint32_t address, std::span<uint8_t> out, std::string& why) {
    const LinkResult r = link_.query(SignFrame::memoryRead(address, static_cast<uint16_t>(out.size())), out);
    if (r != LinkResult::Ok) why = toText(r);
    return r == LinkResult::Ok;
}

uint64_t contentBytes(const ItemHeader& header, int line) {
    if (line < 1 || line > plannedLines(header)) return 0;
    if (header.layout() == LayoutCode::TitleAndSentence) return LinePayload::kSize;
    const uint64_t planes = 2 * planeBytes(header.pictureWidth(line), header.pictureHeight(line));
    switch (header.kind(line)) {
        case ContentKind::Sentence:
        case ContentKind::Dday:
            return LinePayload::kSize;
        case ContentKind::Bitmap:
        case ContentKind::BitmapPhrase:
            return planes;
        case ContentKind::Animation:
            return planes * header.frameCount(line);
        default:
            return 0;
    }
}

namespace {

constexpr uint64_t kContentStart = uint64_t{ProgramImage::kFirstContentSector} * ProgramImage::kSectorSize;
// The image header, then the bytes up to the display-window mode.
constexpr size_t kHeaderBytes = ProgramImage::kWindowModeOffset + 1 - ProgramImage::kHeaderOffset;

uint64_t readsFor(uint64_t bytes) {
    return (bytes + MemorySource::kMaxRead - 1) / MemorySource::kMaxRead;
}

std::string hex(uint64_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06llX", static_cast<unsigned long long>(address));
    return text;
}

std::string itemLine(int item, int line) {
    return "item " + std::to_string(item + 1) + " line " + std::to_string(line);
}

// Reads in pieces of at most 512 bytes, counting them for the progress and looking at the cancel
// flag before each.
class Reader {
  public:
    Reader(MemorySource& source, const ReadBackOptions& options) : source_(source), options_(options) {}

    ReadBackOutcome read(uint64_t address, std::span<uint8_t> out) {
        for (size_t at = 0; at < out.size(); at += MemorySource::kMaxRead) {
            if (options_.cancel && options_.cancel->load())
                return {ReadBackResult::Cancelled, -1, "cancelled"};
            const size_t n = std::min(MemorySource::kMaxRead, out.size() - at);
            std::string why;
            if (!source_.read(static_cast<uint32_t>(address + at), out.subspan(at, n), why))
                return {ReadBackResult::ReadFailed, -1,
                        "cannot read " + std::to_string(n) + " bytes at " + hex(address + at) + ": " + why};
            ++done_;
            if (total_ > 0 && options_.progress) options_.progress(done_, total_);
        }
        return {};
    }

    // From now on the progress is reported against TOTAL reads.
    void expect(uint64_t moreReads) {
        total_ = done_ + static_cast<int>(moreReads);
        if (options_.progress) options_.progress(done_, total_);
    }

  private:
    MemorySource& source_;
    const ReadBackOptions& options_;
    int done_ = 0, total_ = 0;
};

ReadBackOutcome readTable(Reader& reader, ProgramReadBack& out) {
    std::array<uint8_t, kHeaderBytes> head{};
    if (ReadBackOutcome r = reader.read(ProgramImage::kHeaderOffset, head); r.result != ReadBackResult::Ok)
        return r;
    out.header = {head[0], head[1], readBe16(&head[2])};
    out.windowMode = head.back();
    if (out.header.itemCount > ItemStore::kRecords)
        return {ReadBackResult::TooManyItems, -1,
                "the sign reports " + std::to_string(out.header.itemCount) +
                    " items; a program holds at most " + std::to_string(ItemStore::kRecords)};
    std::vector<uint8_t> table(size_t{out.header.itemCount} * ItemHeader::kSize);
    if (ReadBackOutcome r = reader.read(ProgramImage::kItemTableOffset, table);
        r.result != ReadBackResult::Ok)
        return r;
    out.items.resize(out.header.itemCount);
    for (size_t i = 0; i < out.items.size(); ++i)
        std::copy_n(&table[i * ItemHeader::kSize], ItemHeader::kSize, out.items[i].header.bytes.begin());
    return {};
}

// Every line's place and size, checked before anything is allocated; the reads they need.
ReadBackOutcome placeLines(ProgramReadBack& out, uint64_t& reads) {
    uint64_t claimed = 0;
    reads = 0;
    for (size_t i = 0; i < out.items.size(); ++i) {
        ReadBackItem& item = out.items[i];
        for (int line = 1; line <= plannedLines(item.header); ++line) {
            const uint64_t bytes = contentBytes(item.header, line);
            const uint32_t start = item.header.startSector(line);
            const uint64_t address = uint64_t{start} * ProgramImage::kSectorSize;
            const int index = static_cast<int>(i);
            if (bytes > 0 && (address < kContentStart || bytes > ProgramImage::kSize - address))
                return {ReadBackResult::OutsideMemory, index,
                        itemLine(index, line) + ": " + std::to_string(bytes) + " bytes from sector " +
                            std::to_string(start) + " do not lie in the content area (sectors " +
                            std::to_string(ProgramImage::kFirstContentSector) + " to 65535)"};
            claimed += bytes;
            if (claimed > kContentAreaBytes)
                return {ReadBackResult::TooMuchContent, index,
                        itemLine(index, line) +
                            ": the items claim more content than the sign's memory holds (" +
                            std::to_string(kContentAreaBytes) + " bytes)"};
            item.lines.push_back({line, start, {}});
            reads += readsFor(bytes);
        }
    }
    return {};
}

ReadBackOutcome readContents(Reader& reader, ProgramReadBack& out) {
    for (size_t i = 0; i < out.items.size(); ++i) {
        for (ReadBackLine& line : out.items[i].lines) {
            line.bytes.resize(static_cast<size_t>(contentBytes(out.items[i].header, line.line)));
            ReadBackOutcome r =
                reader.read(uint64_t{line.startSector} * ProgramImage::kSectorSize, line.bytes);
            if (r.result != ReadBackResult::Ok) {
                r.item = static_cast<int>(i);
                r.message = itemLine(r.item, line.line) + ": " + r.message;
                return r;
            }
        }
    }
    return {};
}

}  // namespace

ReadBackOutcome readProgramBack(MemorySource& source, const ReadBackOptions& options, ProgramReadBack& out) {
    out = ProgramReadBack{};
    Reader reader(source, options);
    ReadBackOutcome r = readTable(reader, out);
    uint64_t reads = 0;
    if (r.result == ReadBackResult::Ok && options.contents) r = placeLines(out, reads);
    if (r.result == ReadBackResult::Ok) reader.expect(reads);
    if (r.result == ReadBackResult::Ok && options.contents) r = readContents(reader, out);
    if (r.result != ReadBackResult::Ok) out = ProgramReadBack{};
    return r;
}

ReadBackOutcome readProgramBack(SignLink& link, const ReadBackOptions& options, ProgramReadBack& out) {
    out = ProgramReadBack{};
    switch (link.checkModel()) {
        case ModelCheck::NoAnswer:
            return {ReadBackResult::NoAnswer, -1, kSignSilent.message};
        case ModelCheck::OtherModel:
            return {ReadBackResult::OtherModel, -1, kOtherModel.message};
        case ModelCheck::Ok:
            break;
    }
    LinkMemory memory(link);
    return readProgramBack(memory, options, out);
}

}  // namespace orb
