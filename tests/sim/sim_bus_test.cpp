// The virtual bus: listing and opening devices, handles, the call log.
#include <cstdlib>
#include <cstring>

#include "sim_fixture.h"

namespace {

using SimBus = SimFixture;

TEST_F(SimBus, DefaultBusHoldsOneController) {
    DWORD count = 99;
    ASSERT_EQ(sim.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
    EXPECT_EQ(count, 1u);
    char text[64] = {};
    ASSERT_EQ(sim.FT_ListDevices(nullptr, text, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION), FT_OK);
    EXPECT_STREQ(text, "Quillon Shutter Controller");
    ASSERT_EQ(sim.FT_ListDevices(nullptr, text, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
              FT_OK);
    EXPECT_STREQ(text, "QSC00001");
}

TEST_F(SimBus, OpensByIndexDescriptionOrSerialNumberExactly) {
    sim.fsim_add_device("Second", "S2");
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(sim.FT_Open(2, &handle), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(sim.FT_Open(-1, &handle), FT_DEVICE_NOT_FOUND);
    char lower[] = "quillon shutter controller";
    EXPECT_EQ(sim.FT_OpenEx(lower, FT_OPEN_BY_DESCRIPTION, &handle), FT_DEVICE_NOT_FOUND);
    char serialAsDescription[] = "S2";
    EXPECT_EQ(sim.FT_OpenEx(serialAsDescription, FT_OPEN_BY_DESCRIPTION, &handle),
              FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(handle, nullptr);

    ASSERT_EQ(sim.FT_OpenEx(serialAsDescription, FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_OK);
    FT_HANDLE again = nullptr;
    EXPECT_EQ(sim.FT_Open(1, &again), FT_DEVICE_NOT_OPENED);
    char description[] = "Quillon Shutter Controller";
    EXPECT_EQ(sim.FT_OpenEx(description, FT_OPEN_BY_DESCRIPTION, &again), FT_OK);
    EXPECT_NE(again, handle);
}

TEST_F(SimBus, ClosedHandlesStayInvalidAndAreNeverReused) {
    FT_HANDLE first = Open();
    ASSERT_EQ(sim.FT_Close(first), FT_OK);
    FT_HANDLE second = Open();
    EXPECT_NE(second, first);
    DWORD n = 0;
    uint8_t byte = 0xEE;
    EXPECT_EQ(sim.FT_Close(first), FT_INVALID_HANDLE);
    EXPECT_EQ(sim.FT_Write(first, &byte, 1, &n), FT_INVALID_HANDLE);
    EXPECT_EQ(sim.FT_Read(first, &byte, 1, &n), FT_INVALID_HANDLE);
    EXPECT_EQ(sim.FT_GetQueueStatus(first, &n), FT_INVALID_HANDLE);
    EXPECT_EQ(sim.FT_SetTimeouts(nullptr, 100, 100), FT_INVALID_HANDLE);
    EXPECT_EQ(sim.FT_Purge(reinterpret_cast<FT_HANDLE>(0x1234), FT_PURGE_RX), FT_INVALID_HANDLE);
    EXPECT_EQ(Waiting(second), 0u);  // the stale calls reached nothing

    sim.fsim_reset();  // a reset bus invalidates open handles
    EXPECT_EQ(sim.FT_GetQueueStatus(second, &n), FT_INVALID_HANDLE);
    EXPECT_NE(Open(), second);
}

TEST_F(SimBus, ListsAllIntoTheTableItIsGiven) {
    sim.fsim_clear_devices();
    const std::string longName(80, 'x');
    sim.fsim_add_device("A", "1");
    sim.fsim_add_device(longName.c_str(), "2");
    sim.fsim_add_device("C", "3");

    char buffers[2][64];
    std::memset(buffers, '#', sizeof buffers);
    char* table[] = {buffers[0], buffers[1], nullptr};
    DWORD count = 0;
    ASSERT_EQ(sim.FT_ListDevices(table, &count, FT_LIST_ALL | FT_OPEN_BY_DESCRIPTION), FT_OK);
    EXPECT_EQ(count, 3u);
    EXPECT_STREQ(buffers[0], "A");
    EXPECT_EQ(std::string(buffers[1]), longName.substr(0, 63));
    ASSERT_EQ(sim.FT_ListDevices(table, &count, FT_LIST_ALL | FT_OPEN_BY_SERIAL_NUMBER), FT_OK);
    EXPECT_STREQ(buffers[1], "2");

    char untouched[64] = "keep";
    EXPECT_EQ(sim.FT_ListDevices(reinterpret_cast<void*>(uintptr_t{3}), untouched,
                                 FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
              FT_DEVICE_NOT_FOUND);
    EXPECT_STREQ(untouched, "keep");
    EXPECT_EQ(sim.FT_ListDevices(&count, nullptr, FT_LIST_ALL), 6u);
    EXPECT_EQ(sim.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY | FT_LIST_ALL), 6u);
}

TEST_F(SimBus, EnvironmentNamesTheBusAtReset) {
    setenv("FERRULE_SIM_DEVICES", "Bench A=SA1;;Bench=B=SB2", 1);
    sim.fsim_reset();
    EXPECT_EQ(sim.fsim_device_count(), 2);
    char text[64];
    sim.FT_ListDevices(reinterpret_cast<void*>(uintptr_t{1}), text,
                       FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION);
    EXPECT_STREQ(text, "Bench=B");
    setenv("FERRULE_SIM_DEVICES", "", 1);
    sim.fsim_reset();
    EXPECT_EQ(sim.fsim_device_count(), 0);
    unsetenv("FERRULE_SIM_DEVICES");
    sim.fsim_reset();
    EXPECT_EQ(sim.fsim_device_count(), 1);
}

TEST_F(SimBus, RecordsEveryCallWhileAskedTo) {
    FT_HANDLE handle = Open();
    EXPECT_EQ(sim.Calls(), "");
    sim.fsim_record_calls(1);
    char serial[] = "QSC00001";
    FT_HANDLE other = nullptr;
    sim.FT_OpenEx(serial, FT_OPEN_BY_SERIAL_NUMBER, &other);
    DWORD count = 0;
    char text[64];
    sim.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY);
    sim.FT_ListDevices(reinterpret_cast<void*>(uintptr_t{3}), text,
                       FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION);
    sim.FT_ListDevices(nullptr, nullptr, 0x12);
    sim.FT_ResetDevice(handle);
    sim.FT_SetTimeouts(handle, 3000, 3000);
    sim.FT_Purge(handle, FT_PURGE_RX);
    sim.FT_SetLatencyTimer(handle, 2);
    sim.FT_SetBaudRate(handle, 128000);
    sim.FT_SetUSBParameters(handle, 64, 0);
    sim.FT_SetDataCharacteristics(handle, 8, 0, 0);
    sim.FT_SetFlowControl(handle, 0, 17, 19);
    Write(handle, {0xEE, 0xCC});
    Read(handle, 2);
    Waiting(handle);
    sim.FT_Close(handle);
    sim.FT_Close(handle);
    EXPECT_EQ(sim.Calls(),
              "FT_OpenEx(\"QSC00001\",1)\nFT_ListDevices(NUMBER_ONLY)\n"
              "FT_ListDevices(BY_INDEX|BY_DESCRIPTION,3)\nFT_ListDevices(0x12)\n"
              "FT_ResetDevice()\nFT_SetTimeouts(3000,3000)\nFT_Purge(1)\nFT_SetLatencyTimer(2)\n"
              "FT_SetBaudRate(128000)\nFT_SetUSBParameters(64,0)\n"
              "FT_SetDataCharacteristics(8,0,0)\nFT_SetFlowControl(0,17,19)\nFT_Write(2)\n"
              "FT_Read(2)\nFT_GetQueueStatus()\nFT_Close()\nFT_Close()\n");
    sim.fsim_reset();
    Open();
    EXPECT_EQ(sim.Calls(), "");
}

}  // namespace
