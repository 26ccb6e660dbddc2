// effectdemo: writes one small project per effect into a folder, so that every entry, hold and
// exit effect can be built and watched (see scripts/effect-gifs.sh).
//   entry-text-NN.dat     a sentence entering with text entry code NN
//   entry-picture-NN.dat  a bitmap entering with picture entry code NN
//   hold-NN.dat, exit-NN.dat  a sentence, then a bitmap, with that hold or exit code
//   kind-NN.dat           items of content kind NN, on lines of one and two modules
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "content/BmpFile.h"
#include "image/AttributeWord.h"
#include "image/CodeLists.h"
#include "image/Cp949.h"
#include "image/ItemStore.h"
#include "testsupport/PictureFixtures.h"

namespace fs = std::filesystem;
using namespace orb;

namespace {

// A 120 x 32 picture: a red frame, a yellow diamond, green corners.
bool writePicture(const fs::path& path) {
    const int w = 120, h = 32;
    RgbImage picture(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool frame = x == 0 || y == 0 || x == w - 1 || y == h - 1;
            const bool diamond = std::abs(x - 60) + std::abs(y - 16) < 14;
            const bool corner = (x < 12 || x >= w - 12) && (y < 6 || y >= h - 6);
            Rgb& p = picture.at(x, y);
            if (frame || diamond) p.r = 255;
            if (diamond || (corner && !frame)) p.g = 255;
        }
    const std::vector<uint8_t> b = encodeBmp24(picture);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    return std::fclose(f) == 0 && ok;
}

ItemRecord sentence(EffectBlock effects) {
    ItemRecord r;
    r.header = ItemHeader::newItem(LayoutCode::OneLine, {2, 0, 0});
    r.header.setKind(1, ContentKind::Sentence);
    r.header.setEffects(1, effects);
    r.line(1).setText(utf8ToCp949("효과 ABC").value(),
                      toAttributeWord({TextColour::Yellow, BackgroundColour::Black, Typeface::Gulim}));
    return r;
}

ItemRecord picture(EffectBlock effects, const std::string& bmp) {
    ItemRecord r;
    r.header = ItemHeader::newItem(LayoutCode::OneLine, {2, 0, 0});
    r.header.setKind(1, ContentKind::Bitmap);
    r.header.setEffects(1, effects);
    r.header.setPictureSize(1, 120, 32);
    r.line(1).setPath(bmp);
    return r;
}

// A 24 x 16 animation of four frames: a yellow bar moving right over a green ground.
bool writeAnimation(const fs::path& path) {
    const int w = 24, h = 16;
    std::vector<orb::testing::GifFrameSpec> frames;
    for (int f = 0; f < 4; ++f) {
        orb::testing::GifFrameSpec frame{0, 0, w, h, std::vector<uint8_t>(size_t{w} * h), {}, 10};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                frame.indexes[size_t(y * w + x)] = x / 6 == f ? 3 : (y + x) % 4 == 0 ? 2 : 0;
        frames.push_back(frame);
    }
    const auto b = orb::testing::makeGif(w, h, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0}}, frames);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    return std::fclose(f) == 0 && ok;
}

// One line of KIND, HEIGHT modules high, shown for a hold time code of 1 (2 seconds).
ItemRecord kindItem(ContentKind kind, uint8_t height, const fs::path& media) {
    ItemRecord r;
    r.header = ItemHeader::newItem(LayoutCode::OneLine, {height, 0, 0});
    r.header.setKind(1, kind);
    r.header.setEffects(1, {0, 0, 0, 1, 0, 0, 0});
    const uint16_t yellow = toAttributeWord({TextColour::Yellow, BackgroundColour::Black, Typeface::Gulim});
    switch (kind) {
        case ContentKind::Sentence:  // wider than the sign: held, revealed, held again
            r.line(1).setText(utf8ToCp949("효과 ABC 가나다라 마바사 아자차카 타파하").value(), yellow);
            break;
        case ContentKind::Dday:
            r.header.setDdayDate(1, {2027, 1, 1});
            r.line(1).setText(utf8ToCp949("새해").value(), yellow);
            break;
        case ContentKind::Bitmap:
        case ContentKind::BitmapPhrase:
            r.header.setPictureSize(1, 120, 32);
            r.line(1).setPath((media / "picture.bmp").string());
            break;
        case ContentKind::Animation:
            r.header.setPictureSize(1, 24, 16);
            r.header.setFrameCount(1, 4);
            r.line(1).setPath((media / "animation.gif").string());
            break;
        default:
            break;
    }
    return r;
}

bool writeProject(const fs::path& path, const std::vector<ItemRecord>& items) {
    fs::remove(path);
    ItemStore store;
    if (ItemStore::open(path.string(), FileMode::CreateOrOpen, store) != IoResult::Ok) return false;
    SettingsBlock s;
    s.setComPort(1), s.setSignHeight(2), s.setSignWidth(10);
    bool ok = store.writeSettings(s) == IoResult::Ok;
    for (size_t i = 0; i < items.size(); ++i)
        ok = ok && store.writeRecord(static_cast<int>(i), items[i]) == IoResult::Ok;
    return ok;
}

std::string name(const char* kind, size_t code) {
    char n[48];
    std::snprintf(n, sizeof n, "%s-%02zu.dat", kind, code);
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: effectdemo FOLDER\n", stderr);
        return 2;
    }
    const fs::path out = fs::absolute(argv[1]);
    std::error_code ec;
    fs::create_directories(out, ec);
    const std::string bmp = (out / "picture.bmp").string();
    bool ok = writePicture(bmp) && writeAnimation(out / "animation.gif");
    // Hold time "1" and the fastest speeds keep every run short.
    for (size_t c = 0; c < textEntryEffects().size(); ++c)
        ok = ok && writeProject(out / name("entry-text", c), {sentence({uint8_t(c), 0, 0, 0, 0, 0, 0})});
    for (size_t c = 0; c < pictureEntryEffects().size(); ++c)
        ok = ok &&
             writeProject(out / name("entry-picture", c), {picture({uint8_t(c), 0, 0, 0, 0, 0, 0}, bmp)});
    for (size_t c = 0; c < holdEffects().size(); ++c) {
        const EffectBlock e{0, uint8_t(c), 0, 1, 0, 2, 0};
        ok = ok && writeProject(out / name("hold", c), {sentence(e), picture(e, bmp)});
    }
    for (size_t c = 0; c < exitEffects().size(); ++c) {
        const EffectBlock e{0, 0, uint8_t(c), 0, 0, 0, 0};
        ok = ok && writeProject(out / name("exit", c), {sentence(e), picture(e, bmp)});
    }
    for (size_t k = 1; k < contentKindNames().size(); ++k) {
        const auto kind = static_cast<ContentKind>(k);
        ok = ok && writeProject(out / name("kind", k), {kindItem(kind, 1, out), kindItem(kind, 2, out)});
    }
    if (!ok) std::fprintf(stderr, "effectdemo: cannot write into %s\n", out.c_str());
    return ok ? 0 : 1;
}
