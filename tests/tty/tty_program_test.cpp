// The ferrule program itself on the serial back end, against ferrule-sim.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <string>

#include "pty_sim_process.h"
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

}  // namespace
