// The upload's steps by the count of bytes received, for both pacings.
#include <gtest/gtest.h>

#include <vector>

#include "core/protocol/apply_upload.h"

using ferrule::TimeText;
using Message = ferrule::controller::Message;

namespace {

struct Sent {
    int at;
    std::vector<uint8_t> bytes;
    bool operator==(const Sent&) const = default;
};

// Runs the schedule as the decoder does, one received byte at a time.
std::vector<Sent> Schedule(const ferrule::UploadSettings& settings) {
    std::vector<Sent> sent;
    int nextAt = 2;
    for (int received = 1; received <= 40; ++received) {
        if (received != nextAt) {
            continue;
        }
        const ferrule::UploadStep step = ferrule::ApplyUploadStep(received, settings);
        if (!step.message) {
            break;
        }
        sent.push_back(
            {received, {step.message->data(), step.message->data() + step.message->size}});
        if (step.last) {
            break;
        }
        nextAt += step.nextAfter;
    }
    return sent;
}

const TimeText kClosed = {"", "", "1", "", ""};
const TimeText kEmpty = {};

}  // namespace

TEST(ApplyUpload, FastModeSchedule) {
    EXPECT_EQ(Schedule({0, 0, -1, -1, kClosed, kEmpty, "3", 2}),
              (std::vector<Sent>{{2, {0xDC}},
                                 {4, {0xFA, 0xA0}},
                                 {7, {0xFA, 0xB0}},
                                 {10, {0xFA, 0x10, 0x00, 0x01, 0x00, 0x00}},
                                 {17, {0xFA, 0x20, 0x00, 0x00, 0x00, 0x00}},
                                 {24, {0xFA, 0xF0, 0x00, 0x03}},
                                 {29, {0xFA, 0xF3}}}));
}

TEST(ApplyUpload, NeutralDensityComesOneByteLater) {
    const auto sent = Schedule({2, 20, 1, 0, kEmpty, kEmpty, "Continuous", 0});
    ASSERT_EQ(sent.size(), 7u);
    EXPECT_EQ(sent[0], (Sent{2, {0xDE, 0x14}}));
    std::vector<int> at;
    for (const Sent& s : sent) {
        at.push_back(s.at);
    }
    EXPECT_EQ(at, (std::vector<int>{2, 5, 8, 11, 18, 25, 30}));
    EXPECT_EQ(sent[1].bytes, (std::vector<uint8_t>{0xFA, 0xA2}));
    EXPECT_EQ(sent[2].bytes, (std::vector<uint8_t>{0xFA, 0xB1}));
    EXPECT_EQ(sent[5].bytes, (std::vector<uint8_t>{0xFA, 0xF0, 0xFF, 0xFF}));
    EXPECT_EQ(sent[6].bytes, (std::vector<uint8_t>{0xFA, 0xF1}));
}

TEST(ApplyUpload, NoModeStallsAndTheRepeatNumberHasNoLimit) {
    EXPECT_TRUE(Schedule({-1, 0, 0, 0, kEmpty, kEmpty, "3", 2}).empty());
    EXPECT_EQ(ferrule::UploadRepeatFrame(""), (Message{{0xFA, 0xF0, 0x00, 0x00}, 4}));
    EXPECT_EQ(ferrule::UploadRepeatFrame("70000"), (Message{{0xFA, 0xF0, 0x11, 0x70}, 4}));
    EXPECT_EQ(ferrule::ApplyUploadStep(26, {0, 0, 0, 0, kEmpty, kEmpty, "", -1}).message,
              (Message{{0xFA, 0xF0}, 2}));
}
