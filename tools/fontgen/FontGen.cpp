// fontgen: makes the sign's twenty bitmap font files from Korean fonts installed from Debian's
// packages: fontgen OUTDIR NAME=PATH...   (the source faces by name; see CMakeLists.txt)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "image/BigEndian.h"
#include "image/ReplaceFile.h"
#include "tools/fontgen/GlyphSource.h"

namespace orb::fontgen {
namespace {

// A face as one file's source: its name among the given sources, and how much to thicken its
// strokes (percent of the pixel size) so that all faces have an even, sign-like weight.
struct Use {
    const char* source;
    int embolden = 0;
};

struct OutputRecipe {
    int file;                // index in kFontFileLayouts
    std::vector<Use> faces;  // in order of preference
    bool widestFirst;        // symbols and Hanja: the face covering most slots comes first
};

// 0 plain gothic, 1 brush calligraphy, 2 rounded, 3 postcard handwriting. Later faces fill the
// slots the first one lacks.
const std::vector<OutputRecipe> kRecipes = {
    {0, {{"gulim16"}, {"gulim"}, {"nanumgothic"}}, false},
    {1, {{"ungungseo"}, {"gulim16"}}, false},
    {2, {{"nanumsquareround"}, {"gulim16"}}, false},
    {3, {{"nanumbarunpen"}, {"gulim16"}}, false},
    {4, {{"nanumgothiccoding"}, {"gulim"}}, false},
    {5, {{"ungungseo"}, {"gulim"}}, false},
    {6, {{"nanumsquareround"}, {"gulim"}}, false},
    {7, {{"nanumbarunpen"}, {"gulim"}}, false},
    {8, {{"gulim16"}, {"nanumbarungothic"}, {"gulim"}, {"unbatang"}}, true},
    {9, {{"gulim16"}, {"nanumbarungothic"}, {"gulim"}, {"unbatang"}}, true},
    {10, {{"nanumgothic", 2}, {"gulim", 2}}, false},
    {11, {{"ungungseo"}, {"nanumgothic", 2}}, false},
    {12, {{"nanumsquareround"}, {"nanumgothic", 2}}, false},
    {13, {{"unpenheulim", 5}, {"nanumgothic", 2}}, false},
    {14, {{"nanumgothiccoding", 3}, {"gulim", 2}}, false},
    {15, {{"ungungseo"}, {"gulim", 2}}, false},
    {16, {{"nanumsquareround"}, {"gulim", 2}}, false},
    {17, {{"nanumbarunpen"}, {"gulim", 2}}, false},
    {18, {{"nanumbarungothic", 2}, {"gulim", 2}, {"unbatang"}}, true},
    {19, {{"nanumbarungothic", 2}, {"gulim", 2}, {"unbatang"}}, true},
};

GlyphSet setOf(int file) {
    switch (file % 10) {
        case 0:
        case 1:
        case 2:
        case 3:
            return GlyphSet::Hangul;
        case 4:
        case 5:
        case 6:
        case 7:
            return GlyphSet::Ascii;
        case 8:
            return GlyphSet::Symbol;
        default:
            return GlyphSet::Hanja;
    }
}

// How a face sits in a cell: the pixel size, and the row of the glyphs' common top line.
struct Fit {
    int pixelSize = 0;
    int top = 0;     // the reference glyphs' top (bitmap_top) at that size
    int offset = 0;  // rows above that line, centring the reference glyphs in the cell
};

// Tops and bottoms of the reference glyphs at a size; the extreme 0.5 % on each side are left to
// the per-glyph fitting so that one odd glyph does not shrink the whole face.
struct Extent {
    int top = 0, bottom = 0;
};

Extent extentAt(GlyphSource& src, const std::vector<Slot>& ref, int size) {
    std::vector<int> tops, bottoms;
    RenderedGlyph g;
    for (const Slot& s : ref) {
        if (!src.render(s, size, 1.0, g) || !g.inked()) continue;
        tops.push_back(g.top);
        bottoms.push_back(g.top - g.rows);
    }
    if (tops.empty()) return {};
    std::sort(tops.begin(), tops.end());
    std::sort(bottoms.begin(), bottoms.end());
    const size_t cut = tops.size() / 200;
    return {tops[tops.size() - 1 - cut], bottoms[cut]};
}

Fit fitFace(GlyphSource& src, const std::vector<Slot>& ref, int cellHeight) {
    Fit fit;
    if (src.isBitmap()) {
        const Extent e = extentAt(src, ref, 0);
        fit.top = src.bitmapAscent();
        fit.offset = std::max(0, (cellHeight - (e.top - e.bottom)) / 2) - (fit.top - e.top);
        return fit;
    }
    int lo = cellHeight / 2, hi = cellHeight * 2;
    while (lo < hi) {  // the largest size whose glyphs stand within the cell's height
        const int mid = (lo + hi + 1) / 2;
        const Extent e = extentAt(src, ref, mid);
        if (e.top - e.bottom <= cellHeight)
            lo = mid;
        else
            hi = mid - 1;
    }
    const Extent e = extentAt(src, ref, lo);
    fit.pixelSize = lo;
    fit.top = e.top;
    fit.offset = (cellHeight - (e.top - e.bottom)) / 2;
    return fit;
}

// Draws one slot into a W x H cell (one byte per pixel): the face's common top line, centred
// across; a glyph too tall is drawn smaller, one too wide is narrowed.
bool drawInCell(GlyphSource& src, const Slot& s, const Fit& fit, int w, int h, std::vector<uint8_t>& cell) {
    RenderedGlyph g;
    int size = fit.pixelSize;
    double squeeze = 1.0;
    for (int attempt = 0; attempt < 16; ++attempt) {
        if (!src.render(s, size, squeeze, g)) return false;
        if (src.isBitmap() || (g.rows <= h && g.width <= w)) break;
        if (g.rows > h) size = std::max(4, std::min(size - 1, size * h / g.rows));
        if (g.width > w) squeeze *= static_cast<double>(w) / (g.width + 0.5);
    }
    const int row = std::clamp(fit.offset + (fit.top - g.top), 0, std::max(0, h - g.rows));
    const int col = std::max(0, (w - g.width) / 2);
    cell.assign(static_cast<size_t>(w * h), 0);
    for (int y = 0; y < g.rows && row + y < h; ++y)
        for (int x = 0; x < g.width && col + x < w; ++x)
            cell[static_cast<size_t>((row + y) * w + col + x)] =
                g.pixels[static_cast<size_t>(y * g.width + x)];
    return true;
}

void packCell(const std::vector<uint8_t>& cell, int w, int h, uint8_t* out) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (cell[static_cast<size_t>(y * w + x)])
                out[y * (w / 8) + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
}

class FontGen {
  public:
    FontGen(FT_Library library, std::map<std::string, std::string> paths)
        : library_(library), paths_(std::move(paths)) {}

    bool writeFile(const OutputRecipe& recipe, const std::string& outDir);

  private:
    GlyphSource* source(const Use& use) {
        const std::string key = std::string(use.source) + "/" + std::to_string(use.embolden);
        auto found = sources_.find(key);
        if (found != sources_.end()) return found->second.get();
        auto path = paths_.find(use.source);
        std::unique_ptr<GlyphSource> src;
        if (path != paths_.end())
            src = std::make_unique<GlyphSource>(library_, path->second,
                                                path->second.find(".pcf") != std::string::npos, use.embolden);
        if (!src || !src->ok()) {
            std::fprintf(stderr, "fontgen: source %s is not available\n", use.source);
            src.reset();
        }
        return (sources_[key] = std::move(src)).get();
    }

    const Fit& fitOf(GlyphSource* src, const OutputRecipe& r, const std::vector<Slot>& slots, int h) {
        const std::string key = src->path() + "/" + std::to_string(r.file);
        auto found = fits_.find(key);
        if (found != fits_.end()) return found->second;
        // Symbols are sized like the same face's Hanja, whose squares are even.
        const std::vector<Slot> pool = setOf(r.file) == GlyphSet::Symbol ? slotsOf(GlyphSet::Hanja) : slots;
        std::vector<Slot> ref;
        const size_t stride = std::max<size_t>(1, pool.size() / 600);
        for (size_t i = 0; i < pool.size(); i += stride)
            if (pool[i].unicode && src->covers(pool[i])) ref.push_back(pool[i]);
        if (ref.empty())
            for (const Slot& s : slots)
                if (s.unicode && src->covers(s)) ref.push_back(s);
        return fits_[key] = fitFace(*src, ref, h);
    }

    FT_Library library_;
    std::map<std::string, std::string> paths_;
    std::map<std::string, std::unique_ptr<GlyphSource>> sources_;
    std::map<std::string, Fit> fits_;
};

bool FontGen::writeFile(const OutputRecipe& recipe, const std::string& outDir) {
    const FontFileLayout& font = kFontFileLayouts[static_cast<size_t>(recipe.file)];
    const std::vector<Slot> slots = slotsOf(setOf(recipe.file));

    std::vector<GlyphSource*> faces;
    for (const Use& use : recipe.faces)
        if (GlyphSource* src = source(use)) faces.push_back(src);
    std::vector<int> covered(faces.size(), 0);
    std::vector<std::vector<bool>> covers(faces.size(), std::vector<bool>(slots.size()));
    for (size_t f = 0; f < faces.size(); ++f)
        for (size_t i = 0; i < slots.size(); ++i)
            if (slots[i].unicode && faces[f]->covers(slots[i])) covers[f][i] = true, ++covered[f];
    std::vector<size_t> order(faces.size());
    for (size_t f = 0; f < order.size(); ++f) order[f] = f;
    if (recipe.widestFirst)
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return covered[a] > covered[b]; });

    std::vector<uint8_t> table(static_cast<size_t>(font.tableBytes()), 0);
    std::vector<int> drawnBy(faces.size(), 0);
    int mapped = 0, drawn = 0;
    std::vector<uint8_t> cell;
    for (size_t i = 0; i < slots.size(); ++i) {
        if (!slots[i].unicode) continue;
        ++mapped;
        for (size_t f : order) {
            if (!covers[f][i]) continue;
            const Fit& fit = fitOf(faces[f], recipe, slots, font.height);
            if (!drawInCell(*faces[f], slots[i], fit, font.width, font.height, cell)) continue;
            packCell(cell, font.width, font.height, &table[i * static_cast<size_t>(font.glyphBytes())]);
            ++drawnBy[f], ++drawn;
            break;
        }
    }

    std::array<uint8_t, kFontHeaderBytes> header{'O', 'R', 'B', 'F'};
    writeBe16(&header[4], 1);
    writeBe16(&header[6], static_cast<uint16_t>(font.width));
    writeBe16(&header[8], static_cast<uint16_t>(font.height));
    writeBe16(&header[10], static_cast<uint16_t>(font.glyphs));
    const std::string path = outDir + "/" + font.name + ".fnt";
    std::vector<uint8_t> file(header.begin(), header.end());
    file.insert(file.end(), table.begin(), table.end());
    if (const IoResult r = replaceFile(path, file); r != IoResult::Ok) {
        std::fprintf(stderr, "fontgen: %s: %s\n", path.c_str(), toText(r));
        return false;
    }

    std::printf("%s.fnt: %d of %d mapped glyphs", font.name, drawn, mapped);
    for (size_t f = 0; f < faces.size(); ++f)
        if (drawnBy[f])
            std::printf(", %d from %s", drawnBy[f],
                        faces[f]->path().substr(faces[f]->path().rfind('/') + 1).c_str());
    std::printf("\n");
    return true;
}

}  // namespace
}  // namespace orb::fontgen

namespace orb::fontgen {
namespace {

struct Arguments {
    std::string outDir;
    std::map<std::string, std::string> paths;  // the source faces by name
};

// The command line into a; the exit code when the run ends with it.
std::optional<int> parseArguments(int argc, char** argv, Arguments& a) {
    CLI::App app("Makes the sign's twenty bitmap font files from Korean fonts.", "fontgen");
    setUpCommandLine(app);
    app.add_option("OUTDIR", a.outDir, "where the font files are written")->required();
    app.add_option_function<std::vector<std::string>>(
           "SOURCE",
           [&a](const std::vector<std::string>& sources) {
               for (const std::string& s : sources)
                   a.paths[s.substr(0, s.find('='))] = s.substr(s.find('=') + 1);
           },
           "a source face as NAME=PATH (the names are those of CMakeLists.txt)")
        ->type_name("NAME=PATH")
        ->required()
        ->check([](const std::string& s) {
            return s.find('=') != std::string::npos && s.find('=') > 0 ? std::string() : "expected NAME=PATH";
        });
    return parseCommandLine(app, argc, argv);
}

}  // namespace
}  // namespace orb::fontgen

int main(int argc, char** argv) {
    using namespace orb::fontgen;
    Arguments args;
    if (const std::optional<int> ended = parseArguments(argc, argv, args)) return *ended;
    const std::map<std::string, std::string>& paths = args.paths;
    FT_Library library;
    if (FT_Init_FreeType(&library) != 0) return 1;
    bool ok = true;
    {
        FontGen gen(library, paths);
        for (const OutputRecipe& r : kRecipes) ok = gen.writeFile(r, args.outDir) && ok;
    }
    FT_Done_FreeType(library);
    if (!ok) std::fputs("fontgen: could not write every font file\n", stderr);
    return ok ? 0 : 1;
}
