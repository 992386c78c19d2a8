// The status reply read by position, in both layouts, and the codes of the
// message catalogue that it reads back.
#include <gtest/gtest.h>

#include <vector>

#include "core/protocol/message_catalogue.h"
#include "core/protocol/status_reply.h"

using ferrule::ReadStatusReply;
using ferrule::StatusValues;
using ferrule::TimeText;
using Bytes = std::vector<uint8_t>;

namespace {

const Bytes kShortReply = {0xCC, 0xAA, 0xDC, 0x00, 0xA0, 0xB0, 0x11, 0x02, 0x03, 0x45,
                           0x60, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF1, 0x00, 0x05, 0x0D};
// Neutral Density with 10 steps: the step count fourth, everything later one on.
const Bytes kNdReply = {0xCC, 0xAC, 0xDE, 0x0A, 0x55, 0xA1, 0xB2, 0x00, 0x00, 0x01,
                        0x99, 0x99, 0x25, 0x3B, 0x3B, 0x00, 0x10, 0xF3, 0x01, 0x02};

}  // namespace

TEST(StatusReply, ShortLayout) {
    const StatusValues v = ReadStatusReply(kShortReply);
    EXPECT_EQ(v.shutter, 0);
    EXPECT_EQ(v.shutterMode, 0);
    EXPECT_EQ(v.triggerMode, -1);
    EXPECT_EQ(v.syncLevel, -1);
    EXPECT_EQ(v.closed, (TimeText{"1", "2", "3", "456", "0"}));
    EXPECT_EQ(v.exposure, (TimeText{"0", "0", "0", "0", "0"}));
    EXPECT_EQ(v.timerSelect, 0);
    EXPECT_EQ(v.freeRunOption, 0);
    EXPECT_EQ(v.repeatCount, "5");
    EXPECT_EQ(v.cyclesLeft, "5");
}

TEST(StatusReply, NeutralDensityLayoutIgnoresItsFifthByte) {
    const StatusValues v = ReadStatusReply(kNdReply);
    EXPECT_EQ(v.shutter, 1);
    EXPECT_EQ(v.shutterMode, 2);
    EXPECT_EQ(v.ndSteps, 10);
    EXPECT_EQ(v.triggerMode, 0);
    EXPECT_EQ(v.syncLevel, 1);
    EXPECT_EQ(v.closed, (TimeText{"0", "0", "1", "999", "9"}));
    EXPECT_EQ(v.exposure, (TimeText{"5", "59", "59", "1", "0"}));
    EXPECT_EQ(v.timerSelect, 1);  // the closed hours byte is 0, the exposure's is not
    EXPECT_EQ(v.freeRunOption, 2);
    EXPECT_EQ(v.repeatCount, "258");
}

// Codes out of range are taken arithmetically; the reply goes on regardless.
TEST(StatusReply, OutOfRangeBytesAreTakenArithmetically) {
    Bytes reply = kShortReply;
    reply[2] = 0xE0;  // mode 4: short layout, but the trigger input is skipped
    reply[4] = 0xA3;
    reply[5] = 0xB7;
    reply[6] = 0x00;  // closed hours 0 ...
    reply[9] = 0xAF;  // BCD digits above 9
    reply[10] = 0xFF;
    reply[11] = 0x00;  // ... and exposure hours 0: no timer selected
    reply[16] = 0x07;
    reply[17] = 0xFF;
    reply[18] = 0xFF;
    const StatusValues v = ReadStatusReply(reply);
    EXPECT_EQ(v.shutterMode, 4);
    EXPECT_EQ(v.triggerMode, -1);
    EXPECT_EQ(v.syncLevel, 6);
    EXPECT_EQ(v.closed[3], "1165");  // (10 x 10 + 15) x 10, then 15 more
    EXPECT_EQ(v.closed[4], "15");
    EXPECT_EQ(v.timerSelect, -1);
    EXPECT_EQ(v.freeRunOption, 0x07 - 0xF1);
    EXPECT_EQ(v.repeatCount, "65535");  // not "Continuous"
}

TEST(StatusReply, FieldsByPosition) {
    using F = ferrule::StatusField;
    EXPECT_EQ(ferrule::StatusReplyField(1, 2), F::None);
    EXPECT_EQ(ferrule::StatusReplyField(5, 1), F::Trigger);
    EXPECT_EQ(ferrule::StatusReplyField(5, -1), F::Trigger);
    EXPECT_EQ(ferrule::StatusReplyField(5, 2), F::None);
    EXPECT_EQ(ferrule::StatusReplyField(20, 0), F::None);
    EXPECT_EQ(ferrule::StatusReplyField(20, 2), F::RepeatLow);
    EXPECT_EQ(ferrule::StatusReplyField(21, 0), F::None);
}

TEST(MessageCatalogue, SettingsAndTheirCodes) {
    namespace wire = ferrule::controller;
    for (int v = -1; v <= 3; ++v) {
        EXPECT_EQ(wire::TriggerModeFromCode(wire::TriggerCode(v)), v);
    }
    for (int v = -1; v <= 2; ++v) {
        EXPECT_EQ(wire::RunOptionFromCode(wire::RunOptionCode(v)), v);
    }
    EXPECT_EQ(wire::SyncCode(-1), 0xB0);
    EXPECT_EQ(wire::SyncCode(1), 0xB2);
    EXPECT_EQ(wire::ModeCode(2), 0xDE);
    EXPECT_EQ(wire::ShutterCode(0), 0xAA);
    EXPECT_EQ(wire::ShutterCode(1), 0xAC);
    // The step count goes out as its low eight bits.
    EXPECT_EQ(wire::NdModeMessage(300), (wire::Message{{0xDE, 0x2C}, 2}));
    EXPECT_EQ(wire::NdModeMessage(-5), (wire::Message{{0xDE, 0xFB}, 2}));
    EXPECT_EQ(wire::BlinkPatternByte(17), 0x41);
}
