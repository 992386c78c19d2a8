// A device that goes away while open, and device nodes that cannot be opened.
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <future>

#include "tty_fixture.h"

namespace {

using TtyUnplug = TtyTest;
using Bytes = TtyTest::Bytes;

// Killing the simulator closes the master side: the kernel hangs the port
// up, as it does when the USB device is pulled out.
TEST_F(TtyUnplug, EveryCallOnAPulledDeviceIsAnIoError) {
    PtySimProcess& sim = AddController();
    FT_HANDLE handle = Open(0);
    ASSERT_EQ(Probe(handle), (Bytes{0xEE, 0x06}));
    sim.Stop(SIGKILL);

    DWORD n = 0;
    EXPECT_EQ(lib.FT_GetQueueStatus(handle, &n), FT_IO_ERROR);
    uint8_t byte = 0xEE;
    EXPECT_EQ(lib.FT_Read(handle, &byte, 1, &n), FT_IO_ERROR);
    EXPECT_EQ(lib.FT_Write(handle, &byte, 1, &n), FT_IO_ERROR);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(lib.FT_Purge(handle, FT_PURGE_RX), FT_IO_ERROR);
    EXPECT_EQ(lib.FT_SetBaudRate(handle, 128000), FT_IO_ERROR);
    // Closing still works and ends the handle.
    Close(handle);
    EXPECT_EQ(lib.FT_GetQueueStatus(handle, &n), FT_INVALID_HANDLE);
}

TEST_F(TtyUnplug, AReadWaitingWhenTheDeviceGoesEndsWithAnIoError) {
    PtySimProcess& sim = AddController();
    FT_HANDLE handle = Open(0);
    ASSERT_EQ(lib.FT_SetTimeouts(handle, 600'000, 600'000), FT_OK);
    auto read = std::async(std::launch::async, [&] {
        uint8_t bytes[4];
        DWORD got = 0;
        return lib.FT_Read(handle, bytes, sizeof bytes, &got);
    });
    EXPECT_EQ(sim.Stop(SIGTERM), 0);
    EXPECT_EQ(read.get(), FT_IO_ERROR);
}

// Closing a handle wakes a read that another thread has waiting on it.
TEST_F(TtyUnplug, ClosingEndsAReadWaitingOnTheHandle) {
    AddController();
    FT_HANDLE handle = Open(0);
    ASSERT_EQ(lib.FT_SetTimeouts(handle, 600'000, 600'000), FT_OK);
    std::promise<void> reading;
    auto read = std::async(std::launch::async, [&] {
        uint8_t bytes[4];
        DWORD got = 0;
        reading.set_value();
        return lib.FT_Read(handle, bytes, sizeof bytes, &got);
    });
    reading.get_future().wait();
    Close(handle);
    const FT_STATUS status = read.get();
    // Either the read was already waiting (woken) or it started after the
    // close; both end at once with the handle gone.
    EXPECT_EQ(status, FT_INVALID_HANDLE);
    // The device can be opened again straight away.
    EXPECT_EQ(Probe(Open(0)), (Bytes{0xEE, 0x06}));
}

TEST_F(TtyUnplug, ADeviceNodeWithoutPermissionDoesNotOpen) {
    PtySimProcess& sim = AddController();
    std::filesystem::permissions(
        dir.File(""), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                          std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                          std::filesystem::perms::others_exec);
    FT_STATUS status = FT_OK;
    if (geteuid() == 0) {
        // Root opens anything: the open is made by a child that has become
        // an unprivileged user, for whom the terminal (mode 0620, owned by
        // root) is closed.
        const pid_t child = fork();
        if (child == 0) {
            FT_HANDLE handle = nullptr;
            const bool dropped =
                setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0;
            _exit(dropped ? static_cast<int>(lib.FT_Open(0, &handle)) : 100);
        }
        int wait = 0;
        ASSERT_EQ(waitpid(child, &wait, 0), child);
        ASSERT_TRUE(WIFEXITED(wait));
        status = static_cast<FT_STATUS>(WEXITSTATUS(wait));
    } else {
        ASSERT_EQ(chmod(sim.SlavePath().c_str(), 0), 0);
        FT_HANDLE handle = nullptr;
        status = lib.FT_Open(0, &handle);
    }
    EXPECT_EQ(status, FT_DEVICE_NOT_OPENED);
}

TEST_F(TtyUnplug, ANodeThatIsNoTerminalDoesNotOpen) {
    tree.AddUsbDevice("1-1", kDescription, kSerial);
    std::ofstream(dir.File("plain")) << "not a terminal\n";
    tree.AddPort("1-1", 0, "ttyUSB0", dir.File("plain"));
    tree.AddUsbDevice("1-2", "Second", "S2");
    tree.AddPort("1-2", 0, "ttyUSB1", "/dev/null");
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(lib.FT_Open(0, &handle), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(lib.FT_Open(1, &handle), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(handle, nullptr);
}

}  // namespace
