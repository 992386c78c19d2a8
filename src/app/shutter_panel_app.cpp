#include "app/shutter_panel_app.h"

#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

CommandLine ParseCommandLine(int argc, char** argv, const std::string& simulatorPath,
                             const std::string& defaultProfile) {
    CommandLine line;
    line.panel.profilePath = defaultProfile;
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
            line.panel.driverLibrary = simulatorPath;
        } else if (arg == "--driver") {
            if (auto v = value("--driver")) {
                line.panel.driverLibrary = *v;
            }
        } else if (arg == "--exit-after") {
            if (auto v = value("--exit-after")) {
                line.exitAfterMs = std::atoi(v->c_str());
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
    return line;
}

std::string DefaultProfilePath() {
    std::filesystem::path folder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) {
        folder = config;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        folder = std::filesystem::path(home) / ".config";
    } else {
        folder = ".";
    }
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return (folder / "ferrule.INI").string();
}

CShutterPanelApp::CShutterPanelApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("ferrule");
    setApplicationVersion("1.3");
}

int CShutterPanelApp::Run(const PanelOptions& options, int exitAfterMs) {
    CShutterPanelDlg panel(options);
    if (exitAfterMs >= 0) {
        QTimer::singleShot(exitAfterMs, &panel, [&panel] {
            panel.ExitSequence();
            std::printf("%s\n", panel.m_strStatus.c_str());
            std::fflush(stdout);
        });
    }
    panel.exec();
    return panel.ExitCode();
}
