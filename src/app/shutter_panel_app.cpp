#include "app/shutter_panel_app.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/stop_signals.h"
#include "core/common/profile_location.h"
#include "core/link/driver_choice.h"
#include "core/remote/listen_address.h"
#include "core/version.h"

CommandLine ParseCommandLine(int argc, char** argv,
                             const std::vector<std::filesystem::path>& driverFolders,
                             const std::string& defaultProfile) {
    CommandLine line;
    line.panel.profilePath = defaultProfile;
    std::vector<std::string> defaults = ferrule::DefaultDrivers(driverFolders);
    line.panel.driverLibrary = defaults.front();
    line.panel.fallbackDrivers.assign(defaults.begin() + 1, defaults.end());
    // A driver the user names is the only one tried.
    auto chooseDriver = [&](const std::string& value) {
        line.panel.driverLibrary = ferrule::ResolveDriver(value, driverFolders);
        line.panel.fallbackDrivers.clear();
    };
    bool allowRemote = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* name) -> std::optional<std::string> {
            if (i + 1 >= argc) {
                line.error = std::string(name) + " needs a value";
                return std::nullopt;
            }
            return std::string(argv[++i]);
        };
        if (arg == "--help" || arg == "-h") {
            line.showHelp = true;
        } else if (arg == "--simulate") {
            chooseDriver("sim");
        } else if (arg == "--driver") {
            if (auto v = value("--driver"); v && v->empty()) {
                // An empty name would make the loader hand back the program itself.
                line.error = "--driver needs a value";
            } else if (v) {
                chooseDriver(*v);
            }
        } else if (arg == "--exit-after") {
            if (auto v = value("--exit-after")) {
                line.exitAfterMs = std::atoi(v->c_str());
            }
        } else if (arg == "--record") {
            if (auto v = value("--record"); v && v->empty()) {
                line.error = "--record needs a file name";
            } else if (v) {
                line.panel.recordPath = *v;
            }
        } else if (arg == "--serve") {
            line.panel.serveAtStart = true;
            // An address may follow; an option or nothing means the Unix
            // socket alone.
            if (i + 1 < argc && std::string(argv[i + 1]).rfind("--", 0) != 0) {
                std::string error;
                line.panel.serve.tcp = ferrule::remote::ParseTcpAddress(argv[++i], &error);
                if (!line.panel.serve.tcp) {
                    line.error = error + " (--serve)";
                }
            }
        } else if (arg == "--allow-remote") {
            allowRemote = true;
        } else if (arg == "--socket") {
            if (auto v = value("--socket")) {
                line.panel.serve.unixPath = *v;
            }
        } else if (arg == "--profile") {
            if (auto v = value("--profile")) {
                line.panel.profilePath = *v;
            }
        } else {
            line.error = "unknown option " + arg;
        }
        if (!line.error.empty()) {
            break;
        }
    }
    // Where anyone can reach the port, nobody else's script may move the
    // shutter unless the user said so.
    const auto& tcp = line.panel.serve.tcp;
    if (line.error.empty() && tcp && !ferrule::remote::IsLoopback(*tcp)) {
        if (!allowRemote) {
            line.error = ferrule::remote::RemoteRefusal(*tcp);
        } else {
            std::fprintf(stderr, "ferrule: %s\n", ferrule::remote::RemoteWarning(*tcp).c_str());
        }
    }
    return line;
}

std::string DefaultProfilePath() {
    const std::string path = ferrule::DefaultProfileLocation();
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    return path;
}

CShutterPanelApp::CShutterPanelApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("ferrule");
    setApplicationVersion(FERRULE_VERSION);
}

namespace {

constexpr int kEndRetryMs = 20;

// Ends the run as EXIT would, for a timed run and for a stop signal. A message
// box or prompt still open (the start-up's device message on a fresh profile,
// for one) is answered as its Esc would answer it first, and the exit waits
// for the panel's own loop: the code that opened the box runs on once it
// closes, and may open another. A timed run then prints the status line.
void EndRun(CShutterPanelDlg& panel, bool printStatus) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal != &panel) {
        // A box without an Esc answer refuses to close: reject it instead.
        if (!modal->close()) {
            if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->reject();
            }
        }
        QTimer::singleShot(kEndRetryMs, &panel,
                           [&panel, printStatus] { EndRun(panel, printStatus); });
        return;
    }
    panel.ExitSequence();
    if (printStatus) {
        std::printf("%s\n", panel.Fields().m_strStatus.c_str());
        std::fflush(stdout);
    }
}

}  // namespace

int CShutterPanelApp::Run(const PanelOptions& options, int exitAfterMs) {
    // SIGTERM and SIGINT end the run through the exit sequence, as EXIT does:
    // the link-test worker stopped, the driver library released (which frees
    // the port for other programs) and exit code 0.
    ferrule::StopSignals stopSignals;
    CShutterPanelDlg panel(options);
    connect(&stopSignals, &ferrule::StopSignals::Requested, &panel,
            [&panel] { EndRun(panel, false); });
    if (exitAfterMs >= 0) {
        QTimer::singleShot(exitAfterMs, &panel, [&panel] { EndRun(panel, true); });
    }
    panel.exec();
    return panel.ExitCode();
}
