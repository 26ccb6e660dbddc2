#include <gtest/gtest.h>

#include <vector>

#include "link/SignFrame.h"

namespace orb {
namespace {

std::vector<uint8_t> bytesOf(const SignFrame& f) {
    return {f.view().begin(), f.view().end()};
}

TEST(SignFrame, FramesByteForByte) {
    EXPECT_EQ(bytesOf(SignFrame::memoryRead(0x4000, 8)),
              (std::vector<uint8_t>{0x02, 0x00, 0x0C, 0x24, 0x00, 0x00, 0x40, 0x00, 0x00, 0x08, 0x7A, 0x03}));
    EXPECT_EQ(bytesOf(SignFrame::apply()), (std::vector<uint8_t>{0x02, 0x00, 0x06, 0x26, 0x2E, 0x03}));
    EXPECT_EQ(bytesOf(SignFrame::setBrightness(9)),
              (std::vector<uint8_t>{0x02, 0x00, 0x07, 0x28, 0x09, 0x3A, 0x03}));
    const auto clock = bytesOf(SignFrame::setClock({2026, 12, 6, 14, 5, 9}));
    EXPECT_EQ(clock,
              (std::vector<uint8_t>{
                  0x02, 0x00, 0x0D, 0x21, 0x07, 0xEA, 12, 6, 14, 5, 9,
                  static_cast<uint8_t>(0x02 + 0x0D + 0x21 + 0x07 + 0xEA + 12 + 6 + 14 + 5 + 9), 0x03}));
    const auto onOff = bytesOf(SignFrame::setOnOff(true, 7, 30, 22, 0));
    EXPECT_EQ(onOff.size(), 11u);
    EXPECT_EQ(onOff[4], 1);

    const std::vector<uint8_t> data(600, 0xAB);
    const SignFrame full = SignFrame::memoryWrite(0x280000, data);
    ASSERT_EQ(full.length, 524);  // at most 512 data bytes a frame
    EXPECT_EQ(full.bytes[4], 0x00);
    EXPECT_EQ(full.bytes[5], 0x28);
    EXPECT_EQ(full.bytes[8], 0x02);  // count 512
    EXPECT_EQ(full.bytes[9], 0x00);
    EXPECT_EQ(full.bytes[523], 0x03);
    EXPECT_EQ(full.bytes[522], frameSum({full.bytes.data(), 522}));
}

TEST(SignFrame, JudgingReplies) {
    const auto ack = acknowledgement(0x41);  // the answer byte is not looked at
    EXPECT_EQ(judgeReply(ack, 6, ReplyRules::Tcp), LinkResult::Ok);
    EXPECT_EQ(judgeReply(std::span(ack).first(5), 6, ReplyRules::Serial), LinkResult::NoAnswer);
    EXPECT_EQ(judgeReply({}, 6, ReplyRules::Tcp), LinkResult::NoAnswer);

    auto notStx = ack;
    notStx[0] = 0x06;
    EXPECT_EQ(judgeReply(notStx, 6, ReplyRules::Serial), LinkResult::NotStx);
    auto badSum = ack;
    badSum[4] ^= 1;
    EXPECT_EQ(judgeReply(badSum, 6, ReplyRules::Serial), LinkResult::BadSum);
    auto noEtx = ack;
    noEtx[5] = 0;
    EXPECT_EQ(judgeReply(noEtx, 6, ReplyRules::Tcp), LinkResult::NoEtx);
    EXPECT_EQ(judgeReply(noEtx, 6, ReplyRules::Serial), LinkResult::Ok);  // the serial path does not look

    // Length fields that point past the bytes received, or before the sum could be.
    for (uint16_t length : {0, 3, 7, 0xFFFF}) {
        auto lying = ack;
        lying[1] = static_cast<uint8_t>(length >> 8);
        lying[2] = static_cast<uint8_t>(length);
        lying[4] = frameSum({lying.data(), 4});
        EXPECT_EQ(judgeReply(lying, 6, ReplyRules::Tcp), LinkResult::BadSum) << length;
    }
}

}  // namespace
}  // namespace orb
