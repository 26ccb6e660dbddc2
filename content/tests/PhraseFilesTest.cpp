#include <gtest/gtest.h>

#include <fstream>

#include "content/BmpFile.h"
#include "content/PhraseFiles.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

void touch(const std::string& path) {
    std::ofstream(path) << "{\\rtf1 x}";
}

TEST(PhraseFiles, NewPhraseTakesTheNextNumber) {
    testing::TempDir dir;
    const std::string folder = phraseFolder(dir.path().string());
    EXPECT_EQ(nextPhraseNames(folder).rtf, folder + "/001.rtf");  // no folder yet
    ASSERT_TRUE(ensurePhraseFolder(folder));
    EXPECT_EQ(nextPhraseNames(folder).bmp, folder + "/001.bmp");
    touch(folder + "/001.rtf");
    touch(folder + "/002.RTF");
    touch(folder + "/001.bmp");
    const PhraseNames names = nextPhraseNames(folder);
    EXPECT_EQ(names.rtf, folder + "/003.rtf");
    EXPECT_EQ(names.bmp, folder + "/003.bmp");
}

TEST(PhraseFiles, ANumberStillInUseIsNotTakenAgain) {
    testing::TempDir dir;
    const std::string folder = phraseFolder(dir.path().string());
    ASSERT_TRUE(ensurePhraseFolder(folder));
    touch(folder + "/001.rtf");
    touch(folder + "/002.rtf");  // 002 went; 003 is still an item's phrase
    std::filesystem::remove(folder + "/002.rtf");
    touch(folder + "/003.rtf");
    EXPECT_EQ(nextPhraseNames(folder).rtf, folder + "/004.rtf");
}

TEST(PhraseFiles, SaveThenLoad) {
    testing::TempDir dir;
    const PhraseNames names = nextPhraseNames(phraseFolder(dir.path().string()));
    RichText text;
    RichFormat f;
    f.font = "NanumGothic";
    f.colour = Rgb{255, 0, 0};
    text.append("문구", f);
    RgbImage picture(5, 3, Rgb{255, 0, 0});
    ASSERT_EQ(SavePhrase(names, text, picture), PhraseResult::Ok);
    LoadedPhrase loaded;
    ASSERT_EQ(LoadPhrase(names.rtf, names.bmp, loaded), PhraseResult::Ok);
    EXPECT_EQ(loaded.text, text);
    EXPECT_EQ(loaded.picture.width, 5);
    EXPECT_EQ(loaded.picture.height, 3);
    EXPECT_EQ(loaded.picture.at(4, 2), (Rgb{255, 0, 0}));

    LoadedPhrase missing;
    EXPECT_EQ(LoadPhrase(dir.file("none.rtf"), names.bmp, missing), PhraseResult::CannotReadRtf);
    std::ofstream(dir.file("bad.rtf")) << "not rtf";
    EXPECT_EQ(LoadPhrase(dir.file("bad.rtf"), names.bmp, missing), PhraseResult::BadRtf);
    EXPECT_EQ(LoadPhrase(names.rtf, dir.file("none.bmp"), missing), PhraseResult::CannotReadBmp);
    EXPECT_EQ(missing.text, text);
}

TEST(PhraseFiles, UnwritableFolderIsReported) {
    testing::TempDir dir;
    touch(dir.file("RTF"));  // a file where the folder should be
    const PhraseNames names{dir.file("RTF") + "/001.rtf", dir.file("RTF") + "/001.bmp"};
    EXPECT_EQ(SavePhrase(names, RichText{}, RgbImage(1, 1)), PhraseResult::CannotCreateFolder);
}

}  // namespace
}  // namespace orb
