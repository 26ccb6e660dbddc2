// Peak memory of "orbctl build" on projects made to be as hard on it as the decoders
// allow: the largest legal animation and bitmap, animations far past the sign's memory, a bitmap
// file past the size limit, and the largest legal program. Prints one row per case; the target is
// under 200 MB for every one.
//   build/bin/bench_build_memory
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include <cstdio>
#include <string>
#include <vector>

#include "image/ItemStore.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/PictureFixtures.h"
#include "testsupport/PictureItem.h"
#include "testsupport/TempDir.h"

namespace {

using namespace orb;

std::string project(const testing::TempDir& dir, const std::string& name,
                    const std::vector<ItemRecord>& items) {
    const std::string path = dir.file(name + ".dat");
    ItemStore store;
    ItemStore::open(path, FileMode::CreateOrOpen, store);
    for (size_t i = 0; i < items.size(); ++i) store.writeRecord(static_cast<int>(i), items[i]);
    return path;
}

std::string file(const testing::TempDir& dir, const std::string& name, const std::vector<uint8_t>& bytes,
                 off_t grownTo = 0) {
    const std::string path = dir.file(name);
    testing::writeFileBytes(path, bytes);
    if (grownTo && ::truncate(path.c_str(), grownTo) != 0) std::perror(name.c_str());
    return path;
}

// 800 x 16384, stored top-down: the largest bitmap the import check and the decoder accept.
std::vector<uint8_t> tallBitmap() {
    testing::BmpRecipe r;
    r.width = 800;
    r.height = 16384;
    r.topDown = true;
    r.colour = [](int x, int y) { return Rgb{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 0}; };
    return testing::makeBmp(r);
}

struct Case {
    const char* what;
    const char* name;  // of its project, NAME.dat
};

const Case kCases[] = {
    {"7 frames of 4096 x 4096 (largest legal animation)", "gif7"},
    {"20 frames of 4096 x 4096 (232 KB file)", "gif20"},
    {"200 frames of 4096 x 4096 (2.3 MB file)", "gif200"},
    {"2,000,000 one-pixel frames on 4096 x 4096", "dots"},
    {"bitmap 800 x 16384 (largest decodable)", "tall"},
    {"bitmap file of 256 MiB", "limit"},
    {"bitmap file of 300 MiB", "huge"},
    {"100 items x 3 animations: 93 % of the content area", "full"},
};

void writeCases(const testing::TempDir& dir) {
    auto one = [&](const char* name, ContentKind kind, const std::string& picture) {
        project(dir, name, {testing::pictureItem(kind, picture)});
    };
    one("gif7", ContentKind::Animation, file(dir, "7.gif", testing::repeatedFrames(4096, 4096, true, 7)));
    one("gif20", ContentKind::Animation, file(dir, "20.gif", testing::repeatedFrames(4096, 4096, true, 20)));
    one("gif200", ContentKind::Animation,
        file(dir, "200.gif", testing::repeatedFrames(4096, 4096, true, 200)));
    one("dots", ContentKind::Animation,
        file(dir, "dots.gif", testing::repeatedFrames(4096, 4096, false, 2'000'000)));
    const std::vector<uint8_t> tall = tallBitmap();
    one("tall", ContentKind::Bitmap, file(dir, "tall.bmp", tall));
    one("limit", ContentKind::Bitmap, file(dir, "limit.bmp", tall, 256 << 20));
    one("huge", ContentKind::Bitmap,
        file(dir, "huge.bmp", std::vector<uint8_t>(tall.begin(), tall.begin() + 54), 300 << 20));

    // 300 lines of 3 frames of 800 x 160: 188 sectors each, 56,400 of the 60,416 sectors.
    testing::GifFrameSpec frame;
    frame.width = 800;
    frame.height = 160;
    frame.indexes.assign(800 * 160, 1);
    const std::string wide = file(
        dir, "wide.gif",
        testing::makeGif(800, 160, {{0, 0, 0}, {255, 0, 0}}, std::vector<testing::GifFrameSpec>(3, frame)));
    ItemRecord three;
    three.header = ItemHeader::newItem(LayoutCode::ThreeLines, {1, 1, 1});
    for (int line = 1; line <= 3; ++line) {
        three.header.setKind(line, ContentKind::Animation);
        three.line(line).setPath(wide);
    }
    project(dir, "full", std::vector<ItemRecord>(100, three));
}

}  // namespace

int main() {
    testing::TempDir dir;
    // The files are made in a child, so that this process stays small: a program started from
    // it would otherwise count this process's memory as its own peak.
    const pid_t writer = ::fork();
    if (writer == 0) {
        writeCases(dir);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(writer, &status, 0);

    const std::string image = dir.file("preview.tmp");
    std::printf("%-52s %6s %9s %8s\n", "project", "exit", "peak MB", "seconds");
    double worst = 0;
    for (const Case& c : kCases) {
        ::unlink(image.c_str());
        const testing::Measured m =
            testing::runMeasured({ORBCTL_PATH, "build", dir.file(std::string(c.name) + ".dat"), "-o", image});
        std::printf("%-52s %6d %9.1f %8.2f\n", c.what, m.status, m.peakMb, m.seconds);
        worst = std::max(worst, m.peakMb);
    }
    std::printf("largest peak: %.1f MB (target: under 200 MB)\n", worst);
    return worst < 200 ? 0 : 1;
}
