// Why an open failed, as ftty_last_open_error tells it: the category and a
// reason naming the device node.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "port_holder_process.h"
#include "tty_fixture.h"

namespace {

using TtyOpenError = TtyTest;

TEST_F(TtyOpenError, AFailedOpenTellsWhyNamingTheDeviceNode) {
    AddController();
    tree.AddUsbDevice("1-2", "No node", "S2");
    tree.AddPort("1-2", 0, "ttyUSB1", "");
    tree.AddUsbDevice("1-3", "Not a terminal", "S3");
    tree.AddPort("1-3", 0, "ttyUSB2", "/dev/null");
    const auto node = [this](const char* name) { return (tree.Dev() / name).string(); };
    auto expect = [this](FT_STATUS status, FT_STATUS wantStatus, uint32_t wantCategory,
                         const std::string& wantReason) {
        EXPECT_EQ(status, wantStatus);
        std::string reason;
        EXPECT_EQ(LastOpenError(&reason), wantCategory);
        EXPECT_EQ(reason, wantReason);
    };
    FT_HANDLE handle = nullptr;
    expect(lib.FT_Open(1, &handle), FT_DEVICE_NOT_FOUND, FTTY_OPEN_ERROR_NOT_FOUND,
           node("ttyUSB1") + " does not exist");
    expect(lib.FT_Open(2, &handle), FT_DEVICE_NOT_OPENED, FTTY_OPEN_ERROR_NOT_A_TERMINAL,
           node("ttyUSB2") + " is not a serial port");
    expect(lib.FT_Open(3, &handle), FT_DEVICE_NOT_FOUND, FTTY_OPEN_ERROR_NOT_FOUND,
           "there is no device number 3 (3 attached)");
    char unknown[] = "Unknown";
    expect(lib.FT_OpenEx(unknown, FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_DEVICE_NOT_FOUND,
           FTTY_OPEN_ERROR_NOT_FOUND, "no attached device has the serial number \"Unknown\"");
    // An open that succeeds leaves no reason from before.
    expect(lib.FT_Open(0, &handle), FT_OK, FTTY_OPEN_ERROR_NONE, "");
    Keep(handle);
    expect(lib.FT_Open(0, &handle), FT_DEVICE_NOT_OPENED, FTTY_OPEN_ERROR_BUSY,
           node("ttyUSB0") + " is already open in this program");

    // The text is cut to the caller's buffer and ended; without one, only
    // the category.
    auto lastOpenError =
        reinterpret_cast<PFN_ftty_last_open_error>(lib.Symbol("ftty_last_open_error"));
    char small[8];
    std::fill(std::begin(small), std::end(small), 'x');
    EXPECT_EQ(lastOpenError(small, sizeof small), FTTY_OPEN_ERROR_BUSY);
    EXPECT_EQ(std::string(small), node("ttyUSB0").substr(0, 7));
    EXPECT_EQ(lastOpenError(nullptr, 0), FTTY_OPEN_ERROR_BUSY);
}

TEST_F(TtyOpenError, AUserWithoutPermissionIsToldSo) {
    PtySimProcess& sim = AddController();
    HolderOpened opened;
    if (geteuid() == 0) {
        // Root opens anything: the user nobody tries, to whom the terminal
        // (mode 0620, owned by root) is closed.
        chmod(dir.File("").c_str(), 0755);
        opened = OpenInAnotherProgram(true);
    } else {
        ASSERT_EQ(chmod(sim.SlavePath().c_str(), 0), 0);
        FT_HANDLE handle = nullptr;
        opened.status = lib.FT_Open(0, &handle);
        opened.category = LastOpenError(&opened.reason);
    }
    EXPECT_EQ(opened.status, FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(opened.category, FTTY_OPEN_ERROR_PERMISSION);
    EXPECT_EQ(opened.reason, (tree.Dev() / "ttyUSB0").string() +
                                 " may not be opened by this user (permission denied)");
}

}  // namespace
