// The Timer group as the user works it: typing into the fields, releasing the
// sliders, choosing the timer, and Set Timer on Controller.
#include <QComboBox>
#include <QSlider>
#include <QTest>

#include "panel_fixture.h"

using namespace ferrule;

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr const char* kAtMaximum = "Timer has reached the maximum value - 5 hours.";

}  // namespace

class PanelTimer : public PanelTest {
protected:
    void SetUp() override { StartReady(); }
    void Type(int id, const char* text) { QTest::keyClicks(Control(id), QString::fromUtf8(text)); }
    // The user lets go of a slider at a position.
    void Release(QSlider* slider, int position) {
        slider->setSliderPosition(position);
        QTest::mouseRelease(slider, Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    void ChooseTimer(int index) {
        QComboBox* combo = panel->m_comboTimer;
        while (combo->currentIndex() != index) {
            QTest::keyClick(combo, index > combo->currentIndex() ? Qt::Key_Down : Qt::Key_Up);
        }
    }
};

// Every keystroke is checked: "7" is taken, "75" refused.
TEST_F(PanelTimer, FieldsAreCheckedAtEveryKeystrokeAgainstTheirLimits) {
    Type(kCtlMinute, "7");
    EXPECT_EQ(panel->m_sliderMinute->value(), 7);
    Type(kCtlMinute, "5");
    EXPECT_THAT(Messages(), ElementsAre("Minutes number must be less than 60! Please retype."));
    EXPECT_EQ(panel->messages[0].caption, "Warning");
    EXPECT_EQ(panel->messages[0].type, kMbOk | kMbIconExclamation);
    EXPECT_EQ(Text(kCtlMinute), "");
    EXPECT_EQ(panel->m_sliderMinute->value(), 0);

    Type(kCtlSecond, "60");
    Type(kCtlMillisecond, "1000");
    Type(kCtlTenthMs, "10");
    Type(kCtlHour, "6");
    EXPECT_THAT(Messages(),
                ElementsAre("Minutes number must be less than 60! Please retype.",
                            "Seconds number must be less than 60! Please retype.",
                            "Milliseconds number must be less than 1000! Please retype.",
                            "1/10 Milliseconds number must be less than 10! Please retype.",
                            "Hours number must be less than 6! Please retype."));
    EXPECT_THAT(TimerFields(), ElementsAre("", "", "", "", ""));
    EXPECT_THAT(TimerSliders(), ElementsAre(0, 0, 0, 0, 0));
}

// Leading zeros and unreadable texts stay; a lone minus sign waits for its
// digits, and a negative number is refused like one above the limit.
TEST_F(PanelTimer, LeadingZerosAndLettersStayNegativesAreRefused) {
    Type(kCtlMillisecond, "007");
    Type(kCtlMinute, "abc");
    Type(kCtlSecond, "-");
    EXPECT_THAT(Messages(), IsEmpty());
    EXPECT_THAT(TimerFields(), ElementsAre("", "abc", "-", "007", ""));
    EXPECT_THAT(TimerSliders(), ElementsAre(0, 0, 0, 7, 0));

    Type(kCtlSecond, "3");
    SetText(kCtlMinute, "");
    Type(kCtlMinute, "-1");
    SetText(kCtlMillisecond, "");
    Type(kCtlMillisecond, "-5");
    Type(kCtlTenthMs, "-9");
    Type(kCtlHour, "-1");
    EXPECT_THAT(Messages(),
                ElementsAre("Seconds number must not be negative! Please retype.",
                            "Minutes number must not be negative! Please retype.",
                            "Milliseconds number must not be negative! Please retype.",
                            "1/10 Milliseconds number must not be negative! Please retype.",
                            "Hours number must not be negative! Please retype."));
    EXPECT_THAT(TimerFields(), ElementsAre("", "", "", "", ""));
    EXPECT_THAT(TimerSliders(), ElementsAre(0, 0, 0, 0, 0));
}

// Fields a status reply or a file filled beyond what the timer message
// carries are refused at Set Timer: nothing sent, nothing stored, and the
// field emptied as when typing. Negative hours must never turn the exposure
// timer into the closed one.
TEST_F(PanelTimer, SetTimerRefusesWhatTheMessageCannotCarry) {
    State().m_strExposureTime = {"-1", "-1", "abc", "", "-9"};
    ChooseTimer(1);
    Click(kCtlSetTimer);
    EXPECT_THAT(Written(), IsEmpty());
    EXPECT_THAT(Messages(), ElementsAre("Hours number must not be negative! Please retype."));
    EXPECT_THAT(TimerFields(), ElementsAre("", "-1", "abc", "", "-9"));
    EXPECT_EQ(State().m_strExposureTime, (ferrule::TimeText{"-1", "-1", "abc", "", "-9"}));

    State().m_strClosedTime = {"", "", "", "1500", ""};
    ChooseTimer(0);
    Click(kCtlSetTimer);
    EXPECT_THAT(Written(), IsEmpty());
    EXPECT_EQ(Messages().back(), "Milliseconds number must be less than 1000! Please retype.");
    EXPECT_EQ(Text(kCtlMillisecond), "");
    EXPECT_EQ(Text(kCtlClosedTimeDisplay), "00:00:00:000:0");
}

// Five hours is the whole range: the rest is emptied, and while the hours
// read 5, however they got there, every other change is refused.
TEST_F(PanelTimer, FiveHoursClearsAndLocksTheOtherComponents) {
    Type(kCtlMinute, "12");
    Type(kCtlMillisecond, "450");
    Type(kCtlHour, "5");
    EXPECT_THAT(Messages(), IsEmpty());
    EXPECT_THAT(TimerFields(), ElementsAre("5", "", "", "", ""));
    EXPECT_THAT(TimerSliders(), ElementsAre(5, 0, 0, 0, 0));

    Type(kCtlSecond, "0");
    Release(panel->m_sliderSecond, 30);
    EXPECT_THAT(Messages(), ElementsAre(kAtMaximum, kAtMaximum));
    EXPECT_EQ(Text(kCtlSecond), "");
    EXPECT_EQ(panel->m_sliderSecond->value(), 0);

    panel->messages.clear();
    panel->Fields().m_strHour = "5";
    panel->Fields().m_strMinute = "12";  // as a status reply or a loaded file leaves them
    panel->UpdateData(false);
    QTest::keyClick(Control(kCtlMinute), Qt::Key_Backspace);
    EXPECT_THAT(Messages(), ElementsAre(kAtMaximum));
    EXPECT_EQ(Text(kCtlMinute), "");
}

TEST_F(PanelTimer, SlidersSetTheirFieldsOnMouseReleaseOnly) {
    Type(kCtlMinute, "12");
    Release(panel->m_sliderHour, 5);
    EXPECT_THAT(TimerFields(), ElementsAre("5", "", "", "", ""));
    EXPECT_THAT(Messages(), IsEmpty());
    Release(panel->m_sliderHour, 2);
    Release(panel->m_sliderMillisecond, 999);
    EXPECT_THAT(TimerFields(), ElementsAre("2", "", "", "999", ""));

    QTest::keyClick(panel->m_sliderTenthMs, Qt::Key_Right);
    EXPECT_EQ(panel->m_sliderTenthMs->value(), 1);
    EXPECT_EQ(Text(kCtlTenthMs), "");
    QTest::mouseRelease(panel->m_sliderTenthMs, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(Text(kCtlTenthMs), "1");
}

// Choosing a timer loads its stored time, dropping edits never sent.
TEST_F(PanelTimer, ChoosingATimerLoadsItsStoredTime) {
    Type(kCtlMillisecond, "450");
    ChooseTimer(1);
    EXPECT_EQ(panel->Fields().m_nTimerSelect, 1);
    EXPECT_THAT(TimerFields(), ElementsAre("", "", "", "", ""));
    EXPECT_THAT(TimerSliders(), ElementsAre(0, 0, 0, 0, 0));

    State().m_strClosedTime = {"1", "2", "3", "456", "7"};
    ChooseTimer(0);
    EXPECT_THAT(TimerFields(), ElementsAre("1", "2", "3", "456", "7"));
    EXPECT_THAT(TimerSliders(), ElementsAre(1, 2, 3, 456, 7));
    EXPECT_EQ(Text(kCtlClosedTimeDisplay), "00:00:00:000:0");  // the displays wait for Set Timer
}

TEST_F(PanelTimer, SetTimerSendsAndStoresTheChosenTimer) {
    Click(kCtlSetTimer);  // no timer chosen: nothing at all
    EXPECT_THAT(Written(), IsEmpty());

    ChooseTimer(0);
    Type(kCtlHour, "5");
    Click(kCtlSetTimer);
    Click(kCtlSetTimer);
    EXPECT_THAT(Written(), ElementsAre(0xFA, 0x15, 0, 0, 0, 0, 0xFA, 0x15, 0, 0, 0, 0));
    EXPECT_EQ(Text(kCtlClosedTimeDisplay), "05:00:00:000:0");
    EXPECT_EQ(Text(kCtlCycleTimeDisplay), "Cycle Time - 05:00:00:024:0");

    ChooseTimer(1);
    Type(kCtlMillisecond, "999");
    Type(kCtlTenthMs, "9");
    sim.fsim_clear_written(0);
    Click(kCtlSetTimer);
    EXPECT_THAT(Written(), ElementsAre(0xFA, 0x20, 0, 0, 0x99, 0x99));
    EXPECT_EQ(State().m_strExposureTime, (ferrule::TimeText{"", "", "", "999", "9"}));
    EXPECT_EQ(Text(kCtlExposureTimeDisplay), "00:00:00:999:9");
    EXPECT_EQ(Text(kCtlClosedTimeDisplay), "05:00:00:000:0");
    EXPECT_EQ(Text(kCtlCycleTimeDisplay), "Cycle Time - 05:00:01:023:9");
    EXPECT_THAT(Messages(), IsEmpty());
}
