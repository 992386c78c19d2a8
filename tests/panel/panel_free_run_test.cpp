// Free runs against the simulated controller's own runs on its manual clock,
// and the controller's maintenance behind its confirmations.
#include <QComboBox>
#include <QTest>

#include "panel_fixture.h"

using namespace ferrule;

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class PanelFreeRun : public PanelTest {
protected:
    void SetUp() override { StartReady(); }
    void SendRepeat(const char* text) {
        SetText(kCtlRepeatCount, text);
        Click(kCtlSendRepeatCount);
    }
    // Sets one timer as the user would: choose it, type it, send it.
    void SetTimer(int timer, const char* ms) {
        panel->m_comboTimer->setCurrentIndex(timer);
        emit panel->m_comboTimer->activated(timer);
        SetText(kCtlMillisecond, ms);
        Click(kCtlSetTimer);
    }
    // Runs the link for a while, a poll every 5 ms, and keeps each new text
    // of "Left Cycle Number" and each shutter report.
    void RunFor(uint64_t ms) {
        for (uint64_t t = 0; t < ms; t += 5) {
            PollAfter(5000);
            if (countdown.empty() || countdown.back() != Text(kCtlCyclesLeft)) {
                countdown.push_back(Text(kCtlCyclesLeft));
            }
            int shutter = Checked(kCtlShutterOpen) ? 0 : Checked(kCtlShutterClose) ? 1 : -1;
            if (shutters.empty() || shutters.back() != shutter) {
                shutters.push_back(shutter);
            }
        }
    }
    // The text when the recording began, then each change.
    void Expect(std::initializer_list<std::string> texts) {
        EXPECT_EQ(countdown, std::vector<std::string>(texts));
        countdown.clear();
    }

    std::vector<std::string> countdown;
    std::vector<int> shutters;
};

TEST_F(PanelFreeRun, SendToControllerTakesTheRepeatNumberAsTyped) {
    struct Case {
        const char* typed;
        Bytes bytes;
        const char* shown;
    };
    const Case cases[] = {
        {"65000", {0xFA, 0xF0, 0xFD, 0xE8}, "65000"},
        {"65001", {0xFA, 0xF0, 0xFF, 0xFF}, "Continuous"},
        {"300", {0xFA, 0xF0, 0x01, 0x2C}, "300"},
        {"", {0xFA, 0xF0, 0x00, 0x00}, ""},
        {"-1", {0xFA, 0xF0, 0x00, 0xFF}, "-1"},
        {"abc", {0xFA, 0xF0, 0x00, 0x00}, "abc"},
    };
    for (const Case& c : cases) {
        sim.fsim_clear_written(0);
        SendRepeat(c.typed);
        EXPECT_EQ(Written(), c.bytes) << c.typed;
        EXPECT_EQ(Text(kCtlRepeatCount), c.shown) << c.typed;
        EXPECT_EQ(Text(kCtlCyclesLeft), c.shown) << c.typed;
    }
    EXPECT_EQ(State().m_nFreeRunCountMode, 0);
}

TEST_F(PanelFreeRun, RunningOptionsAndTheEmptyRepeatNumber) {
    EXPECT_THAT(Sent(kCtlGo), IsEmpty());
    EXPECT_THAT(Messages(), ElementsAre("Please set the repeat number first, then try again!"));
    EXPECT_EQ(panel->messages[0].type, kMbOk | kMbIconExclamation);
    EXPECT_TRUE(Checked(kCtlGo));
    EXPECT_EQ(State().m_nFreeRunCountMode, 0);

    EXPECT_THAT(Sent(kCtlOnPowerUp), ElementsAre(0xFA, 0xF1));
    EXPECT_EQ(State().m_nFreeRunCountMode, 0);
    SetText(kCtlRepeatCount, " ");  // only the empty text is refused
    Click(kCtlShutterClose);
    EXPECT_THAT(Sent(kCtlOnTriggerPulse), ElementsAre(0xFA, 0xF2));
    EXPECT_EQ(State().m_nFreeRunCountMode, 1);
    EXPECT_EQ(State().m_nFreeRunCountEdge, 1);
    EXPECT_THAT(Sent(kCtlStop), ElementsAre(0xBF));
    EXPECT_EQ(State().m_nFreeRunCountMode, 1);  // STOP alone ends nothing
}

// 200 ms closed, 300 ms exposed, five cycles: the shutter radios follow the
// controller and the count runs down, then back to the full number.
TEST_F(PanelFreeRun, AGoRunCountsItsCyclesDown) {
    Click(kCtlShutterClose);
    SetTimer(0, "200");
    SetTimer(1, "300");
    SendRepeat("5");
    RunFor(20);  // the echoes of the settings, Close's 0xAC among them
    countdown.clear();
    Click(kCtlGo);
    EXPECT_EQ(State().m_nFreeRunCountMode, 2);
    RunFor(3000);
    Expect({"5", "4", "3", "2", "1", "5"});
    EXPECT_THAT(shutters, ElementsAre(1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1));
    EXPECT_EQ(State().m_nFreeRunCountMode, 0);

    // Restore Default: the controller's factory settings come back by themselves.
    panel->answers = {kIdOk};
    EXPECT_THAT(Sent(kCtlRestoreDefault), ElementsAre(0xFA, 0xC0));
    EXPECT_EQ(State().m_nResetPending, 2);
    RunFor(50);
    EXPECT_EQ(State().m_nResetPending, 0);
    EXPECT_EQ(Text(kCtlRepeatCount), "1");
    EXPECT_EQ(Text(kCtlClosedTimeDisplay), "00 : 00 : 00 : 000 : 0");
    EXPECT_EQ(Text(kCtlExposureTimeDisplay), "00 : 00 : 00 : 000 : 0");
    EXPECT_FALSE(Checked(kCtlGo));
}

// Armed by On Trigger Pulse with a trigger option set, the count starts
// again at every triggered run.
TEST_F(PanelFreeRun, ATriggeredRunCountsAgainAfterEveryPulse) {
    Click(kCtlShutterClose);
    Click(kCtlEnableOnHigh);
    SetTimer(0, "10");
    SendRepeat("2");
    RunFor(20);
    countdown.clear();
    Click(kCtlOnTriggerPulse);
    RunFor(100);
    Expect({"2"});
    sim.fsim_trigger_pulse(0);
    RunFor(200);
    Expect({"2", "1", "2"});
    EXPECT_EQ(State().m_nFreeRunCountMode, 1);
    sim.fsim_trigger_pulse(0);
    RunFor(200);
    Expect({"2", "1", "2"});
    Click(kCtlStop);
    RunFor(20);
    EXPECT_EQ(State().m_nFreeRunCountMode, 0);
}

// "Continuous" never counts; the controller's carriage return after STOP ends the mode.
TEST_F(PanelFreeRun, AContinuousRunNeverCountsAndStopEndsIt) {
    Click(kCtlShutterClose);
    SetTimer(0, "10");
    SendRepeat("70000");
    RunFor(20);
    countdown.clear();
    Click(kCtlGo);
    RunFor(500);
    Expect({"Continuous"});
    EXPECT_EQ(State().m_nFreeRunCountMode, 2);
    Click(kCtlStop);
    RunFor(50);
    EXPECT_EQ(State().m_nFreeRunCountMode, 0);
    Expect({"Continuous"});
}

TEST_F(PanelFreeRun, MaintenanceAsksFirstAndSendsOnlyOnOk) {
    panel->answers = {kIdCancel, kIdOk, kIdCancel};
    EXPECT_THAT(Sent(kCtlSaveConfigToController), IsEmpty());
    EXPECT_THAT(Sent(kCtlSaveConfigToController), ElementsAre(0xFA, 0xC1));
    EXPECT_THAT(Sent(kCtlRestoreDefault), IsEmpty());
    EXPECT_EQ(State().m_nResetPending, 0);
    EXPECT_THAT(
        Messages(),
        ElementsAre(
            "This will save all the current configurations to Quillon controller,\nthe new "
            "configurations will be the initial setting when the controller\npower up next "
            "time!\n\nClick OK to save or Cancel to dismiss?",
            "This will save all the current configurations to Quillon controller,\nthe new "
            "configurations will be the initial setting when the controller\npower up next "
            "time!\n\nClick OK to save or Cancel to dismiss?",
            "This will restore the factory default configurations for Quillon controller!\nAre "
            "you sure?\n\nClick OK to restore or Cancel to dismiss?"));
    for (const ShownMessage& m : panel->messages) {
        EXPECT_EQ(m.caption, "Warning");
        EXPECT_EQ(m.type, kMbOkCancel | kMbIconInformation);
    }

    EXPECT_THAT(Sent(kCtlPowerOff), ElementsAre(0xCF));
    EXPECT_THAT(Sent(kCtlPowerOn), ElementsAre(0xCE));
    RunFor(20);
    Click(kCtlClear);
    EXPECT_THAT(Sent(kCtlGetControllerInfo), ElementsAre(0xFD));
    RunFor(20);
    EXPECT_THAT(LogLines(), ElementsAre("253  0xFD", "QSC-1000", "V2.0"));
}

// Each trigger option ticks "Trigger Pulse ->>" and sends its code.
TEST_F(PanelFreeRun, TriggerOptions) {
    Click(kCtlTriggerPulse);  // off: no option checked
    EXPECT_THAT(Sent(kCtlTriggerOnFallingEdge), ElementsAre(0xFA, 0xA4));
    EXPECT_TRUE(Checked(kCtlTriggerPulse));
    EXPECT_EQ(panel->Fields().m_nTriggerMode, 3);
    EXPECT_THAT(Sent(kCtlEnableOnLow), ElementsAre(0xFA, 0xA2));
    EXPECT_THAT(Sent(kCtlTriggerOnRisingEdge), ElementsAre(0xFA, 0xA3));
    EXPECT_THAT(Sent(kCtlEnableOnHigh), ElementsAre(0xFA, 0xA1));
    EXPECT_TRUE(Checked(kCtlTriggerPulse));
}

// With the link not ready no confirmation is shown and nothing is sent.
TEST_F(PanelTest, MaintenanceOnALinkNotReadyAsksNothing) {
    RememberDevice(0, kDescription);
    sim.fsim_set_probe_reply(0, FSIM_PROBE_SILENT, 0);
    Start();
    sim.fsim_clear_written(0);
    for (int id : {kCtlSaveConfigToController, kCtlRestoreDefault, kCtlGo, kCtlSendRepeatCount,
                   kCtlSetTimer, kCtlTriggerOnFallingEdge}) {
        Click(id);
    }
    EXPECT_THAT(Messages(), IsEmpty());
    EXPECT_THAT(Written(), IsEmpty());
    EXPECT_TRUE(Checked(kCtlTriggerOnFallingEdge));
    EXPECT_TRUE(Checked(kCtlTriggerPulse));
}
