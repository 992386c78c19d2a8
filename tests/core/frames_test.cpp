// The timer, repeat-number and running-option messages, byte for byte.
#include <gtest/gtest.h>

#include "freerun/free_run_frames.h"
#include "timing/timer_frame.h"

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
        // Out of range, by the same arithmetic: hours spill into the timer
        // code, -3 ms gives a units digit of -3, 1234 ms a hundreds "digit" of 12.
        {0x10, {"18", "300", "x", "-3", "-1"}, {{0xFA, 0x22, 0x2C, 0x00, 0x00, 0xCF}, 6}},
        {0x20, {"", "", "", "1234", "12"}, {{0xFA, 0x20, 0x00, 0x00, 0xC3, 0x4C}, 6}},
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
