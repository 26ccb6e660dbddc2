// Writes seed files for the fuzzers: BMPs of every depth and orientation; GIFs with several
// frames, local colour tables, transparency and a comment between control and image; described
// engine images and GIFs; projects with an item of every layout and kind; replies; rich text
// files; the sign's incoming frames; program bundles.
#include <array>
#include <filesystem>
#include <string>

#include "bundle/BundleArchive.h"
#include "content/Rtf.h"
#include "image/ItemStore.h"
#include "link/SignFrame.h"
#include "testsupport/PictureFixtures.h"
#include "testsupport/TempDir.h"

using namespace orb;
namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const fs::path root = argv[1];
    fs::create_directories(root / "bmp");
    fs::create_directories(root / "gif");

    const std::vector<Rgb> palette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0}};
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        for (bool topDown : {false, true}) {
            testing::BmpRecipe s;
            s.width = 13;
            s.height = 5;
            s.bits = bits;
            s.topDown = topDown;
            s.palette = palette;
            s.index = [bits](int x, int y) { return (x + y) % (bits == 1 ? 2 : 4); };
            s.colour = [&](int x, int y) { return palette[static_cast<size_t>((x + y) % 4)]; };
            const std::string name = std::to_string(bits) + (topDown ? "td" : "bu") + ".bmp";
            testing::writeFileBytes((root / "bmp" / name).string(), testing::makeBmp(s));
        }
    }

    testing::GifFrameSpec a;
    a.width = a.height = 4;
    a.indexes.assign(16, 1);
    a.delay = 10;
    testing::GifFrameSpec b = a;
    b.left = 1;
    b.width = 2;
    b.indexes.assign(8, 2);
    b.indexes[0] = 0;
    b.transparent = 0;
    b.commentAfterControl = true;
    b.localColours = {{0, 0, 0}, {0, 0, 255}, {0, 255, 0}, {255, 255, 255}};
    testing::writeFileBytes((root / "gif" / "three.gif").string(),
                            testing::makeGif(4, 4, palette, {a, b, a}));
    testing::writeFileBytes((root / "gif" / "one.gif").string(), testing::makeGif(4, 4, palette, {a}));

    // Descriptions for the engine and the GIF assembler: bytes of a fixed generator, so the
    // fuzzer starts from many different signs, items and effects.
    uint32_t state = 2463534242u;
    auto noise = [&](size_t n, uint8_t last) {
        std::vector<uint8_t> bytes(n);
        for (uint8_t& b : bytes) {
            state ^= state << 13, state ^= state >> 17, state ^= state << 5;
            b = static_cast<uint8_t>(state);
        }
        bytes.back() = last;  // the description's first choice is read from the end
        return bytes;
    };
    fs::create_directories(root / "engine");
    for (int k = 0; k < 24; ++k)
        testing::writeFileBytes((root / "engine" / ("described" + std::to_string(k) + ".bin")).string(),
                                noise(300 + 150 * static_cast<size_t>(k), static_cast<uint8_t>(k)));
    for (int k = 0; k < 12; ++k)
        testing::writeFileBytes((root / "gif" / ("described" + std::to_string(k) + ".bin")).string(),
                                noise(200 + 300 * static_cast<size_t>(k), static_cast<uint8_t>(2 * k)));

    // Projects: the whole store with one item of each layout and kind, pointing at the pictures
    // the project fuzzer makes; and the first record with a settings block only.
    fs::create_directories(root / "project");
    const std::string pictures = (fs::temp_directory_path() / "orb-fuzz-pictures").string();
    ItemStore store;
    int item = 0;
    auto add = [&](LayoutCode layout, std::array<ContentKind, 3> kinds, std::array<std::string, 3> paths) {
        ItemRecord r;
        r.header = ItemHeader::newItem(layout, {1, 1, 1});
        for (int line = 1; line <= 3; ++line) {
            r.header.setKind(line, kinds[static_cast<size_t>(line - 1)]);
            r.header.setEffects(line, {static_cast<uint8_t>(item % 11), static_cast<uint8_t>(item % 5),
                                       static_cast<uint8_t>(item % 7), 1, 2, 2, 2});
            const std::string& path = paths[static_cast<size_t>(line - 1)];
            if (!path.empty())
                r.line(line).setPath(pictures + "/" + path);
            else
                r.line(line).setText("ABC");
        }
        store.writeRecord(item++, r);
    };
    using K = ContentKind;
    add(LayoutCode::OneLine, {K::Sentence, K::None, K::None}, {"", "", ""});
    add(LayoutCode::OneLine, {K::Bitmap, K::None, K::None}, {"b.bmp", "", ""});
    add(LayoutCode::TwoLines, {K::Animation, K::Clock, K::None}, {"a.gif", "", ""});
    add(LayoutCode::ThreeLines, {K::Dday, K::BitmapPhrase, K::Temperature}, {"", "b.bmp", ""});
    add(LayoutCode::TitleAndSentence, {K::Sentence, K::Sentence, K::None}, {"", "", ""});
    add(LayoutCode::OneLine, {K::Animation, K::None, K::None}, {"missing.gif", "", ""});
    SettingsBlock settings;
    settings.setSignWidth(10);
    settings.setSignHeight(2);
    store.writeSettings(settings);
    std::vector<uint8_t> whole(ItemStore::kFileSize);
    store.readAll(std::span<uint8_t, ItemStore::kFileSize>(whole.data(), whole.size()));
    testing::writeFileBytes((root / "project" / "items.dat").string(), whole);
    std::vector<uint8_t> first(whole.begin(), whole.begin() + ItemRecord::kSize);
    first.insert(first.end(), whole.end() - SettingsBlock::kSize, whole.end());
    testing::writeFileBytes((root / "project" / "first.bin").string(), first);

    // Replies: an acknowledgement and a data reply.
    fs::create_directories(root / "reply");
    testing::writeFileBytes((root / "reply" / "ack.bin").string(), {0x02, 0x00, 0x06, 0x06, 0x0E, 0x03});
    testing::writeFileBytes((root / "reply" / "data.bin").string(),
                            {0x02, 0x00, 0x0E, 0x06, 'L', 'E', 'D', 'S', 'i', 'g', 'n', 0x00, 0x7C, 0x03});

    // Rich text as the phrase dialog writes it and as a word processor does.
    fs::create_directories(root / "rtf");
    RichText phrase;
    RichFormat f;
    f.font = "NanumGothic";
    f.bold = f.underline = true;
    f.colour = Rgb{255, 0, 0};
    f.background = Rgb{0, 0, 0};
    phrase.append("Sign 전광판 {x}", f);
    phrase.newParagraph();
    f.italic = f.strikeOut = true;
    phrase.append("둘째 줄\t!", f);
    const std::string rtf = writeRtf(phrase);
    testing::writeFileBytes((root / "rtf" / "phrase.rtf").string(), {rtf.begin(), rtf.end()});
    const std::string writer =
        "{\\rtf1\\ansi\\deff3{\\fonttbl{\\f3\\fswiss\\fcharset129{\\*\\panose 0}Nanum;}}"
        "{\\colortbl;\\red255\\green0\\blue0;}{\\stylesheet{\\s0 Normal;}}{\\*\\generator x}"
        "\\pard\\plain\\f3\\fs24\\cf1\\uc2\\u44032\\'b0\\'a1{\\field{\\*\\fldinst X}{\\fldrslt y}}\\par}";
    testing::writeFileBytes((root / "rtf" / "writer.rtf").string(), {writer.begin(), writer.end()});
    // Program bundles: a bitmap, an animation and a phrase with their files; then the same with a
    // folder entry and a file no line names.
    fs::create_directories(root / "bundle");
    const std::string program =
        R"({"version": 1, "sign": {"width": 10, "height": 2}, "items": [)"
        R"({"layout": "two", "heights": [1, 1], "lines": [)"
        R"({"kind": "bitmap", "path": "media/a.bmp", "width": 13, "height": 5},)"
        R"({"kind": "animation", "path": "media/b.gif", "width": 4, "height": 4, "frames": 3}]},)"
        R"({"layout": "one", "heights": [1], "lines": [)"
        R"({"kind": "phrase", "path": "media/a.bmp", "rtf": "media/c.rtf", "width": 13, "height": 5}]}]})";
    testing::BmpRecipe picture;
    picture.width = 13;
    picture.height = 5;
    picture.colour = [&](int x, int y) { return palette[static_cast<size_t>((x * y) % 4)]; };
    std::vector<BundleFile> bundle = {{"program.json", {program.begin(), program.end()}},
                                      {"media/a.bmp", testing::makeBmp(picture)},
                                      {"media/b.gif", testing::makeGif(4, 4, palette, {a, b, a})},
                                      {"media/c.rtf", {rtf.begin(), rtf.end()}}};
    std::vector<uint8_t> zip;
    writeArchive(bundle, zip);
    testing::writeFileBytes((root / "bundle" / "program.zip").string(), zip);
    bundle.push_back({"media/", {}});
    bundle.push_back({"notes.txt", {'h', 'i'}});
    writeArchive(bundle, zip);
    testing::writeFileBytes((root / "bundle" / "extra.zip").string(), zip);

    // The sign's incoming bytes: the frames of a transfer and of each settings command.
    fs::create_directories(root / "responder");
    std::vector<uint8_t> stream = {0};  // fed as one piece
    const std::vector<uint8_t> data(40, 0xA5);
    for (const SignFrame& frame :
         {SignFrame::memoryRead(0x4000, 8), SignFrame::memoryWrite(0x280000, data),
          SignFrame::memoryWrite(0x4008, std::vector<uint8_t>{12, 2}), SignFrame::memoryRead(0x280000, 40),
          SignFrame::apply(), SignFrame::setClock({2026, 12, 6, 14, 5, 9}),
          SignFrame::setOnOff(true, 7, 0, 22, 0), SignFrame::setBrightness(3)})
        stream.insert(stream.end(), frame.bytes.begin(), frame.bytes.begin() + frame.length);
    testing::writeFileBytes((root / "responder" / "commands.bin").string(), stream);
    stream[0] = 6;  // in pieces of seven bytes
    testing::writeFileBytes((root / "responder" / "pieces.bin").string(), stream);
    return 0;
}
