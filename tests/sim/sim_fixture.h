// Tests of the simulator library through its exported functions, on the
// manual clock.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "sim_library.h"

class SimFixture : public ::testing::Test {
protected:
    using Bytes = std::vector<uint8_t>;

    SimFixture() {
        sim.fsim_use_manual_clock(1);
        m_startUs = sim.fsim_now_us();
    }

    // Microseconds on the manual clock since the test began.
    uint64_t Elapsed() { return sim.fsim_now_us() - m_startUs; }

    FT_HANDLE Open(int index = 0) {
        FT_HANDLE handle = nullptr;
        EXPECT_EQ(sim.FT_Open(index, &handle), FT_OK);
        return handle;
    }
    void Write(FT_HANDLE handle, Bytes bytes) {
        DWORD written = 0;
        EXPECT_EQ(sim.FT_Write(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written),
                  FT_OK);
        EXPECT_EQ(written, bytes.size());
    }
    Bytes Read(FT_HANDLE handle, DWORD count) {
        Bytes bytes(count);
        DWORD got = 0;
        EXPECT_EQ(sim.FT_Read(handle, bytes.data(), count, &got), FT_OK);
        bytes.resize(got);
        return bytes;
    }
    DWORD Waiting(FT_HANDLE handle) {
        DWORD waiting = 0;
        EXPECT_EQ(sim.FT_GetQueueStatus(handle, &waiting), FT_OK);
        return waiting;
    }

    SimLibrary sim;

private:
    uint64_t m_startUs = 0;
};
