// Free runs: their timing, how they start, stop and end.
#include <gtest/gtest.h>

#include "controller_model/controller_config.h"
#include "model_recorder.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint64_t kT0 = 5000;

// Closed 1 s, exposure 0.5 s, Fast: a cycle of 1000 + 12 + 500 + 12 ms.
void SetUpTimes(ModelRecorder& c, uint8_t repeatHigh, uint8_t repeatLow) {
    c.Write({0xFA, 0x10, 0x00, 0x01, 0x00, 0x00});
    c.Write({0xFA, 0x20, 0x00, 0x00, 0x50, 0x00});
    c.Write({0xFA, 0xF0, repeatHigh, repeatLow});
}

TEST(SimControllerFreeRun, TransitionTimesOfEachMode) {
    ferrule::ControllerConfig config;
    EXPECT_EQ(ferrule::ControllerTransitionUs(config), 12'000u);
    config.mode = 0xDD;
    EXPECT_EQ(ferrule::ControllerTransitionUs(config), 70'000u);
    config.mode = 0xDE;
    config.ndSteps = 144;
    EXPECT_EQ(ferrule::ControllerTransitionUs(config), 38'000u);
    config.ndSteps = 10;
    EXPECT_EQ(ferrule::ControllerTransitionUs(config), 2'639u);
    EXPECT_EQ(ferrule::ControllerTimerUs({0x11, 0x02, 0x03, 0x45, 0x67}),
              ((3600 + 120 + 3) * 1000 + 456) * uint64_t{1000} + 700);
}

TEST(SimControllerFreeRun, GoRunsTheRepeatNumberOfCyclesOnItsOwnClock) {
    ModelRecorder c;
    SetUpTimes(c, 0x00, 0x02);
    EXPECT_EQ(c.Write({0xFA, 0xF3}, kT0), (Bytes{0xFA, 0xF3, 0x06}));
    const size_t first = c.sent.size();
    EXPECT_EQ(c.model.NextEventUs(), kT0 + 1'000'000);
    c.AdvanceTo(kT0 + 10'000'000);
    const std::vector<SentByte> expected = {{kT0 + 1'000'000, 0xAA},
                                            {kT0 + 1'512'000, 0xAC},
                                            {kT0 + 2'524'000, 0xAA},
                                            {kT0 + 3'036'000, 0xAC},
                                            {kT0 + 3'048'000, 0x0D}};
    EXPECT_EQ(std::vector<SentByte>(c.sent.begin() + first, c.sent.end()), expected);
    EXPECT_FALSE(c.model.Running());
}

TEST(SimControllerFreeRun, AnOpenShutterClosesBeforeTheFirstCycle) {
    ModelRecorder c;
    SetUpTimes(c, 0x00, 0x01);
    c.Write({0xAA});
    EXPECT_EQ(c.Write({0xFA, 0xF3}, kT0), (Bytes{0xFA, 0xF3, 0x06, 0xAC}));
    c.AdvanceTo(kT0 + 12'000 + 999'999);
    EXPECT_EQ(c.AdvanceTo(kT0 + 12'000 + 1'000'000), Bytes{0xAA});
}

TEST(SimControllerFreeRun, ContinuousRunGoesOnUntilStop) {
    ModelRecorder c;
    SetUpTimes(c, 0xFF, 0xFF);
    c.Write({0xFA, 0xF3}, kT0);
    EXPECT_EQ(c.AdvanceTo(kT0 + 100 * 1'524'000 + 1'100'000).size(), 201u);  // shutter open now
    EXPECT_EQ(c.Write({0xBF}, kT0 + 100 * 1'524'000 + 1'200'000), (Bytes{0xBF, 0x06, 0xAC, 0x0D}));
    EXPECT_FALSE(c.model.NextEventUs().has_value());
    EXPECT_EQ(c.Write({0xBF}), (Bytes{0xBF, 0x06}));  // nothing to stop
}

TEST(SimControllerFreeRun, TriggerPulseStartsARunOnlyWhenTheInputIsEnabled) {
    ModelRecorder c;
    SetUpTimes(c, 0x00, 0x01);
    c.Write({0xFA, 0xF2});
    c.model.TriggerPulse(kT0);
    EXPECT_FALSE(c.model.Running());
    c.Write({0xFA, 0xA3}, kT0);
    c.model.TriggerPulse(kT0);
    // The burst ends quietly: the controller stays armed, and each pulse runs again.
    EXPECT_EQ(c.AdvanceTo(kT0 + 1'524'000), (Bytes{0xAA, 0xAC}));
    c.model.TriggerPulse(kT0 + 2'000'000);
    EXPECT_EQ(c.AdvanceTo(kT0 + 4'000'000), (Bytes{0xAA, 0xAC}));
    // STOP ends the free run, armed or not.
    EXPECT_EQ(c.Write({0xBF}, kT0 + 4'000'000), (Bytes{0xBF, 0x06, 0x0D}));
}

TEST(SimControllerFreeRun, StoredPowerUpOptionRunsAtPowerUpAndAfterReset) {
    ModelRecorder c;
    SetUpTimes(c, 0x00, 0x01);
    c.Write({0xFA, 0xF1});
    c.Write({0xFA, 0xC1});
    EXPECT_FALSE(c.model.Running());
    c.model.PowerUp(kT0);
    EXPECT_EQ(c.AdvanceTo(kT0 + 1'524'000), (Bytes{0xAA, 0xAC, 0x0D}));
    EXPECT_EQ(c.Write({0xFB}, kT0 + 2'000'000), (Bytes{0xFB, 0x0D}));
    EXPECT_TRUE(c.model.Running());
}

TEST(SimControllerFreeRun, ResetDuringARunEndsItWithOneCarriageReturn) {
    ModelRecorder c;
    SetUpTimes(c, 0xFF, 0xFF);
    c.Write({0xFA, 0xF3}, kT0);
    c.AdvanceTo(kT0 + 1'100'000);
    EXPECT_EQ(c.Write({0xFB}, kT0 + 1'100'000), (Bytes{0xFB, 0xAC, 0x0D}));
    EXPECT_FALSE(c.model.Running());
}

TEST(SimControllerFreeRun, ZeroTimesStillTakeTimePerCycle) {
    ModelRecorder c;
    c.Write({0xDE, 0x00});
    c.Write({0xFA, 0xF0, 0xFF, 0xFF});
    c.Write({0xFA, 0xF3}, kT0);
    EXPECT_EQ(c.AdvanceTo(kT0 + 1000).size(), 10u);  // one movement per 0.1 ms
}

}  // namespace
