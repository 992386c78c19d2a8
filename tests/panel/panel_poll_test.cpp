// The 2 ms poll and the reply decoder: bytes from the simulated controller's
// queue through the decoder into the panel.
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "panel/widgets/line_list_view.h"
#include "panel_fixture.h"

using namespace ferrule;

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class PanelPoll : public PanelTest {
protected:
    void SetUp() override {
        RememberDevice(0, kDescription);
        Start();
        ASSERT_TRUE(panel->Engine().LinkReady());
        sim.fsim_clear_written(0);
        // The probe's answer: echo and acknowledgment.
        PollAfter(1000);
        Click(kCtlClear);
    }
    // Enough link time for count bytes to arrive.
    static uint64_t LinkTime(size_t count) { return count * 79 + 100; }
    void Receive(Bytes bytes) {
        size_t n = bytes.size();
        Inject(std::move(bytes));
        PollAfter(LinkTime(n));
    }
    int ReceivedCount() const { return std::stoi(Text(kCtlReceivedBytes)); }
};

TEST_F(PanelPoll, PlainBytesAreCountedListedAndMoveTheShutterRadios) {
    Receive({0x41, 0xAA});
    EXPECT_THAT(LogLines(), ElementsAre("65  0x41", "170  0xAA"));
    EXPECT_TRUE(Checked(kCtlShutterOpen));
    EXPECT_EQ(ReceivedCount(), 2);
    Receive({0xAC, 0x00, 0xFF});
    EXPECT_THAT(LogLines(),
                ElementsAre("65  0x41", "170  0xAA", "172  0xAC", "0  0x00", "255  0xFF"));
    EXPECT_TRUE(Checked(kCtlShutterClose));
    EXPECT_EQ(ReceivedCount(), 5);
}

TEST_F(PanelPoll, AtMostSixHundredBytesPerPollTheRestNextTime) {
    Bytes many(700, 0x41);
    Inject(many);
    sim.fsim_advance_us(LinkTime(700));
    sim.fsim_record_calls(1);
    panel->Poll();
    EXPECT_EQ(ReceivedCount(), 600);
    EXPECT_EQ(LogLines().size(), 600u);
    panel->Poll();
    EXPECT_EQ(ReceivedCount(), 700);
    EXPECT_THAT(CallLines(), ElementsAre("FT_GetQueueStatus()", "FT_Read(600)",
                                         "FT_GetQueueStatus()", "FT_Read(100)"));
}

TEST_F(PanelPoll, IdlePollOnlyAsksTheQueue) {
    sim.fsim_record_calls(1);
    panel->Poll();
    panel->Poll();
    EXPECT_THAT(CallLines(), ElementsAre("FT_GetQueueStatus()", "FT_GetQueueStatus()"));
}

TEST_F(PanelPoll, InputOutputErrorStillDecodesTheBytesThatArrived) {
    Inject({0x41, 0x42, 0x43, 0x44});
    sim.fsim_advance_us(LinkTime(4));
    sim.fsim_set_read_error(0, FT_IO_ERROR, 3);
    panel->Poll();
    EXPECT_THAT(LogLines(), ElementsAre("65  0x41", "66  0x42", "67  0x43"));

    sim.fsim_set_read_error(0, FT_IO_ERROR, 0);
    panel->Poll();
    EXPECT_EQ(ReceivedCount(), 3);
    EXPECT_EQ(Status(), "USB ready for communication.");

    sim.fsim_set_read_error(0, FT_DEVICE_NOT_FOUND, 0);
    panel->Poll();
    EXPECT_EQ(ReceivedCount(), 3);  // another failure skips the batch, link stays up
    panel->Poll();
    EXPECT_EQ(ReceivedCount(), 4);
}

TEST_F(PanelPoll, QueueFailureTearsTheLinkDown) {
    sim.fsim_fail_queue_status(0, FT_IO_ERROR);
    sim.fsim_record_calls(1);
    panel->Poll();
    EXPECT_EQ(Status(), "USB not open.");
    EXPECT_FALSE(panel->Engine().LinkReady());
    EXPECT_THAT(CallLines(), ElementsAre("FT_GetQueueStatus()", "FT_Close()"));
    for (int id : {kCtlBlinkLeds, kCtlBlinkOff, kCtlSpeed, kCtlOpen, kCtlExit})
        EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_THAT(Messages(), IsEmpty());
    panel->Poll();
    EXPECT_EQ(CallLines().size(), 2u);  // later ticks do nothing
    // Commands stay gated off until Open succeeds.
    sim.fsim_fail_queue_status(0, FT_OK);
    Click(kCtlOpen);
    EXPECT_EQ(Status(), "USB ready for communication.");
}

TEST_F(PanelPoll, InformationReplyShowsEightAndFourCharactersEvenAcrossReads) {
    Receive({0xFD, 'Q', 'S', 'C', '-', '1'});
    EXPECT_THAT(LogLines(), ElementsAre("253  0xFD"));
    Receive({'0', '0', '0', 'V', '2', 0x01, 0x0D, 0x41});
    EXPECT_THAT(LogLines(), ElementsAre("253  0xFD", "QSC-1000", "V2..", "65  0x41"));
    EXPECT_EQ(ReceivedCount(), 14);
    EXPECT_EQ(State().m_nInfoReplyCount, -1);
}

TEST_F(PanelPoll, CarriageReturnAfterResetRequestsTheStatus) {
    State().m_nResetPending = 1;
    Receive({0x41, 0x0D});
    EXPECT_THAT(LogLines(), ElementsAre("65  0x41", "13  0x0D"));
    EXPECT_EQ(Written(), Bytes({0xCC}));
    EXPECT_EQ(State().m_nResetPending, 0);
    EXPECT_EQ(State().m_nStatusReplyCount, 0);
    // The controller's reply: 20 bytes go to the status reply, then the plain path again.
    PollAfter(LinkTime(20));
    EXPECT_EQ(State().m_nStatusReplyCount, -1);
    EXPECT_EQ(ReceivedCount(), 22);
    Receive({0xAA});
    EXPECT_TRUE(Checked(kCtlShutterOpen));
}

TEST_F(PanelPoll, GoCountdownCountsCyclesWithoutListing) {
    panel->Fields().m_strRepeatCount = "2";
    panel->Fields().m_strCyclesLeft = "2";
    panel->UpdateData(false);
    State().m_nFreeRunCountMode = 2;
    State().m_nFreeRunCountEdge = 1;  // armed with the shutter closed
    Receive({0xAA, 0xAC});
    EXPECT_EQ(Text(kCtlCyclesLeft), "1");
    EXPECT_TRUE(Checked(kCtlShutterClose));
    Receive({0xAA, 0xAC});
    EXPECT_EQ(Text(kCtlCyclesLeft), "2");
    EXPECT_EQ(State().m_nFreeRunCountMode, 0);
    EXPECT_EQ(ReceivedCount(), 0);
    EXPECT_THAT(LogLines(), IsEmpty());
}

TEST_F(PanelPoll, CarriageReturnEndsTheCountdownAndSwallowedRepliesWait) {
    panel->Fields().m_strRepeatCount = "5";
    panel->Fields().m_strCyclesLeft = "3";
    panel->UpdateData(false);
    State().m_nFreeRunCountMode = 1;
    State().m_nFreeRunCountEdge = 0;
    State().m_nStatusReplyCount = 0;  // a Status request made during the run
    Receive({0xCC, 0x41, 0xAA});
    EXPECT_EQ(Text(kCtlCyclesLeft), "2");
    EXPECT_EQ(State().m_nStatusReplyCount, 0);
    Receive({0x0D});
    EXPECT_EQ(Text(kCtlCyclesLeft), "5");
    EXPECT_EQ(State().m_nFreeRunCountMode, 0);
    Receive({0x99});
    EXPECT_EQ(State().m_nStatusReplyCount, 1);
    EXPECT_THAT(LogLines(), ElementsAre("153  0x99"));
}

TEST_F(PanelPoll, ContinuousRunsAreNotCounted) {
    panel->Fields().m_strRepeatCount = "Continuous";
    panel->Fields().m_strCyclesLeft = "Continuous";
    panel->UpdateData(false);
    State().m_nFreeRunCountMode = 2;
    State().m_nFreeRunCountEdge = 0;
    Receive({0xAA, 0xAC, 0xAA});
    EXPECT_EQ(Text(kCtlCyclesLeft), "Continuous");
    EXPECT_EQ(State().m_nFreeRunCountMode, 2);
}

TEST_F(PanelPoll, LogFollowsNewLinesOnlyWhileScrolledToTheEnd) {
    auto* list = static_cast<ferrule::LineListView*>(Control(kCtlReceivedData));
    QScrollBar* bar = list->verticalScrollBar();
    Receive(Bytes(200, 0x41));
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_GT(bar->maximum(), 0);
    bar->setValue(10);
    Receive(Bytes(50, 0x42));
    EXPECT_EQ(bar->value(), 10);
    bar->setValue(bar->maximum());
    Receive(Bytes(50, 0x43));
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(PanelPoll, AFailureInsideThePollShowsOneMessageNotAFlood) {
    panel->ExitSequence();
    panel.reset();
    SimLibrary variant(Variant("FT_GetQueueStatus"));
    variant.fsim_use_manual_clock(1);
    Start(Variant("FT_GetQueueStatus"));
    ASSERT_EQ(Status(), "USB ready for communication.");
    panel->messages.clear();
    int ticks = 0;
    panel->whileShown = [&] {
        ++ticks;
        panel->Poll();  // a timer tick while the box is up
    };
    panel->Poll();
    EXPECT_THAT(Messages(), ElementsAre("FT_GetQueueStatus is not valid!"));
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(Status(), "USB not open.");
    EXPECT_FALSE(panel->Engine().LinkReady());
}

TEST_F(PanelPoll, PollRunsAtTwoMillisecondsOnlyWhileAReplyIsAwaited) {
    auto* timer = panel->findChild<QTimer*>("pollTimer");
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 2);  // the link has just opened

    // Nothing sent, nothing received: the quiet pace after a quarter of a
    // second (waited for, however loaded the machine is).
    EXPECT_TRUE(QTest::qWaitFor([timer] { return timer->interval() == 40; }, 10000));

    Receive({0x41, 0x42});  // bytes nothing awaits: every other frame
    EXPECT_EQ(timer->interval(), 32);

    State().m_nStatusReplyCount = 0;  // a reply is armed
    panel->Poll();
    EXPECT_EQ(timer->interval(), 2);
    State().m_nStatusReplyCount = -1;

    sim.fsim_fail_queue_status(0, 4);  // the link breaks: no poll at all
    panel->Poll();
    EXPECT_FALSE(timer->isActive());
}
