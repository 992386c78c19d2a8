#include "core/timeline/timeline_text.h"

#include <cmath>
#include <cstdio>

#include "core/protocol/poll_pace.h"
#include "core/record/record_format.h"

namespace ferrule {

namespace {

std::string Ms(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", ms);
    return text;
}

std::string Plural(uint64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string DeviationText(const char* what, const ShutterTimeline::Deviation& d) {
    if (d.count == 0) {
        return std::string(what) + ": not measured.";
    }
    return std::string(what) + ": mean deviation " + SignedMs(d.MeanMs()) + " ms, worst " +
           SignedMs(d.worstMs) + " ms (run " + std::to_string(d.worstRun) + ", cycle " +
           std::to_string(d.worstCycle) + ").";
}

}  // namespace

std::string SignedMs(double ms) {
    // Rounded first, so that -0.04 reads 0.0 rather than -0.0.
    const double rounded = std::round(ms * 10) / 10;
    if (rounded == 0) {
        return "0.0";
    }
    return (rounded > 0 ? "+" : "") + Ms(rounded);
}

std::string TimelineSummary(const ShutterTimeline& timeline) {
    const ShutterTimeline::Totals& t = timeline.Total();
    std::string text;
    if (t.cycles == 0) {
        text = "No cycles measured yet";
        text += t.runs > 0 ? " (" + Plural(t.runs, "run", "runs") + ")." : ".";
    } else {
        text = Plural(t.cycles, "cycle", "cycles") + " in " + Plural(t.runs, "run", "runs") + ". ";
        text += DeviationText("Exposure", t.exposure) + " ";
        text += DeviationText("Closed", t.closed);
    }
    text += " " + Plural(t.irregular, "irregular report", "irregular reports") + " (the shutter " +
            "reported twice in the same state) of " + Plural(t.reports, "report", "reports") + ".";
    if (t.doubtfulCycles > 0) {
        text += " " + Plural(t.doubtfulCycles, "cycle was", "cycles were") +
                " measured from reports the poll may have read late or read together with "
                "another, and " +
                (t.doubtfulCycles == 1 ? "is" : "are") +
                " left out of the deviations (see the Note column).";
    }
    if (t.reportsOutsideRuns > 0) {
        text += " " + Plural(t.reportsOutsideRuns, "report", "reports") + " outside a run.";
    }
    if (t.droppedCycles > 0 || t.droppedReports > 0) {
        text += " The picture and the table keep the latest " +
                Plural(timeline.Cycles().size(), "cycle", "cycles") + " and " +
                Plural(timeline.Reports().size(), "report", "reports") +
                "; older ones count in these totals only.";
    }
    return text;
}

std::string TimelineResolution(const ShutterTimeline& timeline) {
    std::string text =
        "Times are taken on this computer, to the millisecond, when the poll reads a byte, not "
        "when the controller sent it. While a run is armed the poll reads every " +
        std::to_string(PollPace::kReplyMs) +
        " ms and the link hands bytes over within its 2 ms latency timer, so a report is "
        "normally read up to about 4 ms late, and a measured time is good to about 4 ms either "
        "way. A busy computer holds the poll up: a time whose reports may have waited up to " +
        std::to_string(ShutterTimeline::kLateReadMs) +
        " ms is kept and may be off by as much; a cycle whose reports may have waited longer, or "
        "came in one read together, is marked in the table and left out of the deviations.";
    const uint64_t outside = timeline.Total().reportsOutsideRuns;
    if (outside > 0) {
        text += " " + Plural(outside, "report", "reports") +
                " came outside an armed run, when the poll may read up to " +
                std::to_string(PollPace::kQuietMs) + " ms late.";
    }
    return text;
}

const char* CycleColumnTitle(int column) {
    static const char* const kTitles[kCycleColumns] = {"Run",
                                                       "Cycle",
                                                       "Closed (ms)",
                                                       "Configured closed (ms)",
                                                       "Closed diff. (ms)",
                                                       "Exposure (ms)",
                                                       "Configured exposure (ms)",
                                                       "Exposure diff. (ms)",
                                                       "Note"};
    return column >= 0 && column < kCycleColumns ? kTitles[column] : "";
}

std::string CycleCell(const ShutterTimeline::Cycle& c, int column) {
    switch (column) {
        case 0:
            return std::to_string(c.run);
        case 1:
            return std::to_string(c.number);
        case 2:
            return c.closedMs ? std::to_string(*c.closedMs) : "";
        case 3:
            return c.closedMs ? Ms(c.ConfiguredClosedMs()) : "";
        case 4:
            return c.closedMs ? SignedMs(static_cast<double>(*c.closedMs) - c.ConfiguredClosedMs())
                              : "";
        case 5:
            return std::to_string(c.exposureMs);
        case 6:
            return Ms(c.ConfiguredExposureMs());
        case 7:
            return SignedMs(static_cast<double>(c.exposureMs) - c.ConfiguredExposureMs());
        case 8:
            if (c.readTogether) {
                return "read together with another report";
            }
            return c.readLateMs > ShutterTimeline::kLateReadMs
                       ? "may have been read up to " + std::to_string(c.readLateMs) + " ms late"
                       : "";
        default:
            return {};
    }
}

std::string CycleTableCsv(const ShutterTimeline& timeline) {
    std::string csv;
    for (int column = 0; column < kCycleColumns; ++column) {
        if (column > 0) {
            csv += ',';
        }
        AppendCsvField(csv, CycleColumnTitle(column));
    }
    csv += '\n';
    for (const ShutterTimeline::Cycle& cycle : timeline.Cycles()) {
        for (int column = 0; column < kCycleColumns; ++column) {
            if (column > 0) {
                csv += ',';
            }
            AppendCsvField(csv, CycleCell(cycle, column));
        }
        csv += '\n';
    }
    return csv;
}

}  // namespace ferrule
