#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "image/EffectCatalogue.h"

namespace orb {
namespace {

TEST(EffectCatalogue, StoredCodesMeanTheirListsEffects) {
    EXPECT_EQ(entryEffectOf(ContentKind::Sentence, 2), EntryEffect::FromRight);
    EXPECT_EQ(entryEffectOf(ContentKind::Bitmap, 2), EntryEffect::ScrollUp);
    EXPECT_EQ(entryEffectOf(ContentKind::BitmapPhrase, 3), EntryEffect::FromRight);
    EXPECT_EQ(entryEffectOf(ContentKind::Dday, 1), EntryEffect::PassAcross);
    EXPECT_EQ(entryEffectOf(ContentKind::Sentence, 9), EntryEffect::OpenFromMiddleRow);
    EXPECT_EQ(entryEffectOf(ContentKind::Sentence, 10), EntryEffect::Unknown);
    EXPECT_EQ(entryEffectOf(ContentKind::Bitmap, 10), EntryEffect::OpenFromMiddleRow);
    EXPECT_EQ(entryEffectOf(ContentKind::Bitmap, 11), EntryEffect::Unknown);
    EXPECT_EQ(holdEffectOf(0), HoldEffect::None);
    EXPECT_EQ(holdEffectOf(7), HoldEffect::GrowAndShrink);
    EXPECT_EQ(holdEffectOf(8), HoldEffect::Unknown);
    EXPECT_EQ(exitEffectOf(4), ExitEffect::Down);
    EXPECT_EQ(exitEffectOf(255), ExitEffect::Unknown);
    EXPECT_STREQ(pictureEntryCatalogue()[2].label, "3. 위로 지나가기(스크롤)");
    EXPECT_STREQ(exitCatalogue()[4].label, "5. 아래로 나기기");
}

template <typename Effect>
void expectDistinctAsciiKeys(Effect last) {
    std::set<std::string> keys;
    for (int i = 0; i <= static_cast<int>(last); ++i) {
        const std::string key = keyOf(static_cast<Effect>(i));
        EXPECT_TRUE(keys.insert(key).second) << key;
        for (char c : key) EXPECT_TRUE(std::islower(static_cast<unsigned char>(c)) || c == '-') << key;
    }
}

TEST(EffectCatalogue, KeysAreDistinctAsciiNames) {
    expectDistinctAsciiKeys(EntryEffect::Unknown);
    expectDistinctAsciiKeys(HoldEffect::Unknown);
    expectDistinctAsciiKeys(ExitEffect::Unknown);
    EXPECT_STREQ(keyOf(EntryEffect::ScrollUp), "scroll-up");
    EXPECT_STREQ(keyOf(static_cast<HoldEffect>(200)), "unknown");
}

}  // namespace
}  // namespace orb
