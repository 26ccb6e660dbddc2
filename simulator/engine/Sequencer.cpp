// The program sequencer: which item plays, how each of its lines starts, and who steps when.
#include <algorithm>
#include <cstring>

#include "image/BigEndian.h"
#include "image/ProgramImage.h"
#include "simulator/engine/SignEngine.h"

namespace orb {

namespace {

// The per-kind step handlers, indexed by the dispatched kind.
using Handler = void (*)(SignEngine&, int line, bool byFlag);
constexpr Handler kHandlers[] = {
    [](SignEngine& e, int line, bool byFlag) { e.stepSentence(line, byFlag); },     // 0 sentence
    [](SignEngine& e, int line, bool byFlag) { e.stepBitmap(line, byFlag); },       // 1 bitmap
    [](SignEngine& e, int line, bool byFlag) { e.stepAnimation(line, byFlag); },    // 2 animation
    [](SignEngine& e, int line, bool byFlag) { e.stepClock(line, byFlag); },        // 3 clock
    [](SignEngine& e, int line, bool byFlag) { e.stepDday(line, byFlag); },         // 4 D-day
    [](SignEngine& e, int line, bool byFlag) { e.stepBitmap(line, byFlag); },       // 5 bitmap phrase
    [](SignEngine& e, int line, bool byFlag) { e.stepTemperature(line, byFlag); },  // 6 temperature
};

}  // namespace

void SignEngine::startProgram() {
    if (itemCount_ != 0 && hasPlayableItem()) {
        playMode_ = 1;
        currentItem_ = 0;
        loadItem();
        if (skipped_) nextItem();
    } else {
        showIdle();
    }
}

bool SignEngine::hasPlayableItem() {
    const int entries = std::min<int>(itemCount_, ProgramImage::kItemTableEntries);
    for (int i = 0; i < entries; ++i) {
        ItemHeader entry;
        readImage(ProgramImage::itemEntryOffset(i), entry.bytes);
        if (isPlayable(entry)) return true;
    }
    return false;
}

void SignEngine::readItemHeader(uint16_t index) {
    if (index >= ProgramImage::kItemTableEntries) return;
    static_assert(sizeof(sector_) >= ItemHeader::kSize);
    std::span<uint8_t> h(sector_.data(), ItemHeader::kSize);
    readImage(ProgramImage::itemEntryOffset(index), h);
    layout_ = h[2] >= 1 && h[2] <= 4 ? h[2] : 1;
    for (int line = 1; line <= 3; ++line) {
        LineState& l = lineState(line);
        const size_t n = static_cast<size_t>(line - 1);
        const uint8_t* e = &h[9 + 7 * n];
        l.heightModules = h[3 + n];
        l.kind = static_cast<uint8_t>(h[6 + n] - 1);
        l.entry = e[0], l.hold = e[1], l.exit = e[2];
        l.holdSeconds = static_cast<uint8_t>(e[3] + 1);
        l.entrySpeed = e[4], l.holdSpeed = e[5], l.exitSpeed = e[6];
        l.contentWidth = readBe16(&h[30 + 4 * n]);
        l.contentHeight = readBe16(&h[32 + 4 * n]);
        l.frameCount = readBe16(&h[42 + 2 * n]);
        l.animationSpeed = h[48 + n];
        l.dataOffset = uint64_t{readBe16(&h[51 + 2 * n])} * ProgramImage::kSectorSize;
        l.ddayYear = readBe16(&h[57 + 4 * n]);
        l.ddayMonth = h[59 + 4 * n];
        l.ddayDay = h[60 + 4 * n];
    }
    for (int line = 1; line <= 3; ++line) {
        LineState& l = lineState(line);
        const bool inLayout = layout_ == 4 ? line <= 2 : line <= layout_;
        const bool textLine = layout_ == 4 || l.kind == kSentence || l.kind == kDday;
        if (!inLayout || !textLine) continue;
        readImage(l.dataOffset, std::span(reinterpret_cast<uint8_t*>(l.text.data()), l.text.size()));
        l.text.back() = 0;
        std::array<uint8_t, 1024> words;
        const size_t got = readImage(l.dataOffset + 512, words);
        for (size_t i = 0; i + 1 < got; i += 2) l.attributes[i / 2] = readBe16(&words[i]);
    }
}

void SignEngine::nextItem() {
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

void SignEngine::loadItem() {
    skipped_ = false;
    const int signRows = geometry_.ledRows();
    clearRows(*saved_, 0, signRows);
    clearRows(*working_, 0, signRows);
    for (auto& c : canvases_) c->red.fill(0), c->green.fill(0);
    for (auto& l : lines_) l->finished = false;

    readItemHeader(currentItem_);

    int row = 0;
    const int lines = layout_ == 4 ? 2 : layout_;
    for (int line = 1; line <= 3; ++line) {
        LineState& l = lineState(line);
        // Bands stay inside the planes whatever the heights say.
        l.startRow = std::min(row, BitPlane::kRows);
        l.rowCount = std::min(l.heightModules * 16, BitPlane::kRows - l.startRow);
        row += l.heightModules * 16;
        if (line > lines) continue;
        l.phase = 0;
        l.entrySpeed = std::min<uint8_t>(l.entrySpeed, 4);
        l.holdSpeed = std::min<uint8_t>(l.holdSpeed, 4);
        l.exitSpeed = std::min<uint8_t>(l.exitSpeed, 4);
    }

    if (layout_ == 4) {
        startTitleAndSentence();
        return;
    }
    bool allFinished = true;
    for (int line = 1; line <= lines; ++line) {
        LineState& l = lineState(line);
        if (l.kind == kNoContent) l.finished = true;
        allFinished = allFinished && l.finished;
    }
    if (allFinished) {
        skipped_ = true;  // the caller moves on
        return;
    }
    for (int line = 1; line <= lines; ++line) startLine(line);
}

void SignEngine::startLine(int line) {
    LineState& l = lineState(line);
    switch (l.kind) {
        case kSentence:
            startSentenceLine(line);
            break;
        case kBitmap:
        case kBitmapPhrase:
            startBitmapLine(line);
            break;
        case kAnimation:
            setLinePeriod(line, l.animationSpeed + 2);
            l.animationTicks = 0;
            l.frameIndex = 0;
            break;
        case kClock:
            setLinePeriod(line, l.entrySpeed + 2);
            l.blink = 0;
            l.holdTicks = l.holdTickCount();
            break;
        case kDday:
            setLinePeriod(line, l.entrySpeed + 2);
            startDday(line);
            break;
        case kTemperature:
            setLinePeriod(line, l.entrySpeed + 2);
            l.holdTicks = l.holdTickCount();
            break;
        default:
            break;
    }
}

// Width, x and y of a line's text: 8 pixels a byte on a 1-module line (16-pixel font), else 16.
void SignEngine::placeText(int line, int heightModules, int y) {
    LineState& l = lineState(line);
    l.textWidth = static_cast<int>(l.textLength()) * (heightModules == 1 ? 8 : 16);
    l.textX = l.textWidth < geometry_.pixels() ? (geometry_.pixels() - l.textWidth) / 2 : 0;
    l.textY = y;
}

void SignEngine::drawLineText(int line) {
    LineState& l = lineState(line);
    if (bigFont(line))
        drawer_.drawText32(*working_, 1, l.textX, l.textY, l.textView(), l.attributes);
    else
        drawer_.drawText16(*working_, 1, l.textX, l.textY, l.textView(), l.attributes);
}

void SignEngine::beginHoldAtStart(int line) {
    copyBand(*saved_, *working_, line);
    beginHold(line, 1);
}

// The content is drawn; it is saved for the exit and moved in by entry effect `code`.
void SignEngine::startEntryEffect(int line, int code) {
    LineState& l = lineState(line);
    copyBand(*saved_, *working_, line);
    l.holdTicks = l.holdTickCount();
    startEffect(line, EffectPhase::Entry, code, l.entrySpeed + 2, l.startRow, l.rowCount);
}

void SignEngine::startSentenceLine(int line) {
    LineState& l = lineState(line);
    const int h = l.heightModules;
    placeText(line, h, h == 1 ? l.startRow : l.startRow + (h * 16 - 32) / 2);
    if (l.entry == 1) {
        setLinePeriod(line, l.entrySpeed + 2);
        setupTextPass(line, 1, false);
        return;
    }
    drawLineText(line);
    if (l.entry == 0) {
        beginHoldAtStart(line);
        return;
    }
    startEntryEffect(line, l.entry - 2);
}

void SignEngine::startBitmapLine(int line) {
    LineState& l = lineState(line);
    if (l.entry == 1) {
        setLinePeriod(line, l.entrySpeed + 2);
        loadBitmapToCanvas(line, l.dataOffset, l.contentWidth, l.contentHeight);
        startBitmapPass(0, line);
        return;
    }
    if (l.entry == 2) {
        setLinePeriod(line, l.entrySpeed + 2);
        startScrollUp(line);
        return;
    }
    loadBitmapToCanvas(line, l.dataOffset, l.contentWidth, l.contentHeight);
    drawCanvasBitmap(line, l.startRow, l.rowCount, l.dataOffset, l.contentWidth, l.contentHeight);
    if (l.entry == 0) {
        beginHoldAtStart(line);
        return;
    }
    startEntryEffect(line, l.entry - 3);
}

void SignEngine::startTitleAndSentence() {
    LineState& title = lineState(1);
    const int h1 = title.heightModules;
    placeText(1, h1, h1 == 1 ? 0 : (h1 * 16 - 32) / 2);
    setLinePeriod(1, 3);
    drawLineText(1);

    LineState& l = lineState(2);
    const int h = l.heightModules;
    placeText(2, h, h == 1 ? l.startRow : l.startRow + (h * 16 - 32) / 2);
    if (l.entry == 1) {
        setLinePeriod(2, l.entrySpeed + 2);
        setupTextPass(2, 1, false);
        return;
    }
    drawLineText(2);
    if (l.entry == 2) {
        startEntryEffect(2, 0);
        return;
    }
    // Entry 0, and the codes this layout does not define (3 and above): the sentence is held.
    beginHoldAtStart(2);
}

void SignEngine::stepLines() {
    if (playMode_ == 0) {
        LineState& l = lineState(1);
        if (!l.stepDone) {
            beginLineStep(1);
            showIdlePicture();
            endLineStep(1);
            l.stepDone = true;
        }
        return;
    }
    if (layout_ == 4) {
        if (!lineState(1).stepDone) {
            beginLineStep(1);
            copyBand(drawTarget(1), *working_, 1);  // keeps the title on screen
            endLineStep(1);
            lineState(1).stepDone = true;
        }
        if (!lineState(2).stepDone) {
            beginLineStep(2);
            stepSentence(2, false);
            endLineStep(2);
            lineState(2).stepDone = true;
        }
        return;
    }
    const int lines = layout_;
    const bool byFlag = layout_ != 1;
    for (int line = 1; line <= lines; ++line) {
        LineState& l = lineState(line);
        if (l.stepDone) continue;
        beginLineStep(line);
        if (l.kind < std::size(kHandlers)) kHandlers[l.kind](*this, line, byFlag);
        endLineStep(line);
        l.stepDone = true;
    }
    if (byFlag) {
        bool all = true;
        for (int line = 1; line <= lines; ++line) all = all && lineState(line).finished;
        if (all) nextItem();
    }
}

void SignEngine::showIdle() {
    LineState& l = lineState(1);
    setLinePeriod(1, 3);
    l.heightModules = static_cast<uint8_t>(geometry_.heightModules);
    playMode_ = 0;
    layout_ = 1;
    l.startRow = 0;
    l.rowCount = geometry_.ledRows();
}

}  // namespace orb
