// The one whole-file writer: new bytes in one step, the permissions asked for, links kept, and
// nothing left behind when it fails.
#include "image/ReplaceFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "testsupport/TempDir.h"

namespace orb {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

const std::vector<uint8_t> kBytes = {1, 2, 3, 4, 5};

size_t entriesIn(const TempDir& dir) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++n;
    return n;
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

TEST(ReplaceFile, ReplacesTheBytesWithTheModeAsked) {
    TempDir dir;
    testing::writeFileBytes(dir.file("f"), std::vector<uint8_t>(100, 9));
    ASSERT_EQ(replaceFile(dir.file("f"), kBytes, 0600), IoResult::Ok);
    EXPECT_EQ(testing::readFileBytes(dir.file("f")), kBytes);
    EXPECT_EQ(modeOf(dir.file("f")), 0600u);
    ASSERT_EQ(replaceFile(dir.file("new"), std::span<const uint8_t>()), IoResult::Ok);
    EXPECT_EQ(modeOf(dir.file("new")), 0644u);
    EXPECT_TRUE(testing::readFileBytes(dir.file("new")).empty());
    EXPECT_EQ(entriesIn(dir), 2u);
}

TEST(ReplaceFile, WritesThroughALinkAndKeepsIt) {
    TempDir dir;
    fs::create_symlink("real", dir.path() / "link");  // its target does not exist yet
    ASSERT_EQ(replaceFile(dir.file("link"), kBytes), IoResult::Ok);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link"));
    EXPECT_EQ(testing::readFileBytes(dir.file("real")), kBytes);
    ASSERT_EQ(replaceFile(dir.file("link"), std::vector<uint8_t>{7}), IoResult::Ok);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link"));
    EXPECT_EQ(testing::readFileBytes(dir.file("real")), std::vector<uint8_t>{7});
}

TEST(ReplaceFile, AFailureLeavesTheTargetAndNoTemporaryFileAndSaysWhy) {
    TempDir dir;
    fs::create_directory(dir.path() / "taken");
    errno = 0;
    EXPECT_EQ(replaceFile(dir.file("taken"), kBytes), IoResult::WriteFailed);
    EXPECT_NE(errno, 0);
    EXPECT_TRUE(fs::is_directory(dir.path() / "taken"));
    EXPECT_EQ(entriesIn(dir), 1u);

    errno = 0;
    EXPECT_EQ(replaceFile(dir.file("no/such/folder"), kBytes), IoResult::CreateFailed);
    EXPECT_EQ(errno, ENOENT);
}

TEST(CreateZeroFile, MakesZerosThroughALink) {
    TempDir dir;
    fs::create_symlink("image", dir.path() / "link");
    ASSERT_EQ(createZeroFile(dir.file("link"), 64), IoResult::Ok);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link"));
    EXPECT_EQ(testing::readFileBytes(dir.file("image")), std::vector<uint8_t>(64, 0));
    EXPECT_EQ(followLinks(dir.file("link")), dir.file("image"));
    EXPECT_EQ(entriesIn(dir), 2u);
}

}  // namespace
}  // namespace orb
