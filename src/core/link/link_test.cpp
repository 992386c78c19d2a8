#include "core/link/link_test.h"

#include <chrono>

#include "core/protocol/message_catalogue.h"

namespace ferrule {

namespace {

constexpr int kBurstSize = 64;

// Statuses the stream goes on after: success and an input/output error.
bool StreamMayContinue(FT_STATUS status) {
    return status == FT_OK || status == FT_IO_ERROR;
}

}  // namespace

LinkTest::~LinkTest() {
    StopAndWait();
}

void LinkTest::Start(D2xxApi& d2xx, WriteListener onWritten) {
    StopAndWait();
    m_bBlinkRun = 1;
    m_worker = std::thread(Worker, &d2xx, &m_bBlinkRun, &m_nBlinkSpeed, std::move(onWritten));
}

void LinkTest::StopAndWait() {
    m_bBlinkRun = 0;
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void LinkTest::Worker(D2xxApi* d2xx, std::atomic<int>* run, std::atomic<int>* speedSetting,
                      WriteListener onWritten) {
    if (*run == 0) {
        return;
    }
    uint8_t counter = 0;
    uint8_t buffer[kBurstSize];
    do {
        const int speed = *speedSetting;
        DWORD written = 0;
        if (speed < kTopSpeed) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kTopSpeed - speed));
            buffer[0] = controller::BlinkPatternByte(counter);
            if (!StreamMayContinue(d2xx->Write(buffer, 1, &written))) {
                *run = 0;
            } else if (onWritten) {
                onWritten({buffer, 1});
            }
            ++counter;
        } else {
            counter = 0;
            for (uint8_t& byte : buffer) {
                byte = controller::BlinkPatternByte(counter);
                ++counter;
            }
            if (!StreamMayContinue(d2xx->Write(buffer, kBurstSize, &written))) {
                *run = 0;
            } else if (onWritten) {
                onWritten({buffer, kBurstSize});
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    } while (*run != 0);
}

}  // namespace ferrule
