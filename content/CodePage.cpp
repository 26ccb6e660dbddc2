#include "content/CodePage.h"

#include <algorithm>
#include <array>
#include <utility>

#include "image/Cp949.h"
#include "image/IconvConverter.h"

namespace orb {

namespace {

// The iconv name of each code page other than CP949.
const char* iconvName(int codePage) {
    static constexpr std::array<std::pair<int, const char*>, 17> kNames = {{
        {437, "CP437"},
        {850, "CP850"},
        {874, "CP874"},
        {932, "CP932"},
        {936, "CP936"},
        {950, "CP950"},
        {1250, "CP1250"},
        {1251, "CP1251"},
        {1252, "CP1252"},
        {1253, "CP1253"},
        {1254, "CP1254"},
        {1255, "CP1255"},
        {1256, "CP1256"},
        {1257, "CP1257"},
        {1258, "CP1258"},
        {1361, "JOHAB"},
        {10000, "MACINTOSH"},
    }};
    for (const auto& [number, name] : kNames)
        if (number == codePage) return name;
    return nullptr;
}

}  // namespace

bool knownCodePage(int codePage) {
    return codePage == 949 || iconvName(codePage) != nullptr;
}

int codePageOfCharset(int charset, int documentCodePage) {
    static constexpr std::array<std::pair<int, int>, 17> kSets = {{
        {77, 10000},
        {128, 932},
        {129, 949},
        {130, 1361},
        {134, 936},
        {136, 950},
        {161, 1253},
        {162, 1254},
        {163, 1258},
        {177, 1255},
        {178, 1256},
        {186, 1257},
        {204, 1251},
        {222, 874},
        {238, 1250},
        {254, 437},
        {255, 850},
    }};
    if (charset >= 0 && charset <= 2) return documentCodePage;
    for (const auto& [set, codePage] : kSets)
        if (set == charset) return codePage;
    return -1;
}

std::string codePageToUtf8(std::string_view bytes, int codePage) {
    if (codePage == 949) return cp949ToUtf8Lossy(bytes);
    const char* name = iconvName(codePage);
    if (!name) return {};
    IconvConverter converter("UTF-8", name);
    std::string out;
    if (!converter.ok()) return out;
    // A byte that starts no character, or a character cut off at the end, becomes U+FFFD and
    // the decoding goes on after that byte.
    while (!bytes.empty()) {
        bytes.remove_prefix(converter.convert(bytes, out));
        if (bytes.empty()) break;
        out += "\xEF\xBF\xBD";
        bytes.remove_prefix(1);
    }
    return out;
}

bool needsCodePage(std::string_view bytes) {
    return std::any_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

}  // namespace orb
