// The shutter timeline fed by the engine on the simulated controller's manual
// clock: cycles measured against the configured times in each transition
// mode, trigger-started runs, irregular reports, and its bounds.
#include <gmock/gmock.h>

#include "core/timeline/shutter_timeline.h"
#include "core/timeline/timeline_text.h"
#include "engine_fixture.h"

using ferrule::ShutterTimeline;
using Kind = ferrule::ShutterTimeline::Mark::Kind;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class Timeline : public Engine {
protected:
    void SetUp() override {
        Engine::SetUp();
        engine.AddObserver(&timeline);
    }
    void TearDown() override {
        engine.RemoveObserver(&timeline);
        Engine::TearDown();
    }
    // Polls every millisecond until the run has ended.
    void RunToItsEnd(int mostMs = 20000) {
        Settle(1, 1);
        for (int i = 0; i < mostMs && timeline.RunActive(); ++i) {
            Settle(1, 1);
        }
        Settle(10, 1);
    }
    std::vector<Kind> MarkKinds() const {
        std::vector<Kind> kinds;
        for (const ShutterTimeline::Mark& mark : timeline.Marks()) {
            kinds.push_back(mark.kind);
        }
        return kinds;
    }

    // What the controller takes at a run's start, as the panel reads it.
    ShutterTimeline timeline{[this] {
        return ferrule::ConfigureCycle(state.m_strClosedTime, state.m_strExposureTime,
                                       fields.m_nShutterMode, fields.m_nNdSteps);
    }};
};

}  // namespace

// Three cycles in each transition mode: every closed and exposure time the
// poll measured lies within a millisecond of the stored time and one
// movement, the first closed time from Go without a movement.
TEST_F(Timeline, CyclesMeasureTheConfiguredTimesInEachMode) {
    struct Case {
        const char* name;
        std::function<void()> mode;
        double movementMs;
    };
    const Case cases[] = {
        {"Fast", [&] { engine.SetShutterMode(0); }, 12.0},
        {"Soft", [&] { engine.SetShutterMode(1); }, 70.0},
        {"ND 20", [&] { engine.SetNeutralDensity(20); }, 5.3},
    };
    SetTimesAndRepeat("200", "30", "3");
    int run = 0;
    for (const Case& c : cases) {
        Command(c.mode);
        Settle();
        fields.m_nShutter = 1;
        Command([&] { EXPECT_TRUE(engine.SetRunOption(2)); });
        RunToItsEnd();
        ++run;
        std::vector<const ShutterTimeline::Cycle*> cycles;
        for (const ShutterTimeline::Cycle& cycle : timeline.Cycles()) {
            if (cycle.run == run) {
                cycles.push_back(&cycle);
            }
        }
        ASSERT_EQ(cycles.size(), 3u) << c.name;
        for (const ShutterTimeline::Cycle* cycle : cycles) {
            EXPECT_DOUBLE_EQ(cycle->ConfiguredExposureMs(), 30 + c.movementMs) << c.name;
            EXPECT_NEAR(static_cast<double>(cycle->exposureMs), cycle->ConfiguredExposureMs(), 1.0)
                << c.name << " cycle " << cycle->number;
            ASSERT_TRUE(cycle->closedMs) << c.name;
            EXPECT_EQ(cycle->closedFromStart, cycle->number == 1);
            EXPECT_DOUBLE_EQ(cycle->ConfiguredClosedMs(),
                             cycle->number == 1 ? 200 : 200 + c.movementMs);
            EXPECT_NEAR(static_cast<double>(*cycle->closedMs), cycle->ConfiguredClosedMs(), 1.0)
                << c.name << " cycle " << cycle->number;
        }
    }
    EXPECT_THAT(MarkKinds(), ElementsAre(Kind::FreeRunStart, Kind::RunEnd, Kind::FreeRunStart,
                                         Kind::RunEnd, Kind::FreeRunStart, Kind::RunEnd));
    const ShutterTimeline::Totals& totals = timeline.Total();
    EXPECT_EQ(totals.cycles, 9u);
    EXPECT_EQ(totals.irregular, 0u);
    EXPECT_LE(std::abs(totals.exposure.worstMs), 1.0);
    EXPECT_THAT(ferrule::TimelineSummary(timeline), HasSubstr("9 cycles in 3 runs. Exposure: "));
    EXPECT_THAT(ferrule::TimelineSummary(timeline), HasSubstr("0 irregular reports"));
    const std::string csv = ferrule::CycleTableCsv(timeline);
    EXPECT_EQ(csv.substr(0, csv.find('\n')),
              "Run,Cycle,Closed (ms),Configured closed (ms),Closed diff. (ms),Exposure (ms),"
              "Configured exposure (ms),Exposure diff. (ms),Note");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 10);
}

// Each trigger pulse starts a run that ends with its last cycle, while the
// controller stays armed for the next pulse.
TEST_F(Timeline, TriggerStartedRunsAreMarkedEach) {
    SetTimesAndRepeat("20", "10", "2");
    Command([&] { engine.SetTriggerOption(0); });
    fields.m_nShutter = 1;
    Command([&] { EXPECT_TRUE(engine.SetRunOption(1)); });
    Settle();
    for (int pulse = 0; pulse < 2; ++pulse) {
        sim.fsim_trigger_pulse(0);
        Settle(200, 1);
    }
    EXPECT_EQ(state.m_nFreeRunCountMode, 1);  // still armed
    EXPECT_THAT(MarkKinds(), ElementsAre(Kind::TriggerRunStart, Kind::RunEnd, Kind::TriggerRunStart,
                                         Kind::RunEnd));
    ASSERT_EQ(timeline.Cycles().size(), 4u);
    EXPECT_EQ(timeline.Cycles()[3].run, 2);
    EXPECT_EQ(timeline.Cycles()[3].number, 2);
    // The first cycle of a triggered run has no start to measure from.
    EXPECT_FALSE(timeline.Cycles()[0].closedMs);
    EXPECT_TRUE(timeline.Cycles()[1].closedMs);
}

// The host's own Open is echoed before the controller reports it: one report.
// Reports out of order are kept as they came, counted, and measure nothing.
TEST_F(Timeline, EchoesAreNotReportsAndIrregularReportsAreCounted) {
    Command([&] { engine.SetShutter(0); });
    Settle();
    ASSERT_EQ(timeline.Reports().size(), 1u);
    EXPECT_TRUE(timeline.Reports()[0].open);

    const std::vector<uint8_t> outOfOrder = {0xAA, 0xAC, 0xAC, 0xAA, 0xAA};
    sim.fsim_inject(0, outOfOrder.data(), static_cast<uint32_t>(outOfOrder.size()));
    Settle();
    std::vector<bool> irregular;
    for (const ShutterTimeline::Report& report : timeline.Reports()) {
        irregular.push_back(report.irregular);
    }
    EXPECT_THAT(irregular, ElementsAre(false, true, false, true, false, true));
    EXPECT_EQ(timeline.Total().irregular, 3u);
    EXPECT_EQ(timeline.Total().reportsOutsideRuns, 6u);
    EXPECT_TRUE(timeline.Cycles().empty());

    // Within a run: a close with no open, then the run goes on regularly,
    // though the engine's countdown takes the stray close for a cycle.
    Command([&] { engine.SetShutter(1); });
    SetTimesAndRepeat("30", "30", "3");
    fields.m_nShutter = 1;
    Command([&] { EXPECT_TRUE(engine.SetRunOption(2)); });
    Settle(10, 1);
    const uint8_t close = 0xAC;
    sim.fsim_inject(0, &close, 1);
    RunToItsEnd();
    EXPECT_EQ(timeline.Total().irregular, 4u);
    ASSERT_EQ(timeline.Cycles().size(), 3u);
    for (const ShutterTimeline::Cycle& cycle : timeline.Cycles()) {
        EXPECT_GE(cycle.exposureMs, 0);
        EXPECT_GE(cycle.closedMs.value_or(0), 0);
    }
}

// Past its limits the timeline keeps the latest and counts every cycle.
TEST_F(Timeline, KeepsWhatItDrawsBounded) {
    ShutterTimeline small({}, {.mostReports = 6, .mostCycles = 2, .mostMarks = 2});
    engine.AddObserver(&small);
    SetTimesAndRepeat("1", "1", "10");
    fields.m_nShutter = 1;
    Command([&] { EXPECT_TRUE(engine.SetRunOption(2)); });
    RunToItsEnd();
    engine.RemoveObserver(&small);
    EXPECT_EQ(small.Total().cycles, 10u);
    EXPECT_EQ(small.Total().reports, 20u);
    EXPECT_EQ(small.Cycles().size(), 2u);
    EXPECT_EQ(small.Cycles().back().number, 10);
    EXPECT_EQ(small.Reports().size(), 6u);
    EXPECT_EQ(small.Total().droppedCycles, 8u);
    EXPECT_EQ(small.Marks().size(), 2u);
    EXPECT_THAT(ferrule::TimelineSummary(small), HasSubstr("keep the latest 2 cycles"));
}

// A poll held up (a busy machine) reads several reports at once: their
// cycles are marked and kept out of the deviations, which stay honest.
TEST_F(Timeline, ReportsReadTogetherAreNotTakenForTheControllersTimes) {
    SetTimesAndRepeat("100", "100", "6");
    fields.m_nShutter = 1;
    Command([&] { EXPECT_TRUE(engine.SetRunOption(2)); });
    Settle(500, 1);  // two cycles of 224 ms, polled every millisecond
    Settle(1, 700);  // then nothing read for 700 ms
    RunToItsEnd();
    ASSERT_EQ(timeline.Cycles().size(), 6u);
    std::vector<bool> together;
    for (const ShutterTimeline::Cycle& cycle : timeline.Cycles()) {
        together.push_back(cycle.readTogether);
    }
    // The sixth cycle's closed time starts at the last close read late.
    EXPECT_THAT(together, ElementsAre(false, false, true, true, true, true));
    EXPECT_EQ(timeline.Total().doubtfulCycles, 4u);
    EXPECT_LE(std::abs(timeline.Total().exposure.worstMs), 1.0);
    EXPECT_LE(std::abs(timeline.Total().closed.worstMs), 1.0);
    EXPECT_EQ(ferrule::CycleCell(timeline.Cycles()[2], 8), "read together with another report");
    EXPECT_THAT(ferrule::TimelineSummary(timeline),
                HasSubstr("4 cycles were measured from reports the poll may have read late"));
}

// One report read 80 ms after the poll before: the two measurements it takes
// part in say how late it may be, and stay out of the deviations.
TEST_F(Timeline, AReportThePollMayHaveReadLateIsMarked) {
    SetTimesAndRepeat("100", "100", "3");
    fields.m_nShutter = 1;
    Command([&] { EXPECT_TRUE(engine.SetRunOption(2)); });
    const size_t before = timeline.Reports().size();
    for (int i = 0; i < 1000 && timeline.Reports().size() == before; ++i) {
        Settle(1, 1);  // until the first open report
    }
    Settle(50, 1);
    Settle(1, 80);  // the close report comes in this gap, alone
    RunToItsEnd();
    ASSERT_EQ(timeline.Cycles().size(), 3u);
    const auto& cycles = timeline.Cycles();
    EXPECT_FALSE(cycles[0].readTogether);
    EXPECT_EQ(cycles[0].readLateMs, 80);
    EXPECT_EQ(ferrule::CycleCell(cycles[0], 8), "may have been read up to 80 ms late");
    EXPECT_EQ(cycles[1].readLateMs, 80);  // its closed time starts at that close
    EXPECT_FALSE(cycles[2].Doubtful());
    EXPECT_EQ(timeline.Total().doubtfulCycles, 2u);
    EXPECT_EQ(timeline.Total().exposure.count, 1u);
    EXPECT_LE(std::abs(timeline.Total().exposure.worstMs), 1.0);
}
