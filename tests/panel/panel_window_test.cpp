// The panel as a window: what initialisation shows, the exchange and enabling
// rules, scrolling, the About box, and the ways the panel ends.
#include <QAccessible>
#include <QComboBox>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include "panel/widgets/about_box.h"
#include "panel_fixture.h"

using namespace ferrule;

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using PanelWindow = PanelTest;

namespace {

QSlider* Slider(QWidget* w) {
    return static_cast<QSlider*>(w);
}

}  // namespace

TEST_F(PanelWindow, InitialisationShowsTheStartValues) {
    RememberDevice(0, kDescription);
    Start();
    EXPECT_EQ(panel->windowTitle().toStdString(), "Quillon Ferrule v1.3");
    struct Range {
        int id, min, max, pos;
    };
    for (Range r : {Range{kCtlSpeed, 0, 500, 10}, Range{kCtlTenthMsSlider, 0, 9, 0},
                    Range{kCtlMillisecondSlider, 0, 999, 0}, Range{kCtlSecondSlider, 0, 59, 0},
                    Range{kCtlMinuteSlider, 0, 59, 0}, Range{kCtlHourSlider, 0, 5, 0}}) {
        QSlider* s = Slider(Control(r.id));
        EXPECT_EQ(s->minimum(), r.min) << r.id;
        EXPECT_EQ(s->maximum(), r.max) << r.id;
        EXPECT_EQ(s->value(), r.pos) << r.id;
    }
    for (int id : {kCtlHour, kCtlMinute, kCtlSecond, kCtlMillisecond, kCtlTenthMs, kCtlRepeatCount,
                   kCtlCyclesLeft}) {
        EXPECT_EQ(Text(id), "") << id;
    }
    for (int id : {kCtlTriggerPulse, kCtlSyncPulse, kCtlEnableOnHigh, kCtlLowForOpen, kCtlModeFast,
                   kCtlShutterClose, kCtlOpenByDescription}) {
        EXPECT_TRUE(Checked(id)) << id;
    }
    for (int id :
         {kCtlEnableOnLow, kCtlTriggerOnRisingEdge, kCtlTriggerOnFallingEdge, kCtlHighForOpen,
          kCtlModeSoft, kCtlModeNd, kCtlShutterOpen, kCtlOnPowerUp, kCtlOnTriggerPulse, kCtlGo}) {
        EXPECT_FALSE(Checked(id)) << id;
    }
    EXPECT_EQ(static_cast<QComboBox*>(Control(kCtlTimerSelect))->currentIndex(), -1);
    EXPECT_EQ(Text(kCtlReceivedBytes), "0");
    EXPECT_EQ(Text(kCtlModeNd), "Neutral Density ");
    EXPECT_EQ(Text(kCtlClosingTransition), "12 ms");
    EXPECT_EQ(Text(kCtlCycleTimeDisplay), "Cycle Time - 00:00:00:000:0");
    EXPECT_EQ(panel->Fields().m_nShutterMode, 0);
    EXPECT_EQ(panel->Fields().m_nShutter, 1);
    EXPECT_EQ(panel->Fields().m_nSyncLevel, 1);
    EXPECT_EQ(panel->Fields().m_nTriggerMode, 0);
    EXPECT_EQ(QApplication::focusWidget() == nullptr ||
                  QApplication::focusWidget() == Control(kCtlOpenByDescription),
              true);
}

TEST_F(PanelWindow, NonIntegerInTheByteCountStopsTheExchangeWithAMessage) {
    RememberDevice(0, kDescription);
    Start();
    SetText(kCtlReceivedBytes, "12x");
    SetText(kCtlDevice, "typed but not read");
    EXPECT_FALSE(panel->UpdateData(true));
    EXPECT_THAT(Messages(), ElementsAre("Please enter an integer."));
    EXPECT_EQ(panel->Fields().m_strStatus,
              "USB ready for communication.");             // read before the byte count
    EXPECT_EQ(panel->Fields().m_strDevice, kDescription);  // after it: not read

    // A handler goes on with the fields it has: Clear writes 0 back.
    Click(kCtlClear);
    EXPECT_EQ(Text(kCtlReceivedBytes), "0");
}

TEST_F(PanelWindow, ButtonGroupSwitchesOnlyTheLinkTestControls) {
    Start();
    panel->SetButtonGroup(100);
    for (int id : {kCtlBlinkLeds, kCtlBlinkOff, kCtlSpeed, kCtlOpen})
        EXPECT_TRUE(Enabled(id)) << id;
    panel->SetButtonGroup(101);
    for (int id : {kCtlBlinkLeds, kCtlBlinkOff, kCtlSpeed})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Enabled(kCtlOpen));
    panel->SetButtonGroup(7);
    EXPECT_FALSE(Enabled(kCtlBlinkLeds));
}

TEST_F(PanelWindow, EscapeDoesNothingAndEnterInAnEditExits) {
    RememberDevice(0, kDescription);
    Start();
    QTest::keyClick(Control(kCtlDevice), Qt::Key_Escape);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(panel->Engine().Driver().IsLoaded());

    QTest::keyClick(Control(kCtlDevice), Qt::Key_Return);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(panel->Engine().Driver().IsLoaded());
    EXPECT_EQ(panel->ExitCode(), 0);
    EXPECT_EQ(panel->result(), 1);
}

TEST_F(PanelWindow, ClosingTheWindowRunsTheExitSequence) {
    RememberDevice(0, kDescription);
    Start();
    panel->close();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(panel->Engine().Driver().IsLoaded());
    EXPECT_EQ(panel->ExitCode(), 0);
    EXPECT_THAT(Messages(), IsEmpty());
}

TEST_F(PanelWindow, ScrollingFollowsTheDesignHeight) {
    Start();
    const int design = panel->m_rectInitial.height();
    ASSERT_GT(design, 0);
    auto* bar = panel->findChild<QScrollBar*>("panelScrollBar");
    QWidget* content = panel->findChild<QWidget*>("panelContent");

    panel->resize(panel->width(), design - 400);  // R = 400 + nothing else
    const int range = design - panel->height();
    EXPECT_EQ(bar->maximum(), range);
    EXPECT_EQ(bar->pageStep(), range / 10);

    panel->OnVScroll(3, 0);  // page down
    EXPECT_EQ(panel->m_nScrollPos, range / 10);
    EXPECT_EQ(content->y(), -range / 10);
    panel->OnVScroll(1, 0);  // line down
    EXPECT_EQ(panel->m_nScrollPos, range / 10 + range / 100);
    panel->OnVScroll(4, range);  // thumb released at the end
    EXPECT_EQ(panel->m_nScrollPos, range);
    panel->OnVScroll(3, 0);  // nothing below
    EXPECT_EQ(panel->m_nScrollPos, range);
    panel->OnVScroll(5, 0);  // tracking and other codes move nothing
    EXPECT_EQ(panel->m_nScrollPos, range);

    // A resize shows the bar at 0 while the content keeps its offset.
    panel->resize(panel->width(), design - 300);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(content->y(), -range);
    panel->OnVScroll(2, 0);  // page up moves back toward the origin
    EXPECT_LT(panel->m_nScrollPos, range);
}

TEST_F(PanelWindow, SmallRangeLineStepsDoNotMoveButPagesDo) {
    Start();
    const int design = panel->m_rectInitial.height();
    panel->resize(panel->width(), design - 50);
    panel->OnVScroll(1, 0);
    EXPECT_EQ(panel->m_nScrollPos, 0);
    panel->OnVScroll(3, 0);
    EXPECT_EQ(panel->m_nScrollPos, 5);
}

TEST_F(PanelWindow, F1ShowsTheAboutBoxNamingTheDriverInUse) {
    Start();
    panel->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel.get()));
    bool shown = false;
    QString driverLine;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<CAboutBox*>(QApplication::activeModalWidget());
        shown = about != nullptr && about->windowTitle() == "About Ferrule";
        if (about != nullptr) {
            if (auto* line = about->findChild<QLabel*>("driverLibrary"))
                driverLine = line->text();
            about->accept();
        }
    });
    QTest::keyClick(panel.get(), Qt::Key_F1);
    EXPECT_TRUE(shown);
    EXPECT_EQ(driverLine.toStdString(), std::string("Driver library: ") + FSIM_LIBRARY_PATH);
    EXPECT_TRUE(panel->isVisible());
}
