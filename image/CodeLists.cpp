#include "image/CodeLists.h"

namespace orb {

namespace {

constexpr const char* kLayouts[] = {"", "1줄로편집", "2줄로편집", "3줄로편집", "제목과문장"};

constexpr const char* kKinds[] = {"",         "문장",   "비트맵",     "애니메이션",
                                  "시각표시", "디데이", "비트맵문구", "온도표시"};

constexpr const char* kTextEntries[] = {
    "1. 효과없음",
    "2. 지나가기",
    "3. 오른쪽에서 들어오기",
    "4. 왼쪽에서 들어오기",
    "5. 위에서 들어오기",
    "6. 아래에서 들어오기",
    "7. 좌/우에서 가운데로 합치기",
    "8. 가운데에서 좌/우로 나타나기",
    "9. 위/아래에서 가운데로 합치기",
    "10. 가운데에서 위/아래로 나타나기",
};

constexpr const char* kPictureEntries[] = {
    "1. 효과없음",
    "2. 지나가기",
    "3. 위로 지나가기(스크롤)",
    "3. 오른쪽에서 들어오기",
    "4. 왼쪽에서 들어오기",
    "5. 위에서 들어오기",
    "6. 아래에서 들어오기",
    "7. 좌/우에서 가운데로 합치기",
    "8. 가운데에서 좌/우로 나타나기",
    "9. 위/아래에서 가운데로 합치기",
    "10. 가운데에서 위/아래로 나타나기",
};

constexpr const char* kHolds[] = {
    "1.효과없음(유지시간동안유지)", "2.좌우로 흔들기",     "3.상하로 흔들기",   "4.상하좌우로 흔들기",
    "5.좌측으로 회전하기",          "6.우측으로 회전하기", "7.축소 / 확대하기", "8. 확대 / 축소하기",
};

// "나기기" is the sign's own spelling of this entry.
constexpr const char* kExits[] = {
    "1. 효과없음",           "2. 오른쪽으로 나가기",
    "3. 왼쪽으로 나가기",    "4. 위로 나가기",
    "5. 아래로 나기기",      "6. 좌 / 우에서 가운데로 사라지기",
    "7. 좌 / 우로 나가기",   "8. 위 / 아래에서 가운데로 사라지기",
    "9. 위 / 아래로 나가기",
};

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
    return kTextEntries;
}
CodeList pictureEntryEffects() {
    return kPictureEntries;
}
CodeList holdEffects() {
    return kHolds;
}
CodeList exitEffects() {
    return kExits;
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
    return kind == ContentKind::Bitmap || kind == ContentKind::BitmapPhrase ? pictureEntryEffects()
                                                                            : textEntryEffects();
}

}  // namespace orb
