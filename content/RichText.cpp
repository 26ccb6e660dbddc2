#include "content/RichText.h"

namespace orb {

void RichText::append(const std::string& utf8, const RichFormat& format) {
    if (utf8.empty()) return;
    if (paragraphs.empty()) paragraphs.emplace_back();
    std::vector<RichRun>& runs = paragraphs.back().runs;
    if (!runs.empty() && runs.back().format == format)
        runs.back().text += utf8;
    else
        runs.push_back({utf8, format});
}

std::string RichText::plainText() const {
    std::string out;
    for (size_t p = 0; p < paragraphs.size(); ++p) {
        if (p) out += '\n';
        for (const RichRun& r : paragraphs[p].runs) out += r.text;
    }
    return out;
}

}  // namespace orb
