// orbctl export --bundle and import of a bundle, run as a script would.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "bundle/tests/ZipCraft.h"
#include "editor/tests/OrbctlRun.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

using ::testing::HasSubstr;
using testing::Outcome;
using testing::TempDir;

TEST(OrbctlBundle, TheExampleMovesToAnotherFolderAndBuildsTheSameImage) {
    TempDir there, here;
    const std::string bundle = there.file("demo.zip");
    Outcome r = orbctl(std::string("export ") + EXAMPLE_PROJECT + " --bundle " + bundle);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "");

    r = orbctl("import " + bundle + " -o " + here.file("demo.dat") + " --media " + here.file("pictures"));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "");
    EXPECT_TRUE(std::filesystem::is_regular_file(here.file("pictures/media/001-logo.bmp")));
    EXPECT_TRUE(std::filesystem::is_regular_file(here.file("pictures/media/002-spinner.gif")));

    ASSERT_EQ(orbctl(std::string("build ") + EXAMPLE_PROJECT + " -o " + there.file("demo.img")).status, 0);
    ASSERT_EQ(orbctl("build " + here.file("demo.dat") + " -o " + here.file("demo.img")).status, 0);
    EXPECT_TRUE(testing::readFileBytes(here.file("demo.img")) ==
                testing::readFileBytes(there.file("demo.img")));
}

TEST(OrbctlBundle, AHostileBundleIsRefusedAndNothingIsWritten) {
    TempDir dir;
    testing::writeFileBytes(dir.file("evil.zip"),
                            testing::craftZip({{"program.json", testing::textBytes("{}")},
                                               {"../evil.bmp", testing::textBytes("x")}}));
    const std::string args = " -o " + dir.file("p.dat") + " --media " + dir.file("pictures");
    Outcome r = orbctl("import " + dir.file("evil.zip") + args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, dir.file("evil.zip") + ": \"../evil.bmp\": the name has a part \"..\"\n" +
                            dir.file("p.dat") + ": nothing written\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("p.dat")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("pictures")));
    EXPECT_FALSE(std::filesystem::exists(dir.path().parent_path() / "evil.bmp"));

    // --media reads any file as a bundle; a bundle needs --media.
    testing::writeFileBytes(dir.file("p.json"), testing::textBytes("{}"));
    r = orbctl("import " + dir.file("p.json") + args);
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.output, HasSubstr("p.json: not a ZIP archive"));
    r = orbctl("import " + dir.file("evil.zip") + " -o " + dir.file("p.dat"));
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.output, HasSubstr("--media DIR"));
    EXPECT_EQ(orbctl(std::string("export ") + EXAMPLE_PROJECT + " -o x.json --bundle y.zip").status, 2);
}

TEST(OrbctlBundle, AnImportThatFailsTakesAwayThePicturesItWrote) {
    TempDir dir;
    const std::string json = R"({"version": 1, "sign": {"width": 10, "height": 1}, "items": [
        {"layout": "two", "heights": [1, 1], "lines": [
          {"kind": "bitmap", "path": "a.bmp", "width": 1, "height": 1},
          {"kind": "bitmap", "path": "b.bmp", "width": 1, "height": 1}]}]})";
    const std::vector<uint8_t> bmp =
        testing::readFileBytes(std::filesystem::path(EXAMPLE_PROJECT).parent_path() / "media/logo.bmp");
    testing::writeFileBytes(
        dir.file("p.zip"),
        testing::craftZip({{"program.json", testing::textBytes(json)}, {"a.bmp", bmp}, {"b.bmp", bmp}}));
    // b.bmp is there already with other bytes: a.bmp was written first, and is taken away again.
    std::filesystem::create_directories(dir.file("pictures"));
    testing::writeFileBytes(dir.file("pictures/b.bmp"), testing::textBytes("mine"));
    const Outcome r = orbctl("import " + dir.file("p.zip") + " -o " + dir.file("p.dat") + " --media " +
                             dir.file("pictures"));
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.output, HasSubstr("\"b.bmp\": " + dir.file("pictures/b.bmp") +
                                    ": already there with other bytes; not replaced"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("pictures/a.bmp")));
    EXPECT_EQ(testing::readFileText(dir.file("pictures/b.bmp")), "mine");
    EXPECT_FALSE(std::filesystem::exists(dir.file("p.dat")));
}

}  // namespace
}  // namespace orb
