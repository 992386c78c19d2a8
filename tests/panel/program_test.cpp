// The ferrule program itself, started as a user starts it, on the simulator.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "child_process.h"
#include "csv_rows.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

struct RunResult {
    int exitCode = -1;
    std::string output;
};

RunResult Run(const std::string& program, const std::string& arguments,
              const std::string& environment) {
    std::string command = environment + " " + program + " " + arguments + " 2>&1";
    RunResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    std::array<char, 256> chunk;
    while (fgets(chunk.data(), chunk.size(), pipe) != nullptr) {
        result.output += chunk.data();
    }
    int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

RunResult RunProgram(const std::string& arguments, const std::string& environment) {
    return Run(FERRULE_EXECUTABLE, arguments, environment);
}

RunResult RunInstalled(const std::string& program, const std::string& arguments) {
    return Run(program, arguments, "QT_QPA_PLATFORM=offscreen");
}

std::string DemoProfile(const TempDir& dir) {
    std::string profile = dir.File("ferrule.INI");
    std::ofstream(profile) << "[MyFerruleAp]\nSerDesc=0\nDescString=Quillon Shutter Controller\n";
    return profile;
}

}  // namespace

TEST(Program, StartsOnTheSimulatorReachesReadyAndExitsWithZero) {
    TempDir dir;
    for (const char* choice : {"--simulate", "--driver sim"}) {
        RunResult run =
            RunProgram(std::string(choice) + " --profile " + DemoProfile(dir) + " --exit-after 300",
                       "QT_QPA_PLATFORM=offscreen");
        EXPECT_EQ(run.exitCode, 0) << choice << run.output;
        EXPECT_NE(run.output.find("USB ready for communication."), std::string::npos)
            << choice << run.output;
    }
}

// A fresh profile opens the device message at start; the timed run answers it
// instead of waiting for a user who is not there.
TEST(Program, TimedRunEndsThroughAMessageBoxLeftOpen) {
    TempDir dir;
    RunResult run =
        RunProgram("--simulate --profile " + dir.File("fresh.INI") + " --exit-after 300",
                   "QT_QPA_PLATFORM=offscreen timeout 60");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("USB not responding"), std::string::npos) << run.output;
}

// SIGTERM and SIGINT end the run as EXIT does, with exit code 0; so does a
// signal while a message box waits for an answer (the device message a fresh
// profile opens at start).
TEST(Program, StopSignalsEndTheRunThroughTheExitSequence) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    TempDir dir;
    const std::pair<int, std::string> runs[] = {
        {SIGTERM, DemoProfile(dir)}, {SIGINT, DemoProfile(dir)}, {SIGTERM, dir.File("fresh.INI")}};
    for (const auto& [signal, profile] : runs) {
        SCOPED_TRACE(profile + " " + std::to_string(signal));
        ChildProcess program({FERRULE_EXECUTABLE, "--simulate", "--profile", profile});
        ASSERT_TRUE(Eventually([&] { return program.Catches(signal); }));
        program.Signal(signal);
        const auto status = program.Wait();
        ASSERT_TRUE(status.has_value());
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
    }
}

// A program started in the background by a script has SIGINT ignored, and
// keeps it so: the Ctrl+C of the terminal is not for it.
TEST(Program, AStopSignalIgnoredFromTheStartStaysIgnored) {
    TempDir dir;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ChildProcess program({FERRULE_EXECUTABLE, "--simulate", "--profile", DemoProfile(dir)}, false,
                         SIGINT);
    ASSERT_TRUE(Eventually([&] { return program.Catches(SIGTERM); }));
    EXPECT_FALSE(program.Catches(SIGINT));
    program.Signal(SIGTERM);
    const auto status = program.Wait();
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
}

// Installed, the program is in PREFIX/bin and the simulator in PREFIX/lib/ferrule.
TEST(Program, InstalledProgramFindsTheBundledSimulatorInItsPrivateFolder) {
    TempDir dir;
    fs::path bin = fs::path(dir.File("bin")), drivers = fs::path(dir.File("lib")) / "ferrule";
    fs::create_directories(bin);
    fs::create_directories(drivers);
    std::error_code linkFailed;
    fs::create_hard_link(FERRULE_EXECUTABLE, bin / "ferrule", linkFailed);
    if (linkFailed) {
        fs::copy_file(FERRULE_EXECUTABLE, bin / "ferrule");
    }
    fs::copy_file(FSIM_LIBRARY_PATH, drivers / "libfsim.so");
    RunResult run =
        RunInstalled((bin / "ferrule").string(),
                     "--driver sim --profile " + DemoProfile(dir) + " --exit-after 300");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("USB ready for communication."), std::string::npos) << run.output;
}

TEST(Program, WithoutADisplaySaysSoInsteadOfCrashing) {
    RunResult run =
        RunProgram("--simulate", "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("no display"), std::string::npos) << run.output;
}

TEST(Program, UnknownOptionIsRefusedWithUsage) {
    RunResult run = RunProgram("--frobnicate", "QT_QPA_PLATFORM=offscreen");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.output.find("Usage: ferrule"), std::string::npos) << run.output;
}

// A record started with --record reaches the file while the program runs, so
// a program killed outright leaves every row but the last fraction of a
// second, each row whole.
TEST(Program, ARecordOutlivesTheProgramKilled) {
    TempDir dir;
    const std::string record = dir.File("session.csv");
    // The simulated controller streams bytes by itself, as an echoed link test.
    ChildProcess program({"/bin/sh", "-c",
                          "FERRULE_SIM_FEED=12800 QT_QPA_PLATFORM=offscreen exec " +
                              std::string(FERRULE_EXECUTABLE) + " --simulate --profile " +
                              DemoProfile(dir) + " --record " + record});
    ASSERT_TRUE(program.Started());
    auto receivedRows = [&] {
        const std::vector<CsvRow> rows = ReadCsv(record);
        return std::count_if(rows.begin(), rows.end(), [](const CsvRow& row) {
            return row.size() == 5 && row[2] == "received";
        });
    };
    ASSERT_TRUE(Eventually([&] { return receivedRows() >= 5; }));
    program.Signal(SIGKILL);
    ASSERT_TRUE(program.Wait().has_value());
    const std::string text = ReadWhole(record);
    const std::vector<CsvRow> rows = ParseCsv(text);
    ASSERT_GE(rows.size(), 7u);
    EXPECT_EQ(rows[0], (CsvRow{"time", "elapsed_ms", "direction", "bytes", "meaning"}));
    EXPECT_EQ(rows[1][4], "record started");
    EXPECT_EQ(text.back(), '\n');
    for (const CsvRow& row : rows) {
        EXPECT_EQ(row.size(), 5u);
    }
    EXPECT_EQ(rows[2][4], "link test pattern");
    EXPECT_NE(rows.back()[4], "record stopped");
}
