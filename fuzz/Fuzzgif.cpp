// The GIF cutter, giflib decoding, frame drawing and the animation line's encoder. Half the
// inputs are GIF files as they come; the other half describe an animation of many frames (screen,
// colours, each frame's place, size, colours, delay, transparency, comments), which is assembled
// with giflib's encoder and then damaged at a few places. Now and then the screen is huge and
// the frames are many copies of one, as in a small file that would take gigabytes. A run may
// hold at most 128 MiB at once.
#include <fuzzer/FuzzedDataProvider.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "content/GifAnimation.h"
#include "editor/core/LineEncoder.h"
#include "fuzz/MemoryBudget.h"
#include "testsupport/PictureFixtures.h"

namespace {

using orb::testing::GifFrameSpec;

std::vector<orb::Rgb> colours(FuzzedDataProvider& in, size_t count) {
    std::vector<orb::Rgb> out(count);
    for (orb::Rgb& c : out)
        c = {in.ConsumeIntegral<uint8_t>(), in.ConsumeIntegral<uint8_t>(), in.ConsumeIntegral<uint8_t>()};
    return out;
}

GifFrameSpec frameOf(FuzzedDataProvider& in, int width, int height, size_t globalColours) {
    GifFrameSpec f;
    f.width = in.ConsumeIntegralInRange<int>(1, width);
    f.height = in.ConsumeIntegralInRange<int>(1, height);
    f.left = in.ConsumeIntegralInRange<int>(0, width - f.width);
    f.top = in.ConsumeIntegralInRange<int>(0, height - f.height);
    if (in.ConsumeBool()) f.localColours = colours(in, in.ConsumeIntegralInRange<size_t>(2, 16));
    const size_t used = f.localColours.empty() ? globalColours : f.localColours.size();
    if (in.ConsumeBool()) f.delay = in.ConsumeIntegralInRange<int>(0, 500);
    f.transparent = in.ConsumeIntegralInRange<int>(-1, static_cast<int>(used));
    f.commentAfterControl = in.ConsumeBool();
    // A pattern of stripes and diagonals, so that frames differ without a byte per pixel.
    const int a = in.ConsumeIntegral<uint8_t>(), b = in.ConsumeIntegral<uint8_t>(),
              c = in.ConsumeIntegral<uint8_t>();
    f.indexes.resize(static_cast<size_t>(f.width) * static_cast<size_t>(f.height));
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x)
            f.indexes[static_cast<size_t>(y * f.width + x)] =
                static_cast<uint8_t>(static_cast<size_t>(x * a + y * b + c) % (used + 1));
    return f;
}

std::vector<uint8_t> assembled(FuzzedDataProvider& in) {
    if (in.ConsumeIntegralInRange<uint16_t>(0, 511) == 0) {
        // A huge screen and copies of one frame: a few, drawn whole, or far more than the budget
        // allows, refused by the scan. Rare and bounded, as every frame drawn costs the screen.
        const bool whole = in.ConsumeBool();
        const int side = in.ConsumeIntegralInRange<int>(1024, whole ? 2048 : 4096);
        const size_t copies = in.ConsumeBool() ? in.ConsumeIntegralInRange<size_t>(1, 3)
                                               : in.ConsumeIntegralInRange<size_t>(1000, 5000);
        return orb::testing::repeatedFrames(side, side, whole, copies);
    }
    const int width = in.ConsumeIntegralInRange<int>(1, 64), height = in.ConsumeIntegralInRange<int>(1, 32);
    const std::vector<orb::Rgb> global = colours(in, in.ConsumeIntegralInRange<size_t>(2, 16));
    std::vector<GifFrameSpec> frames(in.ConsumeIntegralInRange<size_t>(1, 80));
    for (GifFrameSpec& f : frames) f = frameOf(in, width, height, global.size());
    std::vector<uint8_t> gif = orb::testing::makeGif(width, height, global, frames);
    // Damage: a few bytes changed, and perhaps the end cut off.
    for (int patches = in.ConsumeIntegralInRange<int>(0, 4); patches > 0 && !gif.empty(); --patches)
        gif[in.ConsumeIntegralInRange<size_t>(0, gif.size() - 1)] = in.ConsumeIntegral<uint8_t>();
    if (in.ConsumeIntegralInRange<uint8_t>(0, 7) == 0)
        gif.resize(in.ConsumeIntegralInRange<size_t>(0, gif.size()));
    return gif;
}

// The bytes as the file of an animation line: a memory file, named through /proc.
void encodeAsLine(std::span<const uint8_t> gif) {
    static const int fd = ::memfd_create("fuzz.gif", MFD_CLOEXEC);
    if (fd < 0 || ::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, gif.data(), gif.size(), 0) != static_cast<ssize_t>(gif.size()))
        return;
    orb::LinePayload line;
    line.setPath("/proc/self/fd/" + std::to_string(fd));
    orb::encodeLine(orb::ContentKind::Animation, line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const orb::fuzz::MemoryBudget budget(128u << 20);
    FuzzedDataProvider in(data, size);
    const bool raw = in.ConsumeBool();
    const std::vector<uint8_t> file = raw ? in.ConsumeRemainingBytes<uint8_t>() : assembled(in);

    // The cutter on its own; the scan, the decoding and the drawing as the animation line runs them.
    orb::GifAnimation().cutFrames(file);
    encodeAsLine(file);
    return 0;
}
