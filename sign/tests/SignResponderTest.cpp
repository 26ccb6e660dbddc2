// The sign's responder on byte streams, and its memory file.
#include <gtest/gtest.h>

#include <filesystem>

#include "image/ProgramImage.h"
#include "link/SignFrame.h"
#include "sign/SignMemoryFile.h"
#include "sign/SignResponder.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

std::vector<uint8_t> bytesOf(const SignFrame& f) {
    return {f.bytes.begin(), f.bytes.begin() + f.length};
}

std::vector<uint8_t> ack() {
    const auto a = acknowledgement();
    return {a.begin(), a.end()};
}

struct Exchange {
    std::vector<uint8_t> out;
    ResponderTurn turn;
};

Exchange send(SignResponder& sign, const std::vector<uint8_t>& in, Arrival arrival = Arrival::Continuing) {
    Exchange e;
    std::vector<std::string> log;
    e.turn = sign.feed(in, arrival, e.out, log);
    return e;
}

Exchange send(SignResponder& sign, const SignFrame& f, Arrival arrival = Arrival::Continuing) {
    return send(sign, bytesOf(f), arrival);
}

// The n data bytes of a data reply, after checking its frame.
std::vector<uint8_t> dataOf(const std::vector<uint8_t>& reply, size_t n) {
    EXPECT_EQ(judgeReply(reply, n + 6, ReplyRules::Tcp), LinkResult::Ok);
    if (reply.size() != n + 6) return {};
    return {reply.begin() + 4, reply.begin() + 4 + static_cast<std::ptrdiff_t>(n)};
}

TEST(SignResponder, AnswersTheModelQueryAndReadsBackWhatWasWritten) {
    SignResponder sign;
    const auto model = dataOf(send(sign, SignFrame::memoryRead(0x4000, 8)).out, 8);
    EXPECT_EQ(std::string(model.begin(), model.end()), std::string("LEDSign\0", 8));

    const std::vector<uint8_t> data = {1, 2, 3, 250, 0, 7};
    EXPECT_EQ(send(sign, SignFrame::memoryWrite(0x280000, data)).out, ack());
    EXPECT_EQ(dataOf(send(sign, SignFrame::memoryRead(0x280000, 6)).out, 6), data);
    EXPECT_EQ(sign.memory()[0x280003], 250);
    // A write over the model string leaves it as the sign's own.
    EXPECT_EQ(send(sign, SignFrame::memoryWrite(0x3FFE, std::vector<uint8_t>(6, 'x'))).out, ack());
    EXPECT_EQ(sign.memory()[0x3FFF], 'x');
    EXPECT_EQ(sign.memory()[0x4000], 'L');
    EXPECT_EQ(sign.frames(), 4);
}

TEST(SignResponder, FramesSplitAndJoinedAnyHowGetTheSameAnswers) {
    std::vector<uint8_t> stream = {0x00, 0x55};  // noise before the first frame
    for (const SignFrame& f : {SignFrame::memoryWrite(0x4008, std::vector<uint8_t>{12, 2}),
                               SignFrame::apply(), SignFrame::setBrightness(4)}) {
        const auto b = bytesOf(f);
        stream.insert(stream.end(), b.begin(), b.end());
    }
    std::vector<uint8_t> expected;
    for (int i = 0; i < 3; ++i) {
        const auto a = ack();
        expected.insert(expected.end(), a.begin(), a.end());
    }
    for (size_t piece : {size_t{1}, size_t{5}, stream.size()}) {
        SignResponder sign;
        std::vector<uint8_t> out;
        for (size_t at = 0; at < stream.size(); at += piece) {
            const std::vector<uint8_t> part(stream.begin() + at,
                                            stream.begin() + std::min(stream.size(), at + piece));
            const auto e = send(sign, part);
            out.insert(out.end(), e.out.begin(), e.out.end());
        }
        EXPECT_EQ(out, expected) << "pieces of " << piece;
        EXPECT_EQ(sign.applies(), 1);
        EXPECT_EQ(sign.brightness(), 4);
        EXPECT_EQ(sign.memory()[0x4008], 12);
    }
}

TEST(SignResponder, RemembersEverySetting) {
    SignResponder sign;
    EXPECT_EQ(sign.brightness(), -1);
    send(sign, SignFrame::setClock({2026, 12, 6, 14, 5, 9}));
    send(sign, SignFrame::setOnOff(true, 7, 30, 22, 0));
    send(sign, SignFrame::memoryWrite(ProgramImage::kWindowModeOffset, std::vector<uint8_t>{1}));
    send(sign, SignFrame::setBrightness(0));
    EXPECT_EQ(sign.clock().year, 2026);
    EXPECT_EQ(sign.clock().second, 9);
    EXPECT_EQ(sign.clockSets(), 1);
    EXPECT_TRUE(sign.onOff().enabled);
    EXPECT_EQ(sign.onOff().onMinute, 30);
    EXPECT_EQ(sign.onOff().offHour, 22);
    EXPECT_EQ(sign.windowMode(), 1);
    EXPECT_EQ(sign.brightness(), 0);
    EXPECT_EQ(sign.lastCommand(), kSetBrightness);
}

TEST(SignResponder, LeavesBadFramesUnansweredAndMemoryUntouched) {
    SignResponder sign;
    auto badSum = bytesOf(SignFrame::memoryWrite(0x280000, std::vector<uint8_t>{9}));
    badSum[badSum.size() - 2] ^= 1;
    const std::vector<std::vector<uint8_t>> cases = {
        badSum,
        bytesOf(SignFrame::memoryWrite(0x1FFFFFF, std::vector<uint8_t>{1, 2})),  // past the end
        bytesOf(SignFrame::memoryRead(0x1FFFFFC, 8)),
        bytesOf(SignFrame::memoryRead(0, 513)),
        bytesOf(SignFrame::make(0x7F, {})),
        bytesOf(SignFrame::make(kSetClock, std::vector<uint8_t>{1, 2})),
    };
    for (const auto& c : cases) EXPECT_TRUE(send(sign, c).out.empty());
    EXPECT_EQ(sign.memory()[0x280000], 0);
    EXPECT_EQ(sign.memory()[0x1FFFFFF], 0);
    EXPECT_EQ(sign.clockSets(), 0);
    // A good frame after them is still answered.
    EXPECT_EQ(send(sign, SignFrame::apply()).out, ack());
}

TEST(SignResponder, GarbageGetsNoAnswerAndLeavesTheMemoryAlone) {
    SignResponder sign;
    send(sign, SignFrame::memoryWrite(0x280000, std::vector<uint8_t>(512, 0x3C)));
    const std::vector<uint8_t> before(sign.memory().begin(), sign.memory().end());
    uint32_t state = 12345;
    std::vector<uint8_t> noise(200000);
    for (uint8_t& b : noise) b = static_cast<uint8_t>((state = state * 1103515245 + 12345) >> 24);
    size_t answered = 0;
    for (size_t at = 0; at < noise.size(); at += 1000)
        answered +=
            send(sign, std::vector<uint8_t>(noise.begin() + at, noise.begin() + at + 1000)).out.size();
    EXPECT_EQ(answered, 0u);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), sign.memory().begin()));
    // The next frame after the noise is understood once the partial frame it left is dropped.
    sign.reconnected();
    EXPECT_EQ(send(sign, SignFrame::apply()).out, ack());
}

TEST(SignResponder, AFrameGivenUpHalfWayNeverSwallowsTheNext) {
    SignResponder sign;
    const std::string model("LEDSign\0", 8);
    const SignFrame query = SignFrame::memoryRead(0x4000, 8);
    // Cut short and followed at once by a whole frame: its STX begins no good frame, the next does.
    std::vector<uint8_t> stream = bytesOf(query);
    stream.resize(5);
    const auto whole = bytesOf(query);
    stream.insert(stream.end(), whole.begin(), whole.end());
    auto e = send(sign, stream);
    EXPECT_EQ(std::string(e.out.begin() + 4, e.out.end() - 2), model);
    EXPECT_EQ(e.turn.wholeFrames, 1);
    // A partial frame long enough to take the next one in waits for its rest, until a pause.
    std::vector<uint8_t> write = bytesOf(SignFrame::memoryWrite(0x280000, std::vector<uint8_t>(512, 1)));
    write.resize(9);
    EXPECT_TRUE(send(sign, write).out.empty());
    e = send(sign, query);
    EXPECT_TRUE(e.out.empty());
    EXPECT_EQ(e.turn.wholeFrames, 0);
    e = send(sign, query, Arrival::AfterPause);
    EXPECT_EQ(dataOf(e.out, 8), std::vector<uint8_t>(model.begin(), model.end()));
    EXPECT_EQ(sign.memory()[0x280000], 0);
}

TEST(SignResponder, FaultsChangeTheAnswersAsAsked) {
    ResponderFaults corrupt;
    corrupt.corruptWrite = 2;
    SignResponder sign("LEDSign", corrupt);
    const std::vector<uint8_t> data = {0x10, 0x20};
    EXPECT_EQ(send(sign, SignFrame::memoryWrite(0x280000, data)).out, ack());
    EXPECT_EQ(send(sign, SignFrame::memoryWrite(0x280200, data)).out, ack());  // acknowledged ...
    EXPECT_EQ(dataOf(send(sign, SignFrame::memoryRead(0x280000, 2)).out, 2), data);
    EXPECT_EQ(dataOf(send(sign, SignFrame::memoryRead(0x280200, 2)).out, 2),
              (std::vector<uint8_t>{0xEF, 0xDF}));  // ... but stored otherwise

    ResponderFaults worn;
    worn.corruptFrom = 2;
    SignResponder wornOut("LEDSign", worn);
    for (uint32_t address : {0x280000u, 0x280200u, 0x280400u})
        EXPECT_EQ(send(wornOut, SignFrame::memoryWrite(address, data)).out, ack());
    EXPECT_EQ(dataOf(send(wornOut, SignFrame::memoryRead(0x280000, 2)).out, 2), data);
    for (uint32_t address : {0x280200u, 0x280400u})  // every write from the second on
        EXPECT_EQ(dataOf(send(wornOut, SignFrame::memoryRead(address, 2)).out, 2),
                  (std::vector<uint8_t>{0xEF, 0xDF}));

    ResponderFaults slow;
    slow.delayMs = 250;
    slow.delayFrame = 2;
    SignResponder delayed("LEDSign", slow);
    EXPECT_EQ(send(delayed, SignFrame::apply()).turn.delayMs, 0);
    EXPECT_EQ(send(delayed, SignFrame::apply()).turn.delayMs, 250);

    ResponderFaults closing;
    closing.closeAfter = 1;
    SignResponder closer("LEDSign", closing);
    EXPECT_TRUE(send(closer, SignFrame::apply()).turn.keep);
    const auto last = send(closer, SignFrame::apply());
    EXPECT_FALSE(last.turn.keep);
    EXPECT_TRUE(last.out.empty());

    SignResponder other("OtherSign");
    const auto model = dataOf(send(other, SignFrame::memoryRead(0x4000, 8)).out, 8);
    EXPECT_NE(std::string(model.begin(), model.end()), std::string("LEDSign\0", 8));
}

TEST(SignMemoryFile, KeepsTheMemoryAcrossARestart) {
    testing::TempDir dir;
    std::vector<uint8_t> saved;
    ASSERT_EQ(openMemoryFile(dir.file("sign.mem"), SignResponder::kMemoryBytes, saved),
              MemoryFileResult::Created);
    EXPECT_EQ(std::filesystem::file_size(dir.file("sign.mem")), SignResponder::kMemoryBytes);
    EXPECT_TRUE(saved.empty());
    SignResponder sign;
    send(sign, SignFrame::memoryWrite(0x280000, std::vector<uint8_t>{42}));
    std::string error;
    ASSERT_EQ(saveMemoryFile(dir.file("sign.mem"), sign.memory(), error), MemoryFileResult::Ok);

    ASSERT_EQ(openMemoryFile(dir.file("sign.mem"), SignResponder::kMemoryBytes, saved), MemoryFileResult::Ok);
    SignResponder again("Other");
    ASSERT_TRUE(again.loadMemory(saved));
    EXPECT_EQ(again.memory()[0x280000], 42);
    EXPECT_EQ(again.memory()[0x4000], 'O');  // the model string is the sign's own
    EXPECT_FALSE(again.loadMemory(std::vector<uint8_t>(100)));
}

TEST(SignMemoryFile, RefusesWhatCannotBeKeptAndSaysWhy) {
    testing::TempDir dir;
    std::vector<uint8_t> out;
    EXPECT_EQ(openMemoryFile(dir.path(), 16, out), MemoryFileResult::Refused);
    EXPECT_EQ(memoryFileRefusal("m", MemoryFileResult::Refused, 16),
              "the memory file m is not a writable regular file");
    testing::writeFileBytes(dir.file("short"), std::vector<uint8_t>(8));
    EXPECT_EQ(openMemoryFile(dir.file("short"), 16, out), MemoryFileResult::WrongSize);
    EXPECT_EQ(memoryFileRefusal("m", MemoryFileResult::WrongSize, 16),
              "the memory file m is not 16 bytes long");
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(openMemoryFile(dir.file("no/such/folder"), 16, out), MemoryFileResult::ReadFailed);

    // A folder in the file's place: the save fails, says why, and leaves nothing beside it.
    std::string error;
    std::filesystem::create_directory(dir.file("taken"));
    EXPECT_EQ(saveMemoryFile(dir.file("taken"), std::vector<uint8_t>(8), error),
              MemoryFileResult::WriteFailed);
    EXPECT_EQ(error, "not a writable regular file");
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 2);  // "short" and "taken"
    EXPECT_EQ(saveMemoryFile(dir.file("no/such/folder"), std::vector<uint8_t>(8), error),
              MemoryFileResult::WriteFailed);
}

}  // namespace
}  // namespace orb
