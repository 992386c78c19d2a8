// How often the reply poll runs. While anything may come back soon (bytes are
// arriving, the host has just written, a reply is armed, the link test
// streams) the poll asks for 2 ms. A link that has stayed quiet for a while
// is polled every 10 ms, since every wake-up costs the machine about as much
// as the work of an idle poll; any write or armed reply brings the 2 ms back
// at once, so replies still reach the panel within two 2 ms periods. With no
// link ready the poll does not run at all. Qt-free.
#pragma once

#include <cstdint>
#include <limits>

namespace ferrule {

class PollPace {
public:
    static constexpr int kBusyMs = 2;
    static constexpr int kQuietMs = 10;
    // Quiet this long before the poll slows down.
    static constexpr int64_t kQuietAfterMs = 250;

    // The interval after a poll at nowMs; 0 means the poll stops.
    int AfterPoll(bool linkReady, bool busy, int64_t nowMs) {
        if (!linkReady) {
            return 0;
        }
        if (busy) {
            m_lastBusyMs = nowMs;
        }
        return nowMs - m_lastBusyMs < kQuietAfterMs ? kBusyMs : kQuietMs;
    }
    // Something was just sent or armed: the poll runs at 2 ms from now.
    int Busy(int64_t nowMs) {
        m_lastBusyMs = nowMs;
        return kBusyMs;
    }

private:
    int64_t m_lastBusyMs = std::numeric_limits<int64_t>::min() / 2;
};

}  // namespace ferrule
