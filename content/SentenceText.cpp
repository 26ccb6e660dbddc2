#include "content/SentenceText.h"

#include <string>

#include "image/Cp949.h"
#include "image/Utf8.h"

namespace orb {

namespace {

// The CP949 bytes of every character, converted in one call when the whole text converts.
std::vector<std::string> cp949Chars(const SentenceText& text) {
    std::vector<std::string> out;
    out.reserve(text.size());
    std::string utf8;
    for (const SentenceChar& c : text)
        if (!isControl(c.code)) utf8 += encodeUtf8(c.code);
    std::optional<std::string> whole = utf8ToCp949(utf8);
    size_t at = 0;
    for (const SentenceChar& c : text) {
        if (isControl(c.code)) {
            out.emplace_back();
        } else if (whole) {
            const size_t width = cp949CharWidth(*whole, at);
            out.emplace_back(whole->substr(at, width));
            at += width;
        } else {
            out.push_back(cp949Of(c.code));
        }
    }
    return out;
}

}  // namespace

std::string cp949Of(char32_t code) {
    if (isControl(code)) return {};
    return charToCp949(code).value_or("?");
}

Glyph glyphKind(char32_t code) {
    if (isControl(code)) return Glyph::ControlChar;
    const std::optional<std::string> b = charToCp949(code);
    if (!b) return Glyph::NotCp949;
    return hasNonKsx1001(*b) ? Glyph::NoGlyph : Glyph::Shown;
}

LinePayload EncodeSentence(const SentenceText& text) {
    LinePayload p;
    const std::vector<std::string> bytes = cp949Chars(text);
    std::string stored;
    size_t k = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const std::string& b = bytes[i];
        if (b.empty()) continue;
        // A two-byte character is kept only when its trail byte fits too.
        if (stored.size() + b.size() > LinePayload::kMaxText) break;
        stored += b;
        p.setAttributeWord(k, toAttributeWord(text[i].attributes));
        k += b.size();
    }
    std::copy(stored.begin(), stored.end(), p.bytes.begin());
    return p;
}

SentenceText DecodeSentence(const LinePayload& payload) {
    const std::string stored = payload.text();
    SentenceText out;
    for (size_t k = 0; k < stored.size() && k < LinePayload::kAttributes;) {
        const size_t width = cp949CharWidth(stored, k);
        std::optional<std::string> utf8 = cp949ToUtf8(std::string_view(stored).substr(k, width));
        const std::u32string decoded = utf8 ? decodeUtf8(*utf8) : std::u32string();
        const char32_t code = decoded.empty() ? U'\xFFFD' : decoded[0];
        out.push_back({code, fromAttributeWord(payload.attributeWord(k))});
        k += width;
    }
    return out;
}

size_t encodedLength(const SentenceText& text) {
    return EncodeSentence(text).text().size();
}

bool exceedsTextArea(const SentenceText& text) {
    size_t total = 0;
    for (const std::string& b : cp949Chars(text)) total += b.size();
    return total > LinePayload::kMaxText;
}

}  // namespace orb
