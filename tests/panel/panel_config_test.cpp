// Save Config., Load Config. and Apply: real files in a temporary folder, and
// the upload as the simulated controller received it.
#include <sys/stat.h>

#include <QComboBox>
#include <QSlider>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "panel_fixture.h"
#include "small_tmpfs.h"

using namespace ferrule;

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class PanelConfig : public PanelTest {
protected:
    void SetUp() override { StartReady(); }
    void Save(const std::string& path) {
        panel->paths = {path};
        Click(kCtlSaveConfig);
    }
    void Load(const std::string& path) {
        panel->paths = {path};
        Click(kCtlLoadConfig);
    }
    static std::string Contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void WriteFile(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    // Lets the controller answer, a poll every 5 ms.
    void Settle(int polls = 20) {
        for (int i = 0; i < polls; ++i) {
            PollAfter(5000);
        }
    }
    // The panel's settings as the controller now reports them.
    void Status() {
        Click(kCtlStatus);
        Settle();
    }
};

TEST_F(PanelConfig, TheDialogsFiltersAndExtension) {
    panel->paths = {"", ""};
    Click(kCtlSaveConfig);
    Click(kCtlLoadConfig);
    ASSERT_EQ(panel->prompts.size(), 2u);
    EXPECT_FALSE(panel->prompts[0].open);
    EXPECT_EQ(panel->prompts[0].filter,
              "Quillon Config (*.cfg) | *.cfg | All Files (*.*) | *.* ||");
    EXPECT_TRUE(panel->prompts[1].open);
    EXPECT_EQ(panel->prompts[1].filter, "Quillon Config (*.cfg)|*.cfg|All Files (*.*)|*.*||");
    EXPECT_EQ(panel->prompts[1].extension, ".cfg");
    EXPECT_THAT(Messages(), IsEmpty());
}

// The example configuration, saved from the panel byte for byte, and loaded
// back into a panel that was changed meanwhile.
TEST_F(PanelConfig, SaveAndLoadTheExampleConfiguration) {
    Click(kCtlShutterClose);
    Click(kCtlModeFast);
    Click(kCtlLowForOpen);
    State().m_strClosedTime = {"1", "2", "3", "456", "7"};
    State().m_strExposureTime = {"", "", "30", "250", "5"};
    panel->m_comboTimer->setCurrentIndex(0);
    SetText(kCtlRepeatCount, "10");
    SetText(kCtlMinute, "59");  // an edit never sent: not saved
    const std::string path = dir.File("bench.cfg");
    WriteFile(path, "an older file");
    Save(path);
    EXPECT_EQ(Contents(path).size(), 41u);
    EXPECT_EQ(Contents(path).substr(0, 12), std::string("\x01"
                                                        "1\x01"
                                                        "0\x01"
                                                        "0\x01"
                                                        "0\x01"
                                                        "1\x01"
                                                        "0"));

    Click(kCtlShutterOpen);
    Click(kCtlModeSoft);
    Click(kCtlTriggerPulse);
    Click(kCtlSyncPulse);
    Click(kCtlGo);
    SetText(kCtlRepeatCount, "99");
    State().m_strClosedTime = {};
    Load(path);
    EXPECT_TRUE(Checked(kCtlShutterClose));
    EXPECT_TRUE(Checked(kCtlModeFast));
    EXPECT_TRUE(Checked(kCtlTriggerPulse));
    EXPECT_TRUE(Checked(kCtlEnableOnHigh));
    EXPECT_TRUE(Checked(kCtlSyncPulse));
    EXPECT_TRUE(Checked(kCtlLowForOpen));
    EXPECT_FALSE(Checked(kCtlGo));
    EXPECT_EQ(panel->m_comboTimer->currentText(), "Closed Time");
    EXPECT_THAT(TimerFields(), ElementsAre("1", "2", "3", "456", "7"));
    EXPECT_EQ(panel->m_sliderMillisecond->value(), 456);
    EXPECT_EQ(Text(kCtlClosedTimeDisplay), "01:02:03:456:7");
    EXPECT_EQ(Text(kCtlExposureTimeDisplay), "00:00:30:250:5");
    EXPECT_EQ(Text(kCtlCycleTimeDisplay), "Cycle Time - 01:02:33:731:2");
    EXPECT_EQ(Text(kCtlClosingTransition), "12 ms");
    EXPECT_EQ(Text(kCtlRepeatCount), "10");
    EXPECT_EQ(Text(kCtlCyclesLeft), "10");
    EXPECT_THAT(Messages(), IsEmpty());
    EXPECT_THAT(Written(), ElementsAre(0xAC, 0xDC, 0xFA, 0xB2, 0xAA, 0xDD, 0xFA, 0xA0, 0xFA, 0xB0,
                                       0xFA, 0xF3));
}

TEST_F(PanelConfig, LoadedTextsAreTakenAsTheyAre) {
    // Mode -1, exposure timer selected, Go, "Continuous", an unreadable hours text.
    ferrule::ConfigRecords records = {"0", "-1", "0", "-1", "-1", "1", "", "",  "",
                                      "",  "",   "x", "",   "5",  "",  "", "2", "Continuous"};
    WriteFile(dir.File("odd.cfg"), ferrule::EncodeConfigFile(records));
    Load(dir.File("odd.cfg"));
    EXPECT_EQ(panel->m_comboTimer->currentText(), "Exposure Time");
    EXPECT_THAT(TimerFields(), ElementsAre("x", "", "5", "", ""));
    EXPECT_EQ(Text(kCtlModeNd), "Neutral Density ");  // a mode of -1 leaves the captions
    EXPECT_EQ(Text(kCtlCycleTimeDisplay), "Cycle Time - 00:00:05:024:0");
    EXPECT_TRUE(Checked(kCtlGo));
    EXPECT_FALSE(Checked(kCtlOnPowerUp) || Checked(kCtlOnTriggerPulse));
    EXPECT_FALSE(Checked(kCtlTriggerPulse) || Checked(kCtlSyncPulse));
    EXPECT_EQ(Text(kCtlCyclesLeft), "Continuous");
}

// A damaged file changes nothing at all, stored times included.
TEST_F(PanelConfig, ADamagedFileChangesNothing) {
    State().m_strClosedTime = {"1", "", "", "", ""};
    Click(kCtlShutterOpen);
    const std::string path = dir.File("short.cfg");
    WriteFile(path, std::string("\x01"
                                "1\x01"
                                "0\x02",
                                5));
    Load(path);
    EXPECT_THAT(Messages(),
                ElementsAre("An attempt was made to access an unnamed file past its end."));
    EXPECT_EQ(panel->messages[0].type, kMbOk | kMbIconStop);
    EXPECT_EQ(State().m_strClosedTime[0], "1");
    EXPECT_TRUE(Checked(kCtlShutterOpen));  // the file's first record says Close
    EXPECT_EQ(Text(kCtlClosedTimeDisplay), "00:00:00:000:0");
}

// A save that cannot be made says why and leaves what was there.
TEST_F(PanelConfig, FailedSavesAndLoadsAreReported) {
    std::filesystem::create_directory(dir.File("folder.cfg"));
    Save(dir.File("folder.cfg"));
    Save("/proc/ferrule-test.cfg");
    Load(dir.File("missing.cfg"));
    ASSERT_EQ(panel->messages.size(), 3u);
    EXPECT_THAT(panel->messages[0].text, ::testing::HasSubstr(dir.File("folder.cfg")));
    EXPECT_THAT(panel->messages[1].text, ::testing::HasSubstr("/proc/ferrule-test.cfg"));
    EXPECT_THAT(panel->messages[2].text, ::testing::HasSubstr(dir.File("missing.cfg")));
    for (const ShownMessage& m : panel->messages) {
        EXPECT_EQ(m.caption, "Warning");
        EXPECT_EQ(m.type, kMbOk | kMbIconExclamation);
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder.cfg")));
}

TEST_F(PanelConfig, ApplyUploadsAtTheControllersPace) {
    State().m_strClosedTime = {"", "", "1", "", ""};
    Click(kCtlShutterClose);
    panel->Fields().m_strRepeatCount = "3";
    panel->Fields().m_nFreeRunOption = 2;
    panel->Fields().m_nTriggerMode = -1;
    panel->Fields().m_nSyncLevel = -1;
    panel->UpdateData(false);
    Settle();
    sim.fsim_clear_written(0);
    Click(kCtlModeFast);  // Fast, and its echo
    Settle();
    sim.fsim_clear_written(0);
    panel->Fields().m_nShutterMode = 0;
    Click(kCtlApply);
    Settle();
    EXPECT_THAT(Written(), ElementsAre(0xAC, 0xDC, 0xFA, 0xA0, 0xFA, 0xB0, 0xFA, 0x10, 0x00, 0x01,
                                       0x00, 0x00, 0xFA, 0x20, 0x00, 0x00, 0x00, 0x00, 0xFA, 0xF0,
                                       0x00, 0x03, 0xFA, 0xF3));
    EXPECT_EQ(State().m_nApplyEchoCount, -1);
    EXPECT_EQ(State().m_nFreeRunCountEdge, 1);
}

// Each upload step reads the panel in the middle of a batch, after bytes of
// that batch were counted; the count keeps them.
TEST_F(PanelConfig, EveryByteOfAnUploadIsCounted) {
    State().m_strClosedTime = {"", "", "1", "", ""};
    Click(kCtlShutterClose);
    panel->Fields().m_strRepeatCount = "3";
    panel->Fields().m_nFreeRunOption = 0;
    panel->Fields().m_nShutterMode = 0;
    panel->UpdateData(false);
    Settle();
    Click(kCtlClear);
    Click(kCtlApply);
    Settle();
    ASSERT_EQ(State().m_nApplyEchoCount, -1);
    const size_t lines = LogLines().size();
    EXPECT_GT(lines, 20u);
    EXPECT_EQ(panel->Fields().m_nReceivedBytes, static_cast<int>(lines));
    EXPECT_EQ(Text(kCtlReceivedBytes), std::to_string(lines));
}

// No mode: Apply's byte alone, every later byte counted and listed; Apply
// again restarts from the first byte.
TEST_F(PanelConfig, ApplyWithoutAModeStallsUntilAppliedAgain) {
    Click(kCtlShutterClose);
    panel->Fields().m_nShutterMode = -1;
    panel->UpdateData(false);
    Settle();
    Click(kCtlClear);
    sim.fsim_clear_written(0);
    Click(kCtlApply);
    Settle();
    Inject({0xAA, 0xFD});
    Settle();
    EXPECT_THAT(Written(), ElementsAre(0xAC));
    EXPECT_EQ(State().m_nApplyEchoCount, 4);
    EXPECT_THAT(LogLines(), ElementsAre("172  0xAC", "172  0xAC", "170  0xAA", "253  0xFD"));
    EXPECT_TRUE(Checked(kCtlShutterClose));  // the upload took the 0xAA

    Click(kCtlModeSoft);  // Soft goes out on its own, its echo counted by the stalled upload
    Settle();
    sim.fsim_clear_written(0);
    Click(kCtlApply);
    EXPECT_EQ(State().m_nApplyEchoCount, 0);
    EXPECT_EQ(State().m_nApplyNextAt, 2);
    Settle();
    EXPECT_THAT(Written(), ::testing::Contains(0xDD));
    EXPECT_EQ(State().m_nApplyEchoCount, -1);
}

// Save, restore the controller's defaults, load, Apply: the controller then
// reports exactly the loaded configuration, in each mode.
TEST_F(PanelConfig, ALoadedConfigurationReachesTheController) {
    struct Mode {
        int click;
        const char* steps;
    };
    for (Mode mode :
         {Mode{kCtlModeFast, nullptr}, Mode{kCtlModeSoft, nullptr}, Mode{kCtlModeNd, "18"}}) {
        SCOPED_TRACE(mode.click);
        State().m_strClosedTime = {"0", "1", "2", "345", "6"};
        State().m_strExposureTime = {"1", "0", "0", "7", "0"};
        panel->Fields().m_nShutter = 1;
        panel->Fields().m_nShutterMode = mode.click - kCtlModeFast;
        panel->Fields().m_nNdSteps = mode.steps ? 18 : 0;
        panel->Fields().m_nTriggerMode = 3;
        panel->Fields().m_nSyncLevel = 0;
        panel->Fields().m_nTimerSelect = 0;
        panel->Fields().m_nFreeRunOption = 0;
        panel->Fields().m_strRepeatCount = "77";
        panel->UpdateData(false);
        const std::string path = dir.File("mode.cfg");
        Save(path);

        panel->answers = {kIdOk};
        Click(kCtlRestoreDefault);
        Settle();
        ASSERT_EQ(Text(kCtlRepeatCount), "1");  // the factory settings are showing

        Load(path);
        Click(kCtlApply);
        Settle(40);
        Status();
        EXPECT_TRUE(Checked(mode.click));
        EXPECT_EQ(panel->Fields().m_nNdSteps, mode.steps ? 18 : panel->Fields().m_nNdSteps);
        EXPECT_TRUE(Checked(kCtlTriggerOnFallingEdge));
        EXPECT_TRUE(Checked(kCtlHighForOpen));
        EXPECT_TRUE(Checked(kCtlOnPowerUp));
        EXPECT_EQ(Text(kCtlRepeatCount), "77");
        EXPECT_EQ(State().m_strClosedTime, (ferrule::TimeText{"0", "1", "2", "345", "6"}));
        EXPECT_EQ(State().m_strExposureTime, (ferrule::TimeText{"1", "0", "0", "7", "0"}));
        EXPECT_EQ(Text(kCtlClosedTimeDisplay), "00 : 01 : 02 : 345 : 6");
    }
}

// A full disk: the old file stays byte for byte and the warning says why.
TEST_F(PanelConfig, SaveOnAFullDiskKeepsTheOldFileAndSaysWhy) {
    SmallTmpfs disk;
    if (!disk.Mounted()) {
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    }
    const std::string path = disk.File("bench.cfg");
    WriteFile(path, "the configuration of yesterday");
    disk.Fill();
    panel->Fields().m_strRepeatCount = std::string(5000, '9');
    panel->UpdateData(false);
    Save(path);
    EXPECT_EQ(Contents(path), "the configuration of yesterday");
    ASSERT_EQ(panel->messages.size(), 1u);
    EXPECT_THAT(panel->messages[0].text, ::testing::HasSubstr(path));
    EXPECT_THAT(panel->messages[0].text, ::testing::HasSubstr("No space left on device"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(disk.File("")), {}), 2);
}

// A FIFO would block the panel until someone wrote to it, /dev/zero would
// fill the memory: neither is read, and the box says why.
TEST_F(PanelConfig, LoadReadsRegularFilesOnly) {
    ASSERT_EQ(mkfifo(dir.File("fifo.cfg").c_str(), 0600), 0);
    Load(dir.File("fifo.cfg"));
    Load("/dev/zero");
    WriteFile(dir.File("huge.cfg"), std::string((1 << 20) + 1, '\x01'));
    Load(dir.File("huge.cfg"));
    ASSERT_EQ(panel->messages.size(), 3u);
    EXPECT_THAT(panel->messages[0].text, ::testing::HasSubstr("It is not a regular file."));
    EXPECT_THAT(panel->messages[1].text, ::testing::HasSubstr("/dev/zero"));
    EXPECT_THAT(panel->messages[2].text, ::testing::HasSubstr("too large"));
}

// A stored time no timer message can carry stops Apply before anything goes
// out; one that turns bad while the upload runs ends the upload there.
TEST_F(PanelConfig, ApplyNeverSendsATimeTheMessageCannotCarry) {
    Settle();
    sim.fsim_clear_written(0);
    State().m_strExposureTime = {"-1", "-1", "abc", "", "-9"};
    Click(kCtlApply);
    Settle();
    EXPECT_THAT(Written(), IsEmpty());
    EXPECT_THAT(Messages(), ElementsAre("The exposure time cannot be sent to the controller: its "
                                        "hours must be 0 to 15."));
    EXPECT_EQ(State().m_nApplyEchoCount, -1);

    State().m_strExposureTime = {};
    Click(kCtlApply);
    State().m_strClosedTime = {"", "", "", "1500", ""};  // as a reply out of range could leave it
    Settle();
    EXPECT_EQ(State().m_nApplyEchoCount, -1);
    for (size_t i = 0; i + 1 < Written().size(); ++i) {
        EXPECT_FALSE(Written()[i] == 0xFA && Written()[i + 1] == 0x10) << "closed timer sent";
    }
    EXPECT_THAT(LogLines(), Contains("Apply stopped: The closed time cannot be sent to the "
                                     "controller: its milliseconds must be 0 to 999."));
}

// Apply twice, STOP and Get Controller Info in quick succession: STOP ends
// the upload, so no free run starts and the information reply is shown.
TEST_F(PanelConfig, AnotherCommandEndsAnUploadUnderWay) {
    panel->Fields().m_strRepeatCount = "5";
    panel->Fields().m_nFreeRunOption = 2;
    panel->UpdateData(false);
    Settle();
    sim.fsim_clear_written(0);
    Click(kCtlApply);
    Click(kCtlApply);
    Click(kCtlStop);
    Click(kCtlGetControllerInfo);
    Settle(40);
    EXPECT_THAT(Written(), ElementsAre(0xAC, 0xAC, 0xBF, 0xFD));
    EXPECT_EQ(State().m_nApplyEchoCount, -1);
    EXPECT_EQ(State().m_nFreeRunCountMode, 0);
    EXPECT_THAT(LogLines(), Contains("QSC-1000"));
    EXPECT_THAT(LogLines(), Contains("V2.0"));
}

// A stalled upload is given up after a second without a byte, and the link
// test's bytes that follow are counted and listed as usual.
TEST_F(PanelConfig, AnUploadTheControllerStoppedAnsweringIsGivenUp) {
    panel->Fields().m_nShutterMode = -1;  // no mode: the upload stalls after its first byte
    panel->UpdateData(false);
    Settle();
    panel->nowMs = 0;
    Click(kCtlApply);
    Settle();
    ASSERT_EQ(State().m_nApplyEchoCount, 2);
    panel->nowMs = 999;
    Settle(1);
    EXPECT_EQ(State().m_nApplyEchoCount, 2);
    panel->nowMs = 1999;
    Settle(1);
    EXPECT_EQ(State().m_nApplyEchoCount, -1);
    EXPECT_EQ(LogLines().back(), "Apply stopped: the controller did not answer for a second.");

    Click(kCtlClear);
    Inject({0x40, 0x41});
    Settle();
    EXPECT_EQ(Text(kCtlReceivedBytes), "2");
    EXPECT_THAT(LogLines(), ElementsAre("64  0x40", "65  0x41"));
}

// Opening the link again drops an upload, a status reply and an information
// reply that the old link left armed.
TEST_F(PanelConfig, OpeningTheLinkAgainDropsWhatTheOldLinkAwaited) {
    sim.fsim_set_silent(0, 1);
    Click(kCtlStatus);
    Click(kCtlApply);
    Inject({0xFD});
    sim.fsim_set_silent(0, 0);
    State().m_nInfoReplyCount = 3;
    Click(kCtlOpen);
    EXPECT_EQ(Text(kCtlStatusLine), "USB ready for communication.");
    EXPECT_EQ(State().m_nStatusReplyCount, -1);
    EXPECT_EQ(State().m_nApplyEchoCount, -1);
    EXPECT_EQ(State().m_nInfoReplyCount, -1);
}
