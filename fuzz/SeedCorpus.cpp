// Writes small seed files for the fuzzers: BMPs of every depth and orientation, and GIFs with
// several frames, local colour tables, transparency and a comment between control and image;
// rich text files.
#include <filesystem>
#include <string>

#include "content/Rtf.h"
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

    // The engine's input: header, item table entries, content. A sentence, a two-line bitmap and
    // animation item, and a title with its sentence.
    fs::create_directories(root / "engine");
    std::vector<uint8_t> items = {10, 2, 0, 3};
    auto entry = [&](std::vector<uint8_t> fields) {
        fields.resize(128, 0);
        items.insert(items.end(), fields.begin(), fields.end());
    };
    entry({0xFE, 0xFE, 1, 1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0});
    std::vector<uint8_t> two(128, 0);
    two[2] = 2, two[3] = 1, two[4] = 1, two[6] = 2, two[7] = 3, two[9] = 1;
    two[31] = 16, two[33] = 16, two[35] = 8, two[37] = 8, two[45] = 3, two[51] = 0x14, two[53] = 0x14;
    entry(two);
    entry({0xFE, 0xFE, 4, 1, 1, 0, 0, 1, 0});
    items.resize(items.size() + 64, 0);
    const std::string text = "ABC#|";
    items.insert(items.end(), text.begin(), text.end());
    items.resize(items.size() + 200, 0x5A);
    testing::writeFileBytes((root / "engine" / "items.bin").string(), items);

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
    // The sign's incoming bytes: the frames of a transfer and of each settings command.
    fs::create_directories(root / "responder");
    std::vector<uint8_t> stream = {0};  // fed as one piece
    const std::vector<uint8_t> data(40, 0xA5);
    for (const SignFrame& f :
         {SignFrame::memoryRead(0x4000, 8), SignFrame::memoryWrite(0x280000, data),
          SignFrame::memoryWrite(0x4008, std::vector<uint8_t>{12, 2}), SignFrame::memoryRead(0x280000, 40),
          SignFrame::apply(), SignFrame::setClock({2026, 12, 6, 14, 5, 9}),
          SignFrame::setOnOff(true, 7, 0, 22, 0), SignFrame::setBrightness(3)})
        stream.insert(stream.end(), f.bytes.begin(), f.bytes.begin() + f.length);
    testing::writeFileBytes((root / "responder" / "commands.bin").string(), stream);
    stream[0] = 6;  // in pieces of seven bytes
    testing::writeFileBytes((root / "responder" / "pieces.bin").string(), stream);
    return 0;
}
