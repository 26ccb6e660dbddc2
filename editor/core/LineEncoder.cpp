#include "editor/core/LineEncoder.h"

#include <cstdlib>
#include <iterator>

#include "content/BmpFile.h"
#include "content/FileBytes.h"
#include "content/GifAnimation.h"
#include "image/Cp949.h"
#include "image/ProgramImage.h"

namespace orb {

namespace {

using Encoder = EncodedLine (*)(const LinePayload&);

EncodedLine nothing(const LinePayload&) {
    return {};
}

std::string describe(const std::string& path, const char* why) {
    return cp949ToUtf8Lossy(path) + ": " + why;
}

EncodedLine bitmapPlanes(const LinePayload& p) {
    EncodedLine out;
    out.picture = true;
    ColourPlanes planes;
    BmpResult r = BmpPlanes(localPath(p.path()), planes);
    if (r != BmpResult::Ok) {
        out.problem = describe(p.path(), bitmapCheckMessage(r));
        return out;
    }
    out.bytes.assign(planes.bytes().begin(), planes.bytes().end());
    out.width = static_cast<uint16_t>(planes.width());
    out.height = static_cast<uint16_t>(planes.height());
    return out;
}

// Every frame drawn over the earlier ones, each frame's two planes right after the previous one's.
// The scan refuses more frames than the content area holds before any is decoded, and frames are
// encoded one at a time, so only one frame's pixels are ever held.
EncodedLine animationFrames(const LinePayload& p) {
    EncodedLine out;
    out.picture = true;
    GifAnimation gif;
    const bool loaded = gif.LoadFile(localPath(p.path()), kContentAreaBytes);
    if (loaded && gif.oversized()) {
        out.oversized = true;
        return out;
    }
    const uint64_t frameBytes =
        2 * planeBytes(static_cast<uint64_t>(gif.Width()), static_cast<uint64_t>(gif.Height()));
    if (loaded) out.bytes.reserve(frameBytes * gif.Frames().size());
    uint16_t drawn = 0;
    for (size_t k = 0; loaded && k < gif.Frames().size(); ++k) {
        if (!gif.DrawFrame(k)) continue;  // a frame giflib cannot decode is left out
        const ColourPlanes planes = FramePlanes(gif.canvas());
        out.bytes.insert(out.bytes.end(), planes.bytes().begin(), planes.bytes().end());
        ++drawn;
    }
    if (!loaded || (!gif.Frames().empty() && drawn == 0)) {
        out = EncodedLine{};
        out.picture = true;
        out.problem = describe(p.path(), "파일을 오픈할수 없습니다");
        out.animationFailed = true;
        return out;
    }
    out.width = static_cast<uint16_t>(gif.Width());
    out.height = static_cast<uint16_t>(gif.Height());
    out.frames = drawn;
    return out;
}

// Indexed by ContentKind.
constexpr Encoder kEncoders[] = {
    nothing,          // 0 none yet
    rawPayload,       // 1 sentence: the payload as stored
    bitmapPlanes,     // 2 bitmap
    animationFrames,  // 3 animation
    nothing,          // 4 clock: the sign draws it
    rawPayload,       // 5 D-day
    bitmapPlanes,     // 6 bitmap phrase: its rendered bitmap
    nothing,          // 7 temperature: the sign draws it
};

uint64_t bitmapSize(const LinePayload& p) {
    const BitmapCheck c = CheckBitmapFile(localPath(p.path()));
    if (c.result != BmpResult::Ok) return 0;  // BmpPlanes refuses it too
    return 2 * planeBytes(static_cast<uint64_t>(c.width), static_cast<uint64_t>(std::abs(c.height)));
}

// The block scan only: the frames it lists, at the screen's size.
uint64_t animationSize(const LinePayload& p) {
    GifAnimation gif;
    if (!gif.LoadFile(localPath(p.path()), kContentAreaBytes)) return 0;
    if (gif.oversized()) return kContentAreaBytes + 1;
    return gif.Frames().size() *
           (2 * planeBytes(static_cast<uint64_t>(gif.Width()), static_cast<uint64_t>(gif.Height())));
}

}  // namespace

uint64_t encodedSizeAtMost(ContentKind kind, const LinePayload& payload) {
    switch (kind) {
        case ContentKind::Sentence:
        case ContentKind::Dday:
            return payload.bytes.size();
        case ContentKind::Bitmap:
        case ContentKind::BitmapPhrase:
            return bitmapSize(payload);
        case ContentKind::Animation:
            return animationSize(payload);
        default:
            return 0;
    }
}

EncodedLine rawPayload(const LinePayload& payload) {
    EncodedLine out;
    out.bytes.assign(payload.bytes.begin(), payload.bytes.end());
    return out;
}

EncodedLine encodeLine(ContentKind kind, const LinePayload& payload) {
    const auto k = static_cast<size_t>(kind);
    return k < std::size(kEncoders) ? kEncoders[k](payload) : EncodedLine{};
}

}  // namespace orb
