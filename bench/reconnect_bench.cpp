// Measures reconnecting by itself on the real panel, the serial back end and
// ferrule-sim processes in a fake sysfs tree: the time from plugging the
// controller back in to "USB ready for communication.", the CPU the panel
// spends while it waits for the device, and a cable that comes and goes every
// 100 ms. Prints figures and their ratio to the targets; never asserts.
//   reconnect_bench [REPLUGS] [WAIT SECONDS] [FLAP SECONDS]
#include <stdlib.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/common/profile_file.h"
#include "core/resources/control_ids.h"
#include "measure.h"
#include "panel/shutter_panel_dlg.h"
#include "panel/widgets/received_log_model.h"
#include "tty/pty_sim_process.h"

namespace {

class BenchPanel : public CShutterPanelDlg {
public:
    using CShutterPanelDlg::CShutterPanelDlg;
    int MessageBox(const QString& text, const QString&, unsigned) override {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
        return kIdOk;
    }
};

class Bench {
public:
    explicit Bench(const std::string& folder) : m_root(folder + "/fake") {
        setenv("FERRULE_TTY_SYSFS", (m_root + "/sys").c_str(), 1);
        setenv("FERRULE_TTY_DEV", (m_root + "/dev").c_str(), 1);
        ferrule::ProfileFile profile(folder + "/ferrule.INI");
        profile.WriteString("MyFerruleAp", "SerDesc", "1");
        profile.WriteString("MyFerruleAp", "SerialString", "QSC00001");
        m_plugged = Plug(0);
        m_panel = std::make_unique<BenchPanel>(
            PanelOptions{FTTY_LIBRARY_PATH, folder + "/ferrule.INI", "ferrule"});
        m_panel->show();
    }

    std::string Status() const {
        return static_cast<QLineEdit*>(m_panel->GetDlgItem(ferrule::kCtlStatusLine))
            ->text()
            .toStdString();
    }
    // Milliseconds until the status reads `status`; -1 when it does not in time.
    double WaitForStatus(const std::string& status, int patienceMs = 30'000) {
        QElapsedTimer waited;
        waited.start();
        while (Status() != status) {
            if (waited.elapsed() > patienceMs) {
                return -1;
            }
            bench::RunEventLoopFor(1);
        }
        return static_cast<double>(waited.nsecsElapsed()) / 1e6;
    }
    std::unique_ptr<PtySimProcess> Plug(int port) {
        return std::make_unique<PtySimProcess>(std::vector<std::string>{
            "--fake-sysfs", m_root, "--port", std::to_string(port), "--serial", "QSC00001"});
    }
    void Pull() { m_plugged.reset(); }
    void PlugIn(int port) { m_plugged = Plug(port); }
    int LogLinesMatching(const char* start) const {
        int n = 0;
        for (int row = 0; row < m_panel->m_logReceived->LineCount(); ++row) {
            n += m_panel->m_logReceived->LineText(row).rfind(start, 0) == 0 ? 1 : 0;
        }
        return n;
    }
    BenchPanel& Panel() { return *m_panel; }

private:
    std::string m_root;
    std::unique_ptr<PtySimProcess> m_plugged;
    std::unique_ptr<BenchPanel> m_panel;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int replugs = argc > 1 ? std::atoi(argv[1]) : 10;
    const double waitSeconds = argc > 2 ? std::atof(argv[2]) : 10;
    const int flapSeconds = argc > 3 ? std::atoi(argv[3]) : 60;
    char pattern[] = "/tmp/ferrule-reconnect-bench-XXXXXX";
    const std::string folder = mkdtemp(pattern);
    {
        Bench bench(folder);
        if (bench.WaitForStatus("USB ready for communication.") < 0) {
            std::fprintf(stderr, "the link did not come up: %s\n", bench.Status().c_str());
            return 1;
        }
        std::mt19937 random(20);
        std::uniform_int_distribution<int> pause(0, 1500);

        // Replug: pulled, away for a while, back under ttyUSB<i % 2>. The link
        // stays up long enough first to count as steady: a link pulled again
        // soon after it came back is a loose cable, looked for less often.
        std::vector<double> times;
        for (int i = 0; i < replugs; ++i) {
            bench::RunEventLoopFor(static_cast<int>(ferrule::ReconnectWatcher::kSteadyAfterMs) +
                                   500);
            bench.Pull();
            if (bench.WaitForStatus("USB not open.") < 0) {
                std::fprintf(stderr, "the loss was not noticed\n");
                return 1;
            }
            bench::RunEventLoopFor(pause(random));
            bench.PlugIn((i + 1) % 2);  // the device is in the tree once this returns
            const double ms = bench.WaitForStatus("USB ready for communication.");
            if (ms < 0) {
                std::fprintf(stderr, "replug %d: not back: %s\n", i, bench.Status().c_str());
                return 1;
            }
            times.push_back(ms);
        }
        const double worst = *std::max_element(times.begin(), times.end());
        std::printf(
            "replug to \"USB ready for communication.\": median %.0f ms, worst %.0f ms "
            "over %d replugs (target: within a look a second and Open's 150 ms, "
            "1150 ms; worst/target %.2f)\n",
            Median(times), worst, replugs, worst / 1150.0);

        // CPU: link up and idle, then waiting for a device that is away.
        bench::RunEventLoopFor(1000);
        const double up = bench::CoreShareOver(waitSeconds);
        bench.Pull();
        bench.WaitForStatus("USB not open.");
        const uint64_t looksBefore = bench.Panel().Reconnect().Looks();
        const double waiting = bench::CoreShareOver(waitSeconds);
        const uint64_t looks = bench.Panel().Reconnect().Looks() - looksBefore;
        auto* automatic = bench.Panel().findChild<QAction*>("reconnectAutomatically");
        automatic->setChecked(false);
        const double off = bench::CoreShareOver(waitSeconds);
        automatic->setChecked(true);
        std::printf(
            "CPU while waiting for the device: %.3f%% of a core (%llu looks in %.0f s); "
            "with reconnecting off %.3f%%; link up and idle %.3f%% (target: waiting "
            "costs under 0.1%% of a core more than off; ratio %.2f)\n",
            waiting * 100, static_cast<unsigned long long>(looks), waitSeconds, off * 100, up * 100,
            (waiting - off) * 100 / 0.1);
        bench.PlugIn(0);
        bench.WaitForStatus("USB ready for communication.");

        // A cable that comes and goes every 100 ms, then settles.
        const long rssBefore = bench::ResidentKiB();
        const int linesBefore =
            bench.LogLinesMatching("Link ") + bench.LogLinesMatching("Could not reconnect");
        QElapsedTimer flapping;
        flapping.start();
        int flaps = 0;
        while (flapping.elapsed() < flapSeconds * 1000) {
            bench.Pull();
            bench::RunEventLoopFor(100);
            bench.PlugIn(flaps % 2);
            bench::RunEventLoopFor(100);
            ++flaps;
        }
        QElapsedTimer settled;
        settled.start();
        const double upAfter = bench.WaitForStatus("USB ready for communication.", 60'000);
        // Steady: the watcher has nothing due any more.
        while (bench.Panel().Reconnect().NextTickMs() && settled.elapsed() < 60'000) {
            bench::RunEventLoopFor(10);
        }
        const int lines = bench.LogLinesMatching("Link ") +
                          bench.LogLinesMatching("Could not reconnect") - linesBefore;
        std::printf(
            "a cable that comes and goes every 100 ms for %d s (%d flaps): %d log "
            "lines, up %.0f ms after it settled, steady after %lld ms, "
            "resident memory %+ld KiB, status \"%s\" (target: a few lines, up within "
            "5 s; lines/5 %.2f)\n",
            flapSeconds, flaps, lines, upAfter, static_cast<long long>(settled.elapsed()),
            bench::ResidentKiB() - rssBefore, bench.Status().c_str(), lines / 5.0);
        bench.Panel().ExitSequence();
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
