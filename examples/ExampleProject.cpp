// Writes the example project into a folder: demo.dat, a small sign program using every kind of
// line, and media/logo.bmp and media/spinner.gif, the pictures it points to.
#include <gif_lib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "content/BmpFile.h"
#include "image/ItemStore.h"
#include "testsupport/ItemBuilder.h"

namespace fs = std::filesystem;
using namespace orb;

namespace {

constexpr Rgb kDark{0, 0, 0}, kRed{255, 0, 0}, kGreen{0, 255, 0}, kYellow{255, 255, 0};

// A 160 x 16 banner: a red frame, green diagonal stripes, a yellow bar in the middle.
Rgb logoPixel(int x, int y) {
    if (y == 0 || y == 15 || x == 0 || x == 159) return kRed;
    if (x >= 64 && x < 96 && y >= 5 && y < 11) return kYellow;
    return (x + y) % 8 < 2 ? kGreen : kDark;
}

bool writeLogoBmp(const fs::path& path) {
    RgbImage logo(160, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 160; ++x) logo.at(x, y) = logoPixel(x, y);
    const std::vector<uint8_t> file = encodeBmp24(logo);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}

// Eight 32 x 32 frames of a bar turning around the centre.
bool writeSpinnerGif(const fs::path& path, int frames) {
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (!gif) return false;
    GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    bool ok = EGifPutScreenDesc(gif, 32, 32, 2, 0, map) == GIF_OK;
    static const int dx[8] = {2, 2, 0, -2, -2, -2, 0, 2}, dy[8] = {0, 2, 2, 2, 0, -2, -2, -2};
    for (int f = 0; ok && f < frames; ++f) {
        ok = EGifPutImageDesc(gif, 0, 0, 32, 32, false, nullptr) == GIF_OK;
        for (int y = 0; ok && y < 32; ++y) {
            GifPixelType line[32];
            for (int x = 0; x < 32; ++x) {
                bool onBar = false;
                for (int t = -7; t <= 7; ++t)
                    onBar |= (x - 16) * 2 == t * dx[f % 8] && (y - 16) * 2 == t * dy[f % 8];
                bool ring = (x - 16) * (x - 16) + (y - 16) * (y - 16) >= 196;
                line[x] = onBar ? static_cast<GifPixelType>(1 + f % 3) : ring ? 2 : 0;
            }
            ok = EGifPutLine(gif, line, 32) == GIF_OK;
        }
    }
    GifFreeMapObject(map);
    return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

std::vector<ItemRecord> exampleItems(const fs::path& media) {
    using testing::ItemBuilder, testing::word;
    return {
        ItemBuilder(LayoutCode::OneLine, {2, 0, 0})
            .kind(1, ContentKind::Sentence, {1, 0, 3, 2, 0, 0, 1})
            .window({9, 0}, {18, 0})
            .text(1, "어서 오세요! LED 전광판",
                  word(TextColour::Yellow, BackgroundColour::Black, Typeface::Gulim))
            .item,
        ItemBuilder(LayoutCode::TwoLines, {1, 1, 0})
            .kind(1, ContentKind::Clock, {0, 0, 0, 4, 0, 0, 0})
            .kind(2, ContentKind::Temperature, {0, 0, 0, 4, 0, 0, 0})
            .item,
        ItemBuilder(LayoutCode::TwoLines, {1, 1, 0})
            .kind(1, ContentKind::Dday)
            .ddayDate(1, {2027, 1, 1})
            .text(1, "새해까지", word(TextColour::Green, BackgroundColour::Black, Typeface::Gungseo))
            .kind(2, ContentKind::Bitmap, {1, 0, 0, 2, 1, 0, 0})
            .picture(2, 160, 16, (media / "logo.bmp").string())
            .item,
        ItemBuilder(LayoutCode::TitleAndSentence, {1, 1, 0})
            .kind(2, ContentKind::Sentence, {1, 0, 0, 2, 2, 0, 0})
            .text(1, "공지사항", word(TextColour::Red, BackgroundColour::Black, Typeface::Yet))
            .text(2, "영업시간은 오전 10시부터 오후 9시까지입니다",
                  word(TextColour::Green, BackgroundColour::Black, Typeface::Gulim))
            .item,
        ItemBuilder(LayoutCode::OneLine, {2, 0, 0})
            .kind(1, ContentKind::Animation)
            .picture(1, 32, 32, (media / "spinner.gif").string())
            .frames(1, 8, 2)
            .item,
    };
}

SettingsBlock exampleSettings() {
    SettingsBlock s;
    s.setComPort(1);
    s.setSignHeight(2);
    s.setSignWidth(10);
    s.setLinkMode(LinkMode::Tcp);
    s.setIpAddress({127, 0, 0, 1});
    s.setTcpPort(5000);
    s.setOnOffTimes(7, 0, 23, 0);
    s.setBrightness(9);
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: examplegen FOLDER\n", stderr);
        return 2;
    }
    const fs::path folder = fs::absolute(argv[1]);
    const fs::path media = folder / "media";
    std::error_code ec;
    fs::create_directories(media, ec);
    if (!writeLogoBmp(media / "logo.bmp") || !writeSpinnerGif(media / "spinner.gif", 8)) {
        std::fprintf(stderr, "examplegen: cannot write the pictures in %s\n", media.c_str());
        return 1;
    }

    // Written under a temporary name and renamed, so a failed run leaves no half project.
    const std::string temp = (folder / "demo.dat.new").string();
    fs::remove(temp, ec);
    ItemStore store;
    IoResult r = ItemStore::open(temp, FileMode::CreateOrOpen, store);
    const std::vector<ItemRecord> items = exampleItems(media);
    for (size_t i = 0; r == IoResult::Ok && i < items.size(); ++i)
        r = store.writeRecord(static_cast<int>(i), items[i]);
    if (r == IoResult::Ok) r = store.writeSettings(exampleSettings());
    if (r == IoResult::Ok) fs::rename(temp, folder / "demo.dat", ec);
    if (r != IoResult::Ok || ec) {
        std::fprintf(stderr, "examplegen: cannot write %s: %s\n", temp.c_str(), toText(r));
        return 1;
    }
    return 0;
}
