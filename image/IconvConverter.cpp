#include "image/IconvConverter.h"

#include <array>
#include <cerrno>

namespace orb {

size_t IconvConverter::convert(std::string_view in, std::string& out) {
    char* src = const_cast<char*>(in.data());  // iconv's signature; it does not write
    size_t srcLeft = in.size();
    std::array<char, 1024> buffer{};
    while (srcLeft > 0) {
        char* dst = buffer.data();
        size_t dstLeft = buffer.size();
        const size_t r = ::iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer.data(), static_cast<size_t>(dst - buffer.data()));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) break;
    }
    char* dst = buffer.data();
    size_t dstLeft = buffer.size();
    ::iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer.data(), static_cast<size_t>(dst - buffer.data()));
    ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    return in.size() - srcLeft;
}

}  // namespace orb
