// A headless session on the real simulated controller library, loaded by the
// session's own driver binding, waiting on the simulator's manual clock.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/remote/command_grammar.h"
#include "core/remote/controller_session.h"
#include "sim_library.h"
#include "temp_dir.h"

// Time moves only as the session waits: a poll every 2 ms of the simulator.
class SimClock : public ferrule::remote::SessionClock {
public:
    explicit SimClock(SimLibrary& sim) : m_sim(sim) {}
    int64_t NowMs() override { return static_cast<int64_t>(m_sim.fsim_now_us() / 1000); }
    void Sleep(int ms) override { m_sim.fsim_advance_us(static_cast<uint64_t>(ms) * 1000); }

private:
    SimLibrary& m_sim;
};

class SessionTest : public ::testing::Test {
protected:
    using Bytes = std::vector<uint8_t>;

    SessionTest() { sim.fsim_use_manual_clock(1); }

    ferrule::remote::SessionOptions Options(const std::string& device = "QSC00001") {
        ferrule::remote::SessionOptions options;
        options.drivers = {FSIM_LIBRARY_PATH};
        options.device.by = ferrule::remote::DeviceChoice::By::Text;
        options.device.text = device;
        options.device.profilePath = dir.File("ferrule.INI");
        return options;
    }
    // A session whose device is open and probed, the probe's bytes forgotten.
    ferrule::remote::ControllerSession& Opened() {
        session = std::make_unique<ferrule::remote::ControllerSession>(Options(), clock);
        const ferrule::remote::Outcome opened = session->Open();
        EXPECT_TRUE(opened.Done()) << opened.error;
        sim.fsim_clear_written(0);
        return *session;
    }
    // One command line, as the command line program takes it.
    ferrule::remote::Outcome Run(const std::string& line) {
        const ferrule::remote::ParseResult parsed = ferrule::remote::ParseLine(line);
        EXPECT_TRUE(parsed.command) << line << ": " << parsed.error;
        ferrule::remote::Command command = *parsed.command;
        return session->Run(command);
    }
    Bytes Written() const {
        Bytes bytes(sim.fsim_written(0, nullptr, 0));
        sim.fsim_written(0, bytes.data(), static_cast<uint32_t>(bytes.size()));
        return bytes;
    }

    SimLibrary sim;
    SimClock clock{sim};
    TempDir dir;
    std::unique_ptr<ferrule::remote::ControllerSession> session;
};
