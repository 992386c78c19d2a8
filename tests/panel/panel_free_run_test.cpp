// Free runs against the simulated controller's own runs on its manual clock,
// and the controller's maintenance behind its confirmations.
#include <QComboBox>
#include <QTest>

#include "panel_fixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class PanelFreeRun : public PanelTest {
protected:
    void SetUp() override { StartReady(); }
    void SendRepeat(const char* text) {
        SetText(1083, text);
        Click(1052);
    }
    // Sets one timer as the user would: choose it, type it, send it.
    void SetTimer(int timer, const char* ms) {
        panel->m_comboTimer->setCurrentIndex(timer);
        emit panel->m_comboTimer->activated(timer);
        SetText(1082, ms);
        Click(1044);
    }
    // Runs the link for a while, a poll every 5 ms, and keeps each new text
    // of "Left Cycle Number" and each shutter report.
    void RunFor(uint64_t ms) {
        for (uint64_t t = 0; t < ms; t += 5) {
            PollAfter(5000);
            if (countdown.empty() || countdown.back() != Text(1084)) {
                countdown.push_back(Text(1084));
            }
            int shutter = Checked(1065) ? 0 : Checked(1066) ? 1 : -1;
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
        EXPECT_EQ(Text(1083), c.shown) << c.typed;
        EXPECT_EQ(Text(1084), c.shown) << c.typed;
    }
    EXPECT_EQ(State().m_nFreeRunCountMode, 0);
}

TEST_F(PanelFreeRun, RunningOptionsAndTheEmptyRepeatNumber) {
    EXPECT_THAT(Sent(1068), IsEmpty());
    EXPECT_THAT(Messages(), ElementsAre("Please set the repeat number first, then try again!"));
    EXPECT_EQ(panel->messages[0].type, kMbOk | kMbIconExclamation);
    EXPECT_TRUE(Checked(1068));
    EXPECT_EQ(State().m_nFreeRunCountMode, 0);

    EXPECT_THAT(Sent(1063), ElementsAre(0xFA, 0xF1));
    EXPECT_EQ(State().m_nFreeRunCountMode, 0);
    SetText(1083, " ");  // only the empty text is refused
    Click(1066);
    EXPECT_THAT(Sent(1064), ElementsAre(0xFA, 0xF2));
    EXPECT_EQ(State().m_nFreeRunCountMode, 1);
    EXPECT_EQ(State().m_nFreeRunCountEdge, 1);
    EXPECT_THAT(Sent(1050), ElementsAre(0xBF));
    EXPECT_EQ(State().m_nFreeRunCountMode, 1);  // STOP alone ends nothing
}

// 200 ms closed, 300 ms exposed, five cycles: the shutter radios follow the
// controller and the count runs down, then back to the full number.
TEST_F(PanelFreeRun, AGoRunCountsItsCyclesDown) {
    Click(1066);
    SetTimer(0, "200");
    SetTimer(1, "300");
    SendRepeat("5");
    RunFor(20);  // the echoes of the settings, Close's 0xAC among them
    countdown.clear();
    Click(1068);
    EXPECT_EQ(State().m_nFreeRunCountMode, 2);
    RunFor(3000);
    Expect({"5", "4", "3", "2", "1", "5"});
    EXPECT_THAT(shutters, ElementsAre(1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1));
    EXPECT_EQ(State().m_nFreeRunCountMode, 0);

    // Restore Default: the controller's factory settings come back by themselves.
    panel->answers = {kIdOk};
    EXPECT_THAT(Sent(1051), ElementsAre(0xFA, 0xC0));
    EXPECT_EQ(State().m_nResetPending, 2);
    RunFor(50);
    EXPECT_EQ(State().m_nResetPending, 0);
    EXPECT_EQ(Text(1083), "1");
    EXPECT_EQ(Text(1103), "00 : 00 : 00 : 000 : 0");
    EXPECT_EQ(Text(1104), "00 : 00 : 00 : 000 : 0");
    EXPECT_FALSE(Checked(1068));
}

// Armed by On Trigger Pulse with a trigger option set, the count starts
// again at every triggered run.
TEST_F(PanelFreeRun, ATriggeredRunCountsAgainAfterEveryPulse) {
    Click(1066);
    Click(1058);
    SetTimer(0, "10");
    SendRepeat("2");
    RunFor(20);
    countdown.clear();
    Click(1064);
    RunFor(100);
    Expect({"2"});
    sim.fsim_trigger_pulse(0);
    RunFor(200);
    Expect({"2", "1", "2"});
    EXPECT_EQ(State().m_nFreeRunCountMode, 1);
    sim.fsim_trigger_pulse(0);
    RunFor(200);
    Expect({"2", "1", "2"});
    Click(1050);
    RunFor(20);
    EXPECT_EQ(State().m_nFreeRunCountMode, 0);
}

// "Continuous" never counts; the controller's carriage return after STOP ends the mode.
TEST_F(PanelFreeRun, AContinuousRunNeverCountsAndStopEndsIt) {
    Click(1066);
    SetTimer(0, "10");
    SendRepeat("70000");
    RunFor(20);
    countdown.clear();
    Click(1068);
    RunFor(500);
    Expect({"Continuous"});
    EXPECT_EQ(State().m_nFreeRunCountMode, 2);
    Click(1050);
    RunFor(50);
    EXPECT_EQ(State().m_nFreeRunCountMode, 0);
    Expect({"Continuous"});
}

TEST_F(PanelFreeRun, MaintenanceAsksFirstAndSendsOnlyOnOk) {
    panel->answers = {kIdCancel, kIdOk, kIdCancel};
    EXPECT_THAT(Sent(1046), IsEmpty());
    EXPECT_THAT(Sent(1046), ElementsAre(0xFA, 0xC1));
    EXPECT_THAT(Sent(1051), IsEmpty());
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

    EXPECT_THAT(Sent(1054), ElementsAre(0xCF));
    EXPECT_THAT(Sent(1053), ElementsAre(0xCE));
    RunFor(20);
    Click(1023);
    EXPECT_THAT(Sent(1049), ElementsAre(0xFD));
    RunFor(20);
    EXPECT_THAT(LogLines(), ElementsAre("253  0xFD", "QSC-1000", "V2.0"));
}

// Each trigger option ticks "Trigger Pulse ->>" and sends its code.
TEST_F(PanelFreeRun, TriggerOptions) {
    Click(1087);  // off: no option checked
    EXPECT_THAT(Sent(1111), ElementsAre(0xFA, 0xA4));
    EXPECT_TRUE(Checked(1087));
    EXPECT_EQ(panel->Fields().m_nTriggerMode, 3);
    EXPECT_THAT(Sent(1059), ElementsAre(0xFA, 0xA2));
    EXPECT_THAT(Sent(1110), ElementsAre(0xFA, 0xA3));
    EXPECT_THAT(Sent(1058), ElementsAre(0xFA, 0xA1));
    EXPECT_TRUE(Checked(1087));
}

// With the link not ready no confirmation is shown and nothing is sent.
TEST_F(PanelTest, MaintenanceOnALinkNotReadyAsksNothing) {
    RememberDevice(0, kDescription);
    sim.fsim_set_probe_reply(0, FSIM_PROBE_SILENT, 0);
    Start();
    sim.fsim_clear_written(0);
    for (int id : {1046, 1051, 1068, 1052, 1044, 1111}) {
        Click(id);
    }
    EXPECT_THAT(Messages(), IsEmpty());
    EXPECT_THAT(Written(), IsEmpty());
    EXPECT_TRUE(Checked(1111));
    EXPECT_TRUE(Checked(1087));
}
