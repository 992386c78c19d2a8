// The link through the library: read time-outs, pacing, faults, and the
// controller's answers as the host receives them.
#include <string>
#include <thread>

#include "sim_fixture.h"

namespace {

class SimLink : public SimFixture {
protected:
    SimLink() : handle(Open()) {}

    // The next byte, and the time it arrived.
    std::pair<uint8_t, uint64_t> NextByte() {
        const Bytes byte = Read(handle, 1);
        EXPECT_EQ(byte.size(), 1u);
        return {byte.empty() ? 0 : byte[0], Elapsed()};
    }

    FT_HANDLE handle;
};

TEST_F(SimLink, ProbeIsAnsweredWithinTwoByteTimes) {
    sim.FT_SetTimeouts(handle, 3000, 3000);
    Write(handle, {0xEE});
    EXPECT_EQ(Read(handle, 2), (Bytes{0xEE, 0x06}));
    EXPECT_EQ(Elapsed(), 157u);  // 2 x 78.125 us, rounded up
}

TEST_F(SimLink, SilentProbeWaitsOutBothTimeOuts) {
    sim.fsim_set_probe_reply(0, FSIM_PROBE_SILENT, 0);
    sim.FT_SetTimeouts(handle, 3000, 3000);
    Write(handle, {0xEE});
    EXPECT_EQ(Read(handle, 2), Bytes{});
    EXPECT_EQ(Read(handle, 2), Bytes{});
    EXPECT_EQ(Elapsed(), 6'000'000u);
}

TEST_F(SimLink, ProbeCanAnswerWithAnotherFirstByte) {
    sim.fsim_set_probe_reply(0, FSIM_PROBE_OTHER, 0x41);
    sim.FT_SetTimeouts(handle, 3000, 3000);
    Write(handle, {0xEE});
    EXPECT_EQ(Read(handle, 2), (Bytes{0x41, 0x06}));
}

TEST_F(SimLink, PacesBytesAtTheLinkRate) {
    const Bytes burst(700, 0x41);
    sim.fsim_inject(0, burst.data(), 700);
    EXPECT_EQ(Waiting(handle), 0u);
    sim.fsim_advance_us(46'874);
    EXPECT_EQ(Waiting(handle), 599u);
    sim.FT_SetTimeouts(handle, 100, 100);
    EXPECT_EQ(Read(handle, 600).size(), 600u);
    EXPECT_EQ(Elapsed(), 46'875u);
    EXPECT_EQ(Read(handle, 600).size(), 100u);  // the rest have all arrived by the time-out
    EXPECT_EQ(Elapsed(), 146'875u);
}

// A stream that never pauses is one run on the line; reading it in batches
// must hand back every byte in order and on time while the run gives back the
// room of what was read.
TEST_F(SimLink, ASteadyStreamReadInBatchesKeepsOrderAndTiming) {
    sim.FT_SetTimeouts(handle, 100, 100);
    Bytes stream(20'000);
    for (size_t i = 0; i < stream.size(); ++i)
        stream[i] = static_cast<uint8_t>(i * 7);
    Bytes received;
    for (size_t sent = 0; sent < stream.size(); sent += 1000) {
        sim.fsim_inject(0, stream.data() + sent, 1000);  // joins the bytes still on the line
        Bytes batch = Read(handle, 600);
        received.insert(received.end(), batch.begin(), batch.end());
    }
    while (received.size() < stream.size()) {
        Bytes batch = Read(handle, std::min<DWORD>(600, stream.size() - received.size()));
        ASSERT_FALSE(batch.empty());
        received.insert(received.end(), batch.begin(), batch.end());
    }
    EXPECT_EQ(received, stream);
    EXPECT_EQ(Elapsed(), 1'562'500u);  // 20,000 byte times
}

TEST_F(SimLink, ReadWithoutTimeOutTakesEverythingOnItsWay) {
    Write(handle, {0xCC});
    EXPECT_EQ(Read(handle, 50).size(), 20u);
    EXPECT_EQ(Elapsed(), 1563u);  // 20 x 78.125 us
}

TEST_F(SimLink, PurgeEmptiesTheReceiveSide) {
    Write(handle, {0xFD});
    sim.fsim_advance_us(500);
    ASSERT_EQ(sim.FT_Purge(handle, FT_PURGE_RX), FT_OK);
    EXPECT_EQ(Waiting(handle), 0u);
    sim.fsim_advance_us(10'000);
    EXPECT_EQ(Waiting(handle), 0u);
}

TEST_F(SimLink, InjectedFaults) {
    sim.fsim_fail_queue_status(0, FT_IO_ERROR);
    DWORD n = 0;
    EXPECT_EQ(sim.FT_GetQueueStatus(handle, &n), FT_IO_ERROR);
    sim.fsim_fail_queue_status(0, FT_OK);
    EXPECT_EQ(sim.FT_GetQueueStatus(handle, &n), FT_OK);

    sim.fsim_set_write_status(0, FT_IO_ERROR);
    uint8_t info = 0xFD;
    n = 99;
    EXPECT_EQ(sim.FT_Write(handle, &info, 1, &n), FT_IO_ERROR);
    EXPECT_EQ(n, 0u);
    sim.fsim_set_write_status(0, FT_OK);
    sim.fsim_advance_us(10'000);
    EXPECT_EQ(Waiting(handle), 0u);
    EXPECT_EQ(sim.fsim_written(0, nullptr, 0), 0u);

    const Bytes five = {1, 2, 3, 4, 5};
    sim.fsim_inject(0, five.data(), 5);
    sim.fsim_advance_us(1000);
    sim.fsim_set_read_error(0, FT_IO_ERROR, 3);
    sim.FT_SetTimeouts(handle, 100, 100);
    Bytes got(10);
    EXPECT_EQ(sim.FT_Read(handle, got.data(), 10, &n), FT_IO_ERROR);
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(Elapsed(), 11'000u);  // it did not wait
    EXPECT_EQ(Read(handle, 10), (Bytes{4, 5}));
}

TEST_F(SimLink, SilentControllerSendsNothingButInjectionsArrive) {
    sim.fsim_set_silent(0, 1);
    Write(handle, {0xCC, 0xFD});
    sim.fsim_inject(0, Bytes{0x0D}.data(), 1);
    sim.fsim_advance_us(100'000);
    EXPECT_EQ(Read(handle, 100), Bytes{0x0D});
    uint8_t written[4] = {};
    EXPECT_EQ(sim.fsim_written(0, written, 4), 2u);
    EXPECT_EQ(written[1], 0xFD);
}

TEST_F(SimLink, GoRunReachesTheHostAtTheMovementTimes) {
    Write(handle, {0xFA, 0x10, 0x00, 0x01, 0x00, 0x00});  // closed 1 s
    Write(handle, {0xFA, 0x20, 0x00, 0x00, 0x50, 0x00});  // exposure 0.5 s
    Write(handle, {0xFA, 0xF0, 0x00, 0x02});
    sim.FT_Purge(handle, FT_PURGE_RX);
    sim.FT_SetTimeouts(handle, 5000, 100);
    Write(handle, {0xFA, 0xF3});
    EXPECT_EQ(Read(handle, 3), (Bytes{0xFA, 0xF3, 0x06}));
    const std::pair<uint8_t, uint64_t> expected[] = {{0xAA, 1'000'079},
                                                     {0xAC, 1'512'079},
                                                     {0xAA, 2'524'079},
                                                     {0xAC, 3'036'079},
                                                     {0x0D, 3'048'079}};
    for (const auto& byte : expected) {
        EXPECT_EQ(NextByte(), byte);
    }
    EXPECT_EQ(Read(handle, 1), Bytes{});
}

TEST_F(SimLink, TriggerPulseStartsTheArmedRun) {
    Write(handle, {0xFA, 0xA1});
    Write(handle, {0xFA, 0xF2});
    sim.FT_Purge(handle, FT_PURGE_RX);
    sim.FT_SetTimeouts(handle, 1000, 100);
    EXPECT_EQ(Read(handle, 1), Bytes{});
    sim.fsim_trigger_pulse(0);
    // Zero times: the closing starts after the 12 ms opening, and the burst
    // ends without a carriage return.
    EXPECT_EQ(Read(handle, 3), (Bytes{0xAA, 0xAC}));
    EXPECT_EQ(Elapsed(), 1'000'000u + 1'000'000u);
}

TEST_F(SimLink, ResetAnswersWithCarriageReturnThenTheStatus) {
    Write(handle, {0xDD});
    Write(handle, {0xFA, 0xC1});
    Write(handle, {0xDC});
    sim.FT_Purge(handle, FT_PURGE_RX);
    Write(handle, {0xFB});
    EXPECT_EQ(Read(handle, 2), (Bytes{0xFB, 0x0D}));
    Write(handle, {0xCC});
    EXPECT_EQ(Read(handle, 20)[2], 0xDD);
}

// The program writes from a worker thread while its GUI thread reads: a read
// waiting in real time must let the write through and wake on its echo.
TEST_F(SimLink, RealClockReadIsWokenByAWriteFromAnotherThread) {
    sim.fsim_use_manual_clock(0);
    sim.FT_SetTimeouts(handle, 2000, 100);
    const uint64_t start = sim.fsim_now_us();
    sim.fsim_record_calls(1);
    Bytes got;
    std::thread reader([&] { got = Read(handle, 2); });
    while (sim.Calls().find("FT_Read(2)") == std::string::npos) {
        std::this_thread::yield();  // until the read has begun to wait
    }
    Write(handle, {0xEE});
    reader.join();
    EXPECT_EQ(got, (Bytes{0xEE, 0x06}));
    EXPECT_LT(sim.fsim_now_us() - start, 1'000'000u);
}

}  // namespace
