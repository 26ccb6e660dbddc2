#include "editor/core/LineEncoder.h"

#include <iterator>

#include "content/BmpFile.h"
#include "content/FileBytes.h"
#include "content/GifAnimation.h"
#include "image/Cp949.h"
#include "image/ProgramImage.h"

namespace orb {

namespace {

using Encoder = EncodedLine (*)(const LinePayload&);

constexpr uint64_t kContentAreaBytes =
    (ProgramImage::kSectors - ProgramImage::kFirstContentSector) * ProgramImage::kSectorSize;

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
EncodedLine animationFrames(const LinePayload& p) {
    EncodedLine out;
    out.picture = true;
    GifAnimation gif;
    if (!gif.LoadFile(localPath(p.path()))) {
        out.problem = describe(p.path(), "파일을 오픈할수 없습니다");
        out.animationFailed = true;
        return out;
    }
    const uint64_t frameBytes =
        2 * planeBytes(static_cast<uint64_t>(gif.Width()), static_cast<uint64_t>(gif.Height()));
    if (gif.Frames().size() > UINT16_MAX || frameBytes * gif.Frames().size() > kContentAreaBytes) {
        out.oversized = true;
        return out;
    }
    out.width = static_cast<uint16_t>(gif.Width());
    out.height = static_cast<uint16_t>(gif.Height());
    out.frames = static_cast<uint16_t>(gif.Frames().size());
    out.bytes.reserve(frameBytes * gif.Frames().size());
    for (size_t k = 0; k < gif.Frames().size(); ++k) {
        const ColourPlanes planes = FramePlanes(gif.RenderFrame(k));
        out.bytes.insert(out.bytes.end(), planes.bytes().begin(), planes.bytes().end());
    }
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

}  // namespace

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
