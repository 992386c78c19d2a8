// The panel's commands as the simulated controller receives them: the bytes
// of each, the captions and cycle time they refresh, the ready gate and the
// two toggles that write without it, and the Neutral Density steps prompt.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "panel/nd_steps_dlg.h"
#include "panel_fixture.h"

using namespace ferrule;

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

class CommandTest : public PanelTest {
protected:
    bool AnyChecked(std::initializer_list<int> ids) const {
        return std::any_of(ids.begin(), ids.end(), [this](int id) { return Checked(id); });
    }
};

class PanelCommands : public CommandTest {
protected:
    void SetUp() override {
        StartReady();
        ASSERT_EQ(Status(), "USB ready for communication.");
    }

    // Works the steps prompt that the next click opens, from inside its modal
    // loop; a warning box it raises is answered with OK and recorded.
    void WithPrompt(std::function<void(CNdStepsDlg&)> user) {
        QTimer::singleShot(0, panel.get(), [this, user] {
            auto* prompt = qobject_cast<CNdStepsDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(prompt, nullptr) << "no steps prompt";
            promptParent = prompt->parentWidget();
            user(*prompt);
            if (prompt->isVisible()) {
                ADD_FAILURE() << "the prompt was left open";
                prompt->done(QDialog::Rejected);
            }
        });
        warningCloser.callOnTimeout(panel.get(), [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr && box->isVisible() && box->property("answered").isNull()) {
                box->setProperty("answered", true);
                warnings.push_back(box->text().toStdString());
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            }
        });
        warningCloser.start(5);
    }
    static void Type(CNdStepsDlg& prompt, const char* text) {
        QTest::keyClicks(prompt.GetDlgItem(kCtlSteps), QString::fromUtf8(text));
    }
    static void Press(CNdStepsDlg& prompt, int button) {
        QTest::mouseClick(static_cast<QPushButton*>(prompt.GetDlgItem(button)), Qt::LeftButton);
    }

    QTimer warningCloser;
    std::vector<std::string> warnings;
    QWidget* promptParent = nullptr;
};

TEST_F(PanelCommands, EachControlSendsItsMessage) {
    EXPECT_THAT(Sent(kCtlOnLine), ElementsAre(0xEE));
    EXPECT_THAT(Sent(kCtlStatus), ElementsAre(0xCC));
    EXPECT_EQ(State().m_nStatusReplyCount, 0);
    EXPECT_THAT(Sent(kCtlReset), ElementsAre(0xFB));
    EXPECT_EQ(State().m_nResetPending, 1);
    EXPECT_THAT(Sent(kCtlModeSoft), ElementsAre(0xDD));
    EXPECT_THAT(Sent(kCtlModeFast), ElementsAre(0xDC));
    EXPECT_THAT(Sent(kCtlShutterOpen), ElementsAre(0xAA));
    EXPECT_EQ(panel->Fields().m_nShutter, 0);
    EXPECT_THAT(Sent(kCtlShutterClose), ElementsAre(0xAC));
    EXPECT_EQ(panel->Fields().m_nShutter, 1);
}

TEST_F(PanelCommands, FastAndSoftSetTheirCaptionsAndTheCycleTime) {
    Click(kCtlModeSoft);
    EXPECT_EQ(Text(kCtlClosingTransition), "70 ms");
    EXPECT_EQ(Text(kCtlOpeningTransition), "70 ms");
    EXPECT_EQ(Text(kCtlCycleTimeDisplay), "Cycle Time - 00:00:00:140:0");
    EXPECT_EQ(panel->Fields().m_nShutterMode, 1);
    Click(kCtlModeFast);
    EXPECT_EQ(Text(kCtlClosingTransition), "12 ms");
    EXPECT_EQ(Text(kCtlModeNd), "Neutral Density");
    EXPECT_EQ(Text(kCtlCycleTimeDisplay), "Cycle Time - 00:00:00:024:0");
}

// The panel starts with SYNC and the trigger input on. Off clears their
// radios; SYNC then goes on as "Low for Open", the trigger as "Enable on High".
TEST_F(PanelCommands, SyncAndTriggerTogglesAndThePolarityRadios) {
    EXPECT_THAT(Sent(kCtlSyncPulse), ElementsAre(0xFA, 0xB0));
    EXPECT_FALSE(Checked(kCtlSyncPulse));
    EXPECT_FALSE(AnyChecked({kCtlHighForOpen, kCtlLowForOpen}));
    EXPECT_THAT(Sent(kCtlSyncPulse), ElementsAre(0xFA, 0xB2));
    EXPECT_TRUE(Checked(kCtlSyncPulse));
    EXPECT_TRUE(Checked(kCtlLowForOpen));

    EXPECT_THAT(Sent(kCtlSyncPulse), ElementsAre(0xFA, 0xB0));
    EXPECT_THAT(Sent(kCtlHighForOpen), ElementsAre(0xFA, 0xB1));  // ticks SYNC again
    EXPECT_TRUE(Checked(kCtlSyncPulse));
    EXPECT_EQ(panel->Fields().m_nSyncLevel, 0);
    EXPECT_THAT(Sent(kCtlLowForOpen), ElementsAre(0xFA, 0xB2));
    EXPECT_EQ(panel->Fields().m_nSyncLevel, 1);

    EXPECT_THAT(Sent(kCtlTriggerPulse), ElementsAre(0xFA, 0xA0));
    EXPECT_FALSE(AnyChecked({kCtlTriggerPulse, kCtlEnableOnHigh, kCtlEnableOnLow,
                             kCtlTriggerOnRisingEdge, kCtlTriggerOnFallingEdge}));
    EXPECT_THAT(Sent(kCtlTriggerPulse), ElementsAre(0xFA, 0xA1));
    EXPECT_TRUE(Checked(kCtlTriggerPulse));
    EXPECT_TRUE(Checked(kCtlEnableOnHigh));
}

// Every command resets the time-outs, sent or not.
TEST_F(PanelCommands, TheTimeOutsAreResetAfterEveryCommand) {
    sim.fsim_record_calls(1);
    Click(kCtlStatus);
    EXPECT_THAT(CallLines(), ElementsAre("FT_Write(1)", "FT_SetTimeouts(100,100)"));
}

TEST_F(PanelCommands, NeutralDensityAsksForTheStepsAndSendsThem) {
    WithPrompt([](CNdStepsDlg& prompt) {
        Type(prompt, "10");
        Press(prompt, kCtlOk);
    });
    EXPECT_THAT(Sent(kCtlModeNd), ElementsAre(0xDE, 0x0A));
    EXPECT_EQ(promptParent, panel.get());
    EXPECT_EQ(panel->Fields().m_nShutterMode, 2);
    EXPECT_EQ(panel->Fields().m_nNdSteps, 10);
    EXPECT_EQ(Text(kCtlModeNd), "Neutral Density - 10");
    EXPECT_EQ(Text(kCtlClosingTransition), "2.64 ms");
    EXPECT_EQ(Text(kCtlOpeningTransition), "2.64 ms");
    EXPECT_EQ(Text(kCtlCycleTimeDisplay), "Cycle Time - 00:00:00:005:2");
}

// A rejected OK keeps its text in the prompt; Cancel then sends nothing, so
// no step count outside 0 to 144 ever goes out, wrapped to eight bits.
TEST_F(PanelCommands, NeutralDensityNeverSendsWhatThePromptRefused) {
    for (const char* steps : {"300", "-1", "-200"}) {
        WithPrompt([steps](CNdStepsDlg& prompt) {
            Type(prompt, steps);
            Press(prompt, kCtlOk);
            Press(prompt, kCtlCancel);
        });
        EXPECT_THAT(Sent(kCtlModeNd), IsEmpty()) << steps;
        EXPECT_EQ(Text(kCtlModeNd), "Neutral Density ");
    }
    EXPECT_THAT(warnings, ElementsAre("Steps must be less than 145. Please try again!",
                                      "Steps must not be negative. Please try again!",
                                      "Steps must not be negative. Please try again!"));
}

// No text at all: nothing is sent and the frame ends there, the radio as clicked.
TEST_F(PanelCommands, NeutralDensityLeftEmptySendsNothing) {
    sim.fsim_record_calls(1);
    WithPrompt([](CNdStepsDlg& prompt) { Press(prompt, kCtlCancel); });
    EXPECT_THAT(Sent(kCtlModeNd), IsEmpty());
    EXPECT_THAT(CallLines(), Not(Contains("FT_SetTimeouts(100,100)")));
    EXPECT_TRUE(Checked(kCtlModeNd));
    EXPECT_EQ(panel->Fields().m_nShutterMode, 2);
    EXPECT_EQ(Text(kCtlModeNd), "Neutral Density ");
}

TEST_F(PanelCommands, ThePollRunsWhileThePromptIsOpen) {
    bool received = false;
    WithPrompt([this, &received](CNdStepsDlg& prompt) {
        Inject({0x41, 0xAA});
        sim.fsim_advance_us(1000);
        received = QTest::qWaitFor([this] { return Text(kCtlReceivedBytes) == "2"; }, 5000);
        Press(prompt, kCtlCancel);
    });
    Click(kCtlModeNd);
    EXPECT_TRUE(received);
    EXPECT_TRUE(Checked(kCtlShutterOpen));
}

// A link that is not ready: the silent controller leaves the device open but
// the status line not ready.
class PanelCommandsNotReady : public CommandTest {
protected:
    void SetUp() override {
        RememberDevice(0, kDescription);
        sim.fsim_set_probe_reply(0, FSIM_PROBE_SILENT, 0);
        Start();
        ASSERT_EQ(Status(), "No response from USB");
        sim.fsim_clear_written(0);
        sim.fsim_record_calls(1);
    }
};

TEST_F(PanelCommandsNotReady, NothingIsSentButTheClickStands) {
    Click(kCtlStatus);
    Click(kCtlModeSoft);
    Click(kCtlModeNd);  // no prompt is shown
    Click(kCtlShutterClose);
    Click(kCtlHighForOpen);
    EXPECT_THAT(Written(), IsEmpty());
    EXPECT_THAT(CallLines(), ElementsAre("FT_SetTimeouts(100,100)", "FT_SetTimeouts(100,100)",
                                         "FT_SetTimeouts(100,100)", "FT_SetTimeouts(100,100)",
                                         "FT_SetTimeouts(100,100)"));
    EXPECT_EQ(State().m_nStatusReplyCount, -1);
    EXPECT_TRUE(Checked(kCtlModeNd));
    EXPECT_TRUE(Checked(kCtlShutterClose));
    EXPECT_TRUE(Checked(kCtlHighForOpen));
    EXPECT_EQ(Text(kCtlClosingTransition), "12 ms");
    EXPECT_THAT(Messages(), IsEmpty());
}

// Turning SYNC or the trigger input on writes whatever the status line says;
// turning them off writes only on a ready link, but still clears the radios.
TEST_F(PanelCommandsNotReady, TurningOnWritesAnywayTurningOffDoesNot) {
    Click(kCtlSyncPulse);
    Click(kCtlTriggerPulse);
    EXPECT_THAT(Written(), IsEmpty());
    EXPECT_EQ(panel->Fields().m_nTriggerMode, -1);
    EXPECT_FALSE(AnyChecked({kCtlHighForOpen, kCtlLowForOpen, kCtlTriggerPulse, kCtlSyncPulse,
                             kCtlEnableOnHigh, kCtlEnableOnLow, kCtlTriggerOnRisingEdge,
                             kCtlTriggerOnFallingEdge}));
    Click(kCtlSyncPulse);
    Click(kCtlTriggerPulse);
    EXPECT_THAT(Written(), ElementsAre(0xFA, 0xB2, 0xFA, 0xA1));
    EXPECT_TRUE(Checked(kCtlLowForOpen));
    EXPECT_TRUE(Checked(kCtlEnableOnHigh));
}

// Without a driver the ungated write gets the wrapper's own message.
TEST_F(PanelTest, TurningSyncOnWithoutADriverShowsTheWriteMessage) {
    Start(dir.File("missing.so"));
    Click(kCtlSyncPulse);  // off: gated
    panel->messages.clear();
    Click(kCtlSyncPulse);
    EXPECT_THAT(Messages(), ElementsAre("FT_Write is not valid!", "FT_SetTimeouts is not valid!"));
}

// A click anywhere in a radio button's rectangle chooses it, also to the
// right of a short caption.
TEST_F(PanelCommands, AClickBesideAShortCaptionStillChooses) {
    for (auto [id, code] : {std::pair{kCtlModeSoft, 0xDD}, std::pair{kCtlModeFast, 0xDC}}) {
        auto* radio = static_cast<QAbstractButton*>(Control(id));
        ASSERT_GT(radio->width(), radio->fontMetrics().horizontalAdvance(radio->text()) + 40);
        sim.fsim_clear_written(0);
        QTest::mouseClick(radio, Qt::LeftButton, {},
                          QPoint(radio->width() - 3, radio->height() / 2));
        EXPECT_THAT(Written(), ElementsAre(code)) << id;
        EXPECT_TRUE(Checked(id));
    }
}
