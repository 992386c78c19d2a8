// The status reply on the panel: the controller's settings shown on every
// control, from replies as the controller sends them and from hand-made ones.
#include <QComboBox>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include "panel/nd_steps_dlg.h"
#include "panel_fixture.h"

using namespace ferrule;

using ::testing::ElementsAre;

class PanelStatus : public PanelTest {
protected:
    void SetUp() override {
        StartReady();
        ASSERT_EQ(Status(), "USB ready for communication.");
    }
    // Lets the controller answer everything it was sent, a poll at a time.
    void Settle() {
        for (int i = 0; i < 8; ++i) {
            PollAfter(5000);
        }
    }
    std::string Timer() const { return panel->m_comboTimer->currentText().toStdString(); }
    // A hand-made reply: the controller is silenced, Status arms the panel and
    // the reply arrives in the reads given.
    void Reply(const std::vector<Bytes>& reads) {
        sim.fsim_set_silent(0, 1);
        Click(kCtlStatus);
        for (const Bytes& read : reads) {
            Inject(read);
            PollAfter(read.size() * 79 + 100);
        }
    }

    const Bytes kShortHead = {0xCC, 0xAA, 0xDC, 0x00, 0xA0, 0xB0, 0x11};
    const Bytes kShortRest = {0x02, 0x03, 0x45, 0x60, 0x00, 0x00, 0x00,
                              0x00, 0x00, 0xF1, 0x00, 0x05, 0x0D};
};

// The reply arrives over two reads, and the second one splits the closed time.
TEST_F(PanelStatus, ShortLayoutShowsEverySetting) {
    Reply({kShortHead, kShortRest});
    EXPECT_EQ(State().m_nStatusReplyCount, -1);
    EXPECT_TRUE(Checked(kCtlShutterOpen));
    EXPECT_TRUE(Checked(kCtlModeFast));
    EXPECT_FALSE(Checked(kCtlTriggerPulse));
    EXPECT_FALSE(Checked(kCtlSyncPulse));
    EXPECT_TRUE(Checked(kCtlOnPowerUp));
    EXPECT_EQ(Text(kCtlRepeatCount), "5");
    EXPECT_EQ(Text(kCtlCyclesLeft), "5");
    EXPECT_EQ(Timer(), "Closed Time");
    EXPECT_THAT(TimerFields(), ElementsAre("1", "2", "3", "456", "0"));
    EXPECT_THAT(TimerSliders(), ElementsAre(1, 2, 3, 456, 0));
    EXPECT_EQ(Text(kCtlClosedTimeDisplay), "01 : 02 : 03 : 456 : 0");
    EXPECT_EQ(Text(kCtlExposureTimeDisplay), "00 : 00 : 00 : 000 : 0");
    EXPECT_EQ(Text(kCtlCycleTimeDisplay), "Cycle Time - 01:02:03:480:0");
    EXPECT_EQ(Text(kCtlClosingTransition), "12 ms");
    EXPECT_EQ(Text(kCtlReceivedBytes), "20");
}

TEST_F(PanelStatus, NeutralDensityLayoutTakesTheStepsAndSkipsItsFifthByte) {
    Reply({{0xCC, 0xAC, 0xDE, 0x0A, 0xA4, 0xA1, 0xB1, 0x00, 0x00, 0x00,
            0x00, 0x00, 0x21, 0x00, 0x00, 0x00, 0x00, 0xF0, 0xFF, 0xFF}});
    EXPECT_TRUE(Checked(kCtlShutterClose));
    EXPECT_TRUE(Checked(kCtlModeNd));
    EXPECT_EQ(Text(kCtlModeNd), "Neutral Density - 10");
    EXPECT_EQ(Text(kCtlClosingTransition), "2.64 ms");
    EXPECT_EQ(Text(kCtlOpeningTransition), "2.64 ms");
    EXPECT_TRUE(Checked(kCtlTriggerPulse));
    EXPECT_TRUE(Checked(kCtlEnableOnHigh));
    EXPECT_TRUE(Checked(kCtlHighForOpen));
    EXPECT_EQ(Text(kCtlRepeatCount), "65535");  // not "Continuous"
    EXPECT_EQ(Timer(), "Exposure Time");
    EXPECT_THAT(TimerFields(), ElementsAre("1", "0", "0", "0", "0"));
    EXPECT_EQ(Text(kCtlCycleTimeDisplay), "Cycle Time - 01:00:00:005:2");
}

// Both hours bytes 0: no timer is selected, and the closed time is edited.
TEST_F(PanelStatus, NoTimerSelectedWhenBothHoursBytesAreZero) {
    Bytes rest = kShortRest;
    rest[0] = 0x07;  // closed minutes
    Bytes head = kShortHead;
    head[6] = 0x00;
    panel->m_comboTimer->setCurrentIndex(1);
    Reply({head, rest});
    EXPECT_EQ(panel->m_comboTimer->currentIndex(), -1);
    EXPECT_THAT(TimerFields(), ElementsAre("0", "7", "3", "456", "0"));
}

// Status again in the middle of a reply: the next byte is byte 1 again. Bytes
// out of range are taken arithmetically, without a radio to show them.
TEST_F(PanelStatus, StatusRestartsAReplyAndOddBytesDoNoHarm) {
    Reply({{0xCC, 0xAA, 0xE0, 0x00, 0xA3}});
    EXPECT_EQ(panel->Fields().m_nShutterMode, 4);
    EXPECT_EQ(panel->Fields().m_nTriggerMode, 0);  // position 5 is skipped in an unknown mode
    EXPECT_EQ(State().m_nStatusReplyCount, 5);
    Reply({kShortHead, kShortRest});
    EXPECT_TRUE(Checked(kCtlModeFast));
    EXPECT_EQ(Text(kCtlClosedTimeDisplay), "01 : 02 : 03 : 456 : 0");
    EXPECT_EQ(State().m_nStatusReplyCount, -1);
}

// The simulated controller's own replies, before and after the panel changed
// its settings, in both layouts.
TEST_F(PanelStatus, ShowsWhatTheControllerWasToldInBothLayouts) {
    Click(kCtlStatus);
    Settle();
    EXPECT_TRUE(Checked(kCtlModeFast));
    EXPECT_FALSE(Checked(kCtlTriggerPulse));
    EXPECT_FALSE(Checked(kCtlSyncPulse));
    EXPECT_EQ(Text(kCtlRepeatCount), "1");

    Click(kCtlModeSoft);
    Click(kCtlTriggerPulse);  // on, as Enable on High
    Click(kCtlHighForOpen);
    Click(kCtlShutterOpen);
    Settle();
    panel->Fields().m_nShutterMode = -1;  // so that the reply, not the click, sets what shows
    panel->UpdateData(false);
    Click(kCtlStatus);
    Settle();
    EXPECT_TRUE(Checked(kCtlModeSoft));
    EXPECT_EQ(Text(kCtlClosingTransition), "70 ms");
    EXPECT_TRUE(Checked(kCtlTriggerPulse));
    EXPECT_TRUE(Checked(kCtlEnableOnHigh));
    EXPECT_TRUE(Checked(kCtlHighForOpen));
    EXPECT_TRUE(Checked(kCtlShutterOpen));

    QTimer::singleShot(0, panel.get(), [] {
        auto* prompt = qobject_cast<CNdStepsDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(prompt, nullptr);
        QTest::keyClicks(prompt->GetDlgItem(kCtlSteps), "18");
        QTest::keyClick(prompt->GetDlgItem(kCtlSteps), Qt::Key_Return);
    });
    Click(kCtlModeNd);
    Click(kCtlLowForOpen);
    Settle();
    panel->SetItemText(kCtlClosingTransition, "");
    Click(kCtlStatus);
    Settle();
    EXPECT_TRUE(Checked(kCtlModeNd));
    EXPECT_EQ(Text(kCtlModeNd), "Neutral Density - 18");
    EXPECT_EQ(Text(kCtlClosingTransition), "4.75 ms");
    EXPECT_TRUE(Checked(kCtlTriggerPulse));
    EXPECT_TRUE(Checked(kCtlLowForOpen));
    EXPECT_EQ(Text(kCtlCycleTimeDisplay), "Cycle Time - 00:00:00:009:6");
}

// After a reset the controller ends with a carriage return, and the panel asks
// for the status by itself: the settings return to those the controller stored.
TEST_F(PanelStatus, ResetShowsTheStoredSettingsByItself) {
    Click(kCtlModeSoft);
    Settle();
    sim.fsim_clear_written(0);
    Click(kCtlReset);
    Settle();
    EXPECT_THAT(Written(), ElementsAre(0xFB, 0xCC));
    EXPECT_EQ(State().m_nResetPending, 0);
    EXPECT_EQ(State().m_nStatusReplyCount, -1);
    EXPECT_TRUE(Checked(kCtlModeFast));
    EXPECT_TRUE(Checked(kCtlShutterClose));
    EXPECT_EQ(Text(kCtlCycleTimeDisplay), "Cycle Time - 00:00:00:024:0");
}
