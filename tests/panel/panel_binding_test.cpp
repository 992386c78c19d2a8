// Binding the driver library at start-up, with the real simulator library and
// its variants that each lack one entry point.
#include <dlfcn.h>

#include "panel_fixture.h"

using namespace ferrule;

using ::testing::ElementsAre;

using PanelBinding = PanelTest;

TEST_F(PanelBinding, MissingLibraryShowsLoadMessageThenOneMessagePerWrapperCall) {
    RememberDevice(2, "0");
    TestPanel& p = Start("/nonexistent/libnothing.so");

    EXPECT_THAT(Messages(), ElementsAre("Error: Can't Load /nonexistent/libnothing.so",
                                        "FT_ListDevices is not valid!",  // device count
                                        "FT_ListDevices is not valid!",  // description of device 0
                                        "FT_ListDevices is not valid!",  // its serial number
                                        "FT_Open is not valid!", "FT_SetTimeouts is not valid!"));
    for (const ShownMessage& m : p.messages) {
        EXPECT_EQ(m.caption, "ferrule");
        EXPECT_EQ(m.type, kMbOk | kMbIconExclamation);
    }
    EXPECT_EQ(Status(), "USB not responding");
    EXPECT_TRUE(Enabled(kCtlOpen));
    EXPECT_FALSE(Enabled(kCtlBlinkLeds));

    // The panel stays usable: Search reports through the wrappers again.
    p.messages.clear();
    Click(kCtlSearch);
    EXPECT_THAT(Messages(), ElementsAre("FT_Close is not valid!", "FT_ListDevices is not valid!",
                                        "FT_ListDevices failed"));
    EXPECT_EQ(Status(), "USB Closed.");
}

TEST_F(PanelBinding, MissingVendorLibraryFallsBackWithoutAMessage) {
    void* vendor = dlopen("libftd2xx.so", RTLD_NOW | RTLD_LOCAL);
    if (vendor != nullptr) {
        dlclose(vendor);
        GTEST_SKIP() << "this machine has libftd2xx.so";
    }
    RememberDevice(0, kDescription);
    panel = std::make_unique<TestPanel>(
        PanelOptions{"libftd2xx.so", profile.Path(), "ferrule", {FSIM_LIBRARY_PATH}});
    panel->show();
    EXPECT_THAT(Messages(), ::testing::IsEmpty());
    EXPECT_EQ(Status(), "USB ready for communication.");
    EXPECT_EQ(panel->Engine().Driver().LoadedPath(), FSIM_LIBRARY_PATH);
}

TEST_F(PanelBinding, NoCandidateLoadingNamesTheFirstOnceThenTheWrappersSpeak) {
    RememberDevice(2, "0");
    panel = std::make_unique<TestPanel>(PanelOptions{
        "/nonexistent/libftd2xx.so", profile.Path(), "ferrule", {"/nonexistent/libftty.so"}});
    panel->show();
    EXPECT_THAT(
        Messages(),
        ElementsAre("Error: Can't Load /nonexistent/libftd2xx.so", "FT_ListDevices is not valid!",
                    "FT_ListDevices is not valid!", "FT_ListDevices is not valid!",
                    "FT_Open is not valid!", "FT_SetTimeouts is not valid!"));
    EXPECT_EQ(panel->Engine().Driver().LoadedPath(), "");
}

TEST_F(PanelBinding, MissingEntryPointLeavesItAndLaterOnesUnresolved) {
    RememberDevice(0, kDescription);
    SimLibrary variant(Variant("FT_SetTimeouts"));
    Start(Variant("FT_SetTimeouts"));

    EXPECT_THAT(Messages(),
                ElementsAre("Error: Can't Find FT_SetTimeouts",
                            "FT_SetTimeouts is not valid!",  // 3000/3000
                            "FT_SetLatencyTimer is not valid!", "FT_SetBaudRate is not valid!",
                            "FT_SetUSBParameters is not valid!",
                            "FT_SetTimeouts is not valid!"));  // 100/100
    // Entries before the missing one work: the device was opened, purged and probed.
    EXPECT_EQ(Status(), "USB ready for communication.");
    EXPECT_EQ(variant.fsim_written(0, nullptr, 0), 1u);
}

TEST_F(PanelBinding, EntryPointNothingCallsIsStillRequired) {
    RememberDevice(0, kDescription);
    Start(Variant("FT_SetFlowControl"));
    EXPECT_THAT(Messages(), ElementsAre("Error: Can't Find FT_SetFlowControl"));
    EXPECT_EQ(Status(), "USB ready for communication.");
}

TEST_F(PanelBinding, MissingFirstEntryPointLeavesTheWholeTableUnresolved) {
    RememberDevice(0, kDescription);
    Start(Variant("FT_Write"));
    EXPECT_EQ(Messages().front(), "Error: Can't Find FT_Write");
    EXPECT_EQ(Messages().back(), "FT_SetTimeouts is not valid!");
    EXPECT_EQ(Status(), "USB not responding");
    EXPECT_EQ(sim.fsim_written(0, nullptr, 0), 0u);
}

TEST_F(PanelBinding, LibraryIsReleasedOnceAtExit) {
    RememberDevice(0, kDescription);
    sim.fsim_record_calls(1);
    TestPanel& p = Start();
    ASSERT_TRUE(p.Engine().Driver().IsLoaded());
    p.ExitSequence();
    EXPECT_FALSE(p.Engine().Driver().IsLoaded());
    EXPECT_EQ(p.ExitCode(), 0);
    EXPECT_FALSE(p.isVisible());
    // The device was not closed before the release.
    for (const std::string& call : CallLines()) {
        EXPECT_NE(call, "FT_Close()");
    }
}
