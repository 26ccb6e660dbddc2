#pragma once
// A GIF animation cut into frames. The whole file is held in memory; its block structure is
// walked, and each frame, when it is drawn, is cut out as a small stand-alone GIF (the file's
// signature, screen descriptor and global colour table, the frame's blocks, a trailer) and
// decoded with giflib.
// Frames are drawn over one another on a canvas of the logical screen size; disposal is not
// applied.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "content/RgbImage.h"

namespace orb {

class GifAnimation {
  public:
    // What the block scanner learns of a frame; its pixels are decoded only when it is drawn.
    struct Frame {
        int left = 0, top = 0, width = 0, height = 0;  // from the image descriptor
        int delay = -1;                                // hundredths of a second; -1 without a control block
        int disposal = 0;                              // kept, not applied
        int transparent = -1;                          // from the control block; -1 for none
    };

    // The canvas starts light grey, which FramePlanes treats as dark.
    static constexpr Rgb kCanvasGrey{0xD4, 0xD0, 0xC8};
    // The largest logical screen accepted, so that a hostile header cannot ask for gigabytes.
    static constexpr int kMaxScreenPixels = 4096 * 4096;
    // More frames than a header can count are never listed.
    static constexpr size_t kMaxFrames = 65535;
    static constexpr uint64_t kNoBudget = UINT64_MAX;
    // LoadFile refuses larger files.
    static constexpr uint64_t kMaxFileBytes = 64u << 20;

    // planeBudget bounds the frames times the two colour planes of the screen's size: the scan
    // stops as soon as the frames found need more (oversized() then tells), before anything is
    // decoded.
    bool LoadFile(const std::string& path, uint64_t planeBudget = kNoBudget);
    // Succeeds when at least one frame was found. A file of exactly one frame loads with an empty
    // frame list (that frame is kept as the single picture); so does nothing else. The bytes are
    // copied.
    bool Load(std::span<const uint8_t> file, uint64_t planeBudget = kNoBudget);
    void Reset();

    const std::vector<Frame>& Frames() const { return frames_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool isGif() const { return isGif_; }
    // More frames than the budget allows, or than kMaxFrames.
    bool oversized() const { return oversized_; }
    // The one frame of a single-frame file, for a preview; empty otherwise.
    const std::vector<Frame>& singlePicture() const { return single_; }

    // Decodes frame index and draws it over the canvas; false, canvas unchanged, when it does not
    // decode. Only that frame's pixels are held, and only while it is drawn.
    bool DrawFrame(size_t index);
    const RgbImage& canvas() const { return canvas_; }
    // DrawFrame, then the canvas.
    const RgbImage& RenderFrame(size_t index);
    // Back to the light grey canvas, to render the sequence again from its first frame.
    void clearCanvas();

    // The stand-alone GIFs of the frames found by the block scanner, in file order; exposed for
    // tests and fuzzing.
    std::vector<std::vector<uint8_t>> cutFrames(std::span<const uint8_t> file);

  private:
    struct Span {
        size_t begin = 0, end = 0;  // the frame's blocks, control extension included
        size_t control = SIZE_MAX;  // its graphic control extension, if any
        size_t descriptor = 0;      // its image descriptor (or plain text extension)
    };
    bool nextFrame(std::span<const uint8_t> file, size_t& pos, Span& out) const;
    std::vector<uint8_t> standalone(std::span<const uint8_t> file, const Span& s) const;
    bool readScreen(std::span<const uint8_t> file);
    bool scan(uint64_t planeBudget);

    bool isGif_ = false;
    bool oversized_ = false;
    int width_ = 0, height_ = 0;
    size_t headerBytes_ = 0;  // signature, screen descriptor and global colour table
    std::vector<uint8_t> file_;
    std::vector<Span> spans_;  // one per listed frame
    std::vector<Frame> frames_;
    std::vector<Frame> single_;
    RgbImage canvas_;
};

}  // namespace orb
