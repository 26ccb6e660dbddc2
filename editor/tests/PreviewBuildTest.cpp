// The preview build through the core and the memory gauge.
#include <gtest/gtest.h>

#include "editor/core/LinkChoice.h"
#include "editor/core/PreviewBuild.h"
#include "editor/tests/DocumentFixtures.h"
#include "testsupport/PictureFixtures.h"

namespace orb {
namespace {

using Rows = std::vector<int>;
using testing::TempDir;

uint64_t plannedSectors(const ProgramPlan& plan) {
    uint64_t n = 0;
    for (const PlannedItem& item : plan.items)
        for (const PlannedLine& l : item.lines) n += l.sectors;
    return n;
}

TEST(PreviewBuild, TheGaugeCountsWhatTheBuildAllocates) {
    ItemStore store;
    ASSERT_EQ(loadStore(EXAMPLE_PROJECT, store), IoResult::Ok);
    ProgramPlan plan;
    ASSERT_EQ(planStore(store, plan).result, PlanResult::Ok);
    const MemoryUse use = memoryUse(store);
    EXPECT_GT(use.sectors, 0u);
    EXPECT_EQ(use.sectors, plannedSectors(plan));
    EXPECT_TRUE(use.fits());
    EXPECT_EQ(use.percent(), static_cast<int>(use.sectors * 100 / 60416));
}

TEST(PreviewBuild, ProgressCountsEveryLineThenTheWrite) {
    TempDir dir;
    ItemStore store;
    ASSERT_EQ(loadStore(EXAMPLE_PROJECT, store), IoResult::Ok);
    std::vector<std::pair<int, int>> seen;
    const BuildOutcome built = buildImage(store, dir.file("preview.tmp"),
                                          [&](int done, int total) { seen.emplace_back(done, total); });
    ASSERT_EQ(built.result, BuildResult::Done);
    ASSERT_GE(seen.size(), 2u);
    const int total = seen.front().second;
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].first, static_cast<int>(i + 1));
        EXPECT_EQ(seen[i].second, total);
    }
    EXPECT_EQ(seen.back().first, total);

    ProgramImage image;
    ASSERT_EQ(ProgramImage::open(dir.file("preview.tmp"), FileMode::ReadOnly, image), IoResult::Ok);
    ImageHeader h;
    ASSERT_EQ(image.readHeader(h), IoResult::Ok);
    EXPECT_EQ(h.itemCount, store.itemCount());
}

TEST(PreviewBuild, AProgramTooLargeIsRefusedAndTheGaugePassesAHundred) {
    TempDir dir;
    const std::string big = dir.file("big.gif");
    testing::writeFileBytes(big, testing::repeatedFrames(800, 160, true, 40));
    OrbDocument doc;
    LineContent anim;
    anim.kind = ContentKind::Animation;
    anim.payload.setPath(big);
    for (int i = 0; i < 9; ++i) {
        ASSERT_EQ(doc.addItem(LayoutCode::ThreeLines, {1, 1, 1}), DocOutcome::Done);
        for (int line = 1; line <= 3; ++line)
            ASSERT_EQ(doc.setLineContent(Rows{i}, line, anim), DocOutcome::Done);
    }
    const MemoryUse use = doc.memoryUse();
    EXPECT_EQ(use.sectors, 27u * 2500u);
    EXPECT_FALSE(use.fits());
    EXPECT_EQ(use.percent(), 111);

    const std::string image = dir.file("preview.tmp");
    const BuildOutcome built = buildImage(doc.store(), image);
    EXPECT_EQ(built.result, BuildResult::TooLarge);
    EXPECT_NE(built.message.find("9번째 아이템"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(image)) << "refused before the image is made";

    ASSERT_EQ(doc.deleteRows(Rows{0, 1}), DocOutcome::Done);
    EXPECT_EQ(doc.memoryUse().sectors, 21u * 2500u) << "the gauge follows the changes";
    EXPECT_TRUE(doc.memoryUse().fits());
}

TEST(PreviewBuild, ASnapshotBuildsTheSameImageAsTheDocument) {
    TempDir dir;
    OrbDocument doc;
    testing::addSentence(doc, "미리보기");
    ASSERT_EQ(doc.setSignSize(12, 2), DocOutcome::Done);
    ItemStore copy;
    ASSERT_EQ(doc.snapshot(copy), IoResult::Ok);
    ASSERT_EQ(buildImage(copy, dir.file("a.tmp")).result, BuildResult::Done);
    ASSERT_EQ(buildImage(doc.store(), dir.file("b.tmp")).result, BuildResult::Done);
    EXPECT_TRUE(testing::readFileBytes(dir.file("a.tmp")) == testing::readFileBytes(dir.file("b.tmp")));
    ProgramImage image;
    ASSERT_EQ(ProgramImage::open(dir.file("a.tmp"), FileMode::ReadOnly, image), IoResult::Ok);
    ImageHeader h;
    ASSERT_EQ(image.readHeader(h), IoResult::Ok);
    EXPECT_EQ(h, (ImageHeader{12, 2, 1}));
}

TEST(PreviewBuild, TheSimulatorsStartFailureHasTheEditorsText) {
    EXPECT_EQ(messageOf(DocOutcome::PreviewFailed).text, "미리보기실패");
    EXPECT_EQ(messageOf(DocOutcome::PreviewFailed).caption, "미리보기");
}

TEST(LinkChoice, FromTheSettingsAndTheStatusTexts) {
    SettingsBlock s;
    s.setComPort(4);
    s.setIpAddress({192, 168, 1, 20});
    s.setTcpPort(5000);
    LinkChoice serial = linkFromSettings(s);
    EXPECT_FALSE(serial.tcp);
    EXPECT_EQ(serial.serial.portNumber, 4);
    EXPECT_EQ(serial.serial.device, deviceOfPort(4));
    s.setLinkMode(LinkMode::Tcp);
    const LinkChoice tcp = linkFromSettings(s);
    EXPECT_TRUE(tcp.tcp);
    EXPECT_EQ(tcp.host, "192.168.1.20");
    EXPECT_EQ(tcp.port, 5000);
    EXPECT_EQ(tcpStatusText({192, 168, 1, 20}, 5000, false), "[IP:192.168.1.20],  [PORT:5000]");
    EXPECT_EQ(tcpStatusText({192, 168, 1, 20}, 5000, true), "[IP:192.168.1.20],   [PORT:5000]");
}

}  // namespace
}  // namespace orb
