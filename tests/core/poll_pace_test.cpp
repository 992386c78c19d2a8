#include "protocol/poll_pace.h"

#include <gtest/gtest.h>

using ferrule::PollPace;

TEST(PollPace, StopsWithoutALinkAndSlowsDownOnlyAfterAQuietWhile) {
    PollPace pace;
    EXPECT_EQ(pace.AfterPoll(false, true, 0), 0);
    EXPECT_EQ(pace.AfterPoll(true, false, 1000), PollPace::kQuietMs);  // never busy yet
    EXPECT_EQ(pace.AfterPoll(true, true, 2000), PollPace::kBusyMs);
    EXPECT_EQ(pace.AfterPoll(true, false, 2000 + PollPace::kQuietAfterMs - 1), PollPace::kBusyMs);
    EXPECT_EQ(pace.AfterPoll(true, false, 2000 + PollPace::kQuietAfterMs), PollPace::kQuietMs);
    // A write or an armed reply brings the fast pace back at once and for a while.
    EXPECT_EQ(pace.Busy(5000), PollPace::kBusyMs);
    EXPECT_EQ(pace.AfterPoll(true, false, 5100), PollPace::kBusyMs);
    EXPECT_EQ(pace.AfterPoll(false, false, 5101), 0);
}
