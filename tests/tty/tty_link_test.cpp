// The link to a simulated controller over a real pseudo-terminal: opening by
// each method, the program's probe, commands and their answers, reads with
// time-outs, the queue, purging, and the line settings.
#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "termios2_readback.h"
#include "tty_fixture.h"

namespace {

using TtyLink = TtyTest;
using Bytes = TtyTest::Bytes;

std::string FileText(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(TtyLink, OpensByIndexDescriptionAndSerialNumber) {
    AddController();
    for (int method = 0; method < 3; ++method) {
        SCOPED_TRACE(method);
        FT_HANDLE handle = method == 0   ? Open(0)
                           : method == 1 ? OpenEx(kDescription, FT_OPEN_BY_DESCRIPTION)
                                         : OpenEx(kSerial, FT_OPEN_BY_SERIAL_NUMBER);
        ASSERT_NE(handle, nullptr);
        // A controller stays on while the port is closed and opened again.
        EXPECT_EQ(Probe(handle), (Bytes{0xEE, 0x06}));
        Close(handle);
    }
}

TEST_F(TtyLink, OpeningMatchesExactlyAndHoldsTheDeviceOnce) {
    AddController();
    FT_HANDLE handle = nullptr;
    char lower[] = "quillon shutter controller";
    EXPECT_EQ(lib.FT_OpenEx(lower, FT_OPEN_BY_DESCRIPTION, &handle), FT_DEVICE_NOT_FOUND);
    char serialAsDescription[] = "QSC00001";
    EXPECT_EQ(lib.FT_OpenEx(serialAsDescription, FT_OPEN_BY_DESCRIPTION, &handle),
              FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(lib.FT_OpenEx(nullptr, FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(lib.FT_Open(1, &handle), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(lib.FT_Open(-1, &handle), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(handle, nullptr);

    FT_HANDLE first = Open(0);
    EXPECT_EQ(lib.FT_Open(0, &handle), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(lib.FT_OpenEx(serialAsDescription, FT_OPEN_BY_SERIAL_NUMBER, &handle),
              FT_DEVICE_NOT_OPENED);
    Close(first);
    FT_HANDLE second = Open(0);
    EXPECT_NE(second, first);  // handle values are never reused
}

TEST_F(TtyLink, ClosedAndUnknownHandlesAreInvalidForEveryCall) {
    AddController();
    FT_HANDLE closed = Open(0);
    Close(closed);
    FT_HANDLE open = Open(0);
    for (FT_HANDLE bad :
         {closed, static_cast<FT_HANDLE>(nullptr), reinterpret_cast<FT_HANDLE>(0x1234)}) {
        uint8_t byte = 0xEE;
        DWORD n = 0;
        EXPECT_EQ(lib.FT_Write(bad, &byte, 1, &n), FT_INVALID_HANDLE);
        EXPECT_EQ(lib.FT_Read(bad, &byte, 1, &n), FT_INVALID_HANDLE);
        EXPECT_EQ(lib.FT_GetQueueStatus(bad, &n), FT_INVALID_HANDLE);
        EXPECT_EQ(lib.FT_Close(bad), FT_INVALID_HANDLE);
        EXPECT_EQ(lib.FT_ResetDevice(bad), FT_INVALID_HANDLE);
        EXPECT_EQ(lib.FT_Purge(bad, FT_PURGE_RX), FT_INVALID_HANDLE);
        EXPECT_EQ(lib.FT_SetTimeouts(bad, 100, 100), FT_INVALID_HANDLE);
        EXPECT_EQ(lib.FT_SetBaudRate(bad, 128000), FT_INVALID_HANDLE);
        EXPECT_EQ(lib.FT_SetLatencyTimer(bad, 2), FT_INVALID_HANDLE);
        EXPECT_EQ(lib.FT_SetUSBParameters(bad, 64, 0), FT_INVALID_HANDLE);
        EXPECT_EQ(lib.FT_SetDataCharacteristics(bad, 8, 0, 0), FT_INVALID_HANDLE);
        EXPECT_EQ(lib.FT_SetFlowControl(bad, 0, 0, 0), FT_INVALID_HANDLE);
    }
    // The stale calls reached nothing: the open port still answers alone.
    EXPECT_EQ(Probe(open), (Bytes{0xEE, 0x06}));
}

// The program's own sequence after opening: every step succeeds and the
// controller answers the probe with its echo and acknowledgment.
TEST_F(TtyLink, TheProgramsConfigurationAndProbeSucceed) {
    AddController();
    FT_HANDLE handle = Open(0);
    EXPECT_EQ(lib.FT_ResetDevice(handle), FT_OK);
    EXPECT_EQ(lib.FT_SetTimeouts(handle, 3000, 3000), FT_OK);
    EXPECT_EQ(lib.FT_Purge(handle, FT_PURGE_RX), FT_OK);
    EXPECT_EQ(lib.FT_SetLatencyTimer(handle, 2), FT_OK);
    EXPECT_EQ(lib.FT_SetBaudRate(handle, 128000), FT_OK);
    EXPECT_EQ(lib.FT_SetUSBParameters(handle, 64, 0), FT_OK);
    EXPECT_EQ(lib.FT_SetDataCharacteristics(handle, 8, 0, 0), FT_OK);
    EXPECT_EQ(lib.FT_SetFlowControl(handle, 0, 0x11, 0x13), FT_OK);
    EXPECT_EQ(Probe(handle), (Bytes{0xEE, 0x06}));
    EXPECT_EQ(lib.FT_SetTimeouts(handle, 100, 100), FT_OK);
    // The port stays 8N1 without flow control; nothing else is offered.
    constexpr FT_STATUS kInvalidParameter = 6;
    EXPECT_EQ(lib.FT_SetDataCharacteristics(handle, 7, 0, 0), kInvalidParameter);
    EXPECT_EQ(lib.FT_SetDataCharacteristics(handle, 8, 2, 1), kInvalidParameter);
    EXPECT_EQ(lib.FT_SetFlowControl(handle, 0x0100, 0, 0), kInvalidParameter);
}

TEST_F(TtyLink, CommandsAreAnsweredAsTheControllerAnswersThem) {
    AddController();
    FT_HANDLE handle = Open(0);
    const std::vector<Bytes> messages = {
        {0xEE},                                // on-line
        {0xAA},                                // open
        {0xAC},                                // close
        {0xFD},                                // information
        {0xDD},                                // soft mode
        {0xFA, 0x10, 0x00, 0x01, 0x25, 0x00},  // closed time 1 s 250 ms
        {0xFA, 0xF0, 0x00, 0x03},              // repeat number 3
        {0xCC},                                // status
    };
    // Each answer as the model gives it after the messages before it.
    std::vector<Bytes> sent;
    for (const Bytes& message : messages) {
        const size_t before = ModelAnswer(sent).size();
        sent.push_back(message);
        Bytes expected = ModelAnswer(sent);
        expected.erase(expected.begin(), expected.begin() + static_cast<long>(before));
        Write(handle, message);
        EXPECT_EQ(Read(handle, static_cast<DWORD>(expected.size())), expected);
    }
}

TEST_F(TtyLink, StatusReplyIsTwentyBytesReportingTheConfiguration) {
    AddController();
    FT_HANDLE handle = Open(0);
    const std::vector<Bytes> setup = {{0xFA, 0x20, 0x00, 0x00, 0x50, 0x00}, {0xFA, 0xB1}};
    for (const Bytes& message : setup) {
        Write(handle, message);
        EXPECT_EQ(Read(handle, static_cast<DWORD>(message.size() + 1)).size(), message.size() + 1);
    }
    ASSERT_EQ(lib.FT_SetTimeouts(handle, 1000, 1000), FT_OK);
    Write(handle, {0xCC});
    const Bytes status = Read(handle, 30);  // the read returns at its time-out
    ASSERT_EQ(status.size(), 20u);
    EXPECT_EQ(status[0], 0xCC);
    Bytes expected = ModelAnswer({setup[0], setup[1], {0xCC}});
    expected.erase(expected.begin(), expected.end() - 20);
    EXPECT_EQ(status, expected);
}

TEST_F(TtyLink, ShortFreeRunReportsEachMovementAndItsEnd) {
    AddController();
    FT_HANDLE handle = Open(0);
    const std::vector<Bytes> run = {
        {0xFA, 0x10, 0x00, 0x00, 0x02, 0x00},  // closed 20 ms
        {0xFA, 0x20, 0x00, 0x00, 0x02, 0x00},  // exposure 20 ms
        {0xFA, 0xF0, 0x00, 0x02},              // two cycles
        {0xFA, 0xF3},                          // go
    };
    for (const Bytes& message : run) {
        Write(handle, message);
    }
    const Bytes expected = ModelAnswer(run);
    EXPECT_EQ(expected.back(), 0x0D);
    Bytes received;
    ASSERT_TRUE(WaitUntil([&] {
        Bytes more = Read(handle, static_cast<DWORD>(expected.size() - received.size()));
        received.insert(received.end(), more.begin(), more.end());
        return received.size() >= expected.size();
    }));
    EXPECT_EQ(received, expected);
    // Open, close, open, close: the movements of two cycles, then the end.
    EXPECT_EQ(Bytes(received.end() - 5, received.end()), (Bytes{0xAA, 0xAC, 0xAA, 0xAC, 0x0D}));
}

TEST_F(TtyLink, ReadsReturnAtTheirTimeOutWithWhatArrived) {
    AddController();
    FT_HANDLE handle = Open(0);
    ASSERT_EQ(lib.FT_SetTimeouts(handle, 1000, 1000), FT_OK);
    Write(handle, {0xFD});
    EXPECT_EQ(Read(handle, 100).size(), 13u);  // echo and the 12 information characters
    ASSERT_EQ(lib.FT_SetTimeouts(handle, 20, 20), FT_OK);
    EXPECT_EQ(Read(handle, 1).size(), 0u);
    EXPECT_EQ(Read(handle, 0).size(), 0u);
    // Without a time-out a read waits for everything it asked for.
    ASSERT_EQ(lib.FT_SetTimeouts(handle, 0, 0), FT_OK);
    Write(handle, {0xCC});
    EXPECT_EQ(Read(handle, 20).size(), 20u);

    DWORD got = 0;
    constexpr FT_STATUS kInvalidParameter = 6;
    EXPECT_EQ(lib.FT_Read(handle, nullptr, 1, &got), kInvalidParameter);
    uint8_t byte = 0;
    EXPECT_EQ(lib.FT_Read(handle, &byte, 1, nullptr), kInvalidParameter);
    EXPECT_EQ(lib.FT_GetQueueStatus(handle, nullptr), kInvalidParameter);
}

TEST_F(TtyLink, QueueCountsArrivedBytesAndPurgeDropsThem) {
    AddController();
    FT_HANDLE handle = Open(0);
    EXPECT_EQ(Waiting(handle), 0u);
    Write(handle, {0xFD});
    EXPECT_TRUE(WaitUntil([&] { return Waiting(handle) == 13; }));
    EXPECT_EQ(lib.FT_Purge(handle, FT_PURGE_RX | FT_PURGE_TX), FT_OK);
    EXPECT_EQ(Waiting(handle), 0u);
    // The link goes on after the purge.
    EXPECT_EQ(Probe(handle), (Bytes{0xEE, 0x06}));
}

// The link test writes from a worker thread while the panel reads.
TEST_F(TtyLink, WritesFromAnotherThreadWhileReadingLoseNothing) {
    AddController();
    FT_HANDLE handle = Open(0);
    constexpr size_t kBursts = 20;
    constexpr size_t kBurst = 64;
    std::thread writer([&] {
        Bytes burst(kBurst);
        for (size_t i = 0; i < kBurst; ++i) {
            burst[i] = static_cast<uint8_t>(0x40 | (i & 0x0F));
        }
        for (size_t i = 0; i < kBursts; ++i) {
            Write(handle, burst);
        }
    });
    Bytes received;
    EXPECT_TRUE(WaitUntil([&] {
        Bytes more = Read(handle, static_cast<DWORD>(kBursts * kBurst - received.size()));
        received.insert(received.end(), more.begin(), more.end());
        return received.size() >= kBursts * kBurst;
    }));
    writer.join();
    ASSERT_EQ(received.size(), kBursts * kBurst);
    for (size_t i = 0; i < received.size(); ++i) {
        ASSERT_EQ(received[i], 0x40 | (i % kBurst & 0x0F)) << i;
    }
}

// The speed is set with BOTHER and read back with TCGETS2 on a second
// descriptor of the same terminal. The pseudo-terminal driver has no
// hardware to program and keeps the settings as given: BOTHER stays in the
// flags with the exact speed, both ways, even for a standard speed such as
// 9600 (a real serial driver may encode that one as B9600 instead).
TEST_F(TtyLink, BaudRateIsSetThroughTermios2) {
    PtySimProcess& sim = AddController();
    const int watcher = open(sim.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(watcher, 0);
    FT_HANDLE handle = Open(0);

    ASSERT_EQ(lib.FT_SetBaudRate(handle, 128000), FT_OK);
    LineSpeed speed = ReadLineSpeed(watcher);
    ASSERT_TRUE(speed.read);
    EXPECT_TRUE(speed.otherBaud);
    EXPECT_TRUE(speed.inputOtherBaud);
    EXPECT_EQ(speed.outputSpeed, 128000u);
    EXPECT_EQ(speed.inputSpeed, 128000u);

    ASSERT_EQ(lib.FT_SetBaudRate(handle, 9600), FT_OK);
    speed = ReadLineSpeed(watcher);
    EXPECT_EQ(speed.outputSpeed, 9600u);
    EXPECT_EQ(speed.inputSpeed, 9600u);

    // Speed 0 would hang the line up: refused, the speed stays.
    constexpr FT_STATUS kInvalidBaudRate = 7;
    EXPECT_EQ(lib.FT_SetBaudRate(handle, 0), kInvalidBaudRate);
    EXPECT_EQ(ReadLineSpeed(watcher).outputSpeed, 9600u);
    EXPECT_EQ(Probe(handle), (Bytes{0xEE, 0x06}));
    close(watcher);
}

TEST_F(TtyLink, LatencyTimerIsWrittenWhereWritableAndKeptElsewhere) {
    PtySimProcess& first = AddController("ttyUSB0", "1-1");
    ASSERT_TRUE(first.Ready());
    // A second controller whose port has no latency_timer, a third whose
    // latency_timer cannot be written (a folder: root can write any file).
    controllers.push_back(std::make_unique<PtySimProcess>());
    tree.AddUsbDevice("1-2", "Second", "S2");
    const auto noTimer = tree.AddPort("1-2", 0, "ttyUSB1", controllers.back()->SlavePath());
    std::filesystem::remove(noTimer / "latency_timer");
    controllers.push_back(std::make_unique<PtySimProcess>());
    tree.AddUsbDevice("1-3", "Third", "S3");
    const auto folder = tree.AddPort("1-3", 0, "ttyUSB2", controllers.back()->SlavePath());
    std::filesystem::remove(folder / "latency_timer");
    std::filesystem::create_directory(folder / "latency_timer");

    FT_HANDLE handle = Open(0);
    EXPECT_EQ(lib.FT_SetLatencyTimer(handle, 2), FT_OK);
    EXPECT_EQ(FileText(tree.UsbDir("1-1") / "1-1:1.0" / "ttyUSB0" / "latency_timer"), "2\n");
    for (int index : {1, 2}) {
        FT_HANDLE other = Open(index);
        EXPECT_EQ(lib.FT_SetLatencyTimer(other, 2), FT_OK);
        EXPECT_EQ(Probe(other), (Bytes{0xEE, 0x06}));
    }
    EXPECT_FALSE(std::filesystem::exists(noTimer / "latency_timer"));
}

TEST_F(TtyLink, OfTwoDevicesWithOneDescriptionTheFirstOpens) {
    AddController("ttyUSB0", "1-1", kDescription, "QSC00001");
    AddController("ttyUSB1", "1-2", kDescription, "QSC00002");
    DWORD count = 0;
    ASSERT_EQ(lib.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
    EXPECT_EQ(count, 2u);

    FT_HANDLE handle = OpenEx(kDescription, FT_OPEN_BY_DESCRIPTION);
    ASSERT_NE(handle, nullptr);
    FT_HANDLE other = nullptr;
    EXPECT_EQ(lib.FT_Open(0, &other), FT_DEVICE_NOT_OPENED);  // the first one is taken
    FT_HANDLE second = Open(1);
    ASSERT_NE(second, nullptr);
    // Each handle reaches its own controller.
    Write(handle, {0xAA});
    Write(second, {0xFD});
    EXPECT_EQ(Read(handle, 2), (Bytes{0xAA, 0xAA}));
    EXPECT_EQ(Read(second, 13).size(), 13u);
    Close(second);
    EXPECT_NE(OpenEx("QSC00002", FT_OPEN_BY_SERIAL_NUMBER), nullptr);
}

}  // namespace
