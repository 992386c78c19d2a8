// The shutter's history as the controller reported it: each shutter report
// (0xAA opened, 0xAC closed) with the time the poll read it, the starts and
// ends of free runs and trigger-started runs, and each cycle of a run
// measured against what its stored times and transition mode should give.
// Fed by the engine's events; a front end draws it.
//
// Reports are kept as they came: two opens in a row, or a close with no open
// before it, are irregular, counted and kept, and measure nothing. A cycle
// measured from a report the poll may have read late (it had not looked for
// longer than a few of its periods: the machine held it up), or from reports
// one read brought together, is marked and left out of the deviations: its
// times are the poll's, not the controller's. Echoes of
// the host's own Open and Close are not reports. Everything kept is bounded:
// past the limits the oldest reports, marks and cycles are dropped (and
// counted), while the totals and deviations go on over every cycle.
//
// Engine thread only, but for the link test's writes, which it ignores.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

#include "core/engine/engine_events.h"
#include "core/record/echo_matcher.h"
#include "core/timeline/configured_cycle.h"

namespace ferrule {

class ShutterTimeline : public EngineObserver {
public:
    // A report read more than this after the poll before last looked may
    // have waited that long: the poll was held up.
    static constexpr int kLateReadMs = 8;

    struct Limits {
        size_t mostReports = 200000;
        size_t mostCycles = 100000;
        size_t mostMarks = 20000;
    };
    // What the controller runs with at the start of a run.
    using ConfigurationSource = std::function<ConfiguredCycle()>;

    struct Report {
        int64_t timeMs;
        bool open;
        bool irregular;  // the shutter was already in this state
        bool inRun;
    };
    struct Mark {
        enum class Kind { FreeRunStart, TriggerRunStart, RunEnd };
        int64_t timeMs;
        Kind kind;
        int run;
    };
    struct Cycle {
        int run;
        int number;                       // within its run, from 1
        int64_t openMs;                   // the open report
        int64_t closeMs;                  // the close report that completed it
        std::optional<int64_t> closedMs;  // from the previous close (or the run's start)
        bool closedFromStart;             // measured from the run's start, not a close
        bool readTogether;                // a report of it shared a read with another
        int readLateMs;                   // the longest a report of it may have waited

        // Its times are the poll's rather than the controller's.
        bool Doubtful() const { return readTogether || readLateMs > kLateReadMs; }
        int64_t exposureMs;  // open report to close report
        ConfiguredCycle configured;

        double ConfiguredClosedMs() const {
            return closedFromStart ? configured.StartToOpenMs() : configured.CloseToOpenMs();
        }
        double ConfiguredExposureMs() const { return configured.OpenToCloseMs(); }
    };
    // Deviations of measured from configured times, over every cycle.
    struct Deviation {
        uint64_t count = 0;
        double sumMs = 0;
        double worstMs = 0;  // the largest in size, with its sign
        int worstRun = 0;
        int worstCycle = 0;

        void Add(double deviationMs, int run, int cycle);
        double MeanMs() const { return count == 0 ? 0 : sumMs / static_cast<double>(count); }
    };
    struct Totals {
        uint64_t reports = 0;
        uint64_t irregular = 0;
        uint64_t reportsOutsideRuns = 0;  // read at the poll's slower pace
        uint64_t runs = 0;
        uint64_t cycles = 0;
        uint64_t droppedReports = 0;  // no longer kept for drawing
        uint64_t droppedCycles = 0;
        uint64_t doubtfulCycles = 0;  // read late or together: left out of the deviations
        Deviation closed;
        Deviation exposure;
    };

    explicit ShutterTimeline(ConfigurationSource source) : ShutterTimeline(std::move(source), {}) {}
    ShutterTimeline(ConfigurationSource source, Limits limits);

    void OnEngineEvent(const EngineEvent& event) override;

    const std::deque<Report>& Reports() const { return m_reports; }
    const std::deque<Mark>& Marks() const { return m_marks; }
    const std::deque<Cycle>& Cycles() const { return m_cycles; }
    const Totals& Total() const { return m_totals; }
    bool RunActive() const { return m_run.has_value(); }
    // The time of the latest event seen, -1 before any.
    int64_t LatestMs() const { return m_latestMs; }
    // Grows whenever something is added, for a view to tell when to redraw.
    uint64_t Revision() const { return m_revision; }
    // Forgets everything but the echoes still expected.
    void Clear();

private:
    struct Run {
        int number;
        bool triggered = false;
        int cycles = 0;
        ConfiguredCycle configured;
        std::optional<int64_t> closedSinceMs;  // the shutter closed within the run
        bool closedSinceStart = false;         // ... since the run's start
        uint64_t closedSinceBatch = 0;         // the read that brought that close
        bool closedSinceTogether = false;      // ... with another report
        int closedSinceLateMs = 0;             // ... up to this late
        std::optional<int64_t> openedMs;       // the open report of the cycle under way
        uint64_t openedBatch = 0;
        bool openedTogether = false;
        int openedLateMs = 0;
    };

    void TakeWrite(const EngineEvent& event);
    void TakeByte(const EngineEvent& event);
    void TakeReport(int64_t timeMs, bool open, bool countdown);
    // The read is decoded: the cycles it completed count in the deviations,
    // unless it brought more than one report.
    void EndBatch();
    void AddDeviations(const Cycle& cycle);
    void StartRun(int64_t timeMs, Mark::Kind kind, bool closedAtStart);
    void EndRun(int64_t timeMs);
    template <typename T>
    void Keep(std::deque<T>& kept, T item, size_t most, uint64_t* dropped);

    ConfigurationSource m_source;
    Limits m_limits;
    EchoMatcher m_echoes;
    std::deque<Report> m_reports;
    std::deque<Mark> m_marks;
    std::deque<Cycle> m_cycles;
    Totals m_totals;
    std::optional<Run> m_run;
    std::optional<bool> m_open;  // the shutter's last reported state
    bool m_triggerArmed = false;
    int m_runsStarted = 0;
    int64_t m_latestMs = -1;
    uint64_t m_revision = 0;
    bool m_inBatch = false;
    uint64_t m_batch = 0;      // the number of the read being decoded
    int m_batchReports = 0;    // shutter reports in it so far
    int m_batchLateMs = 0;     // the most its bytes may have waited
    size_t m_batchCycles = 0;  // cycles it completed, the latest kept
};

}  // namespace ferrule
