#include "simulator/engine/Sequencer.h"

#include <algorithm>

#include "image/BigEndian.h"
#include "image/EffectCatalogue.h"
#include "image/ProgramImage.h"
#include "simulator/engine/ContentRenderers.h"
#include "simulator/engine/Pictures.h"

namespace orb {

namespace {

LayoutCode playedLayout(LayoutCode stored) {
    return linesOf(stored) != 0 ? stored : LayoutCode::OneLine;
}

}  // namespace

void Sequencer::start() {
    std::array<uint8_t, 4> h{};
    s_.read(ProgramImage::kHeaderOffset, h);
    itemCount_ = readBe16(&h[2]);
    SignGeometry g;
    g.widthModules = h[0] >= 5 && h[0] <= 38 ? h[0] : 6;
    g.heightModules = h[1] >= 1 && h[1] <= 10 ? h[1] : 1;
    s_.setGeometry(g);

    if (itemCount_ != 0 && hasPlayableItem()) {
        playMode_ = PlayMode::Program;
        currentItem_ = 0;
        loadItem();
        if (skipped_) nextItem();
    } else {
        showIdle();
    }
}

int Sequencer::activeLines() const {
    if (playMode_ == PlayMode::Idle) return 1;
    return linesOf(layout_);
}

bool Sequencer::hasPlayableItem() const {
    const int entries = std::min<int>(itemCount_, ProgramImage::kItemTableEntries);
    for (int i = 0; i < entries; ++i) {
        // Only the layout and the kinds are needed.
        ItemHeader h;
        s_.read(ProgramImage::itemEntryOffset(i), std::span(h.bytes.data(), header::kKind + 3));
        if (isPlayable(h)) return true;
    }
    return false;
}

void Sequencer::readItemHeader(uint16_t index) {
    if (index >= ProgramImage::kItemTableEntries) return;
    header_ = ItemHeader{};
    s_.read(ProgramImage::itemEntryOffset(index), header_.bytes);
    layout_ = playedLayout(header_.layout());
    for (int line = 1; line <= 3; ++line) {
        LinePlayer& l = s_.line(line);
        const EffectBlock e = header_.effects(line);
        l.heightModules = header_.heightCode(line);
        l.kind = header_.kind(line);
        // The sentence of a title and sentence takes the text lines' entry list whatever its kind.
        const ContentKind listKind = layout_ == LayoutCode::TitleAndSentence ? ContentKind::Sentence : l.kind;
        l.entry = entryEffectOf(listKind, e.entry);
        l.hold = holdEffectOf(e.hold);
        l.exit = exitEffectOf(e.exit);
        l.holdSeconds = static_cast<uint8_t>(e.holdTime + 1);
        l.entrySpeed = e.entrySpeed, l.holdSpeed = e.holdSpeed, l.exitSpeed = e.exitSpeed;
        l.contentWidth = header_.pictureWidth(line);
        l.contentHeight = header_.pictureHeight(line);
        l.frameCount = header_.frameCount(line);
        l.animationSpeed = header_.animationSpeed(line);
        l.dataOffset = uint64_t{header_.startSector(line)} * ProgramImage::kSectorSize;
        l.dday = header_.ddayDate(line);
    }
    for (int line = 1; line <= linesOf(layout_); ++line) {
        const ContentKind kind = s_.line(line).kind;
        if (layout_ == LayoutCode::TitleAndSentence || kind == ContentKind::Sentence ||
            kind == ContentKind::Dday)
            readLineText(line);
    }
}

// The text (511 bytes and a zero at most) and its attribute words.
void Sequencer::readLineText(int line) {
    LinePlayer& l = s_.line(line);
    s_.read(l.dataOffset, std::span(reinterpret_cast<uint8_t*>(l.text.data()), l.text.size()));
    l.text.back() = 0;
    std::array<uint8_t, 1024> words;
    const size_t got = s_.read(l.dataOffset + 512, words);
    for (size_t i = 0; i + 1 < got; i += 2) l.attributes[i / 2] = readBe16(&words[i]);
}

void Sequencer::nextItem() {
    // The image does not change while it plays: whether anything can play is asked once.
    const bool playable = hasPlayableItem();
    // An item without content is skipped; a program of such items ends in the idle picture.
    for (uint32_t tries = 0; playable && tries <= itemCount_; ++tries) {
        currentItem_ = currentItem_ + 1 < itemCount_ ? static_cast<uint16_t>(currentItem_ + 1) : 0;
        loadItem();
        if (!skipped_) return;
        // Entries from 512 on are not read and keep the skipped item's values: they would all be
        // skipped too, so the count wraps at once.
        if (currentItem_ >= ProgramImage::kItemTableEntries)
            currentItem_ = static_cast<uint16_t>(itemCount_ - 1);
    }
    showIdle();
}

// Bands one under the other, as high as the lines say, and inside the planes whatever they say.
void Sequencer::placeBands() {
    int row = 0;
    for (int line = 1; line <= 3; ++line) {
        LinePlayer& l = s_.line(line);
        l.startRow = std::min(row, BitPlane::kRows);
        l.rowCount = std::min(l.heightModules * 16, BitPlane::kRows - l.startRow);
        row += l.heightModules * 16;
    }
}

void Sequencer::loadItem() {
    skipped_ = false;
    const int signRows = s_.geometry.ledRows();
    clearRows(*s_.saved, 0, signRows);
    clearRows(*s_.working, 0, signRows);
    for (auto& l : s_.lines) {
        l->canvas.red.fill(0), l->canvas.green.fill(0);
        l->finished = false;
    }

    readItemHeader(currentItem_);
    placeBands();
    const int lines = linesOf(layout_);
    for (int line = 1; line <= lines; ++line) {
        LinePlayer& l = s_.line(line);
        l.course = Course::Entering;
        l.entrySpeed = std::min<uint8_t>(l.entrySpeed, 4);
        l.holdSpeed = std::min<uint8_t>(l.holdSpeed, 4);
        l.exitSpeed = std::min<uint8_t>(l.exitSpeed, 4);
    }

    if (layout_ == LayoutCode::TitleAndSentence) return startTitleAndSentence(s_);
    bool allFinished = true;
    for (int line = 1; line <= lines; ++line) {
        LinePlayer& l = s_.line(line);
        if (l.kind == ContentKind::None) l.finished = true;
        allFinished = allFinished && l.finished;
    }
    if (allFinished) {
        skipped_ = true;  // the caller moves on
        return;
    }
    for (int line = 1; line <= lines; ++line) startContent(s_, line);
}

void Sequencer::showIdle() {
    LinePlayer& l = s_.line(1);
    l.setPeriod(3);
    l.heightModules = static_cast<uint8_t>(s_.geometry.heightModules);
    playMode_ = PlayMode::Idle;
    layout_ = LayoutCode::OneLine;
    l.startRow = 0;
    l.rowCount = s_.geometry.ledRows();
}

// One step of a due line: it draws into its hidden set and shows it. A finished line of layout 1
// or 4 ends the item; of layouts 2 and 3 it waits, dark, for the others.
bool Sequencer::stepLine(int line, bool byFlag) {
    LinePlayer& l = s_.line(line);
    if (l.stepDone()) return false;
    l.beginStep();
    bool finished = false;
    if (playMode_ == PlayMode::Idle)
        showIdlePicture(s_);
    else if (layout_ == LayoutCode::TitleAndSentence)
        finished = stepTitleAndSentence(s_, line);
    else
        finished = stepContent(s_, line, byFlag);
    if (finished) {
        if (byFlag)
            l.finished = true;
        else
            nextItem();
    }
    l.endStep();
    return true;
}

bool Sequencer::stepLines() {
    const int lines = activeLines();
    const bool byFlag = playMode_ == PlayMode::Program &&
                        (layout_ == LayoutCode::TwoLines || layout_ == LayoutCode::ThreeLines);
    bool stepped = false;
    for (int line = 1; line <= lines; ++line) stepped = stepLine(line, byFlag) || stepped;
    if (!byFlag) return stepped;
    bool all = true;
    for (int line = 1; line <= lines; ++line) all = all && s_.line(line).finished;
    if (all) nextItem();
    return stepped;
}

}  // namespace orb
