// The one whole-file writer: new bytes in one step, the permissions asked for, links kept, and
// nothing left behind when it fails.
#include "image/ReplaceFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "image/ByteDevice.h"
#include "testsupport/NotReplaceable.h"
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

TEST(ReplaceFile, ReplacesTheBytesAndKeepsTheModeOfAFileThatExists) {
    TempDir dir;
    testing::writeFileBytes(dir.file("f"), std::vector<uint8_t>(100, 9));
    ASSERT_EQ(::chmod(dir.file("f").c_str(), 0600), 0);
    ASSERT_EQ(replaceFile(dir.file("f"), kBytes, 0644), IoResult::Ok);
    EXPECT_EQ(testing::readFileBytes(dir.file("f")), kBytes);
    EXPECT_EQ(modeOf(dir.file("f")), 0600u);
    ASSERT_EQ(replaceFile(dir.file("new"), std::span<const uint8_t>(), 0640), IoResult::Ok);
    EXPECT_EQ(modeOf(dir.file("new")), 0640u);
    EXPECT_TRUE(testing::readFileBytes(dir.file("new")).empty());
    EXPECT_EQ(entriesIn(dir), 2u);
}

// Every writer, whole-file or in place, as root and as an ordinary user.
TEST(ReplaceFile, OnlyTheUsersOwnRegularFileIsWritten) {
    TempDir dir;
    std::vector<std::string> refused = testing::pathsNotToReplace(dir, 64);
    for (const std::string& path : refused) {
        SCOPED_TRACE(path);
        const std::string before = testing::stateOf(path);
        EXPECT_EQ(checkReplaceable(path), IoResult::NotReplaceable);
        EXPECT_EQ(replaceFile(path, kBytes), IoResult::NotReplaceable);
        EXPECT_EQ(createZeroFile(path, 64), IoResult::NotReplaceable);
        std::unique_ptr<ByteDevice> device;
        EXPECT_EQ(FileDevice::open(path, FileMode::ReadWrite, 64, device), IoResult::NotReplaceable);
        EXPECT_EQ(FileDevice::open(path, FileMode::CreateOrOpen, 64, device), IoResult::NotReplaceable);
        EXPECT_EQ(testing::stateOf(path), before);
    }
    EXPECT_EQ(entriesIn(dir), refused.size());

    const std::string others = testing::othersFile(dir, 64);
    if (others.empty()) return;
    const std::string before = testing::stateOf(others);
    const int code = testing::runAs(65534, [&] {
        std::unique_ptr<ByteDevice> device;
        return replaceFile(others, kBytes) == IoResult::NotReplaceable &&
               FileDevice::open(others, FileMode::ReadWrite, 64, device) == IoResult::NotReplaceable &&
               replaceFile(dir.file("shared/mine"), kBytes) == IoResult::Ok;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(testing::stateOf(others), before);
    EXPECT_EQ(testing::readFileBytes(dir.file("shared/mine")), kBytes);
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
    testing::writeFileBytes(dir.file("f"), kBytes);
    // A write cut short, here by a limit on file sizes.
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{16, 16};
        ::setrlimit(RLIMIT_FSIZE, &small);
        const bool failed = replaceFile(dir.file("f"), std::vector<uint8_t>(1000, 7)) == IoResult::WriteFailed;
        ::_exit(failed && errno == EFBIG ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(testing::readFileBytes(dir.file("f")), kBytes);
    EXPECT_EQ(entriesIn(dir), 1u);

    errno = 0;
    EXPECT_EQ(replaceFile(dir.file("no/such/folder"), kBytes), IoResult::CreateFailed);
    EXPECT_EQ(errno, ENOENT);
}

// A writer killed (SIGKILL cannot be held back) with its temporary file beside the target, kept
// on trying until one is left behind.
std::vector<std::string> leftoversOfAKill(const TempDir& dir, const std::string& prefix) {
    std::vector<std::string> left;
    for (int attempt = 0; attempt < 5 && left.empty(); ++attempt) {
        const pid_t writer = ::fork();
        if (writer == 0) {
            const std::vector<uint8_t> big(4 << 20, 1);
            for (;;) replaceFile(dir.file("target"), big);
        }
        for (int wait = 0; wait < 5000 && left.empty(); ++wait) {
            ::usleep(1000);
            for (const auto& e : fs::directory_iterator(dir.path()))
                if (e.path().filename().string().rfind(prefix, 0) == 0) left.push_back(e.path());
        }
        ::kill(writer, SIGKILL);
        ::waitpid(writer, nullptr, 0);
        left.clear();
        for (const auto& e : fs::directory_iterator(dir.path()))
            if (e.path().filename().string().rfind(prefix, 0) == 0) left.push_back(e.path());
    }
    return left;
}

TEST(ReplaceFile, TheNextWriteOfTheSameProgramRemovesItsLeftoversOnly) {
    TempDir dir;
    const std::string prefix = "target." + std::string(program_invocation_short_name) + "-";
    const std::vector<std::string> left = leftoversOfAKill(dir, prefix);
    ASSERT_FALSE(left.empty()) << "no temporary file named " << prefix << "XXXXXX was seen";
    // Another program's leftover, and one of ours still being written (its writer holds the lock).
    testing::writeFileBytes(dir.file("target.Orb-abc123"), kBytes);
    const int live = ::open((dir.file(prefix + "LIVE00")).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);

    removeLeftovers(dir.file("target"));
    for (const std::string& path : left) EXPECT_FALSE(fs::exists(path)) << path;
    EXPECT_TRUE(fs::exists(dir.file("target.Orb-abc123")));
    EXPECT_TRUE(fs::exists(dir.file(prefix + "LIVE00")));
    // A write cleans up as well, and leaves the same two.
    testing::writeFileBytes(left.front(), kBytes);
    ASSERT_EQ(replaceFile(dir.file("target"), kBytes), IoResult::Ok);
    EXPECT_FALSE(fs::exists(left.front()));
    ::close(live);
    EXPECT_EQ(entriesIn(dir), 3u);  // the target, the other program's and the live one
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
