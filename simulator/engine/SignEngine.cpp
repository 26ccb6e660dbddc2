#include "simulator/engine/SignEngine.h"

#include <algorithm>
#include <cstring>

#include "image/BigEndian.h"
#include "image/ProgramImage.h"

namespace orb {

std::string_view LineState::textView() const {
    return std::string_view(text.data(), ::strnlen(text.data(), text.size() - 1));
}

SignEngine::SignEngine(const ImageSource& image, const SignFonts& fonts)
    : image_(image),
      drawer_(fonts),
      working_(std::make_unique<PlanePair>()),
      setA_(std::make_unique<PlanePair>()),
      setB_(std::make_unique<PlanePair>()),
      saved_(std::make_unique<PlanePair>()) {
    for (auto& c : composed_) c = std::make_unique<PlanePair>();
    for (auto& l : lines_) l = std::make_unique<LineState>();
    for (auto& e : effects_) e = std::make_unique<EffectState>();
    for (auto& c : canvases_) c = std::make_unique<Canvas>();
}

SignEngine::~SignEngine() = default;

void SignEngine::start(uint64_t nowMs, const LocalDateTime& now) {
    now_ = now;
    updateClock();
    std::array<uint8_t, 2> count{};
    readImage(ProgramImage::kHeaderOffset + 2, count);
    itemCount_ = readBe16(count.data());

    for (int line = 1; line <= 3; ++line) setLinePeriod(line, 3);
    for (PlanePair* p : {working_.get(), setA_.get(), setB_.get(), composed_[0].get(), composed_[1].get()})
        clearPair(*p);
    for (auto& l : lines_) l->stepDone = false, l->shownSet = 0, l->drawSet = 0;
    front_ = 0;
    readSignGeometry();
    startProgram();
    for (auto& l : lines_) l->deadline = nowMs + l->period;
}

void SignEngine::pass(uint64_t nowMs, const LocalDateTime& now) {
    now_ = now;
    stepLines();
    composeFrame();
    for (auto& l : lines_) {
        if (nowMs > l->deadline) {
            l->stepDone = false;
            l->deadline = nowMs + l->period;
        }
    }
}

uint64_t SignEngine::nextDeadline() const {
    // Lines the current item does not use never step, so only the others can be due at once.
    const int active = playMode_ == 0 ? 1 : layout_ == 3 ? 3 : (layout_ == 2 || layout_ == 4) ? 2 : 1;
    uint64_t next = UINT64_MAX;
    for (int line = 1; line <= 3; ++line) {
        const LineState& l = lineState(line);
        next = std::min(next, line <= active && !l.stepDone ? 0 : l.deadline + 1);
    }
    return next;
}

const PlanePair& SignEngine::frontFrame() const {
    return *composed_[front_];
}

void SignEngine::readSignGeometry() {
    std::array<uint8_t, 2> b{};
    readImage(ProgramImage::kHeaderOffset, b);
    geometry_.widthModules = b[0] >= 5 && b[0] <= 38 ? b[0] : 6;
    geometry_.heightModules = b[1] >= 1 && b[1] <= 10 ? b[1] : 1;
    drawer_.setSignWidth(geometry_.pixels());
}

void SignEngine::setLinePeriod(int line, int speedCode) {
    lineState(line).period = static_cast<uint8_t>(10 * (std::clamp(speedCode, 2, 6) - 1));
}

void SignEngine::beginLineStep(int line) {
    LineState& l = lineState(line);
    l.drawSet = static_cast<uint8_t>(l.shownSet ^ 1);
}

void SignEngine::endLineStep(int line) {
    LineState& l = lineState(line);
    l.shownSet = l.drawSet;
}

void SignEngine::composeFrame() {
    PlanePair& back = *composed_[front_ ^ 1];
    clearPair(back);
    const int lines = layout_ == 3 ? 3 : (layout_ == 2 || layout_ == 4) ? 2 : 1;
    for (int line = 1; line <= lines; ++line) {
        const LineState& l = lineState(line);
        copyBand(back, lineSet(l.shownSet), line);
    }
    front_ ^= 1;
}

// Copies the line's band, both planes, from one pair into another.
void SignEngine::copyBand(PlanePair& to, const PlanePair& from, int line) {
    const LineState& l = lineState(line);
    if (l.rowCount <= 0) return;
    const size_t offset = static_cast<size_t>(l.startRow) * BitPlane::kBytesPerRow;
    const size_t n = static_cast<size_t>(l.rowCount) * BitPlane::kBytesPerRow;
    std::memcpy(&to.red.bytes[offset], &from.red.bytes[offset], n);
    std::memcpy(&to.green.bytes[offset], &from.green.bytes[offset], n);
}

void SignEngine::showBand(int line) {
    copyBand(drawTarget(line), *working_, line);
}

void SignEngine::clearBandOfTarget(int line) {
    const LineState& l = lineState(line);
    clearRows(drawTarget(line), l.startRow, l.rowCount);
}

}  // namespace orb
