// The timer, repeat-number and running-option messages, byte for byte.
#include <gtest/gtest.h>

#include "core/protocol/free_run_frames.h"
#include "core/protocol/message_names.h"
#include "core/timing/timer_frame.h"

using ferrule::TimeText;
using Message = ferrule::controller::Message;

TEST(Frames, TimerFrame) {
    struct Case {
        uint8_t timer;
        TimeText time;
        Message frame;
    };
    const Case cases[] = {
        {0x10, {"1", "2", "3", "456", "7"}, {{0xFA, 0x11, 0x02, 0x03, 0x45, 0x67}, 6}},
        {0x20, {"0", "0", "30", "250", "5"}, {{0xFA, 0x20, 0x00, 0x1E, 0x25, 0x05}, 6}},
        {0x10, {"", "", "", "", ""}, {{0xFA, 0x10, 0x00, 0x00, 0x00, 0x00}, 6}},
        {0x10, {"5", "", "", "", ""}, {{0xFA, 0x15, 0x00, 0x00, 0x00, 0x00}, 6}},
        {0x20, {"", "", "", "999", "9"}, {{0xFA, 0x20, 0x00, 0x00, 0x99, 0x99}, 6}},
        {0x20, {"", "", "", "80", ""}, {{0xFA, 0x20, 0x00, 0x00, 0x08, 0x00}, 6}},
        {0x10, {"", "", "", "007", ""}, {{0xFA, 0x10, 0x00, 0x00, 0x00, 0x70}, 6}},
        // Beyond the editors' ranges but within what each byte carries.
        {0x10, {"15", "255", "x", "999", "9"}, {{0xFA, 0x1F, 0xFF, 0x00, 0x99, 0x99}, 6}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ferrule::TimerFrame(c.timer, c.time), c.frame)
            << c.time[0] << ":" << c.time[1] << ":" << c.time[2] << ":" << c.time[3] << ":"
            << c.time[4];
    }
}

TEST(Frames, RepeatCountAndRunOption) {
    auto repeat = [](int n) { return ferrule::RepeatCountFrame(n); };
    EXPECT_EQ(repeat(65000), (Message{{0xFA, 0xF0, 0xFD, 0xE8}, 4}));
    EXPECT_EQ(repeat(300), (Message{{0xFA, 0xF0, 0x01, 0x2C}, 4}));
    EXPECT_EQ(repeat(0), (Message{{0xFA, 0xF0, 0x00, 0x00}, 4}));
    EXPECT_EQ(repeat(-1), (Message{{0xFA, 0xF0, 0x00, 0xFF}, 4}));  // quotient 0, remainder -1
    EXPECT_EQ(ferrule::ContinuousRepeatFrame(), (Message{{0xFA, 0xF0, 0xFF, 0xFF}, 4}));
    EXPECT_EQ(ferrule::RunOptionFrame(0), (Message{{0xFA, 0xF1}, 2}));
    EXPECT_EQ(ferrule::RunOptionFrame(2), (Message{{0xFA, 0xF3}, 2}));
}

// A time the message cannot carry gives none: hours that would reach the
// other timer's code, negative components, and milliseconds or tenths that
// would not be BCD.
TEST(Frames, TimerFrameRefusesWhatItCannotCarry) {
    using Kind = ferrule::TimerFault::Kind;
    struct Case {
        TimeText time;
        size_t component;
        Kind kind;
    };
    const Case cases[] = {
        {{"-1", "-1", "abc", "0", "-9"}, 0, Kind::Negative},
        {{"16", "", "", "", ""}, 0, Kind::TooLarge},
        {{"", "256", "", "", ""}, 1, Kind::TooLarge},
        {{"", "", "-1", "", ""}, 2, Kind::Negative},
        {{"", "", "", "-5", ""}, 3, Kind::Negative},
        {{"", "", "", "1000", ""}, 3, Kind::TooLarge},
        {{"", "", "", "", "10"}, 4, Kind::TooLarge},
    };
    for (const Case& c : cases) {
        const auto fault = ferrule::CheckTimerTime(c.time);
        ASSERT_TRUE(fault) << c.time[0] << ":" << c.time[3];
        EXPECT_EQ(fault->component, c.component);
        EXPECT_EQ(fault->kind, c.kind);
        EXPECT_FALSE(ferrule::TimerFrame(0x20, c.time));
        EXPECT_FALSE(ferrule::TimerFrame(0x10, c.time));
    }
    EXPECT_EQ(ferrule::DescribeTimerFault("closed", {3, Kind::TooLarge}),
              "The closed time cannot be sent to the controller: its milliseconds must be 0 to "
              "999.");
}

// Messages named in the words of the panel's controls.
TEST(Frames, MessagesByName) {
    auto name = [](std::vector<uint8_t> bytes) { return ferrule::DescribeMessage(bytes); };
    EXPECT_EQ(name({0xCC}), "Status");
    EXPECT_EQ(name({0xDE, 0x14}), "Neutral Density, 20 steps");
    EXPECT_EQ(name({0xFA, 0xA3}), "trigger Trigger on Rising Edge");
    EXPECT_EQ(name({0xFA, 0x11, 0x02, 0x03, 0x45, 0x67}), "closed time 01:02:03:456:7");
    EXPECT_EQ(name({0xFA, 0xF0, 0xFF, 0xFF}), "repeat number Continuous");
    EXPECT_EQ(name({0xFA, 0xF0, 0x01, 0x2C}), "repeat number 300");
    EXPECT_EQ(name({0xFA, 0xF3}), "Go");
    EXPECT_EQ(name({0x41}), "link test");
    EXPECT_EQ(name({0x07}), "byte 0x07");
}
