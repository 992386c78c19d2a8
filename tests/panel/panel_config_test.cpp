// Save Config., Load Config. and Apply: real files in a temporary folder, and
// the upload as the simulated controller received it.
#include <QComboBox>
#include <QSlider>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "panel_fixture.h"
#include "timing/stored_times.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class PanelConfig : public PanelTest {
protected:
    void SetUp() override { StartReady(); }
    void Save(const std::string& path) {
        panel->paths = {path};
        Click(1045);
    }
    void Load(const std::string& path) {
        panel->paths = {path};
        Click(1047);
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
        Click(1043);
        Settle();
    }
};

TEST_F(PanelConfig, TheDialogsFiltersAndExtension) {
    panel->paths = {"", ""};
    Click(1045);
    Click(1047);
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
    Click(1066);
    Click(1055);
    Click(1062);
    g_strClosedTime = {"1", "2", "3", "456", "7"};
    g_strExposureTime = {"", "", "30", "250", "5"};
    panel->m_comboTimer->setCurrentIndex(0);
    SetText(1083, "10");
    SetText(1080, "59");  // an edit never sent: not saved
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

    Click(1065);
    Click(1056);
    Click(1087);
    Click(1088);
    Click(1068);
    SetText(1083, "99");
    g_strClosedTime = {};
    Load(path);
    EXPECT_TRUE(Checked(1066));
    EXPECT_TRUE(Checked(1055));
    EXPECT_TRUE(Checked(1087));
    EXPECT_TRUE(Checked(1058));
    EXPECT_TRUE(Checked(1088));
    EXPECT_TRUE(Checked(1062));
    EXPECT_FALSE(Checked(1068));
    EXPECT_EQ(panel->m_comboTimer->currentText(), "Closed Time");
    EXPECT_THAT(TimerFields(), ElementsAre("1", "2", "3", "456", "7"));
    EXPECT_EQ(panel->m_sliderMillisecond->value(), 456);
    EXPECT_EQ(Text(1103), "01:02:03:456:7");
    EXPECT_EQ(Text(1104), "00:00:30:250:5");
    EXPECT_EQ(Text(1105), "Cycle Time - 01:02:33:731:2");
    EXPECT_EQ(Text(1099), "12 ms");
    EXPECT_EQ(Text(1083), "10");
    EXPECT_EQ(Text(1084), "10");
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
    EXPECT_EQ(Text(1057), "Neutral Density ");  // a mode of -1 leaves the captions
    EXPECT_EQ(Text(1105), "Cycle Time - 00:00:05:024:0");
    EXPECT_TRUE(Checked(1068));
    EXPECT_FALSE(Checked(1063) || Checked(1064));
    EXPECT_FALSE(Checked(1087) || Checked(1088));
    EXPECT_EQ(Text(1084), "Continuous");
}

// A damaged file changes nothing at all, stored times included.
TEST_F(PanelConfig, ADamagedFileChangesNothing) {
    g_strClosedTime = {"1", "", "", "", ""};
    Click(1065);
    const std::string path = dir.File("short.cfg");
    WriteFile(path, std::string("\x01"
                                "1\x01"
                                "0\x02",
                                5));
    Load(path);
    EXPECT_THAT(Messages(),
                ElementsAre("An attempt was made to access an unnamed file past its end."));
    EXPECT_EQ(panel->messages[0].type, kMbOk | kMbIconStop);
    EXPECT_EQ(g_strClosedTime[0], "1");
    EXPECT_TRUE(Checked(1065));  // the file's first record says Close
    EXPECT_EQ(Text(1103), "00:00:00:000:0");
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
    g_strClosedTime = {"", "", "1", "", ""};
    Click(1066);
    panel->m_strRepeatCount = "3";
    panel->m_nFreeRunOption = 2;
    panel->m_nTriggerMode = -1;
    panel->m_nSyncLevel = -1;
    panel->UpdateData(false);
    Settle();
    sim.fsim_clear_written(0);
    Click(1055);  // Fast, and its echo
    Settle();
    sim.fsim_clear_written(0);
    panel->m_nShutterMode = 0;
    Click(1048);
    Settle();
    EXPECT_THAT(Written(), ElementsAre(0xAC, 0xDC, 0xFA, 0xA0, 0xFA, 0xB0, 0xFA, 0x10, 0x00, 0x01,
                                       0x00, 0x00, 0xFA, 0x20, 0x00, 0x00, 0x00, 0x00, 0xFA, 0xF0,
                                       0x00, 0x03, 0xFA, 0xF3));
    EXPECT_EQ(g_nApplyEchoCount, -1);
    EXPECT_EQ(g_nFreeRunCountEdge, 1);
}

// No mode: Apply's byte alone, every later byte counted and listed; Apply
// again restarts from the first byte.
TEST_F(PanelConfig, ApplyWithoutAModeStallsUntilAppliedAgain) {
    Click(1066);
    panel->m_nShutterMode = -1;
    panel->UpdateData(false);
    Settle();
    Click(1023);
    sim.fsim_clear_written(0);
    Click(1048);
    Settle();
    Inject({0xAA, 0xFD});
    Settle();
    EXPECT_THAT(Written(), ElementsAre(0xAC));
    EXPECT_EQ(g_nApplyEchoCount, 4);
    EXPECT_THAT(LogLines(), ElementsAre("172  0xAC", "172  0xAC", "170  0xAA", "253  0xFD"));
    EXPECT_TRUE(Checked(1066));  // the upload took the 0xAA

    Click(1056);  // Soft goes out on its own, its echo counted by the stalled upload
    Settle();
    sim.fsim_clear_written(0);
    Click(1048);
    EXPECT_EQ(g_nApplyEchoCount, 0);
    EXPECT_EQ(g_nApplyNextAt, 2);
    Settle();
    EXPECT_THAT(Written(), ::testing::Contains(0xDD));
    EXPECT_EQ(g_nApplyEchoCount, -1);
}

// Save, restore the controller's defaults, load, Apply: the controller then
// reports exactly the loaded configuration, in each mode.
TEST_F(PanelConfig, ALoadedConfigurationReachesTheController) {
    struct Mode {
        int click;
        const char* steps;
    };
    for (Mode mode : {Mode{1055, nullptr}, Mode{1056, nullptr}, Mode{1057, "18"}}) {
        SCOPED_TRACE(mode.click);
        g_strClosedTime = {"0", "1", "2", "345", "6"};
        g_strExposureTime = {"1", "0", "0", "7", "0"};
        panel->m_nShutter = 1;
        panel->m_nShutterMode = mode.click - 1055;
        panel->m_nNdSteps = mode.steps ? 18 : 0;
        panel->m_nTriggerMode = 3;
        panel->m_nSyncLevel = 0;
        panel->m_nTimerSelect = 0;
        panel->m_nFreeRunOption = 0;
        panel->m_strRepeatCount = "77";
        panel->UpdateData(false);
        const std::string path = dir.File("mode.cfg");
        Save(path);

        panel->answers = {kIdOk};
        Click(1051);
        Settle();
        ASSERT_EQ(Text(1083), "1");  // the factory settings are showing

        Load(path);
        Click(1048);
        Settle(40);
        Status();
        EXPECT_TRUE(Checked(mode.click));
        EXPECT_EQ(panel->m_nNdSteps, mode.steps ? 18 : panel->m_nNdSteps);
        EXPECT_TRUE(Checked(1111));
        EXPECT_TRUE(Checked(1061));
        EXPECT_TRUE(Checked(1063));
        EXPECT_EQ(Text(1083), "77");
        EXPECT_EQ(g_strClosedTime, (ferrule::TimeText{"0", "1", "2", "345", "6"}));
        EXPECT_EQ(g_strExposureTime, (ferrule::TimeText{"1", "0", "0", "7", "0"}));
        EXPECT_EQ(Text(1103), "00 : 01 : 02 : 345 : 6");
    }
}
