#include "image/ItemHeader.h"

#include "image/BigEndian.h"

namespace orb {

int linesOf(LayoutCode layout) {
    switch (layout) {
        case LayoutCode::OneLine:
            return 1;
        case LayoutCode::TwoLines:
            return 2;
        case LayoutCode::ThreeLines:
            return 3;
        case LayoutCode::TitleAndSentence:
            return 2;
        default:
            return 0;
    }
}

bool isPlayable(const ItemHeader& header) {
    const LayoutCode layout = header.layout();
    if (layout == LayoutCode::TitleAndSentence) return true;
    for (int line = 1; line <= linesOf(layout); ++line)
        if (header.kind(line) != ContentKind::None) return true;
    return false;
}

ItemHeader ItemHeader::newItem(LayoutCode layout, const std::array<uint8_t, 3>& heightCodes) {
    ItemHeader h;
    h.bytes[header::kMarker] = header::kMarkerByte;
    h.bytes[header::kMarker + 1] = header::kMarkerByte;
    h.setLayout(layout);
    for (int line = 1; line <= linesOf(layout); ++line) h.setHeightCode(line, heightCodes[line - 1]);
    return h;
}

EffectBlock ItemHeader::effects(int line) const {
    const uint8_t* p = &bytes[header::kEffects + 7 * idx(line)];
    return {p[0], p[1], p[2], p[3], p[4], p[5], p[6]};
}

void ItemHeader::setEffects(int line, const EffectBlock& e) {
    uint8_t* p = &bytes[header::kEffects + 7 * idx(line)];
    p[0] = e.entry;
    p[1] = e.hold;
    p[2] = e.exit;
    p[3] = e.holdTime;
    p[4] = e.entrySpeed;
    p[5] = e.holdSpeed;
    p[6] = e.exitSpeed;
}

uint16_t ItemHeader::pictureWidth(int line) const {
    return readBe16(&bytes[header::kPictureSize + 4 * idx(line)]);
}

uint16_t ItemHeader::pictureHeight(int line) const {
    return readBe16(&bytes[header::kPictureSize + 4 * idx(line) + 2]);
}

void ItemHeader::setPictureSize(int line, uint16_t width, uint16_t height) {
    writeBe16(&bytes[header::kPictureSize + 4 * idx(line)], width);
    writeBe16(&bytes[header::kPictureSize + 4 * idx(line) + 2], height);
}

uint16_t ItemHeader::frameCount(int line) const {
    return readBe16(&bytes[header::kFrameCount + 2 * idx(line)]);
}

void ItemHeader::setFrameCount(int line, uint16_t frames) {
    writeBe16(&bytes[header::kFrameCount + 2 * idx(line)], frames);
}

uint16_t ItemHeader::startSector(int line) const {
    return readBe16(&bytes[header::kStartSector + 2 * idx(line)]);
}

void ItemHeader::setStartSector(int line, uint16_t sector) {
    writeBe16(&bytes[header::kStartSector + 2 * idx(line)], sector);
}

DdayDate ItemHeader::ddayDate(int line) const {
    const uint8_t* p = &bytes[header::kDday + 4 * idx(line)];
    return {readBe16(p), p[2], p[3]};
}

void ItemHeader::setDdayDate(int line, const DdayDate& d) {
    uint8_t* p = &bytes[header::kDday + 4 * idx(line)];
    writeBe16(p, d.year);
    p[2] = d.month;
    p[3] = d.day;
}

void ItemHeader::setWindow(const ClockTime& start, const ClockTime& end) {
    bytes[header::kWindowStart] = start.hour;
    bytes[header::kWindowStart + 1] = start.minute;
    bytes[header::kWindowEnd] = end.hour;
    bytes[header::kWindowEnd + 1] = end.minute;
}

}  // namespace orb
