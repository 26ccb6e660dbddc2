#include "image/CodeLists.h"

#include <vector>

#include "image/EffectCatalogue.h"

namespace orb {

namespace {

constexpr const char* kLayouts[] = {"", "1줄로편집", "2줄로편집", "3줄로편집", "제목과문장"};

constexpr const char* kKinds[] = {"",         "문장",   "비트맵",     "애니메이션",
                                  "시각표시", "디데이", "비트맵문구", "온도표시"};

// The effect lists are the catalogue's labels, in its order.
template <typename Effect>
std::vector<const char*> labelsOf(std::span<const CatalogueEntry<Effect>> catalogue) {
    std::vector<const char*> labels;
    for (const auto& entry : catalogue) labels.push_back(entry.label);
    return labels;
}

constexpr const char* kSpeeds[] = {"1", "2", "3", "4", "5"};
constexpr const char* kHoldTimes[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};
constexpr const char* kHeights[] = {"16픽셀", "32픽셀", "48픽셀",  "64픽셀",
                                    "80픽셀", "96픽셀", "112픽셀", "128픽셀"};
constexpr const char* kBrightness[] = {"1(최소밝기)", "2", "3", "4", "5", "6", "7", "8", "9", "10(최대밝기)"};
constexpr const char* kTextColours[] = {"빨강색", "초록색", "노랑색", "검정색"};
constexpr const char* kBackgroundColours[] = {"검정색", "빨강색", "초록색", "노랑색"};
constexpr const char* kTypefaceFonts[] = {"굴림체", "궁서체", "휴먼옛체", "휴먼매직체"};
constexpr const char* kTypefaceLabels[] = {"굴림체", "궁서체", "옛체", "매직체"};

}  // namespace

CodeList layoutNames() {
    return kLayouts;
}
CodeList contentKindNames() {
    return kKinds;
}
CodeList textEntryEffects() {
    static const std::vector<const char*> labels = labelsOf(textEntryCatalogue());
    return labels;
}
CodeList pictureEntryEffects() {
    static const std::vector<const char*> labels = labelsOf(pictureEntryCatalogue());
    return labels;
}
CodeList holdEffects() {
    static const std::vector<const char*> labels = labelsOf(holdCatalogue());
    return labels;
}
CodeList exitEffects() {
    static const std::vector<const char*> labels = labelsOf(exitCatalogue());
    return labels;
}
CodeList speeds() {
    return kSpeeds;
}
CodeList holdTimes() {
    return kHoldTimes;
}
CodeList heights() {
    return kHeights;
}
CodeList brightnessLevels() {
    return kBrightness;
}
CodeList textColours() {
    return kTextColours;
}
CodeList backgroundColours() {
    return kBackgroundColours;
}
CodeList typefaceFonts() {
    return kTypefaceFonts;
}
CodeList typefaceLabels() {
    return kTypefaceLabels;
}

CodeList entryEffectsFor(ContentKind kind) {
    return entryCatalogueFor(kind).data() == pictureEntryCatalogue().data() ? pictureEntryEffects()
                                                                            : textEntryEffects();
}

}  // namespace orb
