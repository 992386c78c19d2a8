// Opening the remembered device at start-up and with Open: every path to the
// status line, against the simulated controller.
#include <algorithm>

#include "panel_fixture.h"

using namespace ferrule;

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using PanelOpening = PanelTest;

TEST_F(PanelOpening, StartUpCallsTheDriverInOrderWithTheLinkSettings) {
    RememberDevice(0, kDescription);
    sim.fsim_record_calls(1);
    Start();
    EXPECT_THAT(CallLines(),
                ElementsAre("FT_ListDevices(NUMBER_ONLY)", "FT_ListDevices(ALL|BY_DESCRIPTION)",
                            "FT_ListDevices(BY_INDEX|BY_SERIAL_NUMBER,0)",
                            "FT_OpenEx(\"Quillon Shutter Controller\",2)", "FT_ResetDevice()",
                            "FT_SetTimeouts(3000,3000)", "FT_Purge(1)", "FT_SetLatencyTimer(2)",
                            "FT_SetBaudRate(128000)", "FT_SetUSBParameters(64,0)", "FT_Write(1)",
                            "FT_Read(2)", "FT_SetTimeouts(100,100)"));
    EXPECT_EQ(Written(), Bytes({0xEE}));
    EXPECT_EQ(Status(), "USB ready for communication.");
    EXPECT_TRUE(panel->Engine().LinkReady());
    for (int id : {kCtlBlinkLeds, kCtlBlinkOff, kCtlSpeed, kCtlOpen, kCtlExit}) {
        EXPECT_TRUE(Enabled(id)) << id;
    }
    EXPECT_THAT(Messages(), IsEmpty());
}

TEST_F(PanelOpening, FirstStartWithEmptyProfileRefusesThePlaceholder) {
    Start();
    EXPECT_THAT(Messages(), ElementsAre("You must enter a Device Description or Serial Number."));
    EXPECT_EQ(Status(), "USB not responding");
    EXPECT_FALSE(panel->Engine().LinkReady());
    EXPECT_TRUE(Checked(kCtlOpenByDescription));
    EXPECT_EQ(Text(kCtlDevice), "Enter device Description or Serial Number here.");
    EXPECT_TRUE(Enabled(kCtlOpen));
    EXPECT_FALSE(Enabled(kCtlBlinkLeds));
    EXPECT_FALSE(Enabled(kCtlBlinkOff));
    EXPECT_FALSE(Enabled(kCtlSpeed));
}

TEST_F(PanelOpening, OpeningByDescriptionRemembersTheDevicesSerialAndNumber) {
    sim.fsim_clear_devices();
    sim.fsim_add_device("Other", "OTH1");
    sim.fsim_add_device(kDescription, kSerial);
    RememberDevice(0, kDescription);
    Start();
    EXPECT_EQ(Status(), "USB ready for communication.");
    EXPECT_EQ(profile.GetString("MyFerruleAp", "SerialString", ""), kSerial);
    EXPECT_EQ(profile.GetString("MyFerruleAp", "DevNmbr", ""), "1");
    EXPECT_TRUE(Written(0).empty());
    EXPECT_EQ(Written(1), Bytes({0xEE}));
}

TEST_F(PanelOpening, OpeningBySerialRemembersTheDescription) {
    RememberDevice(1, kSerial);
    Start();
    EXPECT_EQ(Status(), "USB ready for communication.");
    EXPECT_TRUE(Checked(kCtlOpenBySerialNumber));
    EXPECT_EQ(profile.GetString("MyFerruleAp", "DescString", ""), kDescription);
    // Device 0 matched and the placeholder reads as 0: the number is left alone.
    EXPECT_EQ(profile.GetString("MyFerruleAp", "DevNmbr", "absent"), "absent");
}

TEST_F(PanelOpening, UnknownDescriptionOrSerialIsNotRespondingWithoutAMessage) {
    RememberDevice(0, "Some other shutter");
    Start();
    EXPECT_EQ(Status(), "USB not responding");
    EXPECT_THAT(Messages(), IsEmpty());
    // The simulated controller's library cannot tell why: nothing is logged.
    EXPECT_THAT(LogLines(), IsEmpty());
    EXPECT_EQ(profile.GetString("MyFerruleAp", "SerialString", "absent"), "absent");
}

TEST_F(PanelOpening, DeviceNumbersAcceptedAndRefused) {
    sim.fsim_clear_devices();
    for (int i = 0; i < 8; ++i) {
        const std::string number = std::to_string(i);
        sim.fsim_add_device(std::string("Shutter ").append(number).c_str(),
                            std::string("S").append(number).c_str());
    }
    struct Case {
        const char* text;
        const char* openCall;  // nullptr: refused with the device-number message
    };
    const Case cases[] = {{"", "FT_Open(0)"},   {"7", "FT_Open(7)"}, {"64", "FT_Open(64)"},
                          {" 3", "FT_Open(3)"}, {"x", "FT_Open(0)"}, {"65", nullptr},
                          {"100", nullptr},     {"-1", nullptr},     {"abc", nullptr}};
    RememberDevice(2, "0");
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        panel->messages.clear();
        sim.fsim_record_calls(1);
        SetText(kCtlDevice, c.text);
        Click(kCtlOpen);
        std::vector<std::string> calls = CallLines();
        if (c.openCall != nullptr) {
            EXPECT_NE(std::find(calls.begin(), calls.end(), c.openCall), calls.end());
            EXPECT_THAT(Messages(), IsEmpty());
        } else {
            EXPECT_THAT(
                Messages(),
                ElementsAre("Select a method to open or enter a valid device number (0-64)."));
            EXPECT_EQ(Status(), "Could not open USB");
        }
        sim.fsim_record_calls(0);
    }
    // "64" names no attached device: not found, no message.
    SetText(kCtlDevice, "64");
    Click(kCtlOpen);
    EXPECT_EQ(Status(), "Could not open USB");
    SetText(kCtlDevice, "7");
    Click(kCtlOpen);
    EXPECT_EQ(Status(), "USB ready for communication.");
}

TEST_F(PanelOpening, SilentControllerLeavesTheDeviceOpenAndThePanelUsable) {
    RememberDevice(0, kDescription);
    sim.fsim_set_probe_reply(0, FSIM_PROBE_SILENT, 0);
    uint64_t before = sim.fsim_now_us();
    sim.fsim_record_calls(1);
    Start();
    // Two reads, each waiting out its 3 s time-out; nothing came, so no byte is shown.
    EXPECT_GE(sim.fsim_now_us() - before, 6'000'000u);
    EXPECT_EQ(Status(), "No response from USB");
    EXPECT_FALSE(panel->Engine().LinkReady());
    EXPECT_TRUE(Enabled(kCtlOpen));
    std::vector<std::string> calls = CallLines();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "FT_Read(2)"), 2);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "FT_Close()"), 0);

    // Open closes it first, and closes it again after its own failed probe.
    sim.fsim_clear_calls();
    Click(kCtlOpen);
    EXPECT_EQ(Status(), "USB not responding");
    calls = CallLines();
    EXPECT_EQ(calls.front(), "FT_Close()");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "FT_Close()"), 2);
    EXPECT_EQ(calls.back(), "FT_SetTimeouts(100,100)");
}

TEST_F(PanelOpening, WrongFirstByteIsShownInUpperCaseHex) {
    RememberDevice(0, kDescription);
    sim.fsim_set_probe_reply(0, FSIM_PROBE_OTHER, 0x41);
    Start();
    EXPECT_EQ(Status(), "No response from USB (0x41)");
    Click(kCtlOpen);
    EXPECT_EQ(Status(), "USB not responding (0x41)");
    EXPECT_FALSE(panel->Engine().LinkReady());

    sim.fsim_set_probe_reply(0, FSIM_PROBE_ECHO, 0);
    Click(kCtlOpen);
    EXPECT_EQ(Status(), "USB ready for communication.");
    EXPECT_TRUE(panel->Engine().LinkReady());
    EXPECT_TRUE(Enabled(kCtlBlinkLeds));
}

TEST_F(PanelOpening, OpenShowsResetWhileItRunsAndNeverReusesTheClosedHandle) {
    RememberDevice(0, kDescription);
    Start();
    // The status line is painted with "-reset-" before the device is closed.
    std::vector<std::string> seen;
    QObject::connect(static_cast<QLineEdit*>(Control(kCtlStatusLine)), &QLineEdit::textChanged,
                     [&](const QString& text) { seen.push_back(text.toStdString()); });
    sim.fsim_record_calls(1);
    Click(kCtlOpen);
    EXPECT_THAT(seen, ElementsAre("-reset-", "USB ready for communication."));

    // A failed reopen leaves no handle behind: the next poll's query fails.
    sim.fsim_clear_devices();
    Click(kCtlOpen);
    EXPECT_EQ(Status(), "Could not open USB");
    panel->Engine().SetLinkReady(true);  // as if a stale flag remained
    panel->Poll();
    EXPECT_EQ(Status(), "USB not open.");
}
