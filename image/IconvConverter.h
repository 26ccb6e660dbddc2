#pragma once
// One iconv conversion between two encodings, for the text conversions of the core (CP949 and
// the code pages of RTF files).
#include <iconv.h>

#include <string>
#include <string_view>

namespace orb {

class IconvConverter {
  public:
    IconvConverter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
    ~IconvConverter() {
        if (ok()) ::iconv_close(cd_);
    }
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;

    // False when iconv knows one of the encodings not.
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as it can into OUT. Stops at an invalid or incomplete sequence and returns
    // the number of input bytes consumed; a character the converter held back (for marks that
    // might follow it) is given out before it returns.
    size_t convert(std::string_view in, std::string& out);

  private:
    iconv_t cd_;
};

}  // namespace orb
