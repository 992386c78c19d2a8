// The ferrule program itself on the serial back end, against ferrule-sim.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <string>

#include "child_process.h"
#include "port_holder_process.h"
#include "pty_sim_process.h"
#include "sim_library.h"
#include "temp_dir.h"

namespace {

TEST(TtyProgram, ReachesReadyOnTheSerialBackEnd) {
    TempDir dir;
    const std::string root = dir.File("fake");
    PtySimProcess sim({"--fake-sysfs", root});
    ASSERT_TRUE(sim.Ready());
    const std::string profile = dir.File("ferrule.INI");
    std::ofstream(profile) << "[MyFerruleAp]\nSerDesc=1\nSerialString=QSC00001\n";

    const std::string command = "QT_QPA_PLATFORM=offscreen FERRULE_TTY_SYSFS=" + root +
                                "/sys FERRULE_TTY_DEV=" + root + "/dev " + FERRULE_EXECUTABLE +
                                " --driver " + FTTY_LIBRARY_PATH + " --profile " + profile +
                                " --exit-after 500 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    std::array<char, 256> chunk;
    while (fgets(chunk.data(), chunk.size(), pipe) != nullptr) {
        output += chunk.data();
    }
    const int status = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    EXPECT_NE(output.find("USB ready for communication."), std::string::npos) << output;
}

// SIGTERM runs the exit sequence, which releases the library and with it the
// port: another program opens it at once, also one that is not root.
TEST(TtyProgram, AfterSigtermThePortOpensAgainAtOnce) {
    TempDir dir;
    const std::string root = dir.File("fake");
    PtySimProcess sim({"--fake-sysfs", root});
    ASSERT_TRUE(sim.Ready());
    chmod(dir.File("").c_str(), 0755);
    chmod(sim.SlavePath().c_str(), 0666);
    const std::string profile = dir.File("ferrule.INI");
    std::ofstream(profile) << "[MyFerruleAp]\nSerDesc=1\nSerialString=QSC00001\n";
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("FERRULE_TTY_SYSFS", (root + "/sys").c_str(), 1);
    setenv("FERRULE_TTY_DEV", (root + "/dev").c_str(), 1);

    ChildProcess program({FERRULE_EXECUTABLE, "--driver", FTTY_LIBRARY_PATH, "--profile", profile});
    ASSERT_TRUE(Eventually([&] { return program.HasOpen(sim.SlavePath()); }));
    program.Signal(SIGTERM);
    const auto status = program.Wait();
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;

    // The exclusive flag first: closing the port below would clear it.
    if (geteuid() == 0) {
        EXPECT_EQ(OpenInAnotherProgram(true).status, FT_OK);
    }
    SimLibrary lib(FTTY_LIBRARY_PATH);
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(lib.FT_Open(0, &handle), FT_OK);
    lib.FT_Close(handle);
    unsetenv("FERRULE_TTY_SYSFS");
    unsetenv("FERRULE_TTY_DEV");
}

}  // namespace
