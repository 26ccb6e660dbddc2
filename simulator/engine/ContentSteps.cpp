// The per-kind step handlers: each line's course from entry through hold, reveal and exit, and
// the clock, temperature and D-day contents.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "simulator/engine/SignEngine.h"

namespace orb {

namespace {

// CP949 texts the sign draws itself.
constexpr std::string_view kMorning = "\xBF\xC0\xC0\xFC";            // 오전
constexpr std::string_view kAfternoon = "\xBF\xC0\xC8\xC4";          // 오후
constexpr std::string_view kYear = "\xB3\xE2";                       // 년
constexpr std::string_view kMonth = "\xBF\xF9";                      // 월
constexpr std::string_view kDay = "\xC0\xCF";                        // 일
constexpr std::string_view kHour = "\xBD\xC3";                       // 시
constexpr std::string_view kMinute = "\xBA\xD0";                     // 분
constexpr std::string_view kTemperatureLabel = "\xBF\xC2\xB5\xB5:";  // 온도:
constexpr std::string_view kCelsius = "\xA1\xC9";                    // ℃
constexpr std::string_view kReading = "77.3";                        // the simulator has no sensor

struct Number {
    char text[8];
    std::string_view view() const { return text; }
};

Number zeroPadded(int v) {
    Number n;
    std::snprintf(n.text, sizeof n.text, "%02d", v);
    return n;
}

Number spacePadded(int v) {
    Number n = zeroPadded(v);
    if (n.text[0] == '0') n.text[0] = ' ';
    return n;
}

}  // namespace

void SignEngine::finishLine(int line, bool byFlag) {
    if (byFlag)
        lineState(line).finished = true;
    else
        nextItem();
}

void SignEngine::beginHold(int line, uint8_t holdPhase) {
    LineState& l = lineState(line);
    l.phase = holdPhase;
    l.holdTicks = l.holdTickCount();
    if (l.hold != 0)
        startEffect(line, EffectPhase::Hold, l.hold - 1, l.holdSpeed + 2, l.startRow, l.rowCount);
    else
        setLinePeriod(line, l.holdSpeed + 2);
}

void SignEngine::stepEntryEffect(int line) {
    stepEffect(line);
    showBand(line);
    if (effectState(line).done) beginHold(line, 1);
}

void SignEngine::stepExitEffect(int line, bool byFlag) {
    stepEffect(line);
    showAndFinishIf(line, byFlag, effectState(line).done);
}

void SignEngine::showAndFinishIf(int line, bool byFlag, bool done) {
    showBand(line);
    if (done) finishLine(line, byFlag);
}

// The end of a reveal: the picture as it now stands is what the exit will start from.
void SignEngine::showAndHoldAgainIf(int line, bool done) {
    showBand(line);
    if (!done) return;
    copyBand(*saved_, *working_, line);
    beginHold(line, 3);
}

void SignEngine::beginExit(int line) {
    LineState& l = lineState(line);
    copyBand(*working_, *saved_, line);  // undoes whatever a hold effect left in the band
    l.phase = 4;
    startEffect(line, EffectPhase::Exit, l.exit - 1, l.exitSpeed + 2, l.startRow, l.rowCount);
}

void SignEngine::endHold(int line, bool byFlag) {
    if (lineState(line).exit != 0)
        beginExit(line);
    else
        finishLine(line, byFlag);
}

// A held sentence wider than the sign is then revealed: it scrolls from x = 0 until its end is
// in view. Returns false when the text fits.
bool SignEngine::primeReveal(int line) {
    LineState& l = lineState(line);
    if (l.textWidth <= geometry_.pixels()) return false;
    copyBand(*working_, *saved_, line);
    l.phase = 2;
    setLinePeriod(line, l.holdSpeed + 2);
    setupTextPass(line, 1, true);
    if (textUsesBigFont(line))
        drawer_.renderEntryGlyph32(l.cells, 1, l.textX, l.textView(), l.attributes);
    else
        drawer_.renderEntryGlyph16(l.cells, 1, l.textX, l.textView(), l.attributes);
    return true;
}

void SignEngine::stepSentence(int line, bool byFlag) {
    LineState& l = lineState(line);
    if (byFlag && l.finished) return clearBandOfTarget(line);
    switch (l.phase) {
        case 0:
            // A passed-through sentence has no hold nor exit.
            if (l.entry == 1) return showAndFinishIf(line, byFlag, stepTextPass(0, line));
            stepEntryEffect(line);
            return;
        case 1:
        case 3:
            if (l.holdTicks != 0) {
                if (l.hold != 0) stepEffect(line);
                showBand(line);
                --l.holdTicks;
            } else if (l.phase == 3 || !primeReveal(line)) {
                endHold(line, byFlag);
            }
            return;
        case 2:
            return showAndHoldAgainIf(line, stepTextPass(1, line));
        default:
            stepExitEffect(line, byFlag);
    }
}

void SignEngine::stepBitmap(int line, bool byFlag) {
    LineState& l = lineState(line);
    if (byFlag && l.finished) return clearBandOfTarget(line);
    switch (l.phase) {
        case 0: {
            if (l.entry == 1) return showAndFinishIf(line, byFlag, stepBitmapPass(0, line));
            if (l.entry == 2) return showAndFinishIf(line, byFlag, stepScrollUp(line));
            stepEntryEffect(line);
            return;
        }
        case 1:
        case 3:
            if (l.holdTicks != 0) {
                if (l.hold != 0)
                    stepEffect(line);
                else if (l.phase == 1)
                    drawCanvasBitmap(line, l.startRow, l.rowCount, l.dataOffset, l.contentWidth,
                                     l.contentHeight);
                showBand(line);
                --l.holdTicks;
            } else if (l.phase == 1 && l.contentWidth > geometry_.pixels()) {
                copyBand(*working_, *saved_, line);
                l.phase = 2;
                setLinePeriod(line, l.holdSpeed + 2);
                startBitmapPass(1, line);
            } else {
                endHold(line, byFlag);
            }
            return;
        case 2:
            return showAndHoldAgainIf(line, stepBitmapPass(1, line));
        default:
            stepExitEffect(line, byFlag);
    }
}

void SignEngine::stepAnimation(int line, bool byFlag) {
    LineState& l = lineState(line);
    if (byFlag && l.finished) return clearBandOfTarget(line);
    if (++l.animationTicks < 3) return showBand(line);
    fetchAnimationFrame(line, l.startRow, l.rowCount, l.dataOffset, l.contentWidth, l.contentHeight,
                        l.frameIndex);
    showBand(line);
    l.animationTicks = 0;
    ++l.frameIndex;
    if (l.frameIndex >= std::max<uint16_t>(l.frameCount, 1)) finishLine(line, byFlag);
}

void SignEngine::stepClock(int line, bool byFlag) {
    LineState& l = lineState(line);
    if (byFlag && l.finished) return clearBandOfTarget(line);
    clearRows(*working_, l.startRow, l.rowCount);
    updateClock();
    if (++l.blink == 60) l.blink = 0;
    if (l.holdTicks == 0) return finishLine(line, byFlag);
    drawClock(line);
    showBand(line);
    --l.holdTicks;
}

void SignEngine::drawClock(int line) {
    const LineState& l = lineState(line);
    const ClockValues& c = clock_;
    const int p = geometry_.pixels();
    const std::string_view noon = c.afternoon ? kAfternoon : kMorning;
    auto draw = [&](std::string_view text, int x, int y, int colour) {
        drawer_.drawPlainText16(*working_, 1, text, x, y, colour, kNone);
    };
    if (l.heightModules == 1) {
        const int y = l.startRow;
        const bool colon = l.blink >= 30;
        if (geometry_.widthModules < 12) {  // a 5-module sign takes this layout too: it fits
            const int x0 = (p - 72) / 2;
            draw(noon, x0, y, kYellow);
            draw(spacePadded(c.hour).view(), x0 + 32, y, kRed);
            if (colon) draw(":", x0 + 48, y, kGreen);
            draw(zeroPadded(c.minute).view(), x0 + 56, y, kRed);
            return;
        }
        const int x0 = (p - 192) / 2;
        char year[8];
        std::snprintf(year, sizeof year, "%04d", c.year);
        draw(year, x0, y, kRed);
        draw(kYear, x0 + 32, y, kGreen);
        draw(spacePadded(c.month).view(), x0 + 48, y, kRed);
        draw(kMonth, x0 + 64, y, kGreen);
        draw(spacePadded(c.day).view(), x0 + 80, y, kRed);
        draw(kDay, x0 + 96, y, kGreen);
        draw(noon, x0 + 120, y, kYellow);
        draw(spacePadded(c.hour).view(), x0 + 152, y, kRed);
        if (colon) draw(":", x0 + 168, y, kGreen);
        draw(zeroPadded(c.minute).view(), x0 + 176, y, kRed);
        return;
    }
    const int y1 = l.startRow + (l.heightModules - 2) * 8, y2 = y1 + 16;
    if (geometry_.widthModules == 5) {
        draw(spacePadded(c.month).view(), 8, y1, kRed);
        draw(kMonth, 24, y1, kGreen);
        draw(spacePadded(c.day).view(), 40, y1, kRed);
        draw(kDay, 56, y1, kGreen);
        draw(spacePadded(c.hour).view(), 8, y2, kRed);
        draw(kHour, 24, y2, kGreen);
        draw(spacePadded(c.minute).view(), 40, y2, kRed);
        draw(kMinute, 56, y2, kGreen);
        return;
    }
    const int x0 = (p - 96) / 2;
    draw(zeroPadded(c.year % 100).view(), x0, y1, kRed);
    draw(kYear, x0 + 16, y1, kGreen);
    draw(spacePadded(c.month).view(), x0 + 32, y1, kRed);
    draw(kMonth, x0 + 48, y1, kGreen);
    draw(spacePadded(c.day).view(), x0 + 64, y1, kRed);
    draw(kDay, x0 + 80, y1, kGreen);
    draw(noon, x0, y2, kYellow);
    draw(spacePadded(c.hour).view(), x0 + 32, y2, kRed);
    draw(kHour, x0 + 48, y2, kGreen);
    draw(zeroPadded(c.minute).view(), x0 + 64, y2, kRed);
    draw(kMinute, x0 + 80, y2, kGreen);
}

void SignEngine::stepTemperature(int line, bool byFlag) {
    LineState& l = lineState(line);
    if (byFlag && l.finished) return clearBandOfTarget(line);
    clearRows(*working_, l.startRow, l.rowCount);
    if (l.holdTicks == 0) return finishLine(line, byFlag);
    const int y = l.startRow + (l.heightModules - 1) * 8;
    const int p = geometry_.pixels();
    const int x0 = 88 < p ? (p - 88) / 2 : 0;
    drawer_.drawPlainText16(*working_, 1, kTemperatureLabel, x0, y, kGreen, kNone);
    drawer_.drawPlainText16(*working_, 1, kReading, x0 + 40, y, kRed, kNone);
    drawer_.drawPlainText16(*working_, 1, kCelsius, x0 + 72, y, kYellow, kNone);
    showBand(line);
    --l.holdTicks;
}

int SignEngine::daysUntil(int line) const {
    const LineState& l = lineState(line);
    const int y = clock_.year, m = clock_.month, d = clock_.day;
    const int ty = l.ddayYear, tm = l.ddayMonth, td = l.ddayDay;
    if (y > ty) return -1;
    if (y == ty) {
        if (tm < m) return -1;
        if (tm == m) return td < d ? -1 : td - d;
        int n = daysInMonth(y, m) - d;
        for (int month = m + 1; month < tm && month <= 12; ++month) n += daysInMonth(y, month);
        return n + td;
    }
    int n = daysInMonth(y, m) - d;
    for (int year = y, month = m;;) {
        if (++month > 12) month = 1, ++year;
        if (year > 2099) return n;
        if (year == ty && month == tm) return n + td;
        n += daysInMonth(year, month);
    }
}

namespace {

// "D-" and the days without leading zeros and "일", or "D-" and the passed marks and "일".
void countText(int days, std::string_view passed, char* out, size_t room) {
    if (days < 0)
        std::snprintf(out, room, "D-%.*s%.*s", int(passed.size()), passed.data(), int(kDay.size()),
                      kDay.data());
    else
        std::snprintf(out, room, "D-%d%.*s", days, int(kDay.size()), kDay.data());
}

}  // namespace

void SignEngine::formatDdayInline(int line, int days) {
    LineState& l = lineState(line);
    char count[24];
    countText(days, "XX", count, sizeof count);
    // The count goes after the text as far as the 512-byte buffer allows, never past it.
    const size_t limit = l.text.size() - 1;
    size_t length = l.textLength();
    auto append = [&](std::string_view s) {
        const size_t take = std::min(s.size(), limit - length);
        std::memcpy(&l.text[length], s.data(), take);
        length += take;
    };
    if (length > 0) append(" ");
    append(count);
    l.text[length] = 0;
}

void SignEngine::formatDdayCount(int line, int days) {
    LineState& l = lineState(line);
    l.countText.fill(0);
    countText(days, "XXXX", l.countText.data(), l.countText.size());
}

void SignEngine::startDday(int line) {
    LineState& l = lineState(line);
    updateClock();
    const int days = daysUntil(line);
    const int h = l.heightModules;
    if (h == 1)
        formatDdayInline(line, days);
    else
        formatDdayCount(line, days);
    const int y = h >= 3 ? l.startRow + (h - 2) * 8 : l.startRow;
    const int p = geometry_.pixels();
    l.textWidth = static_cast<int>(l.textLength()) * 8;
    l.textY = y;
    if (l.textWidth > p) {
        setupTextPass(line, 1, false);
    } else {
        l.textX = (p - l.textWidth) / 2;
        l.holdTicks = 5000 / kTickDivisor;
        drawer_.drawText16(*working_, 1, l.textX, y, l.textView(), l.attributes);
    }
    if (h >= 2) {
        const std::string_view count(l.countText.data(), ::strnlen(l.countText.data(), l.countText.size()));
        const int x = (geometry_.bytesPerRow() - static_cast<int>(count.size())) * 8 / 2;
        drawer_.drawPlainText16(*working_, 1, count, x, y + 16, kRed, kNone);
    }
}

void SignEngine::stepDday(int line, bool byFlag) {
    LineState& l = lineState(line);
    if (byFlag && l.finished) return clearBandOfTarget(line);
    if (l.textWidth > geometry_.pixels()) {
        // Only the text's rows move; the count row stays.
        return showAndFinishIf(line, byFlag, stepTextPass(0, line));
    }
    if (l.holdTicks == 0) return finishLine(line, byFlag);
    showBand(line);
    --l.holdTicks;
}

}  // namespace orb
