// The ferrule program itself, started as a user starts it, on the simulator.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <string>

#include "temp_dir.h"

namespace {

struct RunResult {
    int exitCode = -1;
    std::string output;
};

RunResult RunProgram(const std::string& arguments, const std::string& environment) {
    std::string command = environment + " " + FERRULE_EXECUTABLE + " " + arguments + " 2>&1";
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

}  // namespace

TEST(Program, StartsOnTheSimulatorReachesReadyAndExitsWithZero) {
    TempDir dir;
    std::string profile = dir.File("ferrule.INI");
    std::ofstream(profile) << "[MyFerruleAp]\nSerDesc=0\nDescString=Quillon Shutter Controller\n";
    RunResult run = RunProgram("--simulate --profile " + profile + " --exit-after 300",
                               "QT_QPA_PLATFORM=offscreen");
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
