// What a session record and the shutter timeline cost over long runs: a free
// run of a hundred thousand cycles on the simulated controller's manual
// clock, an hour of the link test's full-rate stream into a record (replayed
// at the stream's real event rates, as fast as the machine goes), the real
// link test at full speed for some seconds of wall time, drawing the
// timeline's whole kept history, and Save Log As of ten million lines with
// the GUI thread's longest pause meanwhile. Prints figures; never asserts (the machines
// here are shared and noisy).
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "core/engine/controller_engine.h"
#include "core/link/device_opening.h"
#include "core/record/session_record.h"
#include "core/timeline/shutter_timeline.h"
#include "core/timeline/timeline_text.h"
#include "measure.h"
#include "panel/timeline/trace_view.h"
#include "panel/widgets/log_export.h"
#include "panel/widgets/received_log_model.h"
#include "sim_library.h"

namespace {

// Rows the record had to drop because its file did not keep up, from its
// notes.
long LostRows(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    long lost = 0;
    while (std::getline(in, line)) {
        const size_t at = line.find(" rows lost: ");
        if (at != std::string::npos && line.find(",note,") != std::string::npos) {
            const size_t start = line.rfind(',', at) + 1;
            lost += std::stol(line.substr(start, at - start));
        }
    }
    return lost;
}

double MiB(double bytes) {
    return bytes / (1024.0 * 1024.0);
}

class ManualView : public ferrule::EngineHooks {
public:
    int64_t NowMs() override { return nowMs; }
    int64_t nowMs = 1;
};

// The engine on the simulated controller, its link up.
struct Bench {
    Bench() {
        sim.fsim_use_manual_clock(1);
        d2xx.LoadD2xx(FSIM_LIBRARY_PATH);
        ferrule::OpenSelectedDevice(d2xx, 0, "Quillon Shutter Controller");
        ferrule::ConfigureAndProbe(d2xx, false);
        engine.Fields().m_strStatus = ferrule::kLinkReadyStatus;
        engine.SetLinkReady(true);
    }
    ~Bench() { d2xx.Close(); }
    void Poll(int everyMs = 2) {
        sim.fsim_advance_us(static_cast<uint64_t>(everyMs) * 1000);
        view.nowMs += everyMs;
        engine.Poll();
    }
    template <typename Body>
    void Command(Body body) {
        engine.BeginCommand();
        body();
        engine.EndCommand();
        for (int i = 0; i < 10; ++i) {
            Poll();
        }
    }

    SimLibrary sim;
    ferrule::D2xxApi d2xx{[](const std::string& m) { std::fprintf(stderr, "%s\n", m.c_str()); }};
    ManualView view;
    ferrule::ControllerEngine engine{d2xx, view};
};

// A Continuous run of Fast 1 ms / 1 ms cycles (26 ms each), polled every
// 2 ms of the controller's clock, until `cycles` are counted or a limit.
struct RunFigures {
    double cpuSeconds = 0;
    double simulatedSeconds = 0;
    uint64_t cycles = 0;
};

RunFigures LongRun(Bench& bench, uint64_t cycles, const ferrule::ShutterTimeline* timeline) {
    auto& fields = bench.engine.Fields();
    fields.m_nTimerSelect = 0;
    fields.m_strMillisecond = "1";
    bench.Command([&] { bench.engine.SetTimer(); });
    fields.m_nTimerSelect = 1;
    bench.Command([&] { bench.engine.SetTimer(); });
    fields.m_strRepeatCount = "65001";  // Continuous
    bench.Command([&] { bench.engine.SendRepeatCount(); });
    fields.m_nShutter = 1;
    const int64_t start = bench.view.nowMs;
    const double cpu = bench::CpuSeconds();
    bench.Command([&] { bench.engine.SetRunOption(2); });
    // 26 ms a cycle; without a timeline to count them, the clock does.
    const int64_t until = start + static_cast<int64_t>(cycles) * 26 + 20;
    while (timeline ? timeline->Total().cycles < cycles : bench.view.nowMs < until) {
        bench.Poll();
    }
    bench.Command([&] { bench.engine.Stop(); });
    RunFigures figures;
    figures.cpuSeconds = bench::CpuSeconds() - cpu;
    figures.simulatedSeconds = static_cast<double>(bench.view.nowMs - start) / 1000.0;
    figures.cycles = timeline ? timeline->Total().cycles : cycles;
    return figures;
}

void HundredThousandCycles(uint64_t cycles, const std::string& folder) {
    std::printf(
        "== A free run of %llu cycles (Fast, 1 ms closed, 1 ms exposure), polled every "
        "2 ms of the simulated clock\n",
        static_cast<unsigned long long>(cycles));
    RunFigures bare;
    {
        Bench bench;
        bare = LongRun(bench, cycles, nullptr);
    }
    Bench bench;
    ferrule::ShutterTimeline timeline([] {
        return ferrule::ConfigureCycle({"0", "0", "0", "1", "0"}, {"0", "0", "0", "1", "0"}, 0, 0);
    });
    ferrule::SessionRecord record;
    const std::string path = folder + "/cycles.csv";
    const long rssBefore = bench::StatusKiB("VmRSS");
    record.Start(path, bench.view.nowMs);
    bench.engine.AddObserver(&record);
    bench.engine.AddObserver(&timeline);
    const RunFigures observed = LongRun(bench, cycles, &timeline);
    bench.engine.RemoveObserver(&record);
    bench.engine.RemoveObserver(&timeline);
    record.Stop();
    const long rssAfter = bench::StatusKiB("VmRSS");
    const double fileBytes = static_cast<double>(std::filesystem::file_size(path));
    std::printf("  simulated run                      %10.1f s (%.2f h)\n",
                observed.simulatedSeconds, observed.simulatedSeconds / 3600);
    std::printf("  CPU, engine alone                  %10.2f s\n", bare.cpuSeconds);
    std::printf(
        "  CPU, engine + record + timeline    %10.2f s  (%.2f s per simulated hour, "
        "%.3f%% of one core in real time)\n",
        observed.cpuSeconds, observed.cpuSeconds / observed.simulatedSeconds * 3600,
        100 * observed.cpuSeconds / observed.simulatedSeconds);
    std::printf("  record file                        %10.1f MiB (%.0f bytes per cycle)\n",
                MiB(fileBytes), fileBytes / static_cast<double>(observed.cycles));
    std::printf("  resident memory before / after     %10ld / %ld KiB (grew %ld KiB)\n", rssBefore,
                rssAfter, rssAfter - rssBefore);
    std::printf(
        "  timeline keeps                     %10zu cycles, %zu reports, %zu marks "
        "(totals over %llu cycles)\n",
        timeline.Cycles().size(), timeline.Reports().size(), timeline.Marks().size(),
        static_cast<unsigned long long>(timeline.Total().cycles));
    std::printf("  summary: %s\n", ferrule::TimelineSummary(timeline).c_str());

    // Drawing what the timeline keeps: all of it at once, and two minutes.
    QImage image(1600, 480, QImage::Format_RGB32);
    const auto& reports = timeline.Reports();
    const double first = static_cast<double>(reports.front().timeMs);
    const double last = static_cast<double>(reports.back().timeMs);
    for (const auto& [what, start, span] :
         {std::tuple{"whole kept history", first, last - first},
          std::tuple{"the last two minutes", last - 120000, 120000.0}}) {
        QElapsedTimer timer;
        timer.start();
        constexpr int kPaints = 5;
        for (int i = 0; i < kPaints; ++i) {
            QPainter painter(&image);
            ferrule::TraceView::Paint(painter, QRectF(0, 0, 1600, 480), timeline, start, span, 0);
        }
        std::printf("  one paint of %-22s %8.1f ms\n", what,
                    static_cast<double>(timer.nsecsElapsed()) / 1e6 / kPaints);
    }
    std::filesystem::remove(path);
}

// The link test at its top speed writes 64 bytes about every millisecond; the
// controller echoes what the link carries, 12,800 bytes a second, which the
// poll reads at its 32 ms stream pace: about 410 bytes a batch.
void HourOfLinkTest(int seconds, const std::string& folder) {
    std::printf("== %d s of the link test's full-rate stream into a record, replayed\n", seconds);
    const std::string path = folder + "/linktest.csv";
    ferrule::SessionRecord record;
    int64_t now = 1;
    record.Start(path, now);
    uint8_t burst[64];
    for (int i = 0; i < 64; ++i) {
        burst[i] = static_cast<uint8_t>(0x40 | (i & 0x0F));
    }
    uint8_t batch[410];
    for (int i = 0; i < 410; ++i) {
        batch[i] = static_cast<uint8_t>(0x40 | (i & 0x0F));
    }
    using Kind = ferrule::EngineEvent::Kind;
    const int64_t steadyStart = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now().time_since_epoch())
                                    .count();
    const double cpu = bench::CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    long rssMost = 0;
    for (int64_t ms = 0; ms < int64_t{seconds} * 1000; ++ms) {
        now = 1 + ms;
        record.OnEngineEvent(
            {.kind = Kind::LinkTestSent, .timeMs = steadyStart + ms, .bytes = burst});
        if (ms % 32 == 0) {
            record.OnEngineEvent({.kind = Kind::Received, .timeMs = now, .bytes = batch});
            for (uint8_t& byte : batch) {
                record.OnEngineEvent({.kind = Kind::Byte,
                                      .timeMs = now,
                                      .bytes = {&byte, 1},
                                      .route = ferrule::ByteRoute::Plain});
            }
            record.OnEngineEvent({.kind = Kind::BatchDecoded, .timeMs = now, .bytes = batch});
        }
        if (ms % 10000 == 0) {
            rssMost = std::max(rssMost, bench::StatusKiB("VmRSS"));
        }
    }
    record.Stop();
    const double used = bench::CpuSeconds() - cpu;
    const double fileBytes = static_cast<double>(std::filesystem::file_size(path));
    std::printf("  rows                               %10lld written, %lld read\n",
                static_cast<long long>(seconds) * 1000,
                static_cast<long long>(seconds) * 1000 / 32);
    std::printf(
        "  CPU                                %10.2f s for %d s of stream (%.2f%% of one "
        "core), replayed in %.1f s of wall time\n",
        used, seconds, 100 * used / seconds, static_cast<double>(wall.elapsed()) / 1000);
    std::printf("  record file                        %10.1f MiB (%.1f MiB per hour)\n",
                MiB(fileBytes), MiB(fileBytes) * 3600 / seconds);
    std::printf("  resident memory, most seen         %10ld KiB\n", rssMost);
    std::printf(
        "  rows dropped (the disk behind)     %10ld (replayed %.0f times faster than real)\n",
        LostRows(path), seconds / (static_cast<double>(wall.elapsed()) / 1000));
    std::filesystem::remove(path);
}

// The real thing for a while: the link test at top speed on the simulated
// controller's real clock, the poll at its 32 ms stream pace, the record on.
void RealLinkTest(int seconds, const std::string& folder) {
    std::printf("== The real link test at top speed for %d s with the record on\n", seconds);
    SimLibrary sim;
    sim.fsim_use_manual_clock(0);
    ferrule::D2xxApi d2xx{[](const std::string& m) { std::fprintf(stderr, "%s\n", m.c_str()); }};
    d2xx.LoadD2xx(FSIM_LIBRARY_PATH);
    ferrule::OpenSelectedDevice(d2xx, 0, "Quillon Shutter Controller");
    ferrule::ConfigureAndProbe(d2xx, false);
    ferrule::EngineHooks hooks;
    ferrule::ControllerEngine engine(d2xx, hooks);
    engine.Fields().m_strStatus = ferrule::kLinkReadyStatus;
    engine.SetLinkReady(true);
    for (bool recording : {false, true}) {
        ferrule::SessionRecord record;
        const std::string path = folder + "/real.csv";
        if (recording) {
            record.Start(path, hooks.NowMs());
            engine.AddObserver(&record);
        }
        engine.Blink().SetSpeed(ferrule::LinkTest::kTopSpeed);
        const double cpu = bench::CpuSeconds();
        const long rss = bench::StatusKiB("VmRSS");
        engine.StartLinkTest();
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(32));
            engine.Poll();
        }
        engine.Blink().StopAndWait();
        engine.RemoveObserver(&record);
        record.Stop();
        const double used = bench::CpuSeconds() - cpu;
        std::printf("  %-34s %10.2f%% of one core, resident %ld -> %ld KiB",
                    recording ? "with the record" : "without a record", 100 * used / seconds, rss,
                    bench::StatusKiB("VmRSS"));
        if (recording) {
            const double bytes = static_cast<double>(std::filesystem::file_size(path));
            std::printf(", file %.1f MiB (%.0f MiB per hour)", MiB(bytes),
                        MiB(bytes) * 3600 / seconds);
            std::filesystem::remove(path);
        }
        std::printf("\n");
    }
    d2xx.Close();
}

// Save Log As of a log of `lines` raw-byte lines: the copy taken on the GUI
// thread, the write in the background, and the longest the GUI thread's
// event loop went without running a 10 ms timer meanwhile.
void SaveLargeLog(int lines, const std::string& folder) {
    std::printf("== Save Log As of %d lines\n", lines);
    ferrule::ReceivedLogModel model;
    for (int i = 0; i < lines; ++i) {
        model.AppendRawByte(static_cast<uint8_t>(i));
        if (i % 600 == 599) {
            model.CommitPending();
        }
    }
    model.CommitPending();
    const std::string path = folder + "/ferrule-bench-log.txt";
    QElapsedTimer total;
    total.start();
    QElapsedTimer copyTime;
    copyTime.start();
    ferrule::LogLines copy = model.VisibleLines();
    const double copyMs = static_cast<double>(copyTime.nsecsElapsed()) / 1e6;
    ferrule::LogExport save;
    QEventLoop loop;
    ferrule::RewriteResult result;
    QObject::connect(&save, &ferrule::LogExport::Finished, &loop, [&](ferrule::RewriteResult r) {
        result = r;
        loop.quit();
    });
    QElapsedTimer sinceTick;
    double longestPauseMs = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestPauseMs =
            std::max(longestPauseMs, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.restart();
    });
    save.Start(path, std::move(copy));
    sinceTick.start();
    tick.start();
    loop.exec();
    tick.stop();
    const double seconds = static_cast<double>(total.nsecsElapsed()) / 1e9;
    std::printf("  %-34s %10.1f ms\n", "copy of the lines (GUI thread)", copyMs);
    std::printf("  %-34s %10.2f s (%s)\n", "written in the background", seconds,
                result ? "whole" : result.Reason().c_str());
    std::printf("  %-34s %10.1f ms (a 10 ms timer, expected about 10)\n",
                "longest GUI pause while writing", longestPauseMs);
    std::error_code ignored;
    std::printf("  %-34s %10.1f MiB\n", "file",
                MiB(static_cast<double>(std::filesystem::file_size(path, ignored))));
    std::filesystem::remove(path, ignored);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const uint64_t cycles = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100000;
    const int hour = argc > 2 ? std::atoi(argv[2]) : 3600;
    const int real = argc > 3 ? std::atoi(argv[3]) : 20;
    const std::string folder = std::filesystem::temp_directory_path().string();
    HundredThousandCycles(cycles, folder);
    HourOfLinkTest(hour, folder);
    RealLinkTest(real, folder);
    SaveLargeLog(10'000'000, folder);
    std::printf("peak resident memory of the whole bench: %ld KiB\n", bench::StatusKiB("VmHWM"));
    return 0;
}
