#include "bundle/EntryName.h"

#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include "image/Utf8.h"

namespace orb {

namespace {

// NAME in UTF-16, or an empty result with ok false when it is not valid UTF-8.
std::u16string toUtf16(std::string_view name, bool& ok) {
    std::u16string out(name.size(), u'\0');  // never more UTF-16 units than UTF-8 bytes
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &length,
                  name.data(), static_cast<int32_t>(name.size()), &status);
    ok = U_SUCCESS(status);
    out.resize(ok ? static_cast<size_t>(length) : 0);
    return out;
}

std::string toUtf8(const std::u16string& text) {
    std::string out(text.size() * 3, '\0');  // at most three bytes per UTF-16 unit
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &length,
                reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()), &status);
    out.resize(U_SUCCESS(status) ? static_cast<size_t>(length) : 0);
    return out;
}

std::string partProblem(std::string_view part) {
    if (part.empty()) return "has an empty part (\"//\")";
    if (part == "." || part == "..") return "has a part \"" + std::string(part) + "\"";
    return {};
}

}  // namespace

std::string entryNameProblem(std::string_view name) {
    if (name.empty()) return "is empty";
    if (name.size() > kMaxEntryNameBytes)
        return "is " + std::to_string(name.size()) + " bytes long; at most " +
               std::to_string(kMaxEntryNameBytes);
    if (name.front() == '/') return "starts with \"/\"";
    if (name.find('\\') != std::string_view::npos) return "holds a backslash";
    if (name.find(':') != std::string_view::npos) return "holds a colon (a drive letter or a stream)";
    bool valid = false;
    toUtf16(name, valid);
    if (!valid) return "is not UTF-8";
    for (char32_t c : decodeUtf8(name))
        if (isControl(c)) return "holds a control character";
    // A folder entry's final "/" ends its last part.
    const std::string_view path = name.back() == '/' ? name.substr(0, name.size() - 1) : name;
    for (size_t begin = 0;;) {
        const size_t end = path.find('/', begin);
        const std::string problem = partProblem(path.substr(begin, end - begin));
        if (!problem.empty()) return problem;
        if (end == std::string_view::npos) break;
        begin = end + 1;
    }
    return {};
}

std::string entryNameKey(std::string_view name) {
    if (!name.empty() && name.back() == '/') name.remove_suffix(1);
    bool valid = false;
    const std::u16string text = toUtf16(name, valid);
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* fold = unorm2_getNFKCCasefoldInstance(&status);
    if (!valid || U_FAILURE(status)) return std::string(name);
    std::u16string folded(text.size() * 4 + 16, u'\0');
    const int32_t length = unorm2_normalize(
        fold, reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()),
        reinterpret_cast<UChar*>(folded.data()), static_cast<int32_t>(folded.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        folded.assign(static_cast<size_t>(length), u'\0');
        status = U_ZERO_ERROR;
        unorm2_normalize(fold, reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()),
                         reinterpret_cast<UChar*>(folded.data()), length, &status);
    }
    if (U_FAILURE(status)) return std::string(name);
    folded.resize(static_cast<size_t>(length));
    return toUtf8(folded);
}

}  // namespace orb
