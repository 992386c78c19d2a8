// The pieces of a session record that need no link: CSV fields, hex, the
// local time with its offset, and telling echoes from reports.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "core/record/echo_matcher.h"
#include "core/record/record_format.h"

using ferrule::EchoMatcher;
using ::testing::Optional;

TEST(RecordFormat, CsvFieldsHexAndLocalTime) {
    struct Case {
        const char* field;
        const char* written;
    };
    const Case cases[] = {
        {"Status", "Status"},
        {"", ""},
        {"a, b", "\"a, b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
    };
    for (const Case& c : cases) {
        std::string row;
        ferrule::AppendCsvField(row, c.field);
        EXPECT_EQ(row, c.written);
    }
    std::string hex;
    const uint8_t bytes[] = {0xCC, 0x00, 0x0A, 0xFF};
    ferrule::AppendHexBytes(hex, bytes);
    EXPECT_EQ(hex, "CC 00 0A FF");

    const char* saved = std::getenv("TZ");
    const std::string before = saved ? saved : "";
    setenv("TZ", "XST-5:30", 1);  // five and a half hours east of UTC
    tzset();
    // 2021-03-04 10:20:30.045 UTC
    EXPECT_EQ(ferrule::LocalIsoTime(1614853230045), "2021-03-04T15:50:30.045+05:30");
    setenv("TZ", "XST3", 1);
    tzset();
    EXPECT_EQ(ferrule::LocalIsoTime(1614853230999), "2021-03-04T07:20:30.999-03:00");
    // The cached second does not hold a later one back.
    ferrule::LocalIsoClock clock;
    std::string row;
    clock.Append(row, 1614853230999);
    clock.Append(row, 1614853231000);
    EXPECT_EQ(row, "2021-03-04T07:20:30.999-03:002021-03-04T07:20:31.000-03:00");
    if (saved) {
        setenv("TZ", before.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

// Echoes match what was written, in order; an echo the controller lost is
// skipped; a byte nobody wrote, or written too long ago, is a report.
TEST(EchoMatcher, EchoesLostEchoesAndReports) {
    EchoMatcher echoes;
    const uint8_t open[] = {0xAA};
    const uint8_t timer[] = {0xFA, 0x10, 0x00, 0x00, 0x10, 0x00};
    echoes.Written(open, "Open", 0);
    echoes.Written(timer, "closed time", 1);
    EXPECT_THAT(echoes.Match(0xAA, 2), Optional(std::string("Open")));
    EXPECT_EQ(echoes.Match(0xAA, 2), std::nullopt);  // the report after the echo
    EXPECT_THAT(echoes.Match(0xFA, 3), Optional(std::string("closed time")));
    // 0x10 00 lost: the next 0x00 matches the first still waiting.
    EXPECT_THAT(echoes.Match(0x00, 3), Optional(std::string("closed time")));
    EXPECT_EQ(echoes.Pending(), 3u);
    EXPECT_THAT(echoes.Match(0x10, 3), Optional(std::string("closed time")));
    EXPECT_EQ(echoes.Pending(), 1u);

    echoes.Written(open, "Open", 10);
    EXPECT_EQ(echoes.Match(0xAA, 10 + EchoMatcher::kEchoWithinMs + 1), std::nullopt);
    EXPECT_EQ(echoes.Pending(), 0u);

    // A stream faster than the link keeps the newest bytes only.
    const std::vector<uint8_t> stream(EchoMatcher::kMostBytes + 100, 0x41);
    echoes.Written(stream, "link test", 20);
    EXPECT_EQ(echoes.Pending(), EchoMatcher::kMostBytes);
    EXPECT_THAT(echoes.Match(0x41, 20), Optional(std::string("link test")));
}
