// The application object: parses the command line, then runs the panel
// modally until its exit sequence ends the run.
#pragma once

#include <QApplication>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "panel/shutter_panel_dlg.h"

// What the command line asked for, or why it could not be understood.
struct CommandLine {
    PanelOptions panel;
    int exitAfterMs = -1;  // >= 0: end the run by itself after this long
    bool showHelp = false;
    std::string error;
};

// --driver NAME-OR-PATH, --simulate, --profile PATH, --record FILE, --exit-after MS, --serve
// [ADDR:PORT], --socket PATH, --allow-remote, --help. The bundled
// drivers (--simulate, --driver sim or tty, and the fallback of the default
// driver) are looked for in driverFolders.
CommandLine ParseCommandLine(int argc, char** argv,
                             const std::vector<std::filesystem::path>& driverFolders,
                             const std::string& defaultProfile);

// The profile file used when none is named: ferrule.INI in the user's
// configuration folder.
std::string DefaultProfilePath();

class CShutterPanelApp : public QApplication {
    Q_OBJECT

public:
    CShutterPanelApp(int& argc, char** argv);
    // Runs the panel; returns the process exit code. With exitAfterMs >= 0 the
    // run ends by itself after that long, as EXIT would end it, and the status
    // line is printed on standard output: for scripted checks and demos.
    // SIGTERM and SIGINT end the run as EXIT would, at any time.
    int Run(const PanelOptions& options, int exitAfterMs = -1);
};
