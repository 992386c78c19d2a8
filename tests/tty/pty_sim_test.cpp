// ferrule-sim: the paced controller on given times, and the process itself.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include "paced_controller.h"
#include "tty_fixture.h"

namespace {

using Bytes = TtyTest::Bytes;

TEST(PacedController, AnswersCrossTheLinkAtItsRate) {
    ptysim::PacedController controller;
    const uint8_t status = 0xCC;
    controller.HostBytes(&status, 1, 0);
    Bytes out;
    controller.TakeArrived(0, &out);
    EXPECT_TRUE(out.empty());
    // One byte every 78.125 us: 12 of the 20 have arrived after 1 ms.
    controller.TakeArrived(1000, &out);
    EXPECT_EQ(out.size(), 12u);
    ASSERT_TRUE(controller.NextEventUs().has_value());
    EXPECT_EQ(*controller.NextEventUs(), 1016u);  // the 13th, rounded up to a microsecond
    controller.TakeArrived(1563, &out);
    EXPECT_EQ(out.size(), 20u);
    EXPECT_EQ(out[0], 0xCC);
    EXPECT_FALSE(controller.NextEventUs().has_value());
}

TEST(PacedController, EchoesBeyondTheTransmitBufferAreLost) {
    ptysim::PacedController controller;
    Bytes blink(6000, 0x40);
    controller.HostBytes(blink.data(), blink.size(), 0);
    Bytes out;
    controller.TakeArrived(10'000'000, &out);
    EXPECT_EQ(out.size(), ptysim::PacedController::kTransmitBuffer);
}

TEST(PacedController, AFreeRunWakesTheLoopForItsMovements) {
    ptysim::PacedController controller;
    const Bytes closed20ms = {0xFA, 0x10, 0x00, 0x00, 0x02, 0x00};
    const Bytes go = {0xFA, 0xF3};
    controller.HostBytes(closed20ms.data(), closed20ms.size(), 0);
    controller.HostBytes(go.data(), go.size(), 0);
    Bytes out;
    controller.TakeArrived(5000, &out);
    EXPECT_EQ(out.size(), closed20ms.size() + 1 + go.size() + 1);
    // Nothing is on the line now, yet the opening movement is due.
    ASSERT_TRUE(controller.NextEventUs().has_value());
    EXPECT_GT(*controller.NextEventUs(), 5000u);
    controller.TakeArrived(10'000'000, &out);
    EXPECT_EQ(Bytes(out.end() - 3, out.end()), (Bytes{0xAA, 0xAC, 0x0D}));
}

TEST(PtySim, StopSignalsEndItWithExitCodeZero) {
    for (int signal : {SIGTERM, SIGINT}) {
        PtySimProcess sim;
        ASSERT_TRUE(sim.Ready());
        EXPECT_EQ(sim.SlavePath().rfind("/dev/pts/", 0), 0u) << sim.SlavePath();
        EXPECT_EQ(sim.Stop(signal), 0) << signal;
    }
}

TEST(PtySim, RefusesUnknownOptions) {
    for (const std::vector<std::string>& options : {std::vector<std::string>{"--frobnicate"},
                                                    {"--serial", "X"},
                                                    {"--fake-sysfs"},
                                                    {"--fake-sysfs", "/tmp/x", "--port", "100"}}) {
        PtySimProcess sim(options);
        EXPECT_FALSE(sim.Ready());
        EXPECT_EQ(sim.WaitForExit(), 2);
    }
}

TEST(PtySim, ExitOnCloseEndsWhenTheProgramClosesThePort) {
    PtySimProcess sim({"--exit-on-close"});
    ASSERT_TRUE(sim.Ready());
    const int port = open(sim.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(port, 0);
    const uint8_t probe = 0xEE;
    ASSERT_EQ(write(port, &probe, 1), 1);
    uint8_t answer[2] = {};
    size_t got = 0;
    while (got < sizeof answer) {
        const ssize_t n = read(port, answer + got, sizeof answer - got);
        ASSERT_GT(n, 0);
        got += static_cast<size_t>(n);
    }
    EXPECT_EQ(answer[1], 0x06);
    close(port);
    EXPECT_EQ(sim.WaitForExit(), 0);
}

// The fake tree ferrule-sim writes is what the back end lists and opens, and
// stopping the simulator unplugs the device from it.
class PtySimFakeSysfs : public TtyTest {};

TEST_F(PtySimFakeSysfs, WritesATreeTheBackEndListsAndOpens) {
    const std::string root = dir.File("fake");
    setenv("FERRULE_TTY_SYSFS", (root + "/sys").c_str(), 1);
    setenv("FERRULE_TTY_DEV", (root + "/dev").c_str(), 1);
    PtySimProcess first({"--fake-sysfs", root});
    PtySimProcess second(
        {"--fake-sysfs", root, "--port", "1", "--description", "Bench", "--serial", "B2"});
    ASSERT_TRUE(first.Ready());
    ASSERT_TRUE(second.Ready());

    DWORD count = 0;
    ASSERT_EQ(lib.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
    EXPECT_EQ(count, 2u);
    char text[64] = {};
    ASSERT_EQ(lib.FT_ListDevices(nullptr, text, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION), FT_OK);
    EXPECT_STREQ(text, kDescription);
    void* one = reinterpret_cast<void*>(uintptr_t{1});
    ASSERT_EQ(lib.FT_ListDevices(one, text, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER), FT_OK);
    EXPECT_STREQ(text, "B2");

    FT_HANDLE handle = OpenEx(kSerial, FT_OPEN_BY_SERIAL_NUMBER);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(lib.FT_SetLatencyTimer(handle, 2), FT_OK);
    EXPECT_EQ(Probe(handle), (Bytes{0xEE, 0x06}));
    Close(handle);

    EXPECT_EQ(second.Stop(SIGTERM), 0);
    ASSERT_EQ(lib.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
    EXPECT_EQ(count, 1u);
}

}  // namespace
