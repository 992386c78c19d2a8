// Choosing the device: method radios, the device text, Search and the list,
// and the profile that keeps the choice across runs.
#include <sys/stat.h>

#include <QTest>
#include <fstream>
#include <iterator>

#include "panel/widgets/line_list_view.h"
#include "panel_fixture.h"

using namespace ferrule;

using ::testing::ElementsAre;

using PanelDeviceChoice = PanelTest;

namespace {

void AddDevices(SimLibrary& sim, int count) {
    sim.fsim_clear_devices();
    for (int i = 0; i < count; ++i) {
        std::string n = std::to_string(i);
        sim.fsim_add_device(("Shutter " + n).c_str(), ("SN" + n).c_str());
    }
}

}  // namespace

TEST_F(PanelDeviceChoice, SearchListsByTheCurrentMethod) {
    AddDevices(sim, 2);
    RememberDevice(2, "0");
    Start();
    ASSERT_EQ(Status(), "USB ready for communication.");

    Click(kCtlSearch);
    EXPECT_EQ(Status(), "USB Closed.");
    EXPECT_EQ(Text(kCtlDevice), "");
    EXPECT_EQ(Text(kCtlReceivedBytes), "0");
    EXPECT_THAT(LogLines(), ElementsAre("2 device(s) attached:", "0", "1"));

    Click(kCtlOpenByDescription);
    Click(kCtlSearch);
    EXPECT_THAT(LogLines(), ElementsAre("2 device(s) attached:", "Shutter 0", "Shutter 1"));
    Click(kCtlOpenBySerialNumber);
    Click(kCtlSearch);
    EXPECT_THAT(LogLines(), ElementsAre("2 device(s) attached:", "SN0", "SN1"));

    AddDevices(sim, 0);
    Click(kCtlSearch);
    EXPECT_THAT(LogLines(), ElementsAre("0 device(s) attached:"));
}

TEST_F(PanelDeviceChoice, SearchClosesTheDeviceAndThePollThenReportsTheLinkBroken) {
    RememberDevice(0, kDescription);
    Start();
    Click(kCtlSearch);
    EXPECT_EQ(Status(), "USB Closed.");
    EXPECT_TRUE(panel->Engine().LinkReady());
    panel->Poll();
    EXPECT_EQ(Status(), "USB not open.");
    EXPECT_FALSE(panel->Engine().LinkReady());
    EXPECT_TRUE(Enabled(kCtlBlinkLeds));  // Blink Off ran
    EXPECT_TRUE(Enabled(kCtlExit));
    // Later ticks do nothing.
    sim.fsim_record_calls(1);
    panel->Poll();
    EXPECT_TRUE(CallLines().empty());
}

TEST_F(PanelDeviceChoice, AtMostSixtyThreeDevicesAreListed) {
    AddDevices(sim, 70);
    RememberDevice(0, "Shutter 5");
    Start();
    EXPECT_EQ(Status(), "USB ready for communication.");
    EXPECT_EQ(profile.GetString("MyFerruleAp", "DevNmbr", ""), "5");
    Click(kCtlSearch);
    std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 64u);
    EXPECT_EQ(lines.front(), "70 device(s) attached:");
    EXPECT_EQ(lines.back(), "Shutter 62");
}

TEST_F(PanelDeviceChoice, SelectingALineCopiesItIntoTheDeviceTextAndProfile) {
    AddDevices(sim, 2);
    RememberDevice(1, "SN1");
    Start();
    Click(kCtlSearch);
    auto* list = static_cast<ferrule::LineListView*>(Control(kCtlReceivedData));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(0).center());
    EXPECT_EQ(Text(kCtlDevice), "2 device(s) attached:");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(Text(kCtlDevice), "SN1");
    EXPECT_EQ(profile.GetString("MyFerruleAp", "SerialString", ""), "SN1");

    Click(kCtlOpen);
    EXPECT_EQ(Status(), "USB ready for communication.");
    EXPECT_EQ(Written(1), Bytes({0xEE, 0xEE}));
}

TEST_F(PanelDeviceChoice, MethodRadiosLoadTheirRememberedTextAndStoreTheMethod) {
    RememberDevice(0, kDescription);
    Start();
    profile.WriteString("MyFerruleAp", "DevNmbr", "3");
    Click(kCtlOpenByDeviceNumber);
    EXPECT_EQ(Text(kCtlDevice), "3");
    EXPECT_EQ(profile.GetInt("MyFerruleAp", "SerDesc", -1), 2);
    Click(kCtlOpenBySerialNumber);  // the serial number was refreshed at start-up
    EXPECT_EQ(Text(kCtlDevice), kSerial);
    EXPECT_EQ(profile.GetInt("MyFerruleAp", "SerDesc", -1), 1);
}

TEST_F(PanelDeviceChoice, TypingStoresEveryKeystrokeAndAnEmptyTextMeansDeviceNumber) {
    RememberDevice(1, "AB");
    Start();
    auto* edit = static_cast<QLineEdit*>(Control(kCtlDevice));
    edit->setFocus();
    edit->end(false);
    QTest::keyClicks(edit, "C");
    EXPECT_EQ(profile.GetString("MyFerruleAp", "SerialString", ""), "ABC");
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(profile.GetString("MyFerruleAp", "SerialString", ""), "AB");
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(profile.GetString("MyFerruleAp", "SerialString", "absent"), "");
    EXPECT_TRUE(Checked(kCtlOpenByDeviceNumber));
    EXPECT_EQ(profile.GetInt("MyFerruleAp", "SerDesc", -1), 1);

    // Text the panel sets itself is not a user's edit and stores nothing.
    panel->Fields().m_strDevice = "set by the panel";
    panel->UpdateData(false);
    EXPECT_EQ(profile.GetString("MyFerruleAp", "DevNmbr", "absent"), "absent");
}

TEST_F(PanelDeviceChoice, ChoiceSurvivesARestart) {
    Start();
    Click(kCtlOpenBySerialNumber);
    auto* edit = static_cast<QLineEdit*>(Control(kCtlDevice));
    edit->selectAll();
    QTest::keyClicks(edit, kSerial);
    panel->ExitSequence();
    panel.reset();

    Start();
    EXPECT_TRUE(Checked(kCtlOpenBySerialNumber));
    EXPECT_EQ(Text(kCtlDevice), kSerial);
    EXPECT_EQ(Status(), "USB ready for communication.");
}

TEST_F(PanelDeviceChoice, StoredMethodOutsideTheRangeChecksNoRadioAndOpensByNumber) {
    profile.WriteString("MyFerruleAp", "SerDesc", "5");
    profile.WriteString("MyFerruleAp", "DevNmbr", "0");
    Start();
    EXPECT_FALSE(Checked(kCtlOpenByDescription));
    EXPECT_FALSE(Checked(kCtlOpenBySerialNumber));
    EXPECT_FALSE(Checked(kCtlOpenByDeviceNumber));
    EXPECT_EQ(Text(kCtlDevice), "Enter device Description or Serial Number here.");
    EXPECT_EQ(panel->Fields().m_nOpenBy, -1);
    // The placeholder is refused before the number would be read.
    EXPECT_THAT(Messages(), ElementsAre("You must enter a Device Description or Serial Number."));
    SetText(kCtlDevice, "");
    Click(kCtlOpen);
    EXPECT_EQ(Status(), "USB ready for communication.");
}

TEST_F(PanelDeviceChoice, UnreadableOrGarbageProfileFallsBackToDefaults) {
    std::ofstream(profile.Path()) << "\x01\x02 not an ini file\n[MyFerruleAp\nSerDesc==x\n";
    Start();
    EXPECT_TRUE(Checked(kCtlOpenByDescription));
    EXPECT_EQ(Status(), "USB not responding");
}

// The device text is written on every keystroke: a read-only profile is told
// once, in the log, and never written.
TEST_F(PanelDeviceChoice, ReadOnlyProfileIsToldOnceInTheLogAndLeftAlone) {
    RememberDevice(1, "AB");
    ASSERT_EQ(::chmod(profile.Path().c_str(), 0444), 0);
    auto contents = [this] {
        std::ifstream in(profile.Path(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string before = contents();
    Start();
    auto* edit = static_cast<QLineEdit*>(Control(kCtlDevice));
    edit->setFocus();
    edit->end(false);
    QTest::keyClicks(edit, "CDE");
    QTest::keyClick(edit, Qt::Key_Backspace);
    Click(kCtlOpenByDescription);
    Click(kCtlOpenBySerialNumber);

    EXPECT_THAT(LogLines(), ElementsAre("The profile " + profile.Path() +
                                        " is read-only; the device choice is not remembered."));
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(contents(), before);
    struct stat st {};
    ASSERT_EQ(::stat(profile.Path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
}

TEST_F(PanelDeviceChoice, ProfileThatCannotBeReadOrWrittenLeavesThePanelWorking) {
    panel = std::make_unique<TestPanel>(PanelOptions{FSIM_LIBRARY_PATH, dir.File(""), "ferrule"});
    panel->show();
    EXPECT_TRUE(Checked(kCtlOpenByDescription));
    Click(kCtlOpenByDeviceNumber);
    EXPECT_EQ(Text(kCtlDevice), "Enter device Description or Serial Number here.");
    EXPECT_THAT(LogLines(), ElementsAre("The profile " + dir.File("") +
                                        " is not a regular file; the device choice is not "
                                        "remembered."));
    SetText(kCtlDevice, "");
    Click(kCtlOpen);
    EXPECT_EQ(Status(), "USB ready for communication.");
}
