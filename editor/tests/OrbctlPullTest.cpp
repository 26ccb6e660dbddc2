// orbctl pull against signemu over TCP: the program sent comes back as a project whose build is
// what the sign's memory holds; memory no program of ours leaves is refused with nothing written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "editor/tests/EveryKindProgram.h"
#include "editor/tests/OrbctlRun.h"
#include "editor/tests/SentProgram.h"
#include "image/BigEndian.h"
#include "link/SignLink.h"
#include "testsupport/SignEmu.h"

namespace orb {
namespace {

using ::testing::HasSubstr;
using testing::Outcome, testing::SignEmu, testing::TempDir;

// Sends PROJECT to the sign, pulls it into DIR, and checks that the pulled project builds the
// image the original builds, and what the sign holds at every address the program uses.
void expectPulledBack(const SignEmu& sign, const std::string& project, const TempDir& dir) {
    Outcome r = orbctl("send " + project + " " + sign.link);
    ASSERT_EQ(r.status, 0) << r.output;
    r = orbctl("pull " + sign.link + " -o " + dir.file("pulled.dat") + " --media " + dir.file("media"));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_THAT(r.output, HasSubstr("100 %"));
    EXPECT_THAT(r.output, HasSubstr("items into " + dir.file("pulled.dat")));

    ASSERT_EQ(orbctl("build " + project + " -o " + dir.file("original.img")).status, 0);
    ASSERT_EQ(orbctl("build " + dir.file("pulled.dat") + " -o " + dir.file("pulled.img")).status, 0);
    EXPECT_TRUE(testing::readFileBytes(dir.file("original.img")) ==
                testing::readFileBytes(dir.file("pulled.img")))
        << "the pulled project builds another image";
    const testing::SentProgram held =
        testing::compareSentProgram(sign.memory, dir.file("pulled.dat"), dir.file("scratch.img"));
    EXPECT_EQ(held.problem, "");
    EXPECT_GT(held.compared, 5000u);
}

TEST(OrbctlPull, TheExampleComesBackAsTheSignHoldsItOverTcpAndSerial) {
    for (bool pty : {false, true}) {
        SCOPED_TRACE(pty ? "pseudo-terminal" : "TCP");
        TempDir dir;
        SignEmu sign(dir, {}, pty);
        ASSERT_EQ(orbctl("sign " + sign.link + " size 10 2").status, 0);
        expectPulledBack(sign, EXAMPLE_PROJECT, dir);
        sign.process->stop();
        // The pull only reads: nothing after the send's apply writes into the sign.
        const std::string log = sign.logText();
        EXPECT_THAT(log.substr(log.rfind("apply")), ::testing::Not(HasSubstr("write")));

        // The project keeps the sign's size, and the link it came over when that was TCP.
        const Outcome exported = orbctl("export " + dir.file("pulled.dat"));
        EXPECT_THAT(exported.output, HasSubstr("\"width\": 10,\n    \"height\": 2"));
        EXPECT_THAT(exported.output,
                    HasSubstr(pty ? "\"mode\": \"serial\"" : "\"port\": " + std::to_string(sign.port())));
    }
}

TEST(OrbctlPull, AHundredItemsOfEveryKindComeBack) {
    TempDir dir;
    const std::vector<ItemRecord> kinds = testing::everyKind(dir);
    ItemStore store;
    ASSERT_EQ(ItemStore::open(dir.file("hundred.dat"), FileMode::CreateOrOpen, store), IoResult::Ok);
    for (int i = 0; i < ItemStore::kRecords; ++i)
        ASSERT_EQ(store.writeRecord(i, kinds[size_t(i) % kinds.size()]), IoResult::Ok);
    SignEmu sign(dir, {});
    expectPulledBack(sign, dir.file("hundred.dat"), dir);
}

// Memory written directly, as no transfer of ours leaves it.
void writeMemory(SignLink& link, uint32_t address, std::vector<uint8_t> bytes) {
    ASSERT_EQ(link.transact(SignFrame::memoryWrite(address, bytes)), LinkResult::Ok);
}

TEST(OrbctlPull, MemoryNoProgramLeavesIsRefusedWithNothingWritten) {
    TempDir dir;
    SignEmu sign(dir, {});
    TcpLink tcp;
    tcp.setPeer("127.0.0.1", sign.port());
    SignLink link;
    link.useTcp(tcp);
    const std::string pull =
        "pull " + sign.link + " -o " + dir.file("p.dat") + " --media " + dir.file("media");

    writeMemory(link, 0x4008, {10, 2, 0x13, 0x88});  // 5000 items
    tcp.disconnect();
    Outcome r = orbctl(pull);
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.output, HasSubstr("the sign reports 5000 items; a program holds at most 100"));

    // One bitmap item whose planes would run past the end of memory.
    ItemHeader h = ItemHeader::newItem(LayoutCode::OneLine, {1, 0, 0});
    h.setKind(1, ContentKind::Bitmap);
    h.setPictureSize(1, 800, 160);
    h.setStartSector(1, 65535);
    writeMemory(link, 0x4008, {10, 2, 0, 1});
    writeMemory(link, 0x270000, std::vector<uint8_t>(h.bytes.begin(), h.bytes.end()));
    tcp.disconnect();
    r = orbctl(pull);
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.output,
                HasSubstr("item 1 line 1: 32000 bytes from sector 65535 do not lie in the content area"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("p.dat")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("media")));

    // No sign at all.
    sign.process->stop();
    r = orbctl(pull);
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.output, HasSubstr("전광판과의 연결상태를 확인해주세요!..."));
    EXPECT_EQ(orbctl("pull " + sign.link + " -o " + dir.file("p.dat")).status, 2) << "--media is needed";
}

}  // namespace
}  // namespace orb
