// How often the reply poll runs. Every wake-up costs the machine about as
// much as an idle poll's work, and each one that brings bytes paints a frame,
// so the poll runs only as often as what is on the link needs:
// - 2 ms while a reply is awaited: a decoder state is armed, or the panel has
//   just written; replies reach the panel within two 2 ms periods.
// - 64 ms, four screen frames, while bytes arrive that nothing awaits (a
//   stream logged as it comes, the link test's echoes), and on a link that
//   has stayed quiet for 250 ms: a byte nothing awaits is read within 64 ms.
//   A quiet link costs its wake-ups alone, so the fewer the better; 64 ms is
//   still well under what a person notices.
// Any write or armed reply brings the 2 ms back at once. With no link ready
// the poll does not run at all. A wake-up reads as often as the queue has a
// full read waiting, up to as many reads as the 2 ms pace would have made in
// the same time, so that at any pace the queue drains as fast as it does at
// 2 ms and a backlog never grows. Qt-free.
#pragma once

#include <cstdint>
#include <limits>

namespace ferrule {

class PollPace {
public:
    static constexpr int kReplyMs = 2;
    static constexpr int kStreamMs = 64;
    static constexpr int kQuietMs = 64;
    // How long a pace outlasts what asked for it.
    static constexpr int64_t kHoldMs = 250;

    // What a poll found on the link.
    struct Seen {
        bool linkReady = false;
        bool replyAwaited = false;  // an armed reply or a fresh write by the panel
        bool bytesArrived = false;  // bytes nothing awaits, or the link test running
    };

    // The interval after a poll at nowMs; 0 means the poll stops.
    int AfterPoll(const Seen& seen, int64_t nowMs) {
        if (!seen.linkReady) {
            return 0;
        }
        if (seen.replyAwaited) {
            m_lastReplyMs = nowMs;
        }
        if (seen.bytesArrived) {
            m_lastStreamMs = nowMs;
        }
        if (nowMs - m_lastReplyMs < kHoldMs) {
            return kReplyMs;
        }
        return nowMs - m_lastStreamMs < kHoldMs ? kStreamMs : kQuietMs;
    }
    // The most reads one wake-up makes after an interval of intervalMs.
    static constexpr int ReadsPerWakeUp(int intervalMs) {
        return intervalMs > kReplyMs ? intervalMs / kReplyMs : 1;
    }
    // Something was just sent or armed: the poll runs at 2 ms from now.
    int Busy(int64_t nowMs) {
        m_lastReplyMs = nowMs;
        return kReplyMs;
    }

private:
    static constexpr int64_t kLongAgo = std::numeric_limits<int64_t>::min() / 2;
    int64_t m_lastReplyMs = kLongAgo;
    int64_t m_lastStreamMs = kLongAgo;
};

}  // namespace ferrule
