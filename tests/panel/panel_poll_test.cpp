// The paced poll and the reply decoder: bytes from the simulated controller's
// queue through the decoder into the panel.
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "core/engine/engine_events.h"
#include "core/protocol/poll_pace.h"
#include "panel/widgets/line_list_view.h"
#include "panel_fixture.h"

using namespace ferrule;

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace {

// What the engine tells its observers about the batches it reads.
class BatchWatch : public EngineObserver {
public:
    void OnEngineEvent(const EngineEvent& event) override {
        switch (event.kind) {
            case EngineEvent::Kind::Received:
                received.insert(received.end(), event.bytes.begin(), event.bytes.end());
                break;
            case EngineEvent::Kind::Byte:
                routes.push_back(event.route);
                break;
            case EngineEvent::Kind::BatchDecoded:
                ++batches;
                if (afterBatch) {
                    afterBatch();
                }
                break;
            case EngineEvent::Kind::LinkLost:
                ++linksLost;
                break;
            default:
                break;
        }
    }
    std::vector<uint8_t> received;
    std::vector<ByteRoute> routes;
    int batches = 0;
    int linksLost = 0;
    std::function<void()> afterBatch;
};

}  // namespace

class PanelPoll : public PanelTest {
protected:
    void SetUp() override {
        RememberDevice(0, kDescription);
        Start();
        ASSERT_TRUE(panel->Engine().LinkReady());
        sim.fsim_clear_written(0);
        // The panel's clock stands still unless a test moves it, so the poll
        // keeps the reply pace the opened link began with.
        panel->nowMs = 0;
        panel->PollSoon();
        // The probe's answer: echo and acknowledgment.
        PollAfter(1000);
        Click(kCtlClear);
        panel->Engine().AddObserver(&watch);
    }
    void TearDown() override { panel->Engine().RemoveObserver(&watch); }
    // Enough link time for count bytes to arrive.
    static uint64_t LinkTime(size_t count) { return count * 79 + 100; }
    void Receive(Bytes bytes) {
        size_t n = bytes.size();
        Inject(std::move(bytes));
        PollAfter(LinkTime(n));
    }
    int ReceivedCount() const { return std::stoi(Text(kCtlReceivedBytes)); }
    QTimer* Timer() const { return panel->findChild<QTimer*>("pollTimer"); }

    // The poll at the pace of a stream that nothing awaits: the last reply
    // long past and bytes arriving; then an empty log.
    void ToStreamPace() {
        *panel->nowMs += PollPace::kHoldMs;
        Receive({0x40});
        ASSERT_EQ(Timer()->interval(), PollPace::kStreamMs);
        Click(kCtlClear);
        watch = {};
    }
    // The next tick of the poll timer, as far on as its interval: the link
    // carries what it can meanwhile.
    void WakeUp() {
        const int interval = Timer()->interval();
        *panel->nowMs += interval;
        PollAfter(static_cast<uint64_t>(interval) * 1000);
    }
    // Bytes that take the plain path and nothing else, none repeating its
    // neighbour.
    static Bytes PlainBytes(size_t count, int seed = 0) {
        Bytes bytes(count);
        for (size_t i = 0; i < count; ++i) {
            bytes[i] = static_cast<uint8_t>(0x20 + (i * 37 + static_cast<size_t>(seed)) % 0x50);
        }
        return bytes;
    }
    static std::vector<std::string> LinesOf(const Bytes& bytes) {
        std::vector<std::string> lines;
        for (uint8_t byte : bytes) {
            lines.push_back(RawByteLine(byte));
        }
        return lines;
    }
    std::vector<std::string> Reads() const {
        std::vector<std::string> reads;
        for (const std::string& call : CallLines()) {
            if (call.rfind("FT_Read(", 0) == 0) {
                reads.push_back(call);
            }
        }
        return reads;
    }

    BatchWatch watch;
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

    panel->nowMs = 400;  // nothing sent, nothing received
    panel->Poll();
    EXPECT_EQ(timer->interval(), 64);

    Receive({0x41, 0x42});  // bytes nothing awaits: every fourth frame
    EXPECT_EQ(timer->interval(), 64);

    State().m_nStatusReplyCount = 0;  // a reply is armed
    panel->Poll();
    EXPECT_EQ(timer->interval(), 2);
    State().m_nStatusReplyCount = -1;

    sim.fsim_fail_queue_status(0, 4);  // the link breaks: no poll at all
    panel->Poll();
    EXPECT_FALSE(timer->isActive());
}

TEST_F(PanelPoll, ALongStreamIsReadInSeveralReadsAWakeUpWithNoByteLostOrReordered) {
    ToStreamPace();
    const Bytes stream = PlainBytes(5000);
    Inject(stream);
    sim.fsim_advance_us(LinkTime(stream.size()));
    sim.fsim_record_calls(1);
    panel->Poll();  // one wake-up
    std::vector<std::string> reads(8, "FT_Read(600)");
    reads.push_back("FT_Read(200)");
    EXPECT_EQ(Reads(), reads);
    EXPECT_EQ(LogLines(), LinesOf(stream));
    EXPECT_EQ(panel->Fields().m_nReceivedBytes, 5000);
    // Observers are told every batch and every byte, in order.
    EXPECT_EQ(watch.batches, 9);
    EXPECT_EQ(watch.received, stream);
    EXPECT_EQ(watch.routes, std::vector<ByteRoute>(stream.size(), ByteRoute::Plain));
}

// The same bytes, once read a few at a time by the 2 ms pace, once by the
// timer's own pace (a stream's, and 2 ms again while each information reply
// is awaited), in reads that split them elsewhere: the same log, count and
// shutter, and the same events.
TEST_F(PanelPoll, DecodingIsTheSameWhateverThePace) {
    Bytes stream;
    std::vector<std::string> lines;
    auto add = [&](const Bytes& bytes, bool listed = true) {
        stream.insert(stream.end(), bytes.begin(), bytes.end());
        if (listed) {
            for (const std::string& line : LinesOf(bytes)) {
                lines.push_back(line);
            }
        }
    };
    for (int k = 0; k < 12; ++k) {
        add(PlainBytes(150, k));
        add({0xFD});
        add({'Q', 'S', 'C', '-', '1', '0', '0', '0', 'V', '2', '.', '0'}, false);
        lines.push_back("QSC-1000");
        lines.push_back("V2.0");
        add({0xAA});
        add(PlainBytes(30, k));
        add({0xAC});
    }
    add(PlainBytes(40));
    add({0xAA});

    struct Outcome {
        std::vector<std::string> log;
        std::string count;
        bool open;
        Bytes received;
        std::vector<ByteRoute> routes;
    };
    auto run = [&](bool followTheTimer) {
        Inject(stream);
        for (int wakeUps = 0;
             panel->Fields().m_nReceivedBytes < static_cast<int>(stream.size()) && wakeUps < 1000;
             ++wakeUps) {
            followTheTimer ? WakeUp() : PollAfter(2000);
        }
        WakeUp();  // the stream has ended
        Outcome outcome{LogLines(), Text(kCtlReceivedBytes), Checked(kCtlShutterOpen),
                        watch.received, watch.routes};
        Click(kCtlClear);
        watch = {};
        return outcome;
    };
    const Outcome fine = run(false);
    EXPECT_EQ(fine.log, lines);
    EXPECT_EQ(fine.count, std::to_string(stream.size()));
    EXPECT_TRUE(fine.open);
    EXPECT_EQ(fine.received, stream);

    ToStreamPace();
    const Outcome paced = run(true);
    EXPECT_EQ(paced.log, fine.log);
    EXPECT_EQ(paced.count, fine.count);
    EXPECT_EQ(paced.open, fine.open);
    EXPECT_EQ(paced.received, fine.received);
    EXPECT_EQ(paced.routes, fine.routes);
}

TEST_F(PanelPoll, TheCountBoxFollowsAStreamAtMostFourTimesASecondAndIsExactWhenItStops) {
    ToStreamPace();
    auto* box = static_cast<QLineEdit*>(Control(kCtlReceivedBytes));
    int writes = 0;
    QObject::connect(box, &QLineEdit::textChanged, [&writes] { ++writes; });
    const int total = 12'800 * 2;  // two seconds at the link's rate
    Inject(PlainBytes(total));
    const int64_t start = *panel->nowMs;
    std::vector<std::pair<int64_t, int>> counts{{start, 0}};  // when, and the count then
    while (panel->Fields().m_nReceivedBytes < total && counts.size() < 100u) {
        WakeUp();
        ASSERT_EQ(Timer()->interval(), PollPace::kStreamMs);
        counts.emplace_back(*panel->nowMs, panel->Fields().m_nReceivedBytes);
        // The box shows the count as it was at a wake-up no more than a
        // quarter of a second ago.
        bool recent = false;
        for (auto [when, count] : counts) {
            recent = recent || (*panel->nowMs - when <= 250 && ReceivedCount() == count);
        }
        EXPECT_TRUE(recent) << "at " << *panel->nowMs << " ms the box shows " << ReceivedCount()
                            << " of " << panel->Fields().m_nReceivedBytes;
    }
    const int64_t lasted = *panel->nowMs - start;
    EXPECT_LE(writes, lasted / 250 + 1);
    EXPECT_GE(writes, lasted / 250 - 1);
    // The stream has stopped: the next wake-up shows the exact count.
    WakeUp();
    EXPECT_EQ(ReceivedCount(), total);
    EXPECT_EQ(panel->Fields().m_nReceivedBytes, total);
    EXPECT_EQ(LogLines().size(), static_cast<size_t>(total));
}

// A command reads the panel's controls into the fields; a count box that has
// not caught up with the stream is brought up to date first, never read back.
TEST_F(PanelPoll, ACommandWhileTheCountBoxLagsKeepsTheExactCount) {
    ToStreamPace();
    Inject(PlainBytes(3000));
    WakeUp();
    WakeUp();
    const int count = panel->Fields().m_nReceivedBytes;
    ASSERT_LT(ReceivedCount(), count);
    Click(kCtlOnLine);
    EXPECT_EQ(panel->Fields().m_nReceivedBytes, count);
    EXPECT_EQ(ReceivedCount(), count);
    EXPECT_EQ(Timer()->interval(), PollPace::kReplyMs);  // its echo is awaited
}

TEST_F(PanelPoll, AnAwaitedReplyInAStreamIsReadAtTheTwoMillisecondPace) {
    ToStreamPace();
    Bytes start = PlainBytes(300);
    start.insert(start.end(), {0xFD, 'Q', 'S', 'C'});
    Inject(start);
    WakeUp();
    EXPECT_EQ(State().m_nInfoReplyCount, 3);
    EXPECT_EQ(Timer()->interval(), PollPace::kReplyMs);
    sim.fsim_record_calls(1);
    Inject({'-', '1', '0', '0', '0', 'V', '2', '.', '0'});
    WakeUp();
    EXPECT_THAT(Reads(), ElementsAre("FT_Read(9)"));
    const std::vector<std::string> log = LogLines();
    ASSERT_GE(log.size(), 2u);
    EXPECT_THAT(std::vector<std::string>(log.end() - 2, log.end()),
                ElementsAre("QSC-1000", "V2.0"));
    EXPECT_EQ(ReceivedCount(), 313);  // shown at once at this pace

    // A command given while the stream's pace still holds: 2 ms at once, one
    // read a wake-up, and the reply shown as soon as its last byte is read.
    ToStreamPace();
    sim.fsim_clear_written(0);
    Click(kCtlStatus);
    ASSERT_EQ(Timer()->interval(), PollPace::kReplyMs);
    sim.fsim_record_calls(1);
    for (int wakeUps = 0; State().m_nStatusReplyCount != -1 && wakeUps < 50; ++wakeUps) {
        WakeUp();
        EXPECT_EQ(Timer()->interval(), PollPace::kReplyMs);
    }
    EXPECT_EQ(State().m_nStatusReplyCount, -1);
    for (const std::string& read : Reads()) {
        EXPECT_NE(read, "FT_Read(600)");  // a handful of bytes each tick
    }
    EXPECT_EQ(ReceivedCount(), panel->Fields().m_nReceivedBytes);
}

// The program was held up while many kilobytes queued: each wake-up takes a
// bounded share, so the panel keeps answering, and nothing is lost.
TEST_F(PanelPoll, ABacklogDrainsInBoundedWakeUpsWithoutLosingAByte) {
    ToStreamPace();
    const Bytes backlog = PlainBytes(100'000, 5);
    Inject(backlog);
    sim.fsim_advance_us(LinkTime(backlog.size()));
    const int perWakeUp = PollPace::ReadsPerWakeUp(PollPace::kStreamMs) * 600;
    int wakeUps = 0;
    while (panel->Fields().m_nReceivedBytes < static_cast<int>(backlog.size()) && wakeUps < 50) {
        const int before = panel->Fields().m_nReceivedBytes;
        *panel->nowMs += PollPace::kStreamMs;
        panel->Poll();
        ++wakeUps;
        EXPECT_LE(panel->Fields().m_nReceivedBytes - before, perWakeUp);
        EXPECT_EQ(Timer()->interval(), PollPace::kStreamMs);
    }
    EXPECT_EQ(wakeUps, (static_cast<int>(backlog.size()) + perWakeUp - 1) / perWakeUp);
    EXPECT_EQ(LogLines(), LinesOf(backlog));
    WakeUp();
    EXPECT_EQ(ReceivedCount(), static_cast<int>(backlog.size()));
}

TEST_F(PanelPoll, ALinkThatBreaksInTheMiddleOfAWakeUpIsTornDownOnce) {
    ToStreamPace();
    const Bytes stream = PlainBytes(1500);
    Inject(stream);
    sim.fsim_advance_us(LinkTime(stream.size()));
    watch.afterBatch = [this] { sim.fsim_fail_queue_status(0, FT_IO_ERROR); };
    sim.fsim_record_calls(1);
    panel->Poll();
    EXPECT_THAT(CallLines(), ElementsAre("FT_GetQueueStatus()", "FT_Read(600)",
                                         "FT_GetQueueStatus()", "FT_Close()"));
    EXPECT_EQ(watch.linksLost, 1);
    EXPECT_EQ(Status(), "USB not open.");
    EXPECT_FALSE(panel->Engine().LinkReady());
    EXPECT_FALSE(Timer()->isActive());
    // The batch read before the break is shown, and counted exactly; after
    // it, the one line that tells the link was lost.
    std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 601u);
    EXPECT_THAT(lines.back(), StartsWith("Link lost at "));
    lines.pop_back();
    EXPECT_EQ(lines, LinesOf(Bytes(stream.begin(), stream.begin() + 600)));
    EXPECT_EQ(ReceivedCount(), 600);
    EXPECT_THAT(Messages(), IsEmpty());
    panel->Poll();
    EXPECT_EQ(CallLines().size(), 4u);
}
