// The content renderers, one start and one step per content kind.
#include "simulator/engine/ContentRenderers.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "simulator/engine/PassThrough.h"
#include "simulator/engine/Pictures.h"
#include "simulator/engine/TextPlacement.h"

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

namespace {

// --- The course shared by sentences and bitmaps --------------------------------------------------

void startEffectOn(SimState& s, int line, auto effect, int speed) {
    LinePlayer& l = s.line(line);
    if (const int period = startEffect(l.effect, s.effectTarget(line), effect, speed, l.startRow, l.rowCount))
        l.setPeriod(period);
}

void beginHold(SimState& s, int line, Course holdCourse) {
    LinePlayer& l = s.line(line);
    l.course = holdCourse;
    l.holdTicks = l.holdTickCount();
    if (l.hold != HoldEffect::None)
        startEffectOn(s, line, l.hold, l.holdSpeed + 2);
    else
        l.setPeriod(l.holdSpeed + 2);
}

// The content is drawn: it is saved for the exit and held.
void beginHoldAtStart(SimState& s, int line) {
    s.saveBand(line);
    beginHold(s, line, Course::Holding);
}

// The content is drawn: it is saved for the exit and moved in by a table entry effect.
void startEntryEffect(SimState& s, int line, EntryEffect effect) {
    LinePlayer& l = s.line(line);
    s.saveBand(line);
    l.holdTicks = l.holdTickCount();
    startEffectOn(s, line, effect, l.entrySpeed + 2);
}

void stepEntryEffect(SimState& s, int line) {
    LinePlayer& l = s.line(line);
    stepEffect(l.effect, s.effectTarget(line));
    s.showBand(line);
    if (l.effect.done) beginHold(s, line, Course::Holding);
}

bool stepExitEffect(SimState& s, int line) {
    LinePlayer& l = s.line(line);
    stepEffect(l.effect, s.effectTarget(line));
    s.showBand(line);
    return l.effect.done;
}

bool showAndFinishIf(SimState& s, int line, bool done) {
    s.showBand(line);
    return done;
}

// The end of a reveal: the picture as it now stands is what the exit will start from.
void showAndHoldAgainIf(SimState& s, int line, bool done) {
    s.showBand(line);
    if (!done) return;
    s.saveBand(line);
    beginHold(s, line, Course::HoldingAgain);
}

void beginExit(SimState& s, int line) {
    LinePlayer& l = s.line(line);
    s.restoreBand(line);  // undoes whatever a hold effect left in the band
    l.course = Course::Exiting;
    startEffectOn(s, line, l.exit, l.exitSpeed + 2);
}

// Returns true when the line has no exit and so finishes now.
bool endHold(SimState& s, int line) {
    if (s.line(line).exit == ExitEffect::None) return true;
    beginExit(s, line);
    return false;
}

// What a sentence and a bitmap do differently along the course.
struct CourseParts {
    bool (*stepPass)(SimState&, int line, PassMode);  // true once the pass has ended
    bool (*beginReveal)(SimState&, int line);         // false when the content fits the sign
    void (*redrawHeld)(SimState&, int line);          // each tick of the first hold without effect
};

bool stepCourse(SimState& s, int line, const CourseParts& parts) {
    LinePlayer& l = s.line(line);
    switch (l.course) {
        case Course::Entering:
            // A passed-through line has no hold nor exit.
            if (l.entry == EntryEffect::PassAcross)
                return showAndFinishIf(s, line, parts.stepPass(s, line, PassMode::Across));
            stepEntryEffect(s, line);
            return false;
        case Course::Holding:
        case Course::HoldingAgain:
            if (l.holdTicks != 0) {
                if (l.hold != HoldEffect::None)
                    stepEffect(l.effect, s.effectTarget(line));
                else if (l.course == Course::Holding && parts.redrawHeld)
                    parts.redrawHeld(s, line);
                s.showBand(line);
                --l.holdTicks;
                return false;
            }
            if (l.course == Course::HoldingAgain || !parts.beginReveal(s, line)) return endHold(s, line);
            return false;
        case Course::Revealing:
            showAndHoldAgainIf(s, line, parts.stepPass(s, line, PassMode::Reveal));
            return false;
        case Course::Exiting:
            return stepExitEffect(s, line);
    }
    return false;
}

// Content wider than the sign, once held, is revealed: it scrolls from x = 0 until its end is in view.
void beginReveal(SimState& s, int line) {
    LinePlayer& l = s.line(line);
    s.restoreBand(line);
    l.course = Course::Revealing;
    l.setPeriod(l.holdSpeed + 2);
}

// --- Sentences -------------------------------------------------------------------------------------

// Width, x and y of line n's text placed as a sentence, its rows from TOP.
void placeText(SimState& s, int line, int top) {
    LinePlayer& l = s.line(line);
    const TextPlacement place = placeSentence(l.textLength(), l.heightModules, s.geometry.pixels());
    l.textWidth = place.width;
    l.textX = place.x;
    l.textY = top + place.y;
}

void drawLineText(SimState& s, int line) {
    const LinePlayer& l = s.line(line);
    if (l.bigFont())
        s.drawer.drawText32(*s.working, 1, l.textX, l.textY, l.textView(), l.attributes);
    else
        s.drawer.drawText16(*s.working, 1, l.textX, l.textY, l.textView(), l.attributes);
}

void startSentence(SimState& s, int line) {
    LinePlayer& l = s.line(line);
    placeText(s, line, l.startRow);
    if (l.entry == EntryEffect::PassAcross) {
        l.setPeriod(l.entrySpeed + 2);
        setupTextPass(s, line, PassMode::Across);
        return;
    }
    drawLineText(s, line);
    if (l.entry == EntryEffect::None) return beginHoldAtStart(s, line);
    startEntryEffect(s, line, l.entry);
}

bool beginSentenceReveal(SimState& s, int line) {
    LinePlayer& l = s.line(line);
    if (l.textWidth <= s.geometry.pixels()) return false;
    beginReveal(s, line);
    setupTextPass(s, line, PassMode::Reveal);
    if (textUsesBigFont(l))
        s.drawer.renderEntryGlyph32(l.cells, 1, l.textX, l.textView(), l.attributes);
    else
        s.drawer.renderEntryGlyph16(l.cells, 1, l.textX, l.textView(), l.attributes);
    return true;
}

constexpr CourseParts kSentenceCourse{stepTextPass, beginSentenceReveal, nullptr};

bool stepSentence(SimState& s, int line) {
    return stepCourse(s, line, kSentenceCourse);
}

// --- Bitmaps and bitmap phrases --------------------------------------------------------------------

void startBitmap(SimState& s, int line) {
    LinePlayer& l = s.line(line);
    if (l.entry == EntryEffect::PassAcross) {
        l.setPeriod(l.entrySpeed + 2);
        loadBitmapToCanvas(s, line);
        startBitmapPass(s, line, PassMode::Across);
        return;
    }
    if (l.entry == EntryEffect::ScrollUp) {
        l.setPeriod(l.entrySpeed + 2);
        startScrollUp(l);
        return;
    }
    loadBitmapToCanvas(s, line);
    drawCanvasBitmap(s, line);
    if (l.entry == EntryEffect::None) return beginHoldAtStart(s, line);
    startEntryEffect(s, line, l.entry);
}

bool beginBitmapReveal(SimState& s, int line) {
    if (s.line(line).contentWidth <= s.geometry.pixels()) return false;
    beginReveal(s, line);
    startBitmapPass(s, line, PassMode::Reveal);
    return true;
}

// A bitmap held without effect is drawn anew from its canvas on each tick of its first hold.
constexpr CourseParts kBitmapCourse{stepBitmapPass, beginBitmapReveal, drawCanvasBitmap};

bool stepBitmap(SimState& s, int line) {
    const LinePlayer& l = s.line(line);
    if (l.course == Course::Entering && l.entry == EntryEffect::ScrollUp)
        return showAndFinishIf(s, line, stepScrollUp(s, line));
    return stepCourse(s, line, kBitmapCourse);
}

// --- Animations ------------------------------------------------------------------------------------

void startAnimation(SimState& s, int line) {
    LinePlayer& l = s.line(line);
    l.setPeriod(l.animationSpeed + 2);
    l.animationTicks = 0;
    l.frameIndex = 0;
}

bool stepAnimation(SimState& s, int line) {
    LinePlayer& l = s.line(line);
    if (++l.animationTicks < 3) return showAndFinishIf(s, line, false);
    fetchAnimationFrame(s, line);
    s.showBand(line);
    l.animationTicks = 0;
    ++l.frameIndex;
    return l.frameIndex >= std::max<uint16_t>(l.frameCount, 1);
}

// --- Clocks ----------------------------------------------------------------------------------------

void drawClock(SimState& s, int line) {
    const LinePlayer& l = s.line(line);
    const ClockValues& c = s.clock;
    const int p = s.geometry.pixels();
    const std::string_view noon = c.afternoon ? kAfternoon : kMorning;
    auto draw = [&](std::string_view text, int x, int y, int colour) {
        s.drawer.drawPlainText16(*s.working, 1, text, x, y, colour, kNone);
    };
    if (l.heightModules == 1) {
        const int y = l.startRow;
        const bool colon = l.blink >= 30;
        if (s.geometry.widthModules < 12) {  // a 5-module sign takes this layout too: it fits
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
    if (s.geometry.widthModules == 5) {
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

void startClock(SimState& s, int line) {
    LinePlayer& l = s.line(line);
    l.setPeriod(l.entrySpeed + 2);
    l.blink = 0;
    l.holdTicks = l.holdTickCount();
}

bool stepClock(SimState& s, int line) {
    LinePlayer& l = s.line(line);
    clearRows(*s.working, l.startRow, l.rowCount);
    s.updateClock();
    if (++l.blink == 60) l.blink = 0;
    if (l.holdTicks == 0) return true;
    drawClock(s, line);
    s.showBand(line);
    --l.holdTicks;
    return false;
}

// --- Temperatures ----------------------------------------------------------------------------------

void startTemperature(SimState& s, int line) {
    LinePlayer& l = s.line(line);
    l.setPeriod(l.entrySpeed + 2);
    l.holdTicks = l.holdTickCount();
}

bool stepTemperature(SimState& s, int line) {
    LinePlayer& l = s.line(line);
    clearRows(*s.working, l.startRow, l.rowCount);
    if (l.holdTicks == 0) return true;
    const int y = l.startRow + (l.heightModules - 1) * 8;
    const int p = s.geometry.pixels();
    const int x0 = 88 < p ? (p - 88) / 2 : 0;
    s.drawer.drawPlainText16(*s.working, 1, kTemperatureLabel, x0, y, kGreen, kNone);
    s.drawer.drawPlainText16(*s.working, 1, kReading, x0 + 40, y, kRed, kNone);
    s.drawer.drawPlainText16(*s.working, 1, kCelsius, x0 + 72, y, kYellow, kNone);
    s.showBand(line);
    --l.holdTicks;
    return false;
}

// --- D-days ----------------------------------------------------------------------------------------

// On a 1-module line the count goes after the text, as far as the 512-byte buffer allows, never
// past it; on taller lines it has a row of its own.
void startDday(SimState& s, int line) {
    static_assert(sizeof(DdayCount::text) <= sizeof(LinePlayer::countText));
    LinePlayer& l = s.line(line);
    l.setPeriod(l.entrySpeed + 2);
    s.updateClock();
    const int h = l.heightModules;
    const DdayCount count = ddayCount(daysUntil(s.clock, l.dday), h);
    l.countText.fill(0);
    if (h == 1)
        appendDdayCount(l.text, l.textLength(), count.view());
    else
        std::memcpy(l.countText.data(), count.text, sizeof count.text);
    const int p = s.geometry.pixels();
    const TextPlacement place = placeDdayText(l.textLength(), h, p);
    l.textWidth = place.width;
    l.textY = l.startRow + place.y;
    if (place.overflows(p)) {
        setupTextPass(s, line, PassMode::Across);
    } else {
        l.textX = place.x;
        l.holdTicks = 5000 / kTickDivisor;
        s.drawer.drawText16(*s.working, 1, l.textX, l.textY, l.textView(), l.attributes);
    }
    if (h >= 2) {
        const TextPlacement at = placeDdayCount(l.countView().size(), h, p);
        s.drawer.drawPlainText16(*s.working, 1, l.countView(), at.x, l.startRow + at.y, kRed, kNone);
    }
}

bool stepDday(SimState& s, int line) {
    LinePlayer& l = s.line(line);
    // Only the text's rows move; the count row stays.
    if (l.textWidth > s.geometry.pixels())
        return showAndFinishIf(s, line, stepTextPass(s, line, PassMode::Across));
    if (l.holdTicks == 0) return true;
    s.showBand(line);
    --l.holdTicks;
    return false;
}

// --- The table -------------------------------------------------------------------------------------

struct Renderer {
    ContentKind kind;
    void (*start)(SimState&, int line);
    bool (*step)(SimState&, int line);
};

constexpr Renderer kRenderers[] = {
    {ContentKind::Sentence, startSentence, stepSentence},
    {ContentKind::Bitmap, startBitmap, stepBitmap},
    {ContentKind::Animation, startAnimation, stepAnimation},
    {ContentKind::Clock, startClock, stepClock},
    {ContentKind::Dday, startDday, stepDday},
    {ContentKind::BitmapPhrase, startBitmap, stepBitmap},
    {ContentKind::Temperature, startTemperature, stepTemperature},
};

constexpr bool inKindOrder() {
    for (size_t i = 0; i < std::size(kRenderers); ++i)
        if (static_cast<size_t>(kRenderers[i].kind) != i + 1) return false;
    return true;
}
static_assert(inKindOrder(), "kRenderers is indexed by the kind - 1");

const Renderer* rendererOf(ContentKind kind) {
    const size_t i = static_cast<size_t>(kind);
    return i >= 1 && i <= std::size(kRenderers) ? &kRenderers[i - 1] : nullptr;
}

}  // namespace

bool hasRenderer(ContentKind kind) {
    return rendererOf(kind) != nullptr;
}

void startContent(SimState& s, int line) {
    if (const Renderer* r = rendererOf(s.line(line).kind)) r->start(s, line);
}

bool stepContent(SimState& s, int line, bool byFlag) {
    const Renderer* r = rendererOf(s.line(line).kind);
    if (!r) return false;
    if (byFlag && s.line(line).finished) {
        s.clearBandOfTarget(line);
        return false;
    }
    return r->step(s, line);
}

void startTitleAndSentence(SimState& s) {
    LinePlayer& title = s.line(1);
    placeText(s, 1, 0);
    title.setPeriod(3);
    drawLineText(s, 1);

    LinePlayer& l = s.line(2);
    placeText(s, 2, l.startRow);
    if (l.entry == EntryEffect::PassAcross) {
        l.setPeriod(l.entrySpeed + 2);
        setupTextPass(s, 2, PassMode::Across);
        return;
    }
    drawLineText(s, 2);
    if (l.entry == EntryEffect::FromRight) return startEntryEffect(s, 2, EntryEffect::FromRight);
    // None, and the codes this layout does not define: the sentence is held.
    beginHoldAtStart(s, 2);
}

bool stepTitleAndSentence(SimState& s, int line) {
    if (line == 1) {
        s.showBand(1);  // keeps the title on screen
        return false;
    }
    return stepSentence(s, 2);
}

int daysUntil(const ClockValues& today, const DdayDate& target) {
    const int y = today.year, m = today.month, d = today.day;
    const int ty = target.year, tm = target.month, td = target.day;
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

}  // namespace orb
