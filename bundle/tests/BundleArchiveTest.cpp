// The ZIP container: what it refuses, naming the entry, and what it reads back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "bundle/BundleArchive.h"
#include "bundle/EntryName.h"
#include "bundle/tests/ZipCraft.h"

namespace orb {
namespace {

using testing::CraftEntry;
using testing::craftZip;
using ::testing::HasSubstr;
using testing::HeaderFields;
using testing::textBytes;

BundleOutcome opened(const std::vector<uint8_t>& zip, const BundleLimits& limits = {}) {
    BundleArchive archive;
    return archive.open(zip, limits);
}

TEST(EntryName, OnlyPlainRelativePathsAreNames) {
    for (const char* good :
         {"program.json", "media/001-로고 1.bmp", "a.b/c", "media/", "..a/b..", "a/.hidden"})
        EXPECT_EQ(entryNameProblem(good), "") << good;
    const std::pair<std::string, const char*> bad[] = {
        {"", "empty"},
        {"../evil.bmp", "\"..\""},
        {"media/../../evil.bmp", "\"..\""},
        {"./a.bmp", "\".\""},
        {"a//b.bmp", "empty part"},
        {"/etc/passwd", "starts with \"/\""},
        {"media\\a.bmp", "backslash"},
        {"C:/a.bmp", "colon"},
        {"c:evil.bmp", "colon"},
        {"a\x01.bmp", "control character"},
        {"a\nb.bmp", "control character"},
        {std::string("a\0b", 3), "control character"},
        {"\xff.bmp", "not UTF-8"},
        {std::string(256, 'a'), "at most 255"},
    };
    for (const auto& [name, why] : bad) EXPECT_THAT(entryNameProblem(name), HasSubstr(why)) << name;
}

TEST(EntryName, NamesOneFileSystemTakesForOneShareAKey) {
    EXPECT_EQ(entryNameKey("Media/LOGO.bmp"), entryNameKey("media/logo.bmp"));
    EXPECT_EQ(entryNameKey("media/\u1100\u1161.bmp"), entryNameKey("media/\uAC00.bmp"));  // NFD and NFC 가
    EXPECT_EQ(entryNameKey("media/"), entryNameKey("media"));
    EXPECT_NE(entryNameKey("media/a.bmp"), entryNameKey("media/b.bmp"));
}

TEST(BundleArchive, WritesWhatItReadsBackAndTheSameFilesGiveTheSameBytes) {
    const std::vector<BundleFile> files = {{"program.json", textBytes("{}")},
                                           {"media/001-로고.bmp", std::vector<uint8_t>(5000, 7)},
                                           {"media/002-empty.rtf", {}}};
    std::vector<uint8_t> zip, again;
    ASSERT_TRUE(writeArchive(files, zip).ok());
    ASSERT_TRUE(writeArchive(files, again).ok());
    EXPECT_TRUE(zip == again);
    EXPECT_LT(zip.size(), 1000u) << "deflated";

    BundleArchive archive;
    ASSERT_TRUE(archive.open(zip).ok());
    EXPECT_EQ(archive.fileCount(), 3u);
    for (const BundleFile& f : files) {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(archive.read(f.name, bytes).ok()) << f.name;
        EXPECT_TRUE(bytes == f.bytes) << f.name;
    }
    std::vector<uint8_t> bytes;
    const BundleOutcome missing = archive.read("media/none.bmp", bytes);
    EXPECT_EQ(missing.result, BundleResult::MissingFile);
    const BundleOutcome tooLarge = archive.read("media/001-로고.bmp", bytes, 4999);
    EXPECT_EQ(tooLarge.result, BundleResult::TooLarge);
    EXPECT_EQ(toText(tooLarge), "\"media/001-로고.bmp\": declares 5000 bytes; at most 4999");
}

TEST(BundleArchive, WhatIsNotAZipIsRefused) {
    std::vector<uint8_t> zip;
    ASSERT_TRUE(
        writeArchive(std::vector<BundleFile>{{"program.json", std::vector<uint8_t>(3000, 'x')}}, zip).ok());
    const std::vector<uint8_t> halfAZip(zip.begin(),
                                        zip.begin() + static_cast<std::ptrdiff_t>(zip.size() / 2));
    std::vector<uint8_t> noise(4000);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    for (const std::vector<uint8_t>& bytes :
         {std::vector<uint8_t>{}, textBytes("{\"version\": 1}"), halfAZip, noise}) {
        const BundleOutcome r = opened(bytes);
        EXPECT_EQ(r.result, BundleResult::NotZip);
        EXPECT_THAT(toText(r), HasSubstr("ZIP archive"));
    }
}

TEST(BundleArchive, UnsafeNamesAreRefusedNamingTheEntry) {
    for (const char* name : {"../evil.bmp", "media/../../evil.bmp", "/etc/cron.d/evil", "media\\evil.bmp",
                             "C:/evil.bmp", "media//evil.bmp"}) {
        const BundleOutcome r = opened(craftZip({{"program.json", textBytes("{}")}, {name, textBytes("x")}}));
        EXPECT_EQ(r.result, BundleResult::UnsafeName) << name;
        EXPECT_EQ(r.entry, name);
        EXPECT_THAT(toText(r), HasSubstr(std::string("\"") + name + "\": the name "));
    }
}

TEST(BundleArchive, LinksAndSpecialFilesAreRefused) {
    struct Case {
        uint8_t system;
        uint32_t attributes;
        const char* why;
    };
    const Case cases[] = {
        {ZIP_OPSYS_UNIX, uint32_t{S_IFLNK | 0777} << 16, "a symbolic link"},
        {ZIP_OPSYS_WINDOWS_NTFS, 0x400, "a symbolic link"},  // a reparse point
        {ZIP_OPSYS_UNIX, uint32_t{S_IFIFO | 0644} << 16, "a special file"},
        {ZIP_OPSYS_UNIX, uint32_t{S_IFCHR | 0644} << 16, "a special file"},
    };
    for (const Case& c : cases) {
        CraftEntry link{"media/logo.bmp", textBytes("/etc/passwd")};
        link.system = c.system;
        link.attributes = c.attributes;
        const BundleOutcome r = opened(craftZip({{"program.json", textBytes("{}")}, link}));
        EXPECT_EQ(r.result, BundleResult::NotRegular);
        EXPECT_THAT(toText(r), HasSubstr(std::string("\"media/logo.bmp\": ") + c.why)) << int{c.system};
    }
}

TEST(BundleArchive, NamesGivenTwiceAreRefused) {
    std::vector<uint8_t> twice =
        craftZip({{"media/a.bmp", textBytes("one")}, {"media/b.bmp", textBytes("two")}});
    testing::renameEntry(twice, "media/b.bmp", "media/a.bmp");
    BundleOutcome r = opened(twice);
    EXPECT_EQ(r.result, BundleResult::DuplicateName);
    EXPECT_EQ(toText(r), "\"media/a.bmp\": given twice");

    r = opened(craftZip({{"media/Logo.bmp", textBytes("one")}, {"media/logo.BMP", textBytes("two")}}));
    EXPECT_EQ(r.result, BundleResult::DuplicateName);
    EXPECT_EQ(toText(r),
              "\"media/logo.BMP\": the same name as \"media/Logo.bmp\" where case is ignored or "
              "Unicode normalised");

    r = opened(
        craftZip({{"media/\uAC00.bmp", textBytes("one")}, {"media/\u1100\u1161.bmp", textBytes("two")}}));
    EXPECT_EQ(r.result, BundleResult::DuplicateName);

    r = opened(craftZip({{"media", textBytes("a file")}, {"media/a.bmp", textBytes("two")}}));
    EXPECT_EQ(r.result, BundleResult::DuplicateName);
    EXPECT_EQ(toText(r), "\"media\": a file, and also the folder of \"media/a.bmp\"");

    EXPECT_TRUE(opened(craftZip({{"media/", {}}, {"media/a.bmp", textBytes("x")}})).ok()) << "a folder entry";
}

TEST(BundleArchive, EncryptedAndOtherwiseCompressedEntriesAreRefused) {
    std::vector<uint8_t> zip =
        craftZip({{"program.json", textBytes("{}")}, {"media/a.bmp", textBytes("secret")}});
    std::vector<uint8_t> encrypted = zip;
    testing::patchHeaders(encrypted, "media/a.bmp",
                          [](uint8_t* h, const HeaderFields& f) { h[f.flags] |= 1; });
    BundleOutcome r = opened(encrypted);
    EXPECT_EQ(r.result, BundleResult::Encrypted);
    EXPECT_EQ(toText(r), "\"media/a.bmp\": encrypted");

    std::vector<uint8_t> bzip2 = zip;
    testing::patchHeaders(bzip2, "media/a.bmp",
                          [](uint8_t* h, const HeaderFields& f) { writeLe16(h + f.method, 12); });
    r = opened(bzip2);
    EXPECT_EQ(r.result, BundleResult::Unsupported);
    EXPECT_THAT(toText(r), HasSubstr("\"media/a.bmp\": compressed by method 12"));
}

TEST(BundleArchive, EntriesAreCountedBeforeTheArchiveIsOpened) {
    std::vector<CraftEntry> entries;
    for (int i = 0; i < 6; ++i) entries.push_back({"media/" + std::to_string(i) + ".bmp", textBytes("x")});
    const std::vector<uint8_t> zip = craftZip(entries);
    BundleLimits limits;
    limits.maxEntries = 5;
    const BundleOutcome r = opened(zip, limits);
    EXPECT_EQ(r.result, BundleResult::TooManyEntries);
    EXPECT_EQ(toText(r), "the archive claims 6 entries; at most 5");
    limits.maxEntries = 6;
    EXPECT_TRUE(opened(zip, limits).ok());
}

// A small archive of zeros that would expand to 2 MiB.
std::vector<uint8_t> zeros(const std::string& name, size_t bytes) {
    return craftZip({{"program.json", textBytes("{}")}, {name, std::vector<uint8_t>(bytes, 0)}});
}

TEST(BundleArchive, DeclaredSizesArePassedUpBeforeInflating) {
    const std::vector<uint8_t> bomb = zeros("media/zeros.bmp", 2 << 20);
    ASSERT_LT(bomb.size(), 10000u);
    BundleLimits limits;
    limits.maxExpandedBytes = 1 << 20;
    const BundleOutcome r = opened(bomb, limits);
    EXPECT_EQ(r.result, BundleResult::TooLarge);
    EXPECT_THAT(toText(r),
                HasSubstr("\"media/zeros.bmp\": the entries up to this one declare more than 1048576"));
    limits.maxArchiveBytes = 1000;
    EXPECT_EQ(toText(opened(bomb, limits)),
              "the archive is " + std::to_string(bomb.size()) + " bytes; at most 1000");
}

TEST(BundleArchive, AnEntryThatInflatesPastItsDeclaredSizeIsCutOff) {
    std::vector<uint8_t> liar = zeros("media/zeros.bmp", 2 << 20);
    testing::patchHeaders(liar, "media/zeros.bmp",
                          [](uint8_t* h, const HeaderFields& f) { writeLe32(h + f.size, 100); });
    BundleLimits limits;
    limits.maxExpandedBytes = 1 << 20;
    BundleArchive archive;
    ASSERT_TRUE(archive.open(liar, limits).ok());
    std::vector<uint8_t> bytes;
    const BundleOutcome r = archive.read("media/zeros.bmp", bytes);
    EXPECT_EQ(r.result, BundleResult::Damaged);
    EXPECT_EQ(toText(r), "\"media/zeros.bmp\": inflates past its declared size of 100 bytes");
    EXPECT_TRUE(bytes.empty());
}

TEST(BundleArchive, AnEntryShorterThanDeclaredOrWithAWrongChecksumIsDamaged) {
    std::vector<uint8_t> shorter = zeros("media/a.bmp", 1000);
    testing::patchHeaders(shorter, "media/a.bmp",
                          [](uint8_t* h, const HeaderFields& f) { writeLe32(h + f.size, 2000); });
    BundleArchive archive;
    ASSERT_TRUE(archive.open(shorter).ok());
    std::vector<uint8_t> bytes;
    EXPECT_EQ(archive.read("media/a.bmp", bytes).result, BundleResult::Damaged);

    CraftEntry stored{"media/a.bmp", std::vector<uint8_t>(1000, 'a')};
    stored.method = ZIP_CM_STORE;
    std::vector<uint8_t> flipped = craftZip({stored});
    testing::patchHeaders(flipped, "media/a.bmp", [](uint8_t* h, const HeaderFields& f) {
        if (f.name == testing::kLocal.name) h[f.name + 11 + readLe16(h + 28) + 500] = 'b';  // in the data
    });
    ASSERT_TRUE(archive.open(flipped).ok());
    const BundleOutcome r = archive.read("media/a.bmp", bytes);
    EXPECT_EQ(r.result, BundleResult::Damaged);
    EXPECT_THAT(toText(r), HasSubstr("CRC"));
}

}  // namespace
}  // namespace orb
