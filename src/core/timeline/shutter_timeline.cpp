#include "core/timeline/shutter_timeline.h"

#include <algorithm>
#include <cmath>

#include "core/protocol/message_catalogue.h"

namespace ferrule {

namespace wire = controller;

void ShutterTimeline::Deviation::Add(double deviationMs, int run, int cycle) {
    ++count;
    sumMs += deviationMs;
    if (count == 1 || std::fabs(deviationMs) > std::fabs(worstMs)) {
        worstMs = deviationMs;
        worstRun = run;
        worstCycle = cycle;
    }
}

ShutterTimeline::ShutterTimeline(ConfigurationSource source, Limits limits)
    : m_source(std::move(source)), m_limits(limits) {}

void ShutterTimeline::Clear() {
    m_reports.clear();
    m_marks.clear();
    m_cycles.clear();
    m_totals = {};
    m_run.reset();
    m_runsStarted = 0;
    ++m_revision;
}

void ShutterTimeline::OnEngineEvent(const EngineEvent& event) {
    using Kind = EngineEvent::Kind;
    switch (event.kind) {
        case Kind::LinkTestSent:
            // Told on the link test's thread; its bytes are never reports.
            return;
        case Kind::Sent:
            m_latestMs = event.timeMs;
            TakeWrite(event);
            break;
        case Kind::Received:
            ++m_batch;
            m_inBatch = true;
            m_batchReports = 0;
            m_batchCycles = 0;
            m_batchLateMs = event.number;
            break;
        case Kind::BatchDecoded:
            EndBatch();
            break;
        case Kind::Byte:
            m_latestMs = event.timeMs;
            TakeByte(event);
            break;
        case Kind::LinkLost:
            m_latestMs = event.timeMs;
            m_echoes.Clear();
            EndRun(event.timeMs);
            m_open.reset();
            break;
        default:
            break;
    }
}

void ShutterTimeline::TakeWrite(const EngineEvent& e) {
    m_echoes.Written(e.bytes, {}, e.timeMs);
    if (e.bytes.size() != 2 || e.bytes[0] != wire::kFunction) {
        return;
    }
    switch (e.bytes[1]) {
        case wire::kRunGo:
            // The controller starts the run as the message arrives.
            m_triggerArmed = false;
            EndRun(e.timeMs);
            StartRun(e.timeMs, Mark::Kind::FreeRunStart, m_open != true);
            break;
        case wire::kRunOnTrigger:
            m_triggerArmed = true;
            break;
        case wire::kRunNone:
        case wire::kRunOnPowerUp:
            m_triggerArmed = false;
            break;
        default:
            break;
    }
}

void ShutterTimeline::TakeByte(const EngineEvent& e) {
    if (e.bytes.empty()) {
        return;
    }
    const uint8_t byte = e.bytes[0];
    if (MayBeEcho(e) && m_echoes.Match(byte, e.timeMs)) {
        return;
    }
    // The replies' bytes are data, whatever their value.
    if (e.route == ByteRoute::StatusReply || e.route == ByteRoute::InfoReply) {
        return;
    }
    const bool countdown = e.route == ByteRoute::Countdown;
    if (byte == wire::kOpen || byte == wire::kClose) {
        TakeReport(e.timeMs, byte == wire::kOpen, countdown);
    }
    // A free run ends with the controller's carriage return; a triggered
    // run with its last cycle, the controller staying armed.
    const bool triggered = m_run && m_run->triggered;
    if (byte == wire::kEnd || (triggered && e.effect == ByteEffect::RunEnded)) {
        EndRun(e.timeMs);
    }
}

void ShutterTimeline::TakeReport(int64_t timeMs, bool open, bool countdown) {
    // A report while a run is armed and none is under way starts one: the
    // controller was waiting for its trigger pulse.
    if (!m_run && countdown) {
        StartRun(timeMs, m_triggerArmed ? Mark::Kind::TriggerRunStart : Mark::Kind::FreeRunStart,
                 false);
    }
    const bool irregular = m_open.has_value() && *m_open == open;
    m_open = open;
    ++m_batchReports;
    ++m_totals.reports;
    m_totals.irregular += irregular ? 1 : 0;
    m_totals.reportsOutsideRuns += m_run ? 0 : 1;
    Keep(m_reports, Report{timeMs, open, irregular, m_run.has_value()}, m_limits.mostReports,
         &m_totals.droppedReports);
    if (!m_run || irregular) {
        return;  // an irregular report keeps the first time of its state
    }
    Run& run = *m_run;
    if (open) {
        run.openedMs = timeMs;
        run.openedBatch = m_batch;
        run.openedTogether = false;
        run.openedLateMs = m_batchLateMs;
        return;
    }
    if (run.openedMs) {
        Cycle cycle{};
        cycle.run = run.number;
        cycle.number = ++run.cycles;
        cycle.openMs = *run.openedMs;
        cycle.closeMs = timeMs;
        cycle.exposureMs = timeMs - *run.openedMs;
        if (run.closedSinceMs && *run.closedSinceMs <= *run.openedMs) {
            cycle.closedMs = *run.openedMs - *run.closedSinceMs;
            cycle.closedFromStart = run.closedSinceStart;
        }
        cycle.configured = run.configured;
        cycle.readTogether = run.openedTogether || (cycle.closedMs && run.closedSinceTogether);
        cycle.readLateMs = std::max(run.openedLateMs, m_batchLateMs);
        if (cycle.closedMs) {
            cycle.readLateMs = std::max(cycle.readLateMs, run.closedSinceLateMs);
        }
        ++m_totals.cycles;
        Keep(m_cycles, cycle, m_limits.mostCycles, &m_totals.droppedCycles);
        if (m_inBatch) {
            ++m_batchCycles;
        } else {
            AddDeviations(m_cycles.back());
        }
    }
    run.openedMs.reset();
    run.closedSinceMs = timeMs;
    run.closedSinceStart = false;
    run.closedSinceBatch = m_batch;
    run.closedSinceTogether = false;
    run.closedSinceLateMs = m_batchLateMs;
}

void ShutterTimeline::AddDeviations(const Cycle& cycle) {
    if (cycle.Doubtful()) {
        ++m_totals.doubtfulCycles;
        return;
    }
    m_totals.exposure.Add(static_cast<double>(cycle.exposureMs) - cycle.ConfiguredExposureMs(),
                          cycle.run, cycle.number);
    if (cycle.closedMs) {
        m_totals.closed.Add(static_cast<double>(*cycle.closedMs) - cycle.ConfiguredClosedMs(),
                            cycle.run, cycle.number);
    }
}

void ShutterTimeline::EndBatch() {
    const bool together = m_batchReports >= 2;
    if (together && m_run) {
        m_run->openedTogether = m_run->openedTogether || m_run->openedBatch == m_batch;
        m_run->closedSinceTogether =
            m_run->closedSinceTogether || m_run->closedSinceBatch == m_batch;
    }
    const size_t count = std::min(m_batchCycles, m_cycles.size());
    for (size_t i = m_cycles.size() - count; i < m_cycles.size(); ++i) {
        m_cycles[i].readTogether = m_cycles[i].readTogether || together;
        AddDeviations(m_cycles[i]);
    }
    m_inBatch = false;
    m_batchCycles = 0;
    m_batchLateMs = 0;
}

void ShutterTimeline::StartRun(int64_t timeMs, Mark::Kind kind, bool closedAtStart) {
    Run run{};
    run.number = ++m_runsStarted;
    run.configured = m_source ? m_source() : ConfiguredCycle{};
    run.triggered = kind == Mark::Kind::TriggerRunStart;
    if (closedAtStart) {
        run.closedSinceMs = timeMs;
        run.closedSinceStart = true;
    }
    m_run = run;
    ++m_totals.runs;
    uint64_t ignored = 0;
    Keep(m_marks, Mark{timeMs, kind, run.number}, m_limits.mostMarks, &ignored);
}

void ShutterTimeline::EndRun(int64_t timeMs) {
    if (!m_run) {
        return;
    }
    uint64_t ignored = 0;
    Keep(m_marks, Mark{timeMs, Mark::Kind::RunEnd, m_run->number}, m_limits.mostMarks, &ignored);
    m_run.reset();
}

template <typename T>
void ShutterTimeline::Keep(std::deque<T>& kept, T item, size_t most, uint64_t* dropped) {
    kept.push_back(std::move(item));
    while (kept.size() > most) {
        kept.pop_front();
        ++*dropped;
    }
    ++m_revision;
}

}  // namespace ferrule
