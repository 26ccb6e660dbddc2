#pragma once
// The simulator's engine: plays a display program image as the sign does. It owns all of its
// state (allocated when it is built, nothing while it runs) and is driven from outside: each
// pass(nowMs, localTime) is one turn of the sign's loop (step the lines that are due, compose the
// frame, renew the deadlines). The caller gives the time, so tests and the headless mode run on
// virtual time and the window on the real clock.
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "simulator/engine/BitPlane.h"
#include "simulator/engine/ImageSource.h"
#include "simulator/engine/SignClock.h"
#include "simulator/engine/TextDrawer.h"

namespace orb {

// Content kinds as the sign dispatches them: the stored kind - 1 (255: no content).
enum SimKind : uint8_t {
    kSentence = 0,
    kBitmap = 1,
    kAnimation = 2,
    kClock = 3,
    kDday = 4,
    kBitmapPhrase = 5,
    kTemperature = 6,
    kNoContent = 255,
};

enum class EffectPhase : uint8_t { Entry = 0, Hold = 1, Exit = 2 };

// One line's effect: the picture it moves (captured when the effect starts) and the frame it builds.
struct EffectState {
    EffectPhase phase = EffectPhase::Entry;
    uint8_t code = 0xFF;
    uint8_t speed = 2;  // 2..6
    bool done = false;  // an entry or exit has finished
    int rows = 0;       // R, the line's row count
    int startRow = 0;
    int16_t rowCursor = 0;     // rows moved so far
    int16_t columnCursor = 0;  // column reached by a one-sided horizontal effect
    int16_t leftCursor = 0, rightCursor = 0;
    int32_t rate = 0;   // 16.16: change per tick of the angle or the size
    int32_t angle = 0;  // 16.16 degrees, or the zoom size in pixels
    int32_t centreX = 0, centreY = 0;
    uint8_t shakeStep = 0, shakeTicks = 0;
    bool growing = false;  // zoom direction
    PlanePair captured;    // the picture the effect moves, row 0 = the line's first row
    PlanePair frame;       // the picture being built
};

// A line of the current item.
struct LineState {
    // Timing (the loop).
    uint8_t period = 20;  // ms, 10..50
    bool stepDone = false;
    uint8_t shownSet = 0;  // 0: line-buffer set A, 1: set B
    uint8_t drawSet = 0;
    uint64_t deadline = 0;

    // The item's values for this line.
    uint8_t heightModules = 0;
    uint8_t kind = kNoContent;
    uint8_t entry = 0, hold = 0, exit = 0;
    uint8_t holdSeconds = 1;
    uint8_t entrySpeed = 0, holdSpeed = 0, exitSpeed = 0;
    uint16_t contentWidth = 0, contentHeight = 0, frameCount = 0;
    uint8_t animationSpeed = 0;
    uint64_t dataOffset = 0;
    uint16_t ddayYear = 0;
    uint8_t ddayMonth = 0, ddayDay = 0;

    // Band and course.
    int startRow = 0;
    int rowCount = 0;
    uint16_t holdTicks = 0;
    uint8_t phase = 0;  // 0 entering, 1 holding, 2 revealing, 3 holding after the reveal, 4 exiting
    bool finished = false;
    uint8_t animationTicks = 0;
    uint16_t frameIndex = 0;
    uint8_t blink = 0;

    // Text lines: at most 511 bytes and a zero; a D-day line's count text apart.
    std::array<char, 512> text{};
    std::array<uint16_t, 512> attributes{};
    int textWidth = 0, textX = 0, textY = 0;
    std::array<char, 32> countText{};

    // Pass-through and scroll-up.
    int passCursor = 0;
    int passWidth = 0;
    uint16_t scrollRow = 0;
    EntryCells cells;

    std::string_view textView() const;
    // A hold of holdSeconds in line ticks (the sign's tick divisor is 16).
    uint16_t holdTickCount() const { return static_cast<uint16_t>(holdSeconds * 1000 / 16); }
    size_t textLength() const { return textView().size(); }
};

struct SignGeometry {
    int widthModules = 6;   // 5..38
    int heightModules = 1;  // 1..10
    int bytesPerRow() const { return widthModules * 2; }
    int ledRows() const { return heightModules * 16; }
    int pixels() const { return bytesPerRow() * 8; }
    bool operator==(const SignGeometry&) const = default;
};

class SignEngine {
  public:
    // The image and the fonts must outlive the engine; the fonts must be loaded.
    SignEngine(const ImageSource& image, const SignFonts& fonts);
    ~SignEngine();

    // Starts playing: resets the buffers and lines, reads the item count and the geometry, and
    // starts the program, with deadlines counted from nowMs.
    void start(uint64_t nowMs, const LocalDateTime& now);
    // One turn of the loop.
    void pass(uint64_t nowMs, const LocalDateTime& now);
    // The earliest time at which a line falls due.
    uint64_t nextDeadline() const;

    // The frame the painter shows.
    const PlanePair& frontFrame() const;
    const SignGeometry& geometry() const { return geometry_; }

    // --- Below: the sign's own operations, public for the tests. ---
    void readSignGeometry();
    void startProgram();
    bool hasPlayableItem();
    void readItemHeader(uint16_t index);
    // Starts the current item; an item without content sets skipped and its caller moves on.
    void loadItem();
    void nextItem();
    void stepLines();
    void showIdle();
    void showIdlePicture();
    void composeFrame();
    void setLinePeriod(int line, int speedCode);
    void beginLineStep(int line);
    void endLineStep(int line);
    void loadBitmapToCanvas(int line, uint64_t dataOffset, int width, int height);
    void drawCanvasBitmap(int line, int startRow, int rowCount, uint64_t dataOffset, int width, int height);
    void fetchAnimationFrame(int line, int startRow, int rowCount, uint64_t dataOffset, int width, int height,
                             int frame);
    void setupTextPass(int line, int scale, bool fromText);

    // Effects (the table effects come with the effect engine).
    void startEffect(int line, EffectPhase phase, int code, int speed, int startRow, int rows);
    void stepEffect(int line);
    void startBitmapPass(int mode, int line);
    bool stepBitmapPass(int mode, int line);
    void startScrollUp(int line);
    bool stepScrollUp(int line);
    bool stepTextPass(int mode, int line);

    // Content step handlers; byFlag: layouts 2 and 3 finish a line by its flag.
    void stepSentence(int line, bool byFlag);
    void stepBitmap(int line, bool byFlag);
    void stepAnimation(int line, bool byFlag);
    void stepClock(int line, bool byFlag);
    void stepTemperature(int line, bool byFlag);
    void stepDday(int line, bool byFlag);
    void startDday(int line);
    int daysUntil(int line) const;
    void formatDdayInline(int line, int days);
    void formatDdayCount(int line, int days);

    LineState& lineState(int line) { return *lines_[static_cast<size_t>(line - 1)]; }
    EffectState& effectState(int line) { return *effects_[static_cast<size_t>(line - 1)]; }
    PlanePair& workingPair() { return *working_; }
    PlanePair& savedPair() { return *saved_; }
    uint8_t playMode() const { return playMode_; }
    uint16_t currentItem() const { return currentItem_; }
    uint8_t layout() const { return layout_; }
    uint16_t itemCount() const { return itemCount_; }
    const ClockValues& clock() const { return clock_; }

  private:
    struct Canvas {
        static constexpr int kRows = 160;
        static constexpr int kBytesPerRow = 512;
        std::array<uint8_t, size_t{kRows} * kBytesPerRow> red{}, green{};
    };

    size_t readImage(uint64_t offset, std::span<uint8_t> out) const { return image_.read(offset, out); }
    PlanePair& lineSet(int set) { return set == 0 ? *setA_ : *setB_; }
    PlanePair& drawTarget(int line) { return lineSet(lineState(line).drawSet); }
    void updateClock() { clock_ = readClock(now_); }
    void startLine(int line);
    void startSentenceLine(int line);
    void startBitmapLine(int line);
    void startTitleAndSentence();
    void beginHoldAtStart(int line);
    void startEntryEffect(int line, int code);
    void stepEntryEffect(int line);
    void stepExitEffect(int line, bool byFlag);
    void showAndFinishIf(int line, bool byFlag, bool done);
    void showAndHoldAgainIf(int line, bool done);
    void placeText(int line, int heightModules, int y);
    void drawLineText(int line);
    void copyBand(PlanePair& to, const PlanePair& from, int line);
    void showBand(int line);
    void clearBandOfTarget(int line);
    void finishLine(int line, bool byFlag);
    // Content handlers' shared course.
    void beginHold(int line, uint8_t holdPhase);
    void beginExit(int line);
    void endHold(int line, bool byFlag);
    bool primeReveal(int line);
    void drawClock(int line);
    void orCanvasRow(PlanePair& target, int row, const uint8_t* red, const uint8_t* green, int bytes,
                     int xOffset);
    bool textUsesBigFont(int line) const;
    bool bigFont(int line) const { return lineState(line).heightModules != 1; }
    const LineState& lineState(int line) const { return *lines_[static_cast<size_t>(line - 1)]; }

    const ImageSource& image_;
    TextDrawer drawer_;
    SignGeometry geometry_;
    LocalDateTime now_;
    ClockValues clock_;

    uint16_t itemCount_ = 0;
    uint16_t currentItem_ = 0;
    uint8_t playMode_ = 0;
    uint8_t layout_ = 1;
    uint8_t front_ = 0;
    bool skipped_ = false;  // the last item start found no content

    std::unique_ptr<PlanePair> working_, setA_, setB_, saved_;
    std::array<std::unique_ptr<PlanePair>, 2> composed_;
    std::array<std::unique_ptr<LineState>, 3> lines_;
    std::array<std::unique_ptr<EffectState>, 3> effects_;
    std::array<std::unique_ptr<Canvas>, 3> canvases_;
    std::array<uint8_t, 512> sector_{};
};

// The sign's tick divisor: a hold of s seconds lasts s * 1000 / 16 line ticks.
inline constexpr int kTickDivisor = 1000 / 60;

}  // namespace orb
