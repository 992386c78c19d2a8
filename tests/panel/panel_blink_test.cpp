// The LED-blink link test: a real worker thread writing to the simulated
// controller while the panel goes on.
#include <QSlider>
#include <QTest>
#include <algorithm>

#include "panel_fixture.h"

using namespace ferrule;

using ::testing::ElementsAre;

class PanelBlink : public PanelTest {
protected:
    void SetUp() override {
        RememberDevice(0, kDescription);
        sim.fsim_record_calls(1);
        Start();
        ASSERT_TRUE(panel->Engine().LinkReady());
        sim.fsim_clear_written(0);
        sim.fsim_clear_calls();
    }
    void TearDown() override {
        if (panel)
            panel->ExitSequence();
    }
    // The user lets go of the Speed slider at value.
    void ReleaseSpeedAt(int value) {
        auto* slider = static_cast<QSlider*>(Control(kCtlSpeed));
        slider->setValue(value);
        QTest::mouseRelease(slider, Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    bool WaitForWritten(size_t count, int timeoutMs = 5000) {
        return QTest::qWaitFor([&] { return Written().size() >= count; }, timeoutMs);
    }
    size_t WriteCalls(const std::string& call) const {
        std::vector<std::string> calls = CallLines();
        return static_cast<size_t>(std::count(calls.begin(), calls.end(), call));
    }
    // Bytes 0x40-0x4F in order, starting from first.
    static bool IsBlinkSequence(const Bytes& bytes, size_t from, uint8_t first) {
        for (size_t i = from; i < bytes.size(); ++i) {
            if (bytes[i] != (0x40 | ((first + (i - from)) & 0x0F)))
                return false;
        }
        return true;
    }
};

TEST_F(PanelBlink, StreamCyclesThroughTheTestBytesAtTheReleasedSpeed) {
    EXPECT_EQ(panel->Engine().Blink().Speed(),
              0);  // the slider shows 10, but only a release counts
    ReleaseSpeedAt(495);
    EXPECT_EQ(panel->Engine().Blink().Speed(), 495);
    Click(kCtlBlinkLeds);
    EXPECT_FALSE(Enabled(kCtlBlinkLeds));
    EXPECT_FALSE(Enabled(kCtlExit));
    EXPECT_TRUE(Enabled(kCtlBlinkOff));
    EXPECT_TRUE(Enabled(kCtlSpeed));
    ASSERT_TRUE(WaitForWritten(18));
    Click(kCtlBlinkOff);
    for (int id : {kCtlBlinkLeds, kCtlBlinkOff, kCtlSpeed, kCtlOpen, kCtlExit})
        EXPECT_TRUE(Enabled(id)) << id;
    Bytes written = Written();
    EXPECT_TRUE(IsBlinkSequence(written, 0, 0));
    EXPECT_EQ(WriteCalls("FT_Write(1)"), written.size());
}

TEST_F(PanelBlink, KeyboardMovesOfTheSliderDoNotChangeTheSpeed) {
    auto* slider = static_cast<QSlider*>(Control(kCtlSpeed));
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    QCoreApplication::processEvents();
    EXPECT_EQ(slider->value(), 11);
    EXPECT_EQ(panel->Engine().Blink().Speed(), 0);
}

TEST_F(PanelBlink, TopSpeedSendsBurstsAndSingleBytesResumeAtTheFirstTestByte) {
    ReleaseSpeedAt(500);
    Click(kCtlBlinkLeds);
    ASSERT_TRUE(WaitForWritten(128));
    ReleaseSpeedAt(490);
    ASSERT_TRUE(QTest::qWaitFor([&] { return WriteCalls("FT_Write(1)") >= 3; }, 5000));
    Click(kCtlBlinkOff);
    panel->ExitSequence();  // waits for the worker
    Bytes written = Written();
    size_t bursts = WriteCalls("FT_Write(64)");
    ASSERT_GE(bursts, 2u);
    for (size_t b = 0; b < bursts; ++b) {
        EXPECT_TRUE(
            IsBlinkSequence(Bytes(written.begin() + b * 64, written.begin() + b * 64 + 64), 0, 0));
    }
    EXPECT_TRUE(IsBlinkSequence(written, bursts * 64, 0));
}

TEST_F(PanelBlink, WriteStatusFourIsToleratedAndOneEndsTheStream) {
    ReleaseSpeedAt(495);
    sim.fsim_set_write_status(0, FT_IO_ERROR);
    Click(kCtlBlinkLeds);
    ASSERT_TRUE(QTest::qWaitFor([&] { return WriteCalls("FT_Write(1)") >= 3; }, 5000));
    EXPECT_TRUE(panel->Engine().Blink().Running());

    sim.fsim_set_write_status(0, FT_INVALID_HANDLE);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel->Engine().Blink().Running(); }, 5000));
    EXPECT_FALSE(Enabled(kCtlBlinkLeds));  // the buttons stay until Blink Off
    EXPECT_TRUE(Enabled(kCtlBlinkOff));
    Click(kCtlBlinkOff);
    EXPECT_TRUE(Enabled(kCtlBlinkLeds));
    EXPECT_TRUE(Enabled(kCtlExit));
}

TEST_F(PanelBlink, BlinkOffWithoutAStreamEnablesTheTestControls) {
    panel->SetButtonGroup(101);
    Control(kCtlExit)->setEnabled(false);
    Control(kCtlBlinkOff)->setEnabled(true);
    Click(kCtlBlinkOff);
    for (int id : {kCtlBlinkLeds, kCtlBlinkOff, kCtlSpeed, kCtlOpen, kCtlExit})
        EXPECT_TRUE(Enabled(id)) << id;
}

TEST_F(PanelBlink, BlinkLedsWithoutAReadyLinkDoesNothing) {
    panel->Engine().SetLinkReady(false);
    Click(kCtlBlinkLeds);
    EXPECT_TRUE(Enabled(kCtlBlinkLeds));
    EXPECT_TRUE(Enabled(kCtlExit));
    EXPECT_FALSE(panel->Engine().Blink().Running());
}

TEST_F(PanelBlink, ExitWaitsForTheWorkerBeforeReleasingTheLibrary) {
    Click(kCtlBlinkLeds);  // speed 0: the worker sleeps 500 ms before each byte
    panel->ExitSequence();
    EXPECT_FALSE(panel->Engine().Driver().IsLoaded());
    size_t written = Written().size();
    EXPECT_LE(written, 1u);
    QTest::qWait(600);
    EXPECT_EQ(Written().size(), written);
}

TEST_F(PanelBlink, StartingAgainWaitsForThePreviousWorker) {
    Click(kCtlBlinkLeds);  // speed 0: the first worker sleeps 500 ms before its byte
    QTest::qWait(50);
    Click(kCtlBlinkOff);
    ReleaseSpeedAt(490);
    Click(kCtlBlinkLeds);  // must not run beside the first worker's last step
    ASSERT_TRUE(WaitForWritten(40));
    Click(kCtlBlinkOff);
    panel->ExitSequence();
    Bytes written = Written();
    // At most the first worker's last byte, then one stream from its start;
    // Blink Off may come right after the fortieth byte.
    ASSERT_GE(written.size(), 40u);
    EXPECT_TRUE(IsBlinkSequence(written, 0, 0) ||
                (written[0] == 0x40 && IsBlinkSequence(written, 1, 0)));
}

TEST_F(PanelBlink, DestroyingThePanelStopsARunningStream) {
    ReleaseSpeedAt(490);
    Click(kCtlBlinkLeds);
    ASSERT_TRUE(WaitForWritten(2));
    panel.reset();  // no exit sequence first
    size_t written = Written().size();
    QTest::qWait(50);
    EXPECT_EQ(Written().size(), written);
}

TEST_F(PanelBlink, WorkerMessagesAreShownByTheGuiThread) {
    panel->ExitSequence();
    panel.reset();
    Start(Variant("FT_Write"));
    ReleaseSpeedAt(495);
    panel->messages.clear();
    panel->shownByGuiThread.clear();
    panel->Engine().SetLinkReady(true);  // as if the link were ready, so the stream starts
    panel->SetButtonGroup(100);
    Click(kCtlBlinkLeds);
    panel->Engine().SetLinkReady(
        false);  // keeps the poll, which would fail on this library, out of the way
    auto shown = [&] {
        std::vector<std::string> texts = Messages();
        return std::find(texts.begin(), texts.end(), "FT_Write is not valid!") != texts.end();
    };
    ASSERT_TRUE(QTest::qWaitFor(shown, 5000));
    EXPECT_TRUE(std::all_of(panel->shownByGuiThread.begin(), panel->shownByGuiThread.end(),
                            [](bool gui) { return gui; }));
    EXPECT_FALSE(panel->Engine().Blink().Running());
}

TEST_F(PanelBlink, ClearEmptiesTheLogWhileTheStreamRuns) {
    ReleaseSpeedAt(490);
    Click(kCtlBlinkLeds);
    ASSERT_TRUE(WaitForWritten(5));
    PollAfter(2000);
    ASSERT_FALSE(LogLines().empty());
    Click(kCtlClear);
    EXPECT_TRUE(LogLines().empty());
    EXPECT_EQ(Text(kCtlReceivedBytes), "0");
    Click(kCtlBlinkOff);
}
