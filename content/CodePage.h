#pragma once
// The Windows code pages an RTF file's bytes (\'hh and 8-bit text) may be in, decoded to UTF-8:
// CP949 through image/Cp949.h, the others through iconv.
#include <string>
#include <string_view>

namespace orb {

// The code page of RTF files that name none: Korean, as Korean Windows writes them and as phrase
// files made before code pages were read rely on.
inline constexpr int kDefaultCodePage = 949;

// Whether BYTES in CODE_PAGE can be decoded here: CP437, CP850, CP874, CP932, CP936, CP949,
// CP950, CP1250..1258, CP1361 and Mac Roman (10000).
bool knownCodePage(int codePage);

// The code page a font's \fcharsetN stands for; the document's DOCUMENT_CODE_PAGE for the ANSI,
// default and symbol sets; -1 for a set this reader does not know.
int codePageOfCharset(int charset, int documentCodePage);

// BYTES of a known code page as UTF-8; a byte sequence the code page has no character for becomes
// U+FFFD. Empty for a code page that is not known.
std::string codePageToUtf8(std::string_view bytes, int codePage);

// Whether decoding BYTES needs a code page at all (any byte outside ASCII).
bool needsCodePage(std::string_view bytes);

}  // namespace orb
