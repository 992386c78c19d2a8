// The controller model: what it answers, how it splits messages, what it
// keeps and stores.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "controller_model/controller_replies.h"
#include "core/protocol/message_catalogue.h"
#include "core/protocol/status_reply.h"
#include "model_recorder.h"

namespace {

using Bytes = std::vector<uint8_t>;
using ferrule::ControllerConfig;
using ferrule::ProbeReply;

TEST(SimControllerModel, EchoesBlinkAndUnknownBytesAndNothingMore) {
    ModelRecorder c;
    EXPECT_EQ(c.Write({0x40, 0x4F, 0x99}), (Bytes{0x40, 0x4F, 0x99}));
    EXPECT_EQ(c.Write({0xFA, 0x77}), (Bytes{0xFA, 0x77}));  // unknown function
}

// The configuration upload sends each message once n + 1 bytes have come back.
TEST(SimControllerModel, AnswersEveryUploadMessageWithOneByteMore) {
    const std::vector<Bytes> upload = {{0xAC},
                                       {0xDC},
                                       {0xDE, 0x14},
                                       {0xFA, 0xA0},
                                       {0xFA, 0xB1},
                                       {0xFA, 0x10, 0x00, 0x01, 0x00, 0x00},
                                       {0xFA, 0x20, 0x00, 0x00, 0x00, 0x00},
                                       {0xFA, 0xF0, 0x00, 0x03},
                                       {0xFA, 0xF1},
                                       {0xFA, 0xF0},
                                       {0xAA}};
    ModelRecorder c;
    for (const Bytes& message : upload) {
        const Bytes answer = c.Write(message);
        ASSERT_EQ(answer.size(), message.size() + 1) << std::hex << int{message[0]};
        EXPECT_TRUE(std::equal(message.begin(), message.end(), answer.begin()));
    }
    EXPECT_EQ(c.Write({0xAA}), (Bytes{0xAA, 0xAA}));  // already open: reported all the same
}

TEST(SimControllerModel, TakesParameterBytesAsParametersNotCommands) {
    ModelRecorder c;
    EXPECT_EQ(c.Write({0xFA, 0xF0, 0x00, 0xCC}), (Bytes{0xFA, 0xF0, 0x00, 0xCC, 0x06}));
    EXPECT_EQ(c.model.Config().repeat, 0xCC);
    c.model.SetProbeReply(ProbeReply::Silent);
    c.Write({0xFA, 0x10, 0xEE, 0x00, 0x00, 0x00});  // 0xEE as minutes: echoed
    EXPECT_EQ(c.sent.back().byte, 0x06);
    EXPECT_EQ(c.model.Config().closed[1], 0xEE);
}

TEST(SimControllerModel, TellsTheLoneRunningOptionStepFromTheRepeatNumber) {
    ModelRecorder c;
    c.Write({0xFA, 0xF1});
    c.Write({0xFA, 0xF0});
    EXPECT_EQ(c.model.Config().runOption, 0xF0);
    EXPECT_EQ(c.model.Config().repeat, 1);
    c.Write({0xFA, 0xF0, 0x01, 0x2C});
    EXPECT_EQ(c.model.Config().repeat, 300);
}

TEST(SimControllerModel, ContinuesAMessageSplitOverWritesUnlessItWentStale) {
    ModelRecorder c;
    c.Write({0xDE}, 0);
    c.Write({0x0A}, 1000);
    EXPECT_EQ(c.model.Config().ndSteps, 10);
    c.Write({0xFA}, 2000);
    EXPECT_EQ(c.Write({0xCC}, 2000 + 60'000).size(), ferrule::kStatusReplySize);
}

TEST(SimControllerModel, StatusReplyShortLayout) {
    ModelRecorder c;
    c.Write({0xAA});
    c.Write({0xFA, 0x11, 0x02, 0x03, 0x45, 0x60});
    c.Write({0xFA, 0xF1});
    c.Write({0xFA, 0xF0, 0x00, 0x05});
    EXPECT_EQ(c.Write({0xCC}), (Bytes{0xCC, 0xAA, 0xDC, 0x00, 0xA0, 0xB0, 0x11, 0x02, 0x03, 0x45,
                                      0x60, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF1, 0x00, 0x05, 0x00}));
}

TEST(SimControllerModel, StatusReplyNeutralDensityLayout) {
    ModelRecorder c;
    c.Write({0xDE, 0x0A});
    c.Write({0xFA, 0xA1});
    c.Write({0xFA, 0xB2});
    c.Write({0xFA, 0x20, 0x00, 0x1E, 0x25, 0x05});
    c.Write({0xFA, 0xF0, 0xFF, 0xFF});
    const Bytes reply = c.Write({0xCC});
    EXPECT_EQ(reply, (Bytes{0xCC, 0xAC, 0xDE, 0x0A, 0x00, 0xA1, 0xB2, 0x00, 0x00, 0x00,
                            0x00, 0x00, 0x20, 0x00, 0x1E, 0x25, 0x05, 0xF0, 0xFF, 0xFF}));
    // Read back by the panel's own reading of the reply.
    const ferrule::StatusValues read = ferrule::ReadStatusReply(reply);
    EXPECT_EQ(read.ndSteps, 10);
    EXPECT_EQ(read.triggerMode, 0);
    EXPECT_EQ(read.syncLevel, 1);
    EXPECT_EQ(read.exposure, (ferrule::TimeText{"0", "0", "30", "250", "5"}));
    EXPECT_EQ(read.timerSelect, 1);
    EXPECT_EQ(read.freeRunOption, -1);
    EXPECT_EQ(read.repeatCount, "65535");
}

TEST(SimControllerModel, InformationReplyIsTwelvePrintableCharacters) {
    ModelRecorder c;
    const Bytes reply = c.Write({0xFD});
    ASSERT_EQ(reply.size(), 13u);
    EXPECT_EQ(reply[0], 0xFD);
    EXPECT_EQ(std::string(reply.begin() + 1, reply.end()), "QSC-1000V2.0");
}

TEST(SimControllerModel, ProbeAnswers) {
    ModelRecorder c;
    EXPECT_EQ(c.Write({0xEE}), (Bytes{0xEE, 0x06}));
    c.model.SetProbeReply(ProbeReply::Silent);
    EXPECT_EQ(c.Write({0xEE}), Bytes{});
    c.model.SetProbeReply(ProbeReply::Other, 0x41);
    EXPECT_EQ(c.Write({0xEE}), (Bytes{0x41, 0x06}));
}

TEST(SimControllerModel, ResetLoadsTheStoredConfigurationAndEndsWithCarriageReturn) {
    ModelRecorder c;
    c.Write({0xDD});
    EXPECT_EQ(c.Write({0xFA, 0xC1}), (Bytes{0xFA, 0xC1, 0x06}));
    c.Write({0xDE, 0x05});
    c.Write({0xAA});
    EXPECT_EQ(c.Write({0xFB}), (Bytes{0xFB, 0xAC, 0x0D}));
    EXPECT_EQ(c.model.Config().mode, 0xDD);
    EXPECT_FALSE(c.model.ShutterOpen());
}

TEST(SimControllerModel, RestoreDefaultsResetsCurrentAndStoredConfiguration) {
    ModelRecorder c;
    c.Write({0xFA, 0xB1});
    c.Write({0xFA, 0xC1});
    EXPECT_EQ(c.Write({0xFA, 0xC0}), (Bytes{0xFA, 0xC0, 0x0D}));
    EXPECT_EQ(c.model.Config(), ControllerConfig{});
    EXPECT_EQ(c.model.StoredConfig(), ControllerConfig{});
}

TEST(SimControllerModel, PowerOffKeepsTheShutterClosedUntilPowerOn) {
    ModelRecorder c;
    c.Write({0xAA});
    EXPECT_EQ(c.Write({0xCF}), (Bytes{0xCF, 0x06, 0xAC}));
    EXPECT_EQ(c.Write({0xAA}), (Bytes{0xAA, 0xAC}));
    c.Write({0xDD});
    EXPECT_EQ(c.Write({0xCE}), (Bytes{0xCE, 0x06}));
    EXPECT_EQ(c.model.Config().mode, 0xDC);  // power-up loaded the stored configuration
    EXPECT_EQ(c.Write({0xAA}), (Bytes{0xAA, 0xAA}));
}

}  // namespace
