#include <gtest/gtest.h>

#include <string>

#include "core/engine/protocol_state.h"
#include "core/timing/cycle_time.h"
#include "core/timing/time_display.h"
#include "core/timing/transition_time.h"

using ferrule::ComputeCycleTime;
using ferrule::FormatCycleTime;
using ferrule::FormatTimeText;
using ferrule::TimeAllowance;
using ferrule::TimeText;
using ferrule::TransitionTime;

TEST(CoreTimeModel, TransitionAllowanceByModeAndSteps) {
    struct Case {
        int mode, steps;
        TimeAllowance allowance;
    };
    const Case cases[] = {
        {0, 0, {24, 0}},  {-1, 0, {24, 0}},  {3, 10, {24, 0}}, {1, 144, {140, 0}},
        {2, 0, {0, 0}},   {2, 1, {0, 6}},    {2, 2, {0, 10}},  {2, 15, {6, 20}},
        {2, 18, {8, 16}}, {2, 144, {76, 0}}, {2, 54, {28, 6}},  // 14.25 ms: half a tenth rounds up
    };
    for (const Case& c : cases) {
        EXPECT_EQ((TransitionTime{c.mode, c.steps}.CycleAllowance()), c.allowance)
            << "mode " << c.mode << ", " << c.steps << " steps";
    }
}

TEST(CoreTimeModel, NeutralDensityAllowanceForEveryStepByte) {
    for (int s = 0; s <= 255; ++s) {
        // One movement is 19s/72 ms: whole ms, and the rest in tenths, half up.
        const int wholeMs = 19 * s / 72;
        const int restTimes72 = 19 * s % 72;  // the rest of the movement, in 72nds of a ms
        const int tenths = (10 * restTimes72 + 36) / 72;
        EXPECT_EQ((TransitionTime{2, s}.CycleAllowance()), (TimeAllowance{2 * wholeMs, 2 * tenths}))
            << s << " steps";
    }
}

TEST(CoreTimeModel, TransitionCaptions) {
    struct Case {
        int mode, steps;
        const char* caption;
        const char* radio;
    };
    const Case cases[] = {
        {0, 7, "12 ms", "Neutral Density"},
        {-1, 0, "12 ms", "Neutral Density"},
        {5, 0, "12 ms", "Neutral Density"},
        {1, 7, "70 ms", "Neutral Density"},
        {2, 10, "2.64 ms", "Neutral Density - 10"},
        {2, 144, "38.00 ms", "Neutral Density - 144"},
        {2, 1, "0.26 ms", "Neutral Density - 1"},
        {2, 0, "0.00 ms", "Neutral Density - 0"},
        {2, 255, "67.29 ms", "Neutral Density - 255"},
    };
    for (const Case& c : cases) {
        const TransitionTime transition{c.mode, c.steps};
        EXPECT_EQ(transition.Caption(), c.caption) << "mode " << c.mode << ", " << c.steps;
        EXPECT_EQ(transition.NdRadioCaption(), c.radio) << "mode " << c.mode << ", " << c.steps;
    }
}

TEST(CoreTimeModel, CycleTimeCarriesAndShows) {
    struct Case {
        const char* name;
        TimeText closed, exposure;
        int mode, steps;
        const char* shown;
    };
    const TimeText empty{};
    const Case cases[] = {
        {"empty, Fast", empty, empty, 0, 0, "00:00:00:024:0"},
        {"empty, Soft", empty, empty, 1, 0, "00:00:00:140:0"},
        {"empty, ND 144", empty, empty, 2, 144, "00:00:00:076:0"},
        {"empty, ND 1", empty, empty, 2, 1, "00:00:00:000:6"},
        {"no mode", empty, empty, -1, 0, "00:00:00:024:0"},
        {"carry chain",
         {"0", "00", "59", "999", "9"},
         {"0", "0", "0", "0", "1"},
         0,
         0,
         "00:01:00:024:0"},
        {"two 5-hour times", {"5"}, {"5"}, 0, 0, "10:00:00:024:0"},
        {"minutes carry", {"", "50"}, {"", "15"}, 0, 0, "01:05:00:024:0"},
        {"minutes padded by own value", {"", "8"}, {"", "5"}, 0, 0, "00:13:00:024:0"},
        {"ND 15, tenths twice the base", empty, empty, 2, 15, "00:00:00:008:0"},
        {"ND 15, tenths 38", {"", "", "", "", "9"}, {"", "", "", "", "9"}, 2, 15, "00:00:00:009:8"},
        {"Fast, ms twice the base",
         {"", "", "", "999"},
         {"", "", "", "999"},
         0,
         0,
         "00:00:02:022:0"},
        {"Soft, largest ms sum",
         {"", "", "", "999", "9"},
         {"", "", "", "999", "9"},
         1,
         0,
         "00:00:02:139:8"},
        {"multiple carries up to hours",
         {"0", "59", "59", "999", "9"},
         {"0", "59", "59", "999", "9"},
         1,
         0,
         "02:00:00:139:8"},
        {"unreadable components",
         {"x", "x", "x", "x", "x"},
         {"x", "x", "x", "x", "x"},
         0,
         0,
         "00:00:00:024:0"},
        {"leading integers", {"", " 7min"}, {"", "3"}, 0, 0, "00:10:00:024:0"},
        {"hours without base", {"12"}, {"40"}, 0, 0, "52:00:00:024:0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatCycleTime(ComputeCycleTime(c.closed, c.exposure, c.mode, c.steps)),
                  std::string("Cycle Time - ") + c.shown)
            << c.name;
    }
}

TEST(CoreTimeModel, CycleTimeComponentsArePlainDecimal) {
    EXPECT_EQ(ComputeCycleTime({"0", "00", "59", "999", "9"}, {"", "", "", "", "1"}, 0, 0),
              (TimeText{"0", "1", "0", "24", "0"}));
    // Below the base nothing is carried, negative sums included.
    EXPECT_EQ(ComputeCycleTime({"", "-2", "", "-30"}, {}, 0, 0),
              (TimeText{"0", "-2", "0", "-6", "0"}));
    // Saturated components are added without overflowing.
    EXPECT_EQ(ComputeCycleTime({"99999999999"}, {"99999999999"}, 0, 0)[ferrule::kHours],
              "4294967294");
}

TEST(CoreTimeModel, StoredTimeDisplayPadsInFrontOfTheStoredText) {
    struct Case {
        TimeText time;
        const char* shown;
    };
    const Case cases[] = {
        {{"1", "2", "3", "45", "6"}, "01:02:03:045:6"},
        {{}, "00:00:00:000:0"},
        {{"12"}, "012:00:00:000:0"},
        {{"x", "x", "x", "x", "x"}, "00:00:00:000:0"},
        {{"0", "0", "00", "000", "00"}, "00:00:00:000:0"},
        {{"5", "07", "59", "9", "9"}, "05:007:59:009:9"},
        {{"", "10", "", "99", ""}, "00:10:00:099:0"},
        {{"", "", "", "045", ""}, "00:00:00:0045:0"},
        {{"", "", "", "3x", "4 "}, "00:00:00:003x:4 "},
        {{"", "", "", "100", ""}, "00:00:00:100:0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatTimeText(c.time, ":"), c.shown);
    }
}

TEST(CoreTimeModel, BothSeparatorsOnTheSameTime) {
    const TimeText time{"1", "2", "3", "45", "6"};
    EXPECT_EQ(FormatTimeText(time, " : "), "01 : 02 : 03 : 045 : 6");
    EXPECT_EQ(FormatTimeText(time, ":"), "01:02:03:045:6");
    EXPECT_EQ(FormatTimeText(time, " : "), "01 : 02 : 03 : 045 : 6");
}

TEST(CoreTimeModel, CycleHoursPadDifferentlyFromStoredHours) {
    const char* const hours[][3] = {
        {"0", "00", "00"}, {"9", "09", "09"}, {"10", "010", "10"}, {"12", "012", "12"}};
    for (const auto& h : hours) {
        const TimeText time{h[0]};
        EXPECT_EQ(FormatTimeText(time, ":"), std::string(h[1]) + ":00:00:000:0") << h[0];
        EXPECT_EQ(FormatCycleTime(time), std::string("Cycle Time - ") + h[2] + ":00:00:000:0")
            << h[0];
    }
}

TEST(CoreTimeModel, StoredTimesStartEmptyAndSelectorDesignatesOne) {
    ferrule::ProtocolState state;
    state.m_strClosedTime = {"1"};
    state.Reset();
    for (const TimeText* time :
         {&state.m_strClosedTime, &state.m_strExposureTime, &state.m_strCycleTime}) {
        EXPECT_EQ(*time, TimeText{});
    }
    EXPECT_EQ(&state.DesignatedStoredTime(1), &state.m_strExposureTime);
    for (int select : {0, -1, 2}) {
        EXPECT_EQ(&state.DesignatedStoredTime(select), &state.m_strClosedTime) << select;
    }
}
