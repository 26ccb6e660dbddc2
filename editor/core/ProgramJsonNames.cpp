#include "editor/core/ProgramJsonNames.h"

#include "image/CodeLists.h"

namespace orb::json_names {

namespace {

// "10. 가운데에서 위/아래로 나타나기" -> "가운데에서 위/아래로 나타나기"
std::string unnumbered(std::string_view label) {
    size_t i = 0;
    while (i < label.size() && label[i] >= '0' && label[i] <= '9') ++i;
    if (i > 0 && i < label.size() && label[i] == '.') ++i;
    while (i < label.size() && label[i] == ' ') ++i;
    return std::string(label.substr(i));
}

NameList fromCodeList(CodeList list, bool stripNumbers) {
    std::vector<std::string> names;
    for (const char* label : list) names.push_back(stripNumbers ? unnumbered(label) : std::string(label));
    return NameList(std::move(names));
}

}  // namespace

std::optional<size_t> NameList::find(std::string_view name) const {
    for (size_t i = 0; i < names_.size(); ++i)
        if (!names_[i].empty() && names_[i] == name) return i;
    return std::nullopt;
}

std::string NameList::choices() const {
    std::string out;
    for (const std::string& n : names_) {
        if (n.empty()) continue;
        if (!out.empty()) out += ", ";
        out += '"' + n + '"';
    }
    return out;
}

const NameList& layouts() {
    static const NameList names({"", "one", "two", "three", "title-and-sentence"});
    return names;
}

const NameList& kinds() {
    static const NameList names(
        {"none", "sentence", "bitmap", "animation", "clock", "dday", "phrase", "temperature"});
    return names;
}

const NameList& entryEffectsFor(ContentKind kind) {
    static const NameList text = fromCodeList(textEntryEffects(), true);
    static const NameList picture = fromCodeList(pictureEntryEffects(), true);
    return orb::entryEffectsFor(kind).data() == pictureEntryEffects().data() ? picture : text;
}

const NameList& holdEffects() {
    static const NameList names = fromCodeList(orb::holdEffects(), true);
    return names;
}

const NameList& exitEffects() {
    static const NameList names = fromCodeList(orb::exitEffects(), true);
    return names;
}

const NameList& textColours() {
    static const NameList names = fromCodeList(orb::textColours(), false);
    return names;
}

const NameList& backgrounds() {
    static const NameList names = fromCodeList(backgroundColours(), false);
    return names;
}

const NameList& typefaces() {
    static const NameList names = fromCodeList(typefaceLabels(), false);
    return names;
}

const NameList& linkModes() {
    static const NameList names({"serial", "tcp"});
    return names;
}

const NameList& windowModes() {
    static const NameList names({"always", "inside"});
    return names;
}

}  // namespace orb::json_names
