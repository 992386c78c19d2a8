// The link test: a stream of bytes 0x40-0x4F written from a worker thread,
// one byte every 500 - speed milliseconds, or 64-byte bursts about every
// millisecond at the top speed of 500. The speed and the run flag are read
// afresh by the worker at every step.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <thread>

#include "core/link/d2xx_api.h"

namespace ferrule {

class LinkTest {
public:
    static constexpr int kTopSpeed = 500;

    LinkTest() = default;
    // Stops a stream still running and waits for its worker.
    ~LinkTest();
    LinkTest(const LinkTest&) = delete;
    LinkTest& operator=(const LinkTest&) = delete;

    // Told, on the worker's thread, of every write the stream makes.
    using WriteListener = std::function<void(std::span<const uint8_t> bytes)>;

    // Starts the stream on `d2xx`. A worker told to stop may still be in its
    // last step: it is waited for first, so only one stream ever runs.
    void Start(D2xxApi& d2xx, WriteListener onWritten = {});
    // Tells the stream to stop after its current step, without waiting.
    void Stop() { m_bBlinkRun = 0; }
    // Stops the stream and waits until its worker has left its loop, so that
    // no call reaches the driver any more.
    void StopAndWait();

    void SetSpeed(int speed) { m_nBlinkSpeed = speed; }
    int Speed() const { return m_nBlinkSpeed; }
    // The stream is to run (a failed write clears this by itself).
    bool Running() const { return m_bBlinkRun != 0; }

private:
    static void Worker(D2xxApi* d2xx, std::atomic<int>* run, std::atomic<int>* speed,
                       WriteListener onWritten);

    std::atomic<int> m_bBlinkRun{0};
    std::atomic<int> m_nBlinkSpeed{0};
    std::thread m_worker;
};

}  // namespace ferrule
