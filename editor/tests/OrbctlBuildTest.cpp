// Runs the orbctl program itself, as a user or a script would.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include "editor/core/ProgramWriter.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/PictureFixtures.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

using testing::TempDir;

using testing::Outcome;

Outcome orbctl(const std::string& args) {
    return testing::runCommand(std::string(ORBCTL_PATH) + " " + args);
}

std::string saveProject(const TempDir& dir, const std::vector<ItemRecord>& items,
                        const SettingsBlock& settings) {
    const std::string path = dir.file("project.dat");
    ItemStore store;
    EXPECT_EQ(ItemStore::open(path, FileMode::CreateOrOpen, store), IoResult::Ok);
    for (size_t i = 0; i < items.size(); ++i)
        EXPECT_EQ(store.writeRecord(static_cast<int>(i), items[i]), IoResult::Ok);
    EXPECT_EQ(store.writeSettings(settings), IoResult::Ok);
    return path;
}

TEST(OrbctlBuild, WritesTheBytesOfTheProgramWriterIntoTheFile) {
    TempDir dir;
    const std::string image = dir.file("preview.tmp");
    Outcome r = orbctl(std::string(EXAMPLE_PROJECT) + " -o " + image);
    ASSERT_EQ(r.status, 2) << "build needs its command word";
    r = orbctl("build " + std::string(EXAMPLE_PROJECT) + " -o " + image);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "");
    ASSERT_EQ(std::filesystem::file_size(image), ProgramImage::kSize);

    ItemStore store;
    ASSERT_EQ(ItemStore::open(EXAMPLE_PROJECT, FileMode::ReadOnly, store), IoResult::Ok);
    ProgramPlan plan;
    ASSERT_EQ(planProgram(store, store.itemCount(), 10, 2, plan).result, PlanResult::Ok);
    ProgramImage written;
    ASSERT_EQ(ProgramImage::open(image, FileMode::ReadOnly, written), IoResult::Ok);
    for (const ProgramWrite& w : plan.writes) {
        std::vector<uint8_t> got(w.bytes.size());
        ASSERT_EQ(written.read(w.address, got), IoResult::Ok);
        EXPECT_EQ(got, w.bytes) << "at " << w.address;
    }
    ImageHeader h;
    ASSERT_EQ(written.readHeader(h), IoResult::Ok);
    EXPECT_EQ(h, (ImageHeader{10, 2, 5}));
}

TEST(OrbctlBuild, SignSizeIsCorrectedAsAtStartUp) {
    TempDir dir;
    SettingsBlock s;
    s.setSignWidth(41);
    s.setSignHeight(0);
    ItemRecord clock;
    clock.header = ItemHeader::newItem(LayoutCode::OneLine, {1, 0, 0});
    clock.header.setKind(1, ContentKind::Clock);
    const std::string project = saveProject(dir, {clock}, s);
    const auto before = testing::readFileBytes(project);
    ASSERT_EQ(orbctl("build " + project + " -o " + dir.file("p.tmp")).status, 0);
    ProgramImage image;
    ASSERT_EQ(ProgramImage::open(dir.file("p.tmp"), FileMode::ReadOnly, image), IoResult::Ok);
    ImageHeader h;
    ASSERT_EQ(image.readHeader(h), IoResult::Ok);
    EXPECT_EQ(h, (ImageHeader{6, 1, 1}));
    EXPECT_EQ(testing::readFileBytes(project), before);  // the project is only read
}

TEST(OrbctlBuild, RefusalsLeaveTheImageUntouched) {
    TempDir dir;
    const std::string image = dir.file("preview.tmp");

    // A project of the wrong size: no image is made.
    testing::writeFileBytes(dir.file("short.dat"), std::vector<uint8_t>(100, 0));
    Outcome r = orbctl("build " + dir.file("short.dat") + " -o " + image);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("오픈할수 없는 파일입니다"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(image));

    // An image of the wrong size is refused, not overwritten.
    testing::writeFileBytes(image, std::vector<uint8_t>(1000, 9));
    r = orbctl("build " + std::string(EXAMPLE_PROJECT) + " -o " + image);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(testing::readFileBytes(image), std::vector<uint8_t>(1000, 9));

    // A program too large for the sign's memory: refused, naming the item, before writing.
    testing::GifFrameSpec frame;
    frame.width = 800;
    frame.height = 160;
    frame.indexes.assign(800 * 160, 1);
    const std::string big = dir.file("big.gif");
    testing::writeFileBytes(big, testing::makeGif(800, 160, {{0, 0, 0}, {255, 0, 0}},
                                                  std::vector<testing::GifFrameSpec>(40, frame)));
    ItemRecord three;
    three.header = ItemHeader::newItem(LayoutCode::ThreeLines, {1, 1, 1});
    for (int line = 1; line <= 3; ++line) {
        three.header.setKind(line, ContentKind::Animation);
        three.line(line).setPath(big);
    }
    const std::string project = saveProject(dir, std::vector<ItemRecord>(9, three), SettingsBlock{});
    ASSERT_EQ(createZeroFile(image, ProgramImage::kSize), IoResult::Ok);
    r = orbctl("build " + project + " -o " + image);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("9번째 아이템"), std::string::npos) << r.output;
    ProgramImage untouched;
    ASSERT_EQ(ProgramImage::open(image, FileMode::ReadOnly, untouched), IoResult::Ok);
    std::vector<uint8_t> start(512);
    ASSERT_EQ(untouched.readAtSector(5120, start), IoResult::Ok);
    EXPECT_EQ(start, std::vector<uint8_t>(512, 0));
}

TEST(OrbctlBuild, ReportsLinesWhoseFilesAreMissing) {
    TempDir dir;
    ItemRecord r;
    r.header = ItemHeader::newItem(LayoutCode::OneLine, {1, 0, 0});
    r.header.setKind(1, ContentKind::Bitmap);
    r.line(1).setPath(dir.file("vanished.bmp"));
    const std::string project = saveProject(dir, {r}, SettingsBlock{});
    Outcome run = orbctl("build " + project + " -o " + dir.file("p.tmp"));
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("1번째 아이템 1번째줄"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("vanished.bmp"), std::string::npos);
}

}  // namespace
}  // namespace orb
