// Measures the received-data path without an X server: the paced poll, the
// decoder and the log, on the real panel and the real simulator library.
// Prints figures and their ratio to what the design promises; never asserts
// (machines here are shared and noisy). Painting in a real window, and the
// comparison with a serial terminal, are bench/window.sh's.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "core/common/profile_file.h"
#include "core/protocol/poll_pace.h"
#include "measure.h"
#include "panel/shutter_panel_dlg.h"
#include "panel/widgets/line_list_view.h"
#include "panel/widgets/received_log_model.h"
#include "sim_library.h"

namespace {

using Clock = std::chrono::steady_clock;
using ferrule::PollPace;

class BenchPanel : public CShutterPanelDlg {
public:
    using CShutterPanelDlg::CShutterPanelDlg;
    int MessageBox(const QString& text, const QString&, unsigned) override {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
        return kIdOk;
    }
    // The panel's clock, moved by hand while the simulator's is.
    int64_t MonotonicMs() const override {
        return nowMs ? *nowMs : CShutterPanelDlg::MonotonicMs();
    }
    std::optional<int64_t> nowMs;
};

void Report(const char* what, double value, const char* unit, double target, bool lowerIsBetter) {
    std::printf("%-62s %10.3f %-3s target %-8g ratio %.2f%s\n", what, value, unit, target,
                value / target,
                (lowerIsBetter ? value <= target : value >= target) ? "" : "  (missed)");
}

void Figure(const char* what, double value, const char* unit) {
    std::printf("%-62s %10.3f %s\n", what, value, unit);
}

std::unique_ptr<BenchPanel> OpenPanel(const std::string& profilePath) {
    ferrule::ProfileFile profile(profilePath);
    profile.WriteString("MyFerruleAp", "SerDesc", "0");
    profile.WriteString("MyFerruleAp", "DescString", "Quillon Shutter Controller");
    auto panel =
        std::make_unique<BenchPanel>(PanelOptions{FSIM_LIBRARY_PATH, profilePath, "ferrule"});
    panel->show();
    QCoreApplication::processEvents();
    return panel;
}

// Waits until what is on its way has arrived and the link has been quiet
// long enough for the poll to slow down to its quiet pace.
void Drain(BenchPanel& panel) {
    for (int last = -1; last != panel.Fields().m_nReceivedBytes;) {
        last = panel.Fields().m_nReceivedBytes;
        bench::RunEventLoopFor(static_cast<int>(PollPace::kHoldMs) + 100);
    }
}

// Single bytes put in the simulator's queue from another thread, each a
// random while after the last, timed until their line is in the log.
// Returns the latencies in milliseconds, sorted.
std::vector<double> Latencies(SimLibrary& sim, BenchPanel& panel, int samples, int minGapUs,
                              int maxGapUs) {
    std::vector<Clock::time_point> sent(static_cast<size_t>(samples));
    std::vector<Clock::time_point> shown;
    shown.reserve(static_cast<size_t>(samples));
    std::atomic<int> injected{0};
    QMetaObject::Connection watch =
        QObject::connect(panel.m_logReceived, &QAbstractItemModel::rowsInserted,
                         [&](const QModelIndex&, int first, int last) {
                             auto now = Clock::now();
                             for (int r = first; r <= last; ++r) {
                                 shown.push_back(now);
                             }
                         });
    std::thread sender([&] {
        std::mt19937 jitter(11);
        const uint8_t byte = 0x41;
        for (int i = 0; i < samples; ++i) {
            std::this_thread::sleep_for(std::chrono::microseconds(
                minGapUs +
                static_cast<int>(jitter() % static_cast<unsigned>(maxGapUs - minGapUs))));
            sent[static_cast<size_t>(i)] = Clock::now();
            sim.fsim_inject(0, &byte, 1);
            injected = i + 1;
        }
    });
    QEventLoop loop;
    QTimer stop;
    QObject::connect(&stop, &QTimer::timeout, [&] {
        if (injected == samples && static_cast<int>(shown.size()) >= samples) {
            loop.quit();
        }
    });
    stop.start(50);
    loop.exec();
    sender.join();
    QObject::disconnect(watch);
    std::vector<double> ms;
    for (size_t i = 0; i < sent.size() && i < shown.size(); ++i) {
        ms.push_back(std::chrono::duration<double, std::milli>(shown[i] - sent[i]).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms;
}

// Wake-ups at the stream pace with the link at its full rate, on the manual
// clocks: 64 ms of bytes (819, none of them a reply code) before each.
// Returns the CPU they took, painting excluded.
double StreamWakeUps(SimLibrary& sim, BenchPanel& panel, int count) {
    static std::mt19937 random(7);
    const uint32_t perWakeUp = 12'800 * PollPace::kStreamMs / 1000;
    std::vector<uint8_t> bytes(perWakeUp);
    double cpu = 0;
    for (int i = 0; i < count; ++i) {
        for (uint8_t& b : bytes) {
            b = static_cast<uint8_t>(0x30 + random() % 0x40);
        }
        sim.fsim_inject(0, bytes.data(), perWakeUp);
        sim.fsim_advance_us(PollPace::kStreamMs * 1000);
        *panel.nowMs += PollPace::kStreamMs;
        double c0 = bench::CpuSeconds();
        panel.Poll();
        cpu += bench::CpuSeconds() - c0;
    }
    return cpu;
}

// The manual clocks, with what was on its way drained and the poll at the
// stream pace.
void ToManualClocks(SimLibrary& sim, BenchPanel& panel) {
    sim.fsim_use_manual_clock(1);
    sim.fsim_advance_us(20'000'000);
    panel.nowMs = 1'000'000;
    panel.Poll();
    StreamWakeUps(sim, panel, 1);
}

double Percentile(const std::vector<double>& sorted, int percent) {
    return sorted.empty() ? 0 : sorted[(sorted.size() - 1) * static_cast<size_t>(percent) / 100];
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SimLibrary sim;
    std::string profilePath = "/tmp/ferrule-bench.INI";
    std::remove(profilePath.c_str());
    std::unique_ptr<BenchPanel> panel = OpenPanel(profilePath);
    if (!panel->Engine().LinkReady()) {
        std::fprintf(stderr, "the simulated link did not open\n");
        return 1;
    }
    // poll_bench --wake-ups N: only N wake-ups at the stream pace, for an
    // instruction counter to count.
    if (argc > 2 && std::string(argv[1]) == "--wake-ups") {
        ToManualClocks(sim, *panel);
        StreamWakeUps(sim, *panel, std::atoi(argv[2]));
        panel->ExitSequence();
        return 0;
    }
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    std::printf("poll, decode and log on the simulator, %s platform, %.0f s per run\n",
                QGuiApplication::platformName().toUtf8().constData(), seconds);
    std::printf(
        "paces: %d ms while a reply is awaited, %d ms for a stream nothing awaits, "
        "%d ms on a quiet link\n\n",
        PollPace::kReplyMs, PollPace::kStreamMs, PollPace::kQuietMs);

    // Idle: an open link, nothing queued, the quiet pace.
    Drain(*panel);
    double idle = bench::CoreShareOver(seconds);
    Report("idle open link, share of one core (%)", idle * 100, "%", 0.25, true);

    // The link's full rate: the controller sends without pause for the whole run.
    std::vector<uint8_t> stream(static_cast<size_t>(12'800 * seconds), 0x41);
    sim.fsim_inject(0, stream.data(), static_cast<uint32_t>(stream.size()));
    int before = panel->Fields().m_nReceivedBytes;
    double full = bench::CoreShareOver(seconds);
    int received = panel->Fields().m_nReceivedBytes - before;
    Figure("full link rate 12,800 B/s, share of one core (%)", full * 100, "%");
    std::printf("%-62s %10d bytes (%.0f B/s)\n", "  received in the run", received,
                received / seconds);
    Figure("  CPU per received byte, idle cost included (us)",
           full * seconds / std::max(received, 1) * 1e6, "us");

    // Latency from the simulator's queue to the log, at the pace each case
    // runs at. What is left of the stream arrives first.
    Drain(*panel);
    panel->OnClear();
    // A reply awaited: the reset's carriage return, which leaves every other
    // byte on the plain path and keeps the poll at its reply pace.
    panel->Engine().State().m_nResetPending = 1;
    panel->PollSoon();
    std::vector<double> awaited =
        Latencies(sim, *panel, static_cast<int>(seconds * 150), 3000, 8000);
    panel->Engine().State().m_nResetPending = 0;
    Report("awaited reply, queue to log, median (ms)", Percentile(awaited, 50), "ms",
           2.0 * PollPace::kReplyMs, true);
    Report("awaited reply, queue to log, 99th percentile (ms)", Percentile(awaited, 99), "ms",
           2.0 * PollPace::kReplyMs, true);
    // Unsolicited bytes on a quiet link, each after the poll has slowed down.
    Drain(*panel);
    const int sporadic = std::max(10, static_cast<int>(seconds * 3));
    std::vector<double> quiet =
        Latencies(sim, *panel, sporadic, static_cast<int>(PollPace::kHoldMs + 60) * 1000, 450'000);
    Report("unsolicited byte on a quiet link, median (ms)", Percentile(quiet, 50), "ms",
           PollPace::kQuietMs, true);
    Report("unsolicited byte on a quiet link, 99th percentile (ms)", Percentile(quiet, 99), "ms",
           PollPace::kQuietMs, true);
    // Bytes of a stream nothing awaits: a byte every 1-3 ms.
    Drain(*panel);
    std::vector<double> streamed =
        Latencies(sim, *panel, static_cast<int>(seconds * 300), 1000, 3000);
    Report("byte of a stream nothing awaits, median (ms)", Percentile(streamed, 50), "ms",
           PollPace::kStreamMs, true);
    Report("byte of a stream nothing awaits, 99th percentile (ms)", Percentile(streamed, 99), "ms",
           PollPace::kStreamMs, true);
    Drain(*panel);

    // The poll's own cost, on the manual clocks, painting excluded.
    ToManualClocks(sim, *panel);
    const int wakeUps = 2000;
    const double wakeCpu = StreamWakeUps(sim, *panel, wakeUps);
    Figure("wake-up at the stream pace, full rate (819 bytes): CPU (us)", wakeCpu / wakeUps * 1e6,
           "us");
    Figure("  the same per second of stream, share of one core (%)",
           wakeCpu / wakeUps * (1000.0 / PollPace::kStreamMs) * 100, "%");
    // The ceiling: 600 bytes waiting at every 2 ms tick.
    panel->PollSoon();
    std::vector<uint8_t> batch(600);
    std::mt19937 random(7);
    double cpu = 0;
    const int polls = 5000;
    for (int i = 0; i < polls; ++i) {
        for (uint8_t& b : batch) {
            b = static_cast<uint8_t>(0x30 + random() % 0x40);  // no reply codes
        }
        sim.fsim_inject(0, batch.data(), 600);
        sim.fsim_advance_us(600 * 79);
        double c0 = bench::CpuSeconds();
        panel->Poll();
        cpu += bench::CpuSeconds() - c0;
    }
    double perByte = cpu / (polls * 600.0);
    Figure("ceiling 600 bytes per read: CPU per byte (us)", perByte * 1e6, "us");
    Report("ceiling 600 bytes every 2 ms, share of one core (%)", perByte * 300'000 * 100, "%",
           100.0, true);
    sim.fsim_use_manual_clock(0);
    panel->nowMs.reset();

    // Memory: ten million raw-byte lines in the log, then jumps to any line.
    panel->OnClear();
    long rss0 = bench::ResidentKiB();
    const int lines = 10'000'000;
    for (int i = 0; i < lines; ++i) {
        panel->m_logReceived->AppendRawByte(static_cast<uint8_t>(i));
        if (i % 600 == 599)
            panel->m_logReceived->CommitPending();
    }
    panel->m_logReceived->CommitPending();
    long rss1 = bench::ResidentKiB();
    Report("memory per logged line after 10 million (bytes)", (rss1 - rss0) * 1024.0 / lines, "B",
           2.0, true);
    ferrule::LineListView* list = panel->m_listReceived;
    double worst = 0;
    std::mt19937 rows(3);
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer t;
        t.start();
        list->scrollTo(static_cast<int>(rows() % lines));
        list->repaint();
        worst = std::max(worst, static_cast<double>(t.nsecsElapsed()) * 1e-6);
    }
    Report("scroll to a random line and paint, worst of 50 (ms)", worst, "ms", 16.0, true);

    // A frame of the log while it follows a stream: a stream-pace wake-up's
    // new lines, then the paint.
    const uint32_t perWakeUp = 12'800 * PollPace::kStreamMs / 1000;
    list->scrollToBottom();
    double frameCpu = 0;
    const int frames = 60;
    for (int i = 0; i < frames; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(PollPace::kStreamMs));
        for (uint32_t b = 0; b < perWakeUp; ++b)
            panel->m_logReceived->AppendRawByte(static_cast<uint8_t>(0x40 | (b & 15)));
        panel->UpdateData(false);
        double c0 = bench::CpuSeconds();
        QEvent frame(QEvent::UpdateRequest);  // what the panel paints at its next frame
        QCoreApplication::sendEvent(panel.get(), &frame);
        frameCpu += bench::CpuSeconds() - c0;
    }
    Figure("log frame while following a stream (819 new lines): paint CPU (us)",
           frameCpu / frames * 1e6, "us");

    panel->ExitSequence();
    return 0;
}
