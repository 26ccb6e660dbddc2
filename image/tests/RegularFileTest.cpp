#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "image/DecimalNumber.h"
#include "image/ItemStore.h"
#include "image/ProgramImage.h"
#include "image/RegularFile.h"
#include "testsupport/Fifo.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

using testing::TempDir;

std::vector<std::string> namesIn(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(SpecialFilesNeverBlock, FifosAreRefusedAtOnce) {
    TempDir dir;
    const testing::Fifo fifo(dir.file("fifo"));
    ASSERT_TRUE(fifo.made());
    const std::optional<FileOpen> opened = fifo.returnsAtOnce([](const std::string& p) {
        RegularFile f;
        return f.open(p);
    });
    EXPECT_EQ(opened, FileOpen::NotRegular);
    for (FileMode mode : {FileMode::ReadOnly, FileMode::ReadWrite}) {
        const std::optional<IoResult> project = fifo.returnsAtOnce([mode](const std::string& p) {
            ItemStore store;
            return ItemStore::open(p, mode, store);
        });
        // Opened for writing it is refused as every writer refuses it.
        EXPECT_EQ(project, mode == FileMode::ReadOnly ? IoResult::OpenFailed : IoResult::NotReplaceable)
            << "a project that is a FIFO";
    }
    const std::optional<IoResult> imageOpen = fifo.returnsAtOnce([](const std::string& p) {
        ProgramImage image;
        return ProgramImage::open(p, FileMode::CreateOrOpen, image);
    });
    EXPECT_EQ(imageOpen, IoResult::NotReplaceable) << "an image that is a FIFO";
}

TEST(SpecialFilesNeverBlock, FoldersAndDevicesAreNotRegularFiles) {
    TempDir dir;
    RegularFile f;
    EXPECT_EQ(f.open(dir.path().string()), FileOpen::NotRegular);
    EXPECT_EQ(f.open("/dev/zero"), FileOpen::NotRegular);
    EXPECT_EQ(f.open("/dev/null", true), FileOpen::NotRegular);
    EXPECT_EQ(f.open(dir.file("none")), FileOpen::Missing);
    EXPECT_FALSE(f.isOpen());

    testing::writeFileBytes(dir.file("data"), {1, 2, 3, 4, 5});
    ASSERT_EQ(f.open(dir.file("data")), FileOpen::Ok);
    EXPECT_EQ(f.size(), 5u);
    std::vector<uint8_t> prefix;
    ASSERT_TRUE(f.readPrefix(3, prefix));
    EXPECT_EQ(prefix, (std::vector<uint8_t>{1, 2, 3}));
    std::vector<uint8_t> tail(4);
    EXPECT_EQ(f.readAt(3, tail), 2);  // the end of the file
    ItemStore store;
    EXPECT_EQ(ItemStore::open("/dev/zero", FileMode::ReadOnly, store), IoResult::OpenFailed);
}

TEST(OutOfRangeNumbersAreUsageErrors, DecimalsAreCheckedAgainstTheirRange) {
    EXPECT_EQ(parseDecimal("0", 0, 10), 0u);
    EXPECT_EQ(parseDecimal("10", 0, 10), 10u);
    EXPECT_EQ(parseDecimal("007", 0, 10), 7u);
    EXPECT_EQ(parseDecimal("18446744073709551615", 0, UINT64_MAX), UINT64_MAX);
    EXPECT_FALSE(parseDecimal("11", 0, 10));
    EXPECT_FALSE(parseDecimal("0", 1, 10));
    EXPECT_FALSE(parseDecimal("4294967295", 0, INT32_MAX));
    EXPECT_FALSE(parseDecimal("18446744073709551616", 0, UINT64_MAX));  // one past: no wrap
    EXPECT_FALSE(parseDecimal("99999999999999999999999", 0, UINT64_MAX));
    for (const char* bad : {"", "-1", "+1", " 1", "1 ", "1e3", "0x10", "١"})
        EXPECT_FALSE(parseDecimal(bad, 0, 100)) << bad;
    EXPECT_EQ(rangeMessage("--scale", 1, 16), "--scale needs a number from 1 to 16");
}

TEST(LinksAndTemporaryFiles, ADanglingLinkGetsItsTargetMade) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "sub");
    std::filesystem::create_symlink("sub/made.tmp", dir.path() / "first");
    std::filesystem::create_symlink("first", dir.path() / "second");  // a chain of two links
    ProgramImage image;
    ASSERT_EQ(ProgramImage::open(dir.file("second"), FileMode::CreateOrOpen, image), IoResult::Ok);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "second"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "first"));
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "sub" / "made.tmp"), ProgramImage::kSize);
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"first", "second", "sub"}));

    std::filesystem::create_symlink(dir.file("sub/absolute.tmp"), dir.path() / "third");
    ASSERT_EQ(createZeroFile(dir.file("third"), 4096), IoResult::Ok);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "third"));
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "sub" / "absolute.tmp"), 4096u);
}

TEST(LinksAndTemporaryFiles, AKillDuringCreationLeavesNoTemporaryFile) {
    TempDir dir;
    for (int round = 0; round < 4; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Small files under new names: nearly all the time goes on creating them.
            for (int n = 0;; ++n)
                if (createZeroFile(dir.file(std::to_string(n) + ".img"), 4096) != IoResult::Ok) ::_exit(3);
        }
        ::usleep(static_cast<useconds_t>(30000 + 10000 * round));
        ::kill(child, SIGTERM);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
        for (const std::string& name : namesIn(dir)) {
            EXPECT_TRUE(name.ends_with(".img")) << name << " left behind in round " << round;
            std::filesystem::remove(dir.path() / name);
        }
    }
}

}  // namespace
}  // namespace orb
