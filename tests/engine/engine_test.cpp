// The controller engine on its own, driving the simulated controller through
// the real driver binding: no window and no Qt. A recording view takes what
// the engine logs and shows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "engine_fixture.h"

using ferrule::Display;
using ferrule::PulseBox;
using ::testing::Contains;
using ::testing::ElementsAre;

// The controller's settings come back in the short layout, then in the
// Neutral Density one, and everything that shows them is refreshed.
TEST_F(Engine, StatusReplyInBothLayouts) {
    fields.m_nTimerSelect = 0;
    fields.m_strHour = "1";
    fields.m_strSecond = "30";
    Command([&] { EXPECT_FALSE(engine.SetTimer()); });
    Command([&] { engine.SetShutterMode(1); });
    Settle();
    fields = {};
    fields.m_strStatus = ferrule::kLinkReadyStatus;
    state.Reset();
    Command([&] { engine.Status(); });
    Settle();
    EXPECT_EQ(state.m_nStatusReplyCount, -1);
    EXPECT_EQ(fields.m_nShutterMode, 1);
    EXPECT_EQ(fields.m_nShutter, 1);
    EXPECT_EQ(state.m_strClosedTime, (ferrule::TimeText{"1", "0", "30", "0", "0"}));
    EXPECT_EQ(fields.m_strHour, "1");
    EXPECT_EQ(view.selected, 0);
    EXPECT_EQ(view.sliders, (std::array<int, 5>{1, 0, 30, 0, 0}));
    EXPECT_EQ(view.shown[Display::ClosedTime], "01 : 00 : 30 : 000 : 0");
    EXPECT_EQ(view.shown[Display::CycleTime], "Cycle Time - 01:00:30:140:0");
    EXPECT_EQ(view.shown[Display::OpeningTransition], "70 ms");
    EXPECT_EQ(fields.m_nReceivedBytes, 20);

    Command([&] { engine.SetNeutralDensity(20); });
    Settle();
    Command([&] { engine.Status(); });
    Settle();
    EXPECT_EQ(fields.m_nShutterMode, 2);
    EXPECT_EQ(fields.m_nNdSteps, 20);
    EXPECT_EQ(view.shown[Display::NdModeCaption], "Neutral Density - 20");
    EXPECT_EQ(view.shown[Display::ClosingTransition], "5.28 ms");
    EXPECT_EQ(state.m_strClosedTime, (ferrule::TimeText{"1", "0", "30", "0", "0"}));
    EXPECT_EQ(state.m_nStatusReplyCount, -1);
}

// Three cycles of a Go run, counted down on the controller's shutter
// reports, then the count back at the repeat number and the countdown off.
TEST_F(Engine, AGoRunIsCountedDownToItsEnd) {
    fields.m_nTimerSelect = 0;
    fields.m_strMillisecond = "100";
    Command([&] { engine.SetTimer(); });
    fields.m_nTimerSelect = 1;
    Command([&] { engine.SetTimer(); });
    fields.m_strRepeatCount = "3";
    Command([&] { engine.SendRepeatCount(); });
    Settle();
    fields.m_nShutter = 1;
    Command([&] { EXPECT_TRUE(engine.SetRunOption(2)); });
    EXPECT_EQ(state.m_nFreeRunCountMode, 2);
    std::vector<std::string> seen;
    for (int i = 0; i < 200 && state.m_nFreeRunCountMode != 0; ++i) {
        Settle(1);
        if (seen.empty() || seen.back() != fields.m_strCyclesLeft) {
            seen.push_back(fields.m_strCyclesLeft);
        }
    }
    EXPECT_THAT(seen, ElementsAre("3", "2", "1", "3"));
    EXPECT_EQ(state.m_nFreeRunCountMode, 0);
}

// A whole configuration goes out one message at a time, each after the
// controller has answered the one before, and the last arms the countdown.
TEST_F(Engine, ApplyUploadIsPacedByTheEcho) {
    state.m_strClosedTime = {"", "", "1", "", ""};
    fields.m_nShutter = 1;
    fields.m_nShutterMode = 2;
    fields.m_nNdSteps = 20;
    fields.m_nTriggerMode = -1;
    fields.m_nSyncLevel = -1;
    fields.m_strRepeatCount = "3";
    fields.m_nFreeRunOption = 1;
    EXPECT_FALSE(engine.Apply());
    EXPECT_THAT(Written(), ElementsAre(0xAC));  // nothing more until the echo
    Settle(40);
    EXPECT_THAT(Written(), ElementsAre(0xAC, 0xDE, 0x14, 0xFA, 0xA0, 0xFA, 0xB0, 0xFA, 0x10, 0x00,
                                       0x01, 0x00, 0x00, 0xFA, 0x20, 0x00, 0x00, 0x00, 0x00, 0xFA,
                                       0xF0, 0x00, 0x03, 0xFA, 0xF2));
    EXPECT_EQ(state.m_nApplyEchoCount, -1);
    EXPECT_EQ(state.m_nFreeRunCountMode, 1);
    EXPECT_EQ(state.m_nFreeRunCountEdge, 1);
}

// After a reset the controller's carriage return makes the engine ask for
// the status by itself, and the reply is taken as one.
TEST_F(Engine, ResetIsFollowedByAStatusRequest) {
    Command([&] { engine.Reset(); });
    EXPECT_EQ(state.m_nResetPending, 1);
    Settle();
    EXPECT_EQ(state.m_nResetPending, 0);
    EXPECT_EQ(state.m_nStatusReplyCount, -1);
    EXPECT_THAT(Written(), ElementsAre(0xFB, 0xCC));
    EXPECT_THAT(view.log, Contains("13"));
    EXPECT_EQ(view.shown[Display::ExposureTime], "00 : 00 : 00 : 000 : 0");
}

TEST_F(Engine, InformationReplyIsShownAsTwoLines) {
    Command([&] { engine.GetControllerInfo(); });
    Settle();
    EXPECT_THAT(view.log, ElementsAre("253", "QSC-1000", "V2.0"));
    EXPECT_EQ(fields.m_nReceivedBytes, 13);
}

// A link broken under the poll is torn down once, whatever the front end.
TEST_F(Engine, AFailingQueueBreaksTheLink) {
    sim.fsim_fail_queue_status(0, FT_IO_ERROR);
    const ferrule::ControllerEngine::PollResult result = engine.Poll();
    EXPECT_TRUE(result.linkBroken);
    EXPECT_FALSE(engine.LinkReady());
    EXPECT_EQ(fields.m_strStatus, "USB not open.");
    EXPECT_FALSE(engine.Poll().ran);
    EXPECT_FALSE(engine.BeginCommand());
}

namespace {

// Keeps what observers are told, as words.
class EventLog : public ferrule::EngineObserver {
public:
    void OnEngineEvent(const ferrule::EngineEvent& e) override {
        using Kind = ferrule::EngineEvent::Kind;
        switch (e.kind) {
            case Kind::Sent:
                lines.push_back("sent " + std::string(e.text));
                break;
            case Kind::Received:
                lines.push_back("received " + std::to_string(e.bytes.size()));
                break;
            case Kind::Byte:
                routes.push_back(e.route);
                effects.push_back(e.effect);
                break;
            case Kind::BatchDecoded:
                lines.push_back("decoded");
                break;
            case Kind::StatusReply:
                lines.push_back("status mode " + std::to_string(e.status->shutterMode));
                break;
            case Kind::InfoReply:
                lines.push_back("info " + std::string(e.text));
                break;
            case Kind::UploadStep:
                lines.push_back("step " + std::to_string(e.number));
                break;
            case Kind::UploadEnded:
                lines.push_back("upload ended " + std::string(e.text));
                break;
            case Kind::LinkLost:
                lines.push_back("link lost");
                break;
            case Kind::LinkTestSent:
                linkTestBytes += e.bytes.size();
                break;
        }
    }
    std::vector<std::string> lines;
    std::vector<ferrule::ByteRoute> routes;
    std::vector<ferrule::ByteEffect> effects;
    std::atomic<size_t> linkTestBytes{0};
};

}  // namespace

// What the engine tells its observers: each message sent by name, each batch
// and every byte of it with the branch that took it, and the whole replies.
TEST_F(Engine, ObserversFollowTheLink) {
    EventLog events;
    engine.AddObserver(&events);
    Command([&] { engine.Status(); });
    Settle();
    ASSERT_GE(events.lines.size(), 4u);
    EXPECT_EQ(events.lines[0], "sent Status");
    EXPECT_EQ(events.lines[1], "received 20");
    EXPECT_THAT(events.lines, Contains("status mode 0"));
    EXPECT_EQ(events.routes.size(), 20u);
    EXPECT_EQ(events.routes.front(), ferrule::ByteRoute::StatusReply);

    events.lines.clear();
    Command([&] { engine.SetShutter(0); });
    Command([&] { engine.GetControllerInfo(); });
    Settle();
    EXPECT_THAT(events.lines, Contains("sent Open"));
    EXPECT_THAT(events.lines, Contains("info QSC-1000V2.0"));
    EXPECT_THAT(events.effects, Contains(ferrule::ByteEffect::ShutterOpened));
    EXPECT_THAT(events.effects, Contains(ferrule::ByteEffect::InfoStarted));

    events.lines.clear();
    fields.m_nShutterMode = -1;  // stalls after Apply's first byte
    engine.Apply();
    Command([&] { engine.Stop(); });
    EXPECT_THAT(events.lines,
                ElementsAre("sent Open", "upload ended another command was given", "sent STOP"));

    engine.Blink().SetSpeed(499);
    engine.StartLinkTest();
    for (int i = 0; i < 500 && events.linkTestBytes < 3; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    engine.Blink().StopAndWait();
    EXPECT_GE(events.linkTestBytes, 3u);
    engine.RemoveObserver(&events);
}

// After a batch the view is asked to show only the count and the log when
// every byte was only counted and listed, and everything otherwise.
TEST_F(Engine, APlainBatchAsksTheViewForTheCountAndTheLogOnly) {
    auto batch = [&](Bytes bytes) {
        view.exchanges.clear();
        engine.DecodeBatch(bytes.data(), bytes.size());
        return view.exchanges;
    };
    EXPECT_THAT(batch({0x41, 0x00, 0xFF}), ElementsAre("read", "count and log"));
    EXPECT_THAT(batch({0x41, 0xAA}), ElementsAre("read", "fields"));  // a shutter report
    EXPECT_THAT(batch({0xFD, 'Q'}), ElementsAre("read", "fields"));   // an information reply
    EXPECT_THAT(batch({'S', 'C', '-', '1', '0', '0', '0', 'V', '2', '.', '0', 0x41}),
                ElementsAre("read", "fields"));
    EXPECT_THAT(batch({}), ElementsAre("fields"));  // a read that brought nothing decodable
    state.m_nResetPending = 1;
    EXPECT_THAT(batch({0x0D}), ElementsAre("read", "fields"));  // the status is requested
    state.m_nFreeRunCountMode = 2;
    EXPECT_THAT(batch({0x41}), ElementsAre("read", "fields"));  // a run's byte
    EXPECT_EQ(fields.m_nReceivedBytes, 3 + 2 + 2 + 12 + 1);
}
