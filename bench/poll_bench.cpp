// Measures the received-data path: the 2 ms poll, the decoder and the log, on
// the real panel and the real simulator library. Prints figures and their
// ratio to the targets; never asserts (machines here are shared and noisy).
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

#include "core/common/profile_file.h"
#include "panel/shutter_panel_dlg.h"
#include "panel/widgets/line_list_view.h"
#include "panel/widgets/received_log_model.h"
#include "sim_library.h"

namespace {

class BenchPanel : public CShutterPanelDlg {
public:
    using CShutterPanelDlg::CShutterPanelDlg;
    int MessageBox(const QString& text, const QString&, unsigned) override {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
        return kIdOk;
    }
};

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

// Runs the event loop for seconds of wall time; returns the CPU share of one core.
double CoreShareOver(double seconds) {
    QElapsedTimer wall;
    wall.start();
    double cpu0 = CpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    return (CpuSeconds() - cpu0) / (static_cast<double>(wall.nsecsElapsed()) * 1e-9);
}

void Report(const char* what, double value, const char* unit, double target, bool lowerIsBetter) {
    std::printf("%-58s %10.3f %-6s target %-8g ratio %.2f%s\n", what, value, unit, target,
                value / target,
                (lowerIsBetter ? value <= target : value >= target) ? "" : "  (over)");
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
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    std::printf("poll, decode and log on the simulator, %s platform, %.0f s per run\n",
                QGuiApplication::platformName().toUtf8().constData(), seconds);

    // Idle: an open link, nothing queued, the 2 ms poll running.
    double idle = CoreShareOver(seconds);
    Report("idle open link, share of one core (%)", idle * 100, "%", 1.0, true);

    // The link's full rate: the controller sends without pause for the whole run.
    std::vector<uint8_t> stream(static_cast<size_t>(12'800 * seconds), 0x41);
    sim.fsim_inject(0, stream.data(), static_cast<uint32_t>(stream.size()));
    int before = panel->Fields().m_nReceivedBytes;
    double full = CoreShareOver(seconds);
    int received = panel->Fields().m_nReceivedBytes - before;
    Report("full link rate 12,800 B/s, share of one core (%)", full * 100, "%", 2.0, true);
    std::printf("%-58s %10d bytes (%.0f B/s)\n", "  received in the run", received,
                received / seconds);
    std::printf("%-58s %10.3f us\n", "  CPU per received byte (idle cost included)",
                full * seconds / std::max(received, 1) * 1e6);

    // Latency: single bytes entering the simulator's queue at random moments,
    // timed until their line is in the log.
    // What is left of the stream arrives first.
    for (int last = -1; last != panel->Fields().m_nReceivedBytes;) {
        last = panel->Fields().m_nReceivedBytes;
        QEventLoop drain;
        QTimer::singleShot(200, &drain, &QEventLoop::quit);
        drain.exec();
    }
    panel->OnClear();
    std::vector<std::chrono::steady_clock::time_point> sent, shown;
    const int samples = static_cast<int>(seconds * 150);
    sent.reserve(samples);
    shown.reserve(samples);
    std::atomic<int> injected{0};
    QMetaObject::Connection watch =
        QObject::connect(panel->m_logReceived, &QAbstractItemModel::rowsInserted,
                         [&](const QModelIndex&, int first, int last) {
                             auto now = std::chrono::steady_clock::now();
                             for (int r = first; r <= last; ++r)
                                 shown.push_back(now);
                         });
    std::thread sender([&] {
        std::mt19937 jitter(11);
        uint8_t byte = 0x41;
        for (int i = 0; i < samples; ++i) {
            std::this_thread::sleep_for(std::chrono::microseconds(3000 + jitter() % 5000));
            sent.push_back(std::chrono::steady_clock::now());
            sim.fsim_inject(0, &byte, 1);
            injected = i + 1;
        }
    });
    QEventLoop loop;
    QTimer stop;
    QObject::connect(&stop, &QTimer::timeout, [&] {
        if (injected == samples && static_cast<int>(shown.size()) >= samples)
            loop.quit();
    });
    stop.start(50);
    loop.exec();
    sender.join();
    QObject::disconnect(watch);
    std::vector<double> ms;
    for (int i = 0; i < samples && i < static_cast<int>(shown.size()); ++i) {
        ms.push_back(std::chrono::duration<double, std::milli>(shown[i] - sent[i]).count());
    }
    std::sort(ms.begin(), ms.end());
    Report("latency queue to log, median (ms)", ms[ms.size() / 2], "ms", 4.0, true);
    Report("latency queue to log, 99th percentile (ms)", ms[ms.size() * 99 / 100], "ms", 4.0, true);

    // The poll's ceiling: 600 bytes waiting at every tick, on the manual clock.
    sim.fsim_use_manual_clock(1);
    sim.fsim_advance_us(20'000'000);  // drain what is left of the stream
    panel->Poll();
    panel->Poll();
    std::vector<uint8_t> batch(600);
    std::mt19937 random(7);
    const int polls = 5000;
    double cpu = 0;
    for (int i = 0; i < polls; ++i) {
        for (uint8_t& b : batch)
            b = static_cast<uint8_t>(0x30 + random() % 0x40);  // no reply codes
        sim.fsim_inject(0, batch.data(), static_cast<uint32_t>(batch.size()));
        sim.fsim_advance_us(600 * 79);
        double c0 = CpuSeconds();
        panel->Poll();
        cpu += CpuSeconds() - c0;
    }
    double perByte = cpu / (polls * 600.0);

    // The poll at the link's full rate: 26 bytes every 2 ms, painting excluded.
    double fullRateCpu = 0;
    for (int i = 0; i < polls; ++i) {
        sim.fsim_inject(0, batch.data(), 26);
        sim.fsim_advance_us(2000);
        double c0 = CpuSeconds();
        panel->Poll();
        fullRateCpu += CpuSeconds() - c0;
    }
    std::printf("%-58s %10.3f us\n", "poll of 26 bytes (the full rate's batch): CPU per poll",
                fullRateCpu / polls * 1e6);
    std::printf("%-58s %10.3f us\n", "ceiling 600 bytes per poll: CPU per byte", perByte * 1e6);
    Report("ceiling 600 bytes every 2 ms, share of one core (%)", perByte * 300'000 * 100, "%",
           100.0, true);
    Report("link rate from the same per-byte cost (%)", perByte * 12'800 * 100, "%", 2.0, true);
    sim.fsim_use_manual_clock(0);

    // Memory: ten million raw-byte lines in the log, then jumps to any line.
    panel->OnClear();
    long rss0 = ResidentKiB();
    const int lines = 10'000'000;
    for (int i = 0; i < lines; ++i) {
        panel->m_logReceived->AppendRawByte(static_cast<uint8_t>(i));
        if (i % 600 == 599)
            panel->m_logReceived->CommitPending();
    }
    panel->m_logReceived->CommitPending();
    long rss1 = ResidentKiB();
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

    // A frame of the log while it follows a stream: new lines, then the paint.
    list->scrollToBottom();
    double frameCpu = 0;
    const int frames = 120;
    for (int i = 0; i < frames; ++i) {
        // A frame apart, as the panel paints.
        std::this_thread::sleep_for(std::chrono::milliseconds(17));
        for (int b = 0; b < 213; ++b)  // 12,800 lines a second at 60 frames a second
            panel->m_logReceived->AppendRawByte(static_cast<uint8_t>(0x40 | (b & 15)));
        panel->UpdateData(false);
        double c0 = CpuSeconds();
        QEvent frame(QEvent::UpdateRequest);  // what the panel paints at its next frame
        QCoreApplication::sendEvent(panel.get(), &frame);
        frameCpu += CpuSeconds() - c0;
    }
    std::printf("%-58s %10.3f us\n", "log frame while following a stream: paint CPU",
                frameCpu / frames * 1e6);

    panel->ExitSequence();
    return 0;
}
