// The controller engine on the simulated controller through the real driver
// binding, with a view that keeps what the engine logs and shows and a clock
// the test moves by hand.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/engine/controller_engine.h"
#include "core/link/device_opening.h"
#include "sim_library.h"

class RecordingView : public ferrule::EngineHooks {
public:
    void LogRawByte(uint8_t byte) override { log.push_back(std::to_string(byte)); }
    void LogLine(const std::string& text) override { log.push_back(text); }
    void ShowText(ferrule::Display which, const std::string& text) override { shown[which] = text; }
    void TickPulseBox(ferrule::PulseBox box, bool ticked) override { ticks[box] = ticked; }
    void SelectTimer(int index) override { selected = index; }
    void PositionTimerSliders(const std::array<int, 5>& positions) override { sliders = positions; }
    void ReadFields() override { exchanges.push_back("read"); }
    void WriteFields() override { exchanges.push_back("fields"); }
    void WriteCountAndLog() override { exchanges.push_back("count and log"); }
    int64_t NowMs() override { return nowMs; }

    std::vector<std::string> exchanges;
    std::vector<std::string> log;
    std::map<ferrule::Display, std::string> shown;
    std::map<ferrule::PulseBox, bool> ticks;
    int selected = -2;
    std::array<int, 5> sliders{-1, -1, -1, -1, -1};
    int64_t nowMs = 0;
};

class Engine : public ::testing::Test {
protected:
    using Bytes = std::vector<uint8_t>;

    void SetUp() override {
        sim.fsim_use_manual_clock(1);
        d2xx.LoadD2xx(FSIM_LIBRARY_PATH);
        ASSERT_TRUE(d2xx.IsLoaded());
        ASSERT_EQ(ferrule::OpenSelectedDevice(d2xx, 0, "Quillon Shutter Controller").status, FT_OK);
        ASSERT_TRUE(ferrule::ConfigureAndProbe(d2xx, false).Succeeded());
        engine.Fields().m_strStatus = ferrule::kLinkReadyStatus;
        engine.SetLinkReady(true);
        Settle();
        sim.fsim_clear_written(0);
        view.log.clear();
    }
    void TearDown() override { d2xx.Close(); }

    // Lets the controller answer, a poll every 5 ms of its clock (and of
    // the view's).
    void Settle(int polls = 20, int everyMs = 5) {
        for (int i = 0; i < polls; ++i) {
            sim.fsim_advance_us(static_cast<uint64_t>(everyMs) * 1000);
            view.nowMs += everyMs;
            engine.Poll();
        }
    }
    // A command as a front end gives it: through the gate, then the frame's end.
    template <typename Body>
    void Command(Body body) {
        ASSERT_TRUE(engine.BeginCommand());
        body();
        engine.EndCommand();
    }
    // Sets both timers' milliseconds and the repeat number as the panel's
    // controls would, and lets the controller answer.
    void SetTimesAndRepeat(const char* closedMs, const char* exposureMs, const char* repeat) {
        fields.m_nTimerSelect = 0;
        fields.m_strMillisecond = closedMs;
        Command([&] { engine.SetTimer(); });
        fields.m_nTimerSelect = 1;
        fields.m_strMillisecond = exposureMs;
        Command([&] { engine.SetTimer(); });
        fields.m_strRepeatCount = repeat;
        Command([&] { engine.SendRepeatCount(); });
        Settle();
    }
    Bytes Written() const {
        Bytes bytes(sim.fsim_written(0, nullptr, 0));
        sim.fsim_written(0, bytes.data(), static_cast<uint32_t>(bytes.size()));
        return bytes;
    }

    SimLibrary sim;
    std::vector<std::string> messages;
    ferrule::D2xxApi d2xx{[this](const std::string& m) { messages.push_back(m); }};
    RecordingView view;
    ferrule::ControllerEngine engine{d2xx, view};
    ferrule::PanelFields& fields = engine.Fields();
    ferrule::ProtocolState& state = engine.State();
};
