// The reconnect watcher's pacing and what it tells, on a clock moved by hand
// and a bus whose presence the test sets: a device pulled and put back, a
// cable that comes and goes every 100 ms for a minute, a device that is
// listed but does not open, and the user taking over.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/reconnect/reconnect_watcher.h"

namespace {

using ferrule::DeviceChoice;
using ferrule::ReconnectWatcher;
using ferrule::WatchedDevice;
using ::testing::ElementsAre;
using ::testing::MatchesRegex;

const DeviceChoice kChoice{ferrule::kOpenBySerialNumber, "QSC00001"};

class Watcher : public ::testing::Test {
protected:
    // Moves the clock to `until`, doing whatever falls due, as a front end's
    // timer would. A reopen takes attemptMs and brings the link up when
    // `opens` says so; a link that came up drops again dropsAfterMs later
    // when that is set.
    void RunUntil(int64_t until) {
        while (auto due = watcher.NextTickMs()) {
            if (*due > until) {
                break;
            }
            now = std::max(now, *due);
            auto found = watcher.Tick(now, [this](const WatchedDevice&) {
                return present(now) ? std::optional(kChoice) : std::nullopt;
            });
            if (!found) {
                continue;
            }
            ++reopens;
            now += attemptMs;
            linkUp = opens(now);
            watcher.ReopenFinished(linkUp, now, linkUp ? "" : "USB not responding");
            if (linkUp && dropsAfterMs >= 0) {
                LoseLink(now + dropsAfterMs);
            }
        }
        now = std::max(now, until);
    }
    void LoseLink(int64_t at) {
        now = at;
        linkUp = false;
        watcher.LinkLost(now);
    }
    std::vector<std::string> Notices() {
        auto taken = watcher.TakeNotices();
        notices.insert(notices.end(), taken.begin(), taken.end());
        return notices;
    }

    ReconnectWatcher watcher;
    int64_t now = 0;
    bool linkUp = true;
    int reopens = 0;
    int64_t attemptMs = 160;  // Open waits 150 ms before its probe
    int64_t dropsAfterMs = -1;
    std::function<bool(int64_t)> present = [](int64_t) { return false; };
    std::function<bool(int64_t)> opens = [this](int64_t at) { return present(at); };
    std::vector<std::string> notices;
};

TEST_F(Watcher, LooksOnceASecondWhileTheDeviceIsAwayAndReopensItWhenBack) {
    watcher.LinkUp(kChoice, 0);
    EXPECT_FALSE(watcher.NextTickMs());  // nothing runs while the link is up
    now = 10'000;
    LoseLink(now);
    EXPECT_EQ(watcher.NextTickMs(), 11'000);
    present = [](int64_t at) { return at >= 15'500; };
    RunUntil(15'000);
    EXPECT_EQ(watcher.Looks(), 5u);
    EXPECT_EQ(reopens, 0);
    RunUntil(30'000);
    EXPECT_EQ(reopens, 1);
    EXPECT_EQ(watcher.Looks(), 6u);
    EXPECT_TRUE(linkUp);
    EXPECT_FALSE(watcher.NextTickMs());
    EXPECT_THAT(Notices(),
                ElementsAre(MatchesRegex("Link lost at [0-9]{2}:[0-9]{2}:[0-9]{2}; reconnecting "
                                         "when the device is back\\."),
                            MatchesRegex("Link back at [0-9:]{8}, after 6 s\\.")));
}

// A loose cable: the device comes and goes every 100 ms for a minute. The
// watcher looks at most once a second, tells the trouble once, and has the
// link up, steadily, a few seconds after it settles.
TEST_F(Watcher, ACableComingAndGoingEvery100msForAMinuteIsNoFlood) {
    watcher.LinkUp(kChoice, 0);
    // In or out for each 100 ms, in no rhythm the looks could fall in step with.
    present = [](int64_t at) {
        return at >= 60'000 || ((static_cast<uint64_t>(at / 100) * 2654435761u) >> 9) % 2 == 0;
    };
    // A link that came up while flapping drops within 100 ms.
    dropsAfterMs = 50;
    LoseLink(0);
    RunUntil(60'000);
    EXPECT_LE(watcher.Looks(), 61u);
    EXPECT_GE(reopens, 1);
    dropsAfterMs = -1;  // settled
    RunUntil(60'000 + 15'000);
    EXPECT_TRUE(linkUp);
    EXPECT_FALSE(watcher.NextTickMs());
    const std::vector<std::string> told = Notices();
    EXPECT_LE(told.size(), 5u) << ::testing::PrintToString(told);
    EXPECT_THAT(told.front(), MatchesRegex("Link lost at .*"));
    EXPECT_THAT(told.back(), MatchesRegex("Link back at [0-9:]{8}.*"));
}

// Listed but not opening (another program holds it, the controller is
// silent): tried again after 2, 4, 8 and then every 16 s, told once, and
// never more often than ten times the time an attempt took.
TEST_F(Watcher, ADeviceThatIsListedButDoesNotOpenIsTriedLessAndLessOften) {
    watcher.LinkUp(kChoice, 0);
    LoseLink(0);
    present = [](int64_t) { return true; };
    opens = [](int64_t) { return false; };
    attemptMs = 0;
    std::vector<int64_t> attempts;
    for (int i = 0; i < 6; ++i) {
        now = *watcher.NextTickMs();
        attempts.push_back(now);
        ASSERT_TRUE(watcher.Tick(now, [](const WatchedDevice&) { return kChoice; }));
        watcher.ReopenFinished(false, now, "USB not responding");
    }
    EXPECT_THAT(attempts, ElementsAre(1'000, 3'000, 7'000, 15'000, 31'000, 47'000));
    EXPECT_THAT(Notices(), ElementsAre(MatchesRegex("Link lost at .*"),
                                       MatchesRegex("Could not reconnect at [0-9:]{8}: USB not "
                                                    "responding\\. Trying again while the "
                                                    "device is attached\\.")));
    // An attempt that blocked for 6 s (a silent controller's time-outs).
    now = *watcher.NextTickMs();
    ASSERT_TRUE(watcher.Tick(now, [](const WatchedDevice&) { return kChoice; }));
    watcher.ReopenFinished(false, now + 6'000);
    EXPECT_EQ(*watcher.NextTickMs(), now + 6'000 + 60'000);
    // Gone for a moment: it was going, not failing, and is looked for every second again.
    now = *watcher.NextTickMs();
    EXPECT_FALSE(watcher.Tick(now, [](const WatchedDevice&) { return std::nullopt; }));
    EXPECT_EQ(*watcher.NextTickMs(), now + 1'000);
}

TEST_F(Watcher, TheUsersOpenOrSearchHasTheLastWord) {
    watcher.LinkUp(kChoice, 0);
    LoseLink(1'000);
    watcher.UserTookOver();
    EXPECT_FALSE(watcher.NextTickMs());
    EXPECT_FALSE(watcher.Waiting());
    // Search closed the device: the next poll's failure is no lost link.
    watcher.LinkLost(5'000);
    EXPECT_FALSE(watcher.NextTickMs());
    EXPECT_EQ(Notices().size(), 1u);

    // The user opened another device: that one is watched now.
    const DeviceChoice other{ferrule::kOpenByDescription, "Bench"};
    watcher.LinkUp(other, 6'000);
    EXPECT_TRUE(watcher.WantsSerial());
    watcher.LearnSerial("B2");
    EXPECT_EQ(watcher.Device().choice, other);
    EXPECT_EQ(watcher.Device().serial, "B2");
    watcher.LinkLost(7'000);
    EXPECT_EQ(watcher.NextTickMs(), 8'000);
}

TEST_F(Watcher, TurnedOffItOnlyTellsTheLossAndTurnedOnAgainLooksAtOnce) {
    watcher.SetEnabled(false, 0);
    watcher.LinkUp(kChoice, 0);
    LoseLink(2'000);
    EXPECT_FALSE(watcher.NextTickMs());
    EXPECT_THAT(Notices(), ElementsAre(MatchesRegex("Link lost at [0-9:]{8}\\.")));
    watcher.SetEnabled(true, 9'000);
    EXPECT_EQ(watcher.NextTickMs(), 9'000);
    watcher.SetEnabled(false, 9'500);
    EXPECT_FALSE(watcher.NextTickMs());
}

}  // namespace
