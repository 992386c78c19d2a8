#include "core/protocol/poll_pace.h"

#include <gtest/gtest.h>

using ferrule::PollPace;

namespace {
PollPace::Seen Ready(bool replyAwaited, bool bytesArrived) {
    return {.linkReady = true, .replyAwaited = replyAwaited, .bytesArrived = bytesArrived};
}
}  // namespace

TEST(PollPace, StopsWithoutALinkAndSlowsDownOnlyAfterAQuietWhile) {
    PollPace pace;
    EXPECT_EQ(pace.AfterPoll({.linkReady = false, .replyAwaited = true}, 0), 0);
    EXPECT_EQ(pace.AfterPoll(Ready(false, false), 1000), PollPace::kQuietMs);  // never busy yet
    EXPECT_EQ(pace.AfterPoll(Ready(true, false), 2000), PollPace::kReplyMs);
    EXPECT_EQ(pace.AfterPoll(Ready(false, false), 2000 + PollPace::kHoldMs - 1),
              PollPace::kReplyMs);
    EXPECT_EQ(pace.AfterPoll(Ready(false, false), 2000 + PollPace::kHoldMs), PollPace::kQuietMs);
    // A write or an armed reply brings the fast pace back at once and for a while.
    EXPECT_EQ(pace.Busy(5000), PollPace::kReplyMs);
    EXPECT_EQ(pace.AfterPoll(Ready(false, false), 5100), PollPace::kReplyMs);
    EXPECT_EQ(pace.AfterPoll({}, 5101), 0);
}

TEST(PollPace, AStreamNothingAwaitsIsReadEveryFourFramesAndAReplyStillGoesFirst) {
    PollPace pace;
    EXPECT_EQ(pace.AfterPoll(Ready(false, true), 1000), PollPace::kStreamMs);
    EXPECT_EQ(pace.AfterPoll(Ready(false, false), 1000 + PollPace::kHoldMs - 1),
              PollPace::kStreamMs);
    EXPECT_EQ(pace.AfterPoll(Ready(true, true), 2000), PollPace::kReplyMs);
    EXPECT_EQ(pace.AfterPoll(Ready(false, true), 2000 + PollPace::kHoldMs), PollPace::kStreamMs);
    EXPECT_EQ(pace.AfterPoll(Ready(false, false), 2000 + 2 * PollPace::kHoldMs),
              PollPace::kQuietMs);
}

TEST(PollPace, EveryPaceDrainsTheQueueAsFastAsTheReplyPace) {
    EXPECT_EQ(PollPace::ReadsPerWakeUp(PollPace::kReplyMs), 1);
    EXPECT_EQ(PollPace::ReadsPerWakeUp(0), 1);  // a poll with no timer running
    for (int interval : {PollPace::kStreamMs, PollPace::kQuietMs}) {
        SCOPED_TRACE(interval);
        EXPECT_GE(PollPace::ReadsPerWakeUp(interval) * PollPace::kReplyMs, interval);
        // The link's full rate, 12,800 bytes a second, fits a wake-up's reads many times over.
        EXPECT_GE(PollPace::ReadsPerWakeUp(interval) * 600, 4 * interval * 12'800 / 1000);
    }
}
