// Finding the lost device again through the real simulated controller
// library, and Open's sequence without a view: which device comes back when
// two of the same kind are attached, or when the device numbers moved.
#include <gtest/gtest.h>

#include "core/engine/controller_engine.h"
#include "core/reconnect/device_presence.h"
#include "core/reconnect/open_sequence.h"
#include "sim_library.h"

namespace {

using ferrule::DeviceChoice;
using ferrule::kOpenByDescription;
using ferrule::kOpenByDeviceNumber;
using ferrule::kOpenBySerialNumber;

constexpr const char* kKind = "Quillon Shutter Controller";

class Presence : public ::testing::Test {
protected:
    void SetUp() override {
        sim.fsim_use_manual_clock(1);
        d2xx.LoadD2xx(FSIM_LIBRARY_PATH);
        ASSERT_TRUE(d2xx.IsLoaded());
    }
    // The bus holds exactly these devices (description, serial), in order.
    void Attach(const std::vector<std::pair<std::string, std::string>>& devices) {
        sim.fsim_clear_devices();
        for (const auto& [description, serial] : devices) {
            sim.fsim_add_device(description.c_str(), serial.c_str());
        }
    }

    SimLibrary sim;
    ferrule::D2xxApi d2xx{[this](const std::string& message) { messages.push_back(message); }};
    std::vector<std::string> messages;
};

TEST_F(Presence, TwoDevicesOfOneKindOnlyTheOneThatWasOpenComesBack) {
    Attach({{kKind, "QSC00001"}, {kKind, "QSC00002"}});
    const DeviceChoice byKind{kOpenByDescription, kKind};
    const ferrule::WatchedDevice watched{byKind, ferrule::SerialOfChosenDevice(d2xx, byKind)};
    ASSERT_EQ(watched.serial, "QSC00001");

    // Pulled: its twin is still there, and is not it.
    Attach({{kKind, "QSC00002"}});
    EXPECT_FALSE(ferrule::LocateWatchedDevice(d2xx, watched));
    // Back behind its twin: opened by its serial number, as the description
    // would open the twin.
    Attach({{kKind, "QSC00002"}, {kKind, "QSC00001"}});
    EXPECT_EQ(ferrule::LocateWatchedDevice(d2xx, watched),
              (DeviceChoice{kOpenBySerialNumber, "QSC00001"}));
    // Back in front: the user's own choice opens it.
    Attach({{kKind, "QSC00001"}, {kKind, "QSC00002"}});
    EXPECT_EQ(ferrule::LocateWatchedDevice(d2xx, watched), byKind);
    EXPECT_TRUE(messages.empty());
}

TEST_F(Presence, ADeviceNumberThatMovedIsFollowedByTheSerialNumber) {
    Attach({{"Other", "X1"}, {kKind, "QSC00001"}});
    const DeviceChoice second{kOpenByDeviceNumber, "1"};
    const ferrule::WatchedDevice watched{second, ferrule::SerialOfChosenDevice(d2xx, second)};
    ASSERT_EQ(watched.serial, "QSC00001");
    Attach({{kKind, "QSC00001"}});
    EXPECT_EQ(ferrule::LocateWatchedDevice(d2xx, watched),
              (DeviceChoice{kOpenBySerialNumber, "QSC00001"}));

    // Without a serial number the choice itself is looked for.
    const ferrule::WatchedDevice unknown{second, ""};
    EXPECT_FALSE(ferrule::LocateWatchedDevice(d2xx, unknown));
    Attach({{kKind, "A"}, {kKind, "B"}});
    EXPECT_EQ(ferrule::LocateWatchedDevice(d2xx, unknown), second);
    Attach({});
    EXPECT_FALSE(ferrule::LocateWatchedDevice(d2xx, {{kOpenByDescription, kKind}, ""}));
    EXPECT_EQ(ferrule::SerialOfChosenDevice(d2xx, {kOpenByDescription, kKind}), "");
}

class RecordingHooks : public ferrule::EngineHooks {};

TEST_F(Presence, OpenSequenceWithoutAViewSetsTheStatusAsOpenDoes) {
    Attach({{kKind, "QSC00001"}});
    RecordingHooks hooks;
    ferrule::ControllerEngine engine(d2xx, hooks);
    sim.fsim_record_calls(1);
    ferrule::OpenOutcome outcome =
        ferrule::RunOpenSequence(engine, {kOpenBySerialNumber, "QSC00001"});
    EXPECT_TRUE(outcome.ready);
    EXPECT_TRUE(engine.LinkReady());
    EXPECT_EQ(engine.Fields().m_strStatus, "USB ready for communication.");
    const std::string calls = sim.Calls();
    EXPECT_EQ(calls.rfind("FT_Close()", 0), 0u) << calls;
    EXPECT_NE(calls.find("FT_SetTimeouts(100,100)"), std::string::npos);

    outcome = ferrule::RunOpenSequence(engine, {kOpenBySerialNumber, "nowhere"});
    EXPECT_FALSE(outcome.ready);
    EXPECT_FALSE(engine.LinkReady());
    EXPECT_EQ(engine.Fields().m_strStatus, "Could not open USB");

    // A device that answers wrongly is closed again.
    sim.fsim_set_probe_reply(0, FSIM_PROBE_OTHER, 0x41);
    sim.fsim_clear_calls();
    outcome = ferrule::RunOpenSequence(engine, {kOpenByDescription, kKind});
    EXPECT_EQ(engine.Fields().m_strStatus, "USB not responding (0x41)");
    const std::string reopened = sim.Calls();
    EXPECT_NE(reopened.find("FT_Close()", reopened.find("FT_Read")), std::string::npos) << reopened;
}

}  // namespace
