// orbctl send and orbctl sign against signemu, over TCP and over a pseudo-terminal.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <sstream>

#include "editor/core/ProgramWriter.h"
#include "editor/core/SignCommands.h"
#include "editor/tests/OrbctlRun.h"
#include "editor/tests/SentProgram.h"
#include "image/ProgramImage.h"
#include "link/SignLink.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/PictureFixtures.h"
#include "testsupport/SignEmu.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

using testing::Outcome;
using testing::SignEmu;

// orbctl send of the example project; ARGS names the options and the signs.
Outcome sendExample(const std::string& args) {
    return orbctl("send " + std::string(EXAMPLE_PROJECT) + " " + args);
}

// Every address the program uses holds in the sign what orbctl build writes into the image.
void expectSameProgram(const std::string& signMemory, const std::string& project,
                       const testing::TempDir& dir) {
    const testing::SentProgram sent = testing::compareSentProgram(signMemory, project, dir.file("image.tmp"));
    EXPECT_EQ(sent.problem, "");
    EXPECT_GT(sent.compared, 5000u);
}

TEST(OrbctlSend, PutsTheProgramIntoTheSignOverTcpAndSerial) {
    for (bool pty : {false, true}) {
        SCOPED_TRACE(pty ? "pseudo-terminal" : "TCP");
        testing::TempDir dir;
        SignEmu sign(dir, {}, pty);
        const Outcome r = sendExample(sign.link);
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_NE(r.output.find("전송 완료 했습니다"), std::string::npos);
        EXPECT_NE(r.output.find("100 %"), std::string::npos);
        sign.process->stop();
        expectSameProgram(sign.memory, EXAMPLE_PROJECT, dir);
        const std::string log = sign.logText();
        EXPECT_EQ(log.find("frame 1: read 8 bytes at 0x00004000"), 0u);  // the model check comes first
        EXPECT_NE(log.find("write 2 bytes at 0x0000400A"), std::string::npos);
        EXPECT_NE(log.find("apply"), std::string::npos);
    }
}

TEST(OrbctlSign, EachSettingsCommandSendsItsFrames) {
    testing::TempDir dir;
    SignEmu sign(dir, {});
    struct Case {
        std::string args, message, logged;
    };
    const Case cases[] = {
        {"size 12 2", "규격 적용OK...", "write 2 bytes at 0x00004008"},
        {"clock --at \"2026-12-06 14:05:09\"", "시각설정 완료", "clock 2026-12-06 14:05:09"},
        {"onoff 1 07:30 22:00", "ON/OFF 적용OK...", "on/off 1 07:30 22:00"},
        {"window 1", "표출시간설정 OK...", "write 1 bytes at 0x00004012"},
        {"brightness 10", "밝기설정 OK...", "brightness 9"},
    };
    for (const Case& c : cases) {
        const Outcome r = orbctl("sign " + sign.link + " " + c.args);
        EXPECT_EQ(r.status, 0) << c.args << ": " << r.output;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
        EXPECT_NE(sign.logText().find(c.logged), std::string::npos) << c.args;
    }
    EXPECT_EQ(orbctl("sign " + sign.link + " size 41 2").status, 2);
    EXPECT_EQ(orbctl("sign " + sign.link + " brightness 0").status, 2);
    EXPECT_EQ(orbctl("sign size 12 2").status, 2);
}

TEST(OrbctlSend, ASignOfAnotherModelGetsNoWrite) {
    testing::TempDir dir;
    SignEmu sign(dir, {"--model", "OtherSign"});
    const Outcome r = sendExample(sign.link);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("전광판모델이 다릅니다"), std::string::npos);
    EXPECT_EQ(sign.logText(), "frame 1: read 8 bytes at 0x00004000\n");
}

// A fault ends the transfer at the frame it hit, nothing sent again: the sign's log counts the
// frames whatever the machine's load. The time taken only tells one wait of the TCP limit
// (1300 ms) from one of the serial line's (10 s), with seconds to spare.
TEST(OrbctlSend, FaultsEndTheTransferWithinTheLimits) {
    struct Case {
        std::vector<std::string> faults;
        bool pty;
        std::string message;
        int frames;    // in the sign's log
        double limit;  // seconds
    };
    const Case cases[] = {
        {{"--no-answer-after", "3"}, false, "전송 실패 했습니다", 4, 9},
        {{"--bad-sum-after", "2"}, false, "전송 실패 했습니다", 3, 9},
        {{"--bad-sum-after", "2"}, true, "전송 실패 했습니다", 3, 9},
        {{"--no-etx"}, false, "전광판과의 연결상태를 확인해주세요!...", 1, 9},
        {{"--close-after", "4"}, false, "전송 실패 했습니다", 5, 9},
        {{"--no-answer-after", "0"}, true, "전광판과의 연결상태를 확인해주세요!...", 1, 60},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults[0] + (c.pty ? " over a pseudo-terminal" : " over TCP"));
        testing::TempDir dir;
        SignEmu sign(dir, c.faults, c.pty);
        const Outcome r = sendExample(sign.link);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
        sign.process->stop();
        const std::string log = sign.logText();
        EXPECT_EQ(static_cast<int>(std::count(log.begin(), log.end(), '\n')), c.frames) << log;
        EXPECT_LT(r.seconds, c.limit);
    }
    // Nobody listening, and a device that is not a serial line.
    const Outcome refused = sendExample("--tcp 127.0.0.1:1");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("전광판과의 연결상태를 확인해주세요!..."), std::string::npos);
    const Outcome notSerial = sendExample("--serial /dev/null");
    EXPECT_EQ(notSerial.status, 1);
    EXPECT_NE(notSerial.output.find("통신 포트를 열지 못했습니다."), std::string::npos);
}

// The number (from 1) of the first memory write frame the transfer sends for item `item`.
int firstWriteFrameOf(int item) {
    ItemStore store;
    EXPECT_EQ(ItemStore::open(EXAMPLE_PROJECT, FileMode::ReadOnly, store), IoResult::Ok);
    ProgramPlan plan;
    EXPECT_EQ(planProgram(store, store.itemCount(), 6, 1, plan).result, PlanResult::Ok);
    int frames = 0;
    for (const ProgramWrite& w : plan.writes)
        if (w.item >= 0 && w.item < item) frames += static_cast<int>((w.bytes.size() + 511) / 512);
    return frames + 1;
}

TEST(OrbctlSendVerify, ReadsBackEveryRangeInQueriesOfAtMost512Bytes) {
    for (bool pty : {false, true}) {
        SCOPED_TRACE(pty ? "pseudo-terminal" : "TCP");
        testing::TempDir dir;
        SignEmu sign(dir, {}, pty);
        const Outcome r = sendExample("--verify " + sign.link);
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_NE(r.output.find("전송 완료 했습니다"), std::string::npos);
        EXPECT_NE(r.output.find("확인 100 %"), std::string::npos);
        sign.process->stop();
        // After the apply: only reads, of at most 512 bytes, as many bytes as were written.
        std::istringstream log(sign.logText());
        std::string line;
        bool applied = false;
        size_t written = 0, read = 0;
        while (std::getline(log, line)) {
            size_t n = 0;
            if (line.find(": apply") != std::string::npos) applied = true;
            if (std::sscanf(line.c_str(), "frame %*d: write %zu", &n) == 1) {
                EXPECT_FALSE(applied) << line;
                written += n;
            }
            if (applied && std::sscanf(line.c_str(), "frame %*d: read %zu", &n) == 1) {
                EXPECT_LE(n, 512u);
                read += n;
            }
        }
        EXPECT_TRUE(applied);
        EXPECT_EQ(read, written);
    }
}

TEST(OrbctlSendVerify, NamesTheFirstItemASignStoredOtherwise) {
    const int frame = firstWriteFrameOf(3);
    for (bool pty : {false, true}) {
        SCOPED_TRACE(pty ? "pseudo-terminal" : "TCP");
        testing::TempDir dir;
        SignEmu sign(dir, {"--corrupt-write", std::to_string(frame)}, pty);
        const Outcome r = sendExample("--verify " + sign.link);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.output.find("전송 확인 실패: 4번째 아이템"), std::string::npos) << r.output;
    }
    // Without the check the same sign passes for a good one.
    testing::TempDir dir;
    SignEmu sign(dir, {"--corrupt-write", std::to_string(frame)});
    const Outcome r = sendExample(sign.link);
    EXPECT_EQ(r.status, 0) << r.output;
}

TEST(OrbctlSendMany, SendsToEverySignAtOnceAndFailsWhenOneDoes) {
    testing::TempDir a, b, c;
    SignEmu first(a, {}), other(b, {"--model", "OtherSign"}), third(c, {"--delay", "2"});
    const Outcome r = sendExample("--verify " + first.link + " " + other.link + " " + third.link);
    EXPECT_EQ(r.status, 1) << r.output;
    auto name = [](const SignEmu& s) { return "127.0.0.1:" + std::to_string(s.port()); };
    EXPECT_NE(r.output.find(name(first) + ": 전송 완료 했습니다\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find(name(other) + ": 전광판모델이 다릅니다\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find(name(third) + ": 전송 완료 했습니다\n"), std::string::npos) << r.output;
    first.process->stop();
    third.process->stop();
    expectSameProgram(first.memory, EXAMPLE_PROJECT, a);
    expectSameProgram(third.memory, EXAMPLE_PROJECT, c);
    EXPECT_EQ(other.logText(), "frame 1: read 8 bytes at 0x00004000\n");

    // Every sign completing: exit 0.
    testing::TempDir d, e;
    SignEmu one(d, {}), two(e, {}, true);
    EXPECT_EQ(sendExample(one.link + " " + two.link).status, 0);
    EXPECT_EQ(sendExample("--baud 9600 " + one.link).status, 2);
}

TEST(SignTransfer, ACancelStopsAfterTheFrameInFlight) {
    testing::TempDir dir;
    SignEmu sign(dir, {});
    ItemStore store;
    ASSERT_EQ(ItemStore::open(EXAMPLE_PROJECT, FileMode::ReadOnly, store), IoResult::Ok);
    TcpLink tcp;
    tcp.setPeer("127.0.0.1", sign.port());
    SignLink link;
    link.useTcp(tcp);
    std::atomic<bool> cancel = false;
    TransferOptions options;
    options.cancel = &cancel;
    int calls = 0;
    options.progress = [&](int, int) {
        if (++calls == 3) cancel = true;  // during the second frame's step
    };
    const CommandOutcome r = transferProgram(link, store, options);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "전송을 취소했습니다");
    sign.process->stop();
    // The model check, then the two frames whose steps were reported, and nothing more.
    const std::string log = sign.logText();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3) << log;
    EXPECT_EQ(log.find("apply"), std::string::npos);

    // Cancelled before it starts: not even the model check goes out.
    testing::TempDir again;
    SignEmu idle(again, {});
    tcp.setPeer("127.0.0.1", idle.port());
    EXPECT_EQ(transferProgram(link, store, options).message, "전송을 취소했습니다");
    idle.process->stop();
    EXPECT_EQ(idle.logText(), "");
}

TEST(OrbctlSend, APictureOfAnotherSizeThanChosenIsNamedOnceOnStderr) {
    testing::TempDir dir;
    testing::BmpRecipe bmp;
    bmp.width = 40;
    bmp.height = 16;
    bmp.colour = [](int x, int) { return Rgb{uint8_t(x * 6), 0, 0}; };
    testing::writeFileBytes(dir.file("p.bmp"), testing::makeBmp(bmp));
    ItemStore store;
    const std::string project = dir.file("project.dat");
    ASSERT_EQ(ItemStore::open(project, FileMode::CreateOrOpen, store), IoResult::Ok);
    for (int i = 0; i < 2; ++i) {
        ItemRecord r;
        r.header = ItemHeader::newItem(LayoutCode::OneLine, {8, 0, 0});
        r.header.setKind(1, ContentKind::Bitmap);
        r.header.setPictureSize(1, i == 1 ? 32 : 40, 16);  // the second was chosen when it was 32 wide
        r.line(1).setPath(dir.file("p.bmp"));
        ASSERT_EQ(store.writeRecord(i, r), IoResult::Ok);
    }
    SignEmu one(dir, {});
    testing::TempDir other;
    SignEmu two(other, {});
    const Outcome r = orbctl("send " + project + " " + one.link + " " + two.link);
    EXPECT_EQ(r.status, 0) << r.output;
    const std::string warning = "2번째 아이템 1번째줄: 그림 파일의 크기가 바뀌었습니다 (32x16 -> 40x16)";
    const size_t at = r.output.find(warning);
    ASSERT_NE(at, std::string::npos) << r.output;
    EXPECT_EQ(r.output.find(warning, at + 1), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("1번째 아이템"), std::string::npos) << r.output;
}

TEST(OrbctlSend, AProgramTooLargeForTheSignIsRefusedBeforeAnyWrite) {
    // 25 lines of 40 frames of 800 x 160 need 62,500 sectors; the content area has 60,416.
    testing::TempDir dir;
    testing::writeFileBytes(dir.file("big.gif"), testing::repeatedFrames(800, 160, true, 40));
    ItemStore store;
    const std::string project = dir.file("project.dat");
    ASSERT_EQ(ItemStore::open(project, FileMode::CreateOrOpen, store), IoResult::Ok);
    ItemRecord r;
    r.header = ItemHeader::newItem(LayoutCode::ThreeLines, {8, 8, 8});
    for (int line = 1; line <= 3; ++line) {
        r.header.setKind(line, ContentKind::Animation);
        r.line(line).setPath(dir.file("big.gif"));
    }
    for (int i = 0; i < 9; ++i) ASSERT_EQ(store.writeRecord(i, r), IoResult::Ok);
    SignEmu sign(dir, {});
    const Outcome sent = orbctl("send " + project + " " + sign.link);
    EXPECT_EQ(sent.status, 1);
    EXPECT_NE(sent.output.find("9번째 아이템의 내용이 전광판 메모리를 넘습니다"), std::string::npos)
        << sent.output;
    EXPECT_EQ(sign.logText(), "frame 1: read 8 bytes at 0x00004000\n");
}

TEST(SignLinkTcp, ALateReplyIsNotTakenForTheNextFramesAnswer) {
    testing::TempDir dir;
    SignEmu sign(dir, {"--delay", "1600", "--delay-frame", "1"});
    TcpLink tcp;
    tcp.setPeer("127.0.0.1", sign.port());
    SignLink link;
    link.useTcp(tcp);
    // No answer within the 1300 ms limit: had it waited for the reply at 1600 ms, it would have had
    // one (whatever the machine's load, unlike a bound on the time it took).
    EXPECT_EQ(link.transact(SignFrame::setBrightness(3)), LinkResult::NoAnswer);
    // The late acknowledgement of the first frame must not pass for the second's: the second
    // frame reads the model, whose answer is 14 bytes long.
    std::array<uint8_t, 8> model{};
    EXPECT_EQ(link.query(SignFrame::memoryRead(0x4000, 8), model), LinkResult::Ok);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(model.data()), 7), "LEDSign");
}

}  // namespace
}  // namespace orb
