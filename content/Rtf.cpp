#include "content/Rtf.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

#include "content/CodePage.h"
#include "image/Cp949.h"
#include "image/Utf8.h"

namespace orb {

const char* toText(RtfResult r) {
    switch (r) {
        case RtfResult::Ok:
            return "ok";
        case RtfResult::NotRtf:
            return "not an RTF file";
        case RtfResult::Truncated:
            return "the RTF file ends inside a group";
        case RtfResult::TooDeep:
            return "the RTF file nests its groups too deep";
        case RtfResult::TooLarge:
            return "the RTF file is too large";
        case RtfResult::UnknownCodePage:
            return "the RTF file's text is in a code page this program cannot read";
    }
    return "?";
}

// ---------------------------------------------------------------------------------------------
// Writer

namespace {

class RtfWriter {
  public:
    explicit RtfWriter(const RichText& text) : text_(text) {
        for (const RichParagraph& p : text.paragraphs)
            for (const RichRun& r : p.runs) {
                fontIndex(r.format.font);
                if (r.format.colour) colourIndex(*r.format.colour);
                if (r.format.background) colourIndex(*r.format.background);
            }
    }

    std::string write() {
        out_ = "{\\rtf1\\ansi\\ansicpg949\\deff0\\uc1\n{\\fonttbl";
        for (size_t i = 0; i < fonts_.size(); ++i) {
            out_ += "{\\f" + std::to_string(i) + "\\fnil\\fcharset129 ";
            std::string name = fonts_[i];
            std::erase(name, ';');
            escaped(name);
            out_ += ";}";
        }
        out_ += "}\n{\\colortbl;";
        for (const Rgb& c : colours_)
            out_ += "\\red" + std::to_string(c.r) + "\\green" + std::to_string(c.g) + "\\blue" +
                    std::to_string(c.b) + ";";
        out_ += "}\n\\pard\\plain\n";
        for (const RichParagraph& p : text_.paragraphs) {
            for (const RichRun& r : p.runs) run(r);
            out_ += "\\par\n";
        }
        out_ += "}\n";
        return out_;
    }

  private:
    size_t fontIndex(const std::string& name) {
        auto it = std::find(fonts_.begin(), fonts_.end(), name);
        if (it != fonts_.end()) return static_cast<size_t>(it - fonts_.begin());
        fonts_.push_back(name);
        return fonts_.size() - 1;
    }
    // Entry 0 of the table is the reader's default colour.
    size_t colourIndex(const Rgb& c) {
        auto it = std::find(colours_.begin(), colours_.end(), c);
        if (it != colours_.end()) return static_cast<size_t>(it - colours_.begin()) + 1;
        colours_.push_back(c);
        return colours_.size();
    }

    void run(const RichRun& r) {
        const RichFormat& f = r.format;
        out_ += "{\\f" + std::to_string(fontIndex(f.font)) + "\\fs" + std::to_string(f.halfPoints);
        if (f.bold) out_ += "\\b";
        if (f.italic) out_ += "\\i";
        if (f.underline) out_ += "\\ul";
        if (f.strikeOut) out_ += "\\strike";
        if (f.colour) out_ += "\\cf" + std::to_string(colourIndex(*f.colour));
        if (f.background) out_ += "\\highlight" + std::to_string(colourIndex(*f.background));
        out_ += ' ';
        uc_ = 1;
        escaped(r.text);
        out_ += '}';
    }

    void escaped(std::string_view utf8) {
        for (char32_t c : decodeUtf8(utf8)) {
            if (c == '\\' || c == '{' || c == '}') {
                out_ += '\\';
                out_ += static_cast<char>(c);
            } else if (c == '\t') {
                out_ += "\\tab ";
            } else if (c == '\n' || c == 0x2028) {
                out_ += "\\line ";
            } else if (c >= 0x20 && c < 0x7F) {
                out_ += static_cast<char>(c);
            } else if (c >= 0x80) {
                unicode(c);
            }
        }
    }

    // \uN with the character's CP949 bytes as the fallback that older readers show.
    void unicode(char32_t c) {
        const std::string fallback = charToCp949(c).value_or("?");
        if (fallback.size() != uc_) {
            uc_ = fallback.size();
            out_ += "\\uc" + std::to_string(uc_);
        }
        if (c > 0xFFFF) {
            // Outside the basic plane: a surrogate pair, the fallback after the second half.
            const char32_t v = c - 0x10000;
            out_ += "\\uc0\\u" + std::to_string(static_cast<int16_t>(0xD800 + (v >> 10)));
            out_ += "\\uc" + std::to_string(uc_);
            out_ += "\\u" + std::to_string(static_cast<int16_t>(0xDC00 + (v & 0x3FF)));
            for (unsigned char b : fallback) hexByte(b);
            return;
        }
        out_ += "\\u" + std::to_string(static_cast<int16_t>(c));
        for (unsigned char b : fallback) hexByte(b);
    }

    void hexByte(unsigned char b) {
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\'%02x", b);
        out_ += hex;
    }

    const RichText& text_;
    std::vector<std::string> fonts_;
    std::vector<Rgb> colours_;
    std::string out_;
    size_t uc_ = 1;
};

}  // namespace

std::string writeRtf(const RichText& text) {
    return RtfWriter(text).write();
}

// ---------------------------------------------------------------------------------------------
// Reader

namespace {

enum class Dest { Text, FontTable, ColourTable, Skip };

struct GroupState {
    Dest dest = Dest::Text;
    RichFormat format;
    int codePage = kDefaultCodePage;  // how \'hh bytes and 8-bit text decode
    int uc = 1;
};

struct FontEntry {
    std::string name;  // UTF-8
    int codePage = kDefaultCodePage;
};

// Destinations whose text is not part of the document.
bool skippedDestination(std::string_view word) {
    static constexpr std::string_view kSkipped[] = {
        "author",     "bkmkend",      "bkmkstart",         "colorschememapping",
        "comment",    "datastore",    "doccomm",           "filetbl",
        "fldinst",    "footer",       "footerf",           "footerl",
        "footerr",    "footnote",     "generator",         "header",
        "headerf",    "headerl",      "headerr",           "info",
        "keywords",   "latentstyles", "listoverridetable", "listtable",
        "nonshppict", "object",       "operator",          "pgdsctbl",
        "pict",       "revtbl",       "rsidtbl",           "shp",
        "shpinst",    "stylesheet",   "subject",           "themedata",
        "title",      "xmlnstbl",
    };
    return std::find(std::begin(kSkipped), std::end(kSkipped), word) != std::end(kSkipped);
}

std::optional<char32_t> symbolWord(std::string_view word) {
    static const std::map<std::string_view, char32_t> kSymbols = {
        {"emdash", 0x2014},  {"endash", 0x2013},    {"bullet", 0x2022},    {"lquote", 0x2018},
        {"rquote", 0x2019},  {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003},
        {"enspace", 0x2002}, {"qmspace", 0x2005},   {"tab", '\t'},
    };
    auto it = kSymbols.find(word);
    if (it == kSymbols.end()) return std::nullopt;
    return it->second;
}

bool underlineWord(std::string_view w) {
    static constexpr std::string_view kKinds[] = {
        "ul",         "uld",       "uldash",     "uldashd", "uldashdd", "uldb",
        "ulhwave",    "ulldash",   "ulth",       "ulthd",   "ulthdash", "ulthdashd",
        "ulthdashdd", "ulthldash", "ululdbwave", "ulw",     "ulwave",
    };
    return std::find(std::begin(kKinds), std::end(kKinds), w) != std::end(kKinds);
}

class RtfReader {
  public:
    RtfReader(std::string_view in, RichText& out) : in_(in), out_(out) {}

    RtfResult read() {
        out_ = RichText{};
        if (in_.size() > kMaxRtfBytes) return RtfResult::TooLarge;
        if (in_.substr(0, 5) != "{\\rtf") return RtfResult::NotRtf;
        out_.newParagraph();
        RtfResult r = RtfResult::Truncated;
        while (pos_ < in_.size()) {
            const char c = in_[pos_++];
            if (c == '{') {
                if (stack_.size() >= kMaxRtfDepth) {
                    r = RtfResult::TooDeep;
                    break;
                }
                flush();
                stack_.push_back(stack_.empty() ? GroupState{} : stack_.back());
                skip_ = 0;
            } else if (c == '}') {
                flush();
                closeGroup();
                skip_ = 0;
                if (stack_.empty()) {
                    r = RtfResult::Ok;
                    break;
                }
            } else if (c == '\\') {
                controlWord();
            } else if (c == '\r' || c == '\n') {
                continue;
            } else {
                byte(static_cast<unsigned char>(c));
            }
        }
        flush();
        if (r == RtfResult::Ok && unknownCodePage_) r = RtfResult::UnknownCodePage;
        // A final \par ends the last paragraph rather than starting another.
        if (!out_.paragraphs.empty() && out_.paragraphs.back().runs.empty()) out_.paragraphs.pop_back();
        return r;
    }

  private:
    GroupState& state() { return stack_.back(); }

    void closeGroup() {
        if (stack_.empty()) return;
        if (state().dest == Dest::FontTable) commitFont();
        stack_.pop_back();
    }

    // A byte of text: the fallback bytes after \uN are dropped.
    void byte(unsigned char b) {
        if (stack_.empty()) return;
        if (skip_ > 0) {
            --skip_;
            return;
        }
        switch (state().dest) {
            case Dest::Text:
                if ((b < 0x20 && b != '\t') || b == 0x7F) break;  // control bytes are not text
                if (pending_.empty()) pendingCodePage_ = state().codePage;
                pending_ += static_cast<char>(b);
                break;
            case Dest::FontTable:
                if (b == ';')
                    commitFont();
                else
                    fontRaw_ += static_cast<char>(b);
                break;
            case Dest::ColourTable:
                if (b == ';') {
                    colours_.push_back(colourSet_ ? std::optional<Rgb>(colour_) : std::nullopt);
                    colour_ = {};
                    colourSet_ = false;
                }
                break;
            case Dest::Skip:
                break;
        }
    }

    void flush() {
        if (pending_.empty()) return;
        const std::string utf8 = decode(pending_, pendingCodePage_);
        pending_.clear();
        if (!stack_.empty()) out_.append(utf8, state().format);
    }

    void character(char32_t c) {
        flush();
        if ((c < 0x20 && c != '\t') || c == 0x7F) return;
        if (!stack_.empty() && state().dest == Dest::Text) out_.append(encodeUtf8(c), state().format);
    }

    // Bytes in CODE_PAGE as UTF-8; nothing, and the file refused, when they need a code page
    // that is not known.
    std::string decode(std::string_view bytes, int codePage) {
        if (!needsCodePage(bytes)) return std::string(bytes);
        if (!knownCodePage(codePage)) {
            unknownCodePage_ = true;
            return {};
        }
        return codePageToUtf8(bytes, codePage);
    }

    // Bytes of a font name decode by its character set; \uN in it adds a character.
    void flushFontRaw() {
        fontName_ += decode(fontRaw_, fontCodePage_);
        fontRaw_.clear();
    }

    void fontUnicode(long v) {
        flushFontRaw();
        if (v < 0) v += 65536;
        fontName_ += encodeUtf8(static_cast<char32_t>(std::clamp<long>(v, 1, 0xFFFF)));
        skip_ = state().uc;
    }

    void commitFont() {
        flushFontRaw();
        if (fontNumber_ >= 0) {
            std::string name = fontName_;
            while (!name.empty() && name.back() == ' ') name.pop_back();
            while (!name.empty() && name.front() == ' ') name.erase(name.begin());
            fonts_[fontNumber_] = {name, fontCodePage_};
        }
        fontNumber_ = -1;
        fontName_.clear();
        fontCodePage_ = documentCodePage_;
    }

    void controlWord() {
        if (pos_ >= in_.size()) return;
        const char c = in_[pos_];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++pos_;
            controlSymbol(c);
            return;
        }
        const size_t start = pos_;
        while (pos_ < in_.size() && pos_ - start < 32 && std::isalpha(static_cast<unsigned char>(in_[pos_])))
            ++pos_;
        const std::string_view word = in_.substr(start, pos_ - start);
        std::optional<long> param;
        const size_t numberStart = pos_;
        if (pos_ < in_.size() && in_[pos_] == '-') ++pos_;
        while (pos_ < in_.size() && pos_ - numberStart < 11 &&
               std::isdigit(static_cast<unsigned char>(in_[pos_])))
            ++pos_;
        if (pos_ > numberStart && std::isdigit(static_cast<unsigned char>(in_[pos_ - 1])))
            param =
                std::strtol(std::string(in_.substr(numberStart, pos_ - numberStart)).c_str(), nullptr, 10);
        else
            pos_ = numberStart;
        if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
        if (stack_.empty()) return;
        if (word == "bin") {
            // Binary data: its bytes are not text and may hold braces.
            pos_ = std::min(in_.size(),
                            pos_ + static_cast<size_t>(std::clamp<long>(param.value_or(0), 0, 1L << 30)));
            return;
        }
        if (skip_ > 0 && word != "u") {
            --skip_;
            return;
        }
        apply(word, param);
    }

    void controlSymbol(char c) {
        if (stack_.empty()) return;
        switch (c) {
            case '\'': {
                if (pos_ + 2 > in_.size()) return;
                char* end = nullptr;
                const std::string hex(in_.substr(pos_, 2));
                const long v = std::strtol(hex.c_str(), &end, 16);
                if (end != hex.c_str() + 2) return;
                pos_ += 2;
                byte(static_cast<unsigned char>(v));
                return;
            }
            case '*':
                state().dest = Dest::Skip;
                return;
            case '~':
                return skipOr(0xA0);
            case '_':
                return skipOr(0x2011);
            case '-':
                return;
            case '\n':
            case '\r':
                return apply("par", std::nullopt);
            default:
                byte(static_cast<unsigned char>(c));  // \\ \{ \} and anything else stand for themselves
        }
    }

    void skipOr(char32_t c) {
        if (skip_ > 0) {
            --skip_;
            return;
        }
        character(c);
    }

    void apply(std::string_view word, std::optional<long> param) {
        GroupState& s = state();
        const long n = param.value_or(1);
        if (s.dest == Dest::Skip) return;
        if (word == "uc") {
            s.uc = static_cast<int>(std::clamp<long>(n, 0, 16));
            return;
        }
        if (s.dest == Dest::ColourTable) {
            const auto v = static_cast<uint8_t>(std::clamp<long>(n, 0, 255));
            if (word == "red") colour_.r = v, colourSet_ = true;
            if (word == "green") colour_.g = v, colourSet_ = true;
            if (word == "blue") colour_.b = v, colourSet_ = true;
            return;
        }
        if (s.dest == Dest::FontTable) {
            if (word == "f") {
                if (fontNumber_ >= 0 && !(fontName_.empty() && fontRaw_.empty())) commitFont();
                fontNumber_ = static_cast<int>(std::clamp<long>(n, 0, 1 << 20));
            } else if (word == "u") {
                fontUnicode(param.value_or(0));
            } else if (word == "fcharset") {
                fontCodePage_ =
                    codePageOfCharset(static_cast<int>(std::clamp<long>(n, -1, 1000)), documentCodePage_);
            } else if (skippedDestination(word)) {
                s.dest = Dest::Skip;
            }
            return;
        }
        if (word == "rtf" || word == "ansi") return;
        if (word == "ansicpg" || word == "mac" || word == "pc" || word == "pca") {
            documentCodePage_ = word == "ansicpg" ? static_cast<int>(std::clamp<long>(n, -1, 1 << 20))
                                : word == "mac"   ? 10000
                                : word == "pc"    ? 437
                                                  : 850;
            s.codePage = documentCodePage_;
            fontCodePage_ = documentCodePage_;
        } else if (word == "deff") {
            defaultFont_ = static_cast<int>(n);
        } else if (word == "fonttbl") {
            s.dest = Dest::FontTable;
            commitFont();
        } else if (word == "colortbl") {
            s.dest = Dest::ColourTable;
        } else if (skippedDestination(word)) {
            s.dest = Dest::Skip;
        } else if (word == "par" || word == "line" || word == "sect" || word == "page") {
            flush();
            out_.newParagraph();
        } else if (word == "u") {
            unicode(param.value_or(0));
        } else if (auto symbol = symbolWord(word)) {
            skipOr(*symbol);
        } else {
            flush();
            format(s, word, param);
        }
    }

    void format(GroupState& s, std::string_view word, std::optional<long> param) {
        RichFormat& f = s.format;
        const bool on = param.value_or(1) != 0;
        if (word == "plain") {
            f = RichFormat{};
            f.font = fontName(defaultFont_);
            s.codePage = fontCodePage(defaultFont_);
        } else if (word == "b") {
            f.bold = on;
        } else if (word == "i") {
            f.italic = on;
        } else if (underlineWord(word)) {
            f.underline = on;
        } else if (word == "ulnone") {
            f.underline = false;
        } else if (word == "strike" || word == "striked") {
            f.strikeOut = on;
        } else if (word == "fs") {
            f.halfPoints = static_cast<int>(std::clamp<long>(param.value_or(24), 1, 3276));
        } else if (word == "f") {
            f.font = fontName(static_cast<int>(param.value_or(0)));
            s.codePage = fontCodePage(static_cast<int>(param.value_or(0)));
        } else if (word == "cf") {
            f.colour = colourAt(param.value_or(0));
        } else if (word == "highlight" || word == "cb" || word == "chcbpat") {
            f.background = colourAt(param.value_or(0));
        }
    }

    std::string fontName(int number) const {
        auto it = fonts_.find(number);
        return it == fonts_.end() ? std::string() : it->second.name;
    }

    int fontCodePage(int number) const {
        auto it = fonts_.find(number);
        return it == fonts_.end() ? documentCodePage_ : it->second.codePage;
    }

    std::optional<Rgb> colourAt(long index) const {
        if (index < 0 || static_cast<size_t>(index) >= colours_.size()) return std::nullopt;
        return colours_[static_cast<size_t>(index)];
    }

    void unicode(long v) {
        if (v < 0) v += 65536;
        const auto unit = static_cast<char32_t>(std::clamp<long>(v, 0, 0xFFFF));
        skip_ = state().uc;
        if (unit >= 0xD800 && unit < 0xDC00) {
            highSurrogate_ = unit;
            return;
        }
        if (unit >= 0xDC00 && unit < 0xE000) {
            if (highSurrogate_) character(0x10000 + ((highSurrogate_ - 0xD800) << 10) + (unit - 0xDC00));
            highSurrogate_ = 0;
            return;
        }
        highSurrogate_ = 0;
        character(unit == 0 ? 0xFFFD : unit);
    }

    std::string_view in_;
    RichText& out_;
    size_t pos_ = 0;
    std::vector<GroupState> stack_;
    int skip_ = 0;  // fallback characters still to drop after \uN
    char32_t highSurrogate_ = 0;
    std::string pending_;
    int pendingCodePage_ = kDefaultCodePage;
    int documentCodePage_ = kDefaultCodePage;
    bool unknownCodePage_ = false;
    int defaultFont_ = 0;

    std::map<int, FontEntry> fonts_;
    int fontNumber_ = -1;
    std::string fontName_;  // UTF-8
    std::string fontRaw_;   // bytes not yet decoded
    int fontCodePage_ = kDefaultCodePage;

    std::vector<std::optional<Rgb>> colours_;
    Rgb colour_;
    bool colourSet_ = false;
};

}  // namespace

RtfResult readRtf(std::string_view rtf, RichText& out) {
    return RtfReader(rtf, out).read();
}

}  // namespace orb
