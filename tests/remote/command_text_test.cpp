// The command language and the JSON it is answered in: what each form
// parses to, that every bad word is named with the accepted forms, and that
// any bytes make valid JSON.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/remote/command_grammar.h"
#include "core/remote/json_writer.h"
#include "core/remote/listen_address.h"
#include "core/timing/timer_limits.h"

using ferrule::remote::Command;
using ferrule::remote::Origin;
using ferrule::remote::ParseLine;
using ferrule::remote::Verb;
using ::testing::HasSubstr;

namespace {

Command Parsed(const std::string& line) {
    const ferrule::remote::ParseResult result = ParseLine(line);
    EXPECT_TRUE(result.command) << line << ": " << result.error;
    return result.command.value_or(Command{});
}

std::string Refusal(const std::string& line, Origin origin = Origin::Socket) {
    std::string error;
    const auto words = ferrule::remote::SplitWords(line, &error);
    if (!words) {
        return error;
    }
    const ferrule::remote::ParseResult result = ferrule::remote::ParseCommand(*words, origin);
    EXPECT_FALSE(result.command) << line;
    return result.error;
}

TEST(CommandGrammar, TheFormsParseToTheirValues) {
    EXPECT_EQ(Parsed("shutter open").value, 0);
    EXPECT_EQ(Parsed("shutter close").value, 1);
    Command nd = Parsed("mode nd 144");
    EXPECT_EQ(nd.value, 2);
    EXPECT_EQ(nd.number, 144);
    EXPECT_EQ(Parsed("trigger off").value, -1);
    EXPECT_EQ(Parsed("trigger falling").value, 3);
    EXPECT_EQ(Parsed("sync low").value, 1);
    Command timer = Parsed("timer exposure 1:2:3:456:7");
    EXPECT_EQ(timer.value, 1);
    EXPECT_EQ(timer.time, (ferrule::TimeText{"1", "2", "3", "456", "7"}));
    EXPECT_EQ(Parsed("repeat continuous").number, ferrule::remote::kContinuousRepeat);
    EXPECT_EQ(Parsed("repeat 65000").number, 65000);
    Command run = Parsed("  run\tgo --wait ");
    EXPECT_EQ(run.value, 2);
    EXPECT_TRUE(run.wait);
    EXPECT_TRUE(Parsed("store-config --yes").yes);
    Command load = Parsed("load \"my bench.cfg\" --apply");
    EXPECT_EQ(load.path, "my bench.cfg");
    EXPECT_TRUE(load.apply);
    Command blink = Parsed("blink --seconds 1.25 --speed 500");
    EXPECT_EQ(blink.number, 500);
    EXPECT_EQ(blink.durationMs, 1250);
    EXPECT_EQ(Parsed("*idn?").verb, Verb::Identify);
    EXPECT_EQ(Parsed("open").verb, Verb::Open);
}

TEST(CommandGrammar, EveryRefusalNamesTheBadWordAndTheAcceptedForms) {
    EXPECT_THAT(Refusal("shutter ajar"), HasSubstr("'ajar'"));
    EXPECT_THAT(Refusal("shutter ajar"), HasSubstr("shutter open|close"));
    EXPECT_THAT(Refusal("frobnicate"), HasSubstr("unknown command 'frobnicate'"));
    EXPECT_THAT(Refusal("frobnicate"), HasSubstr("store-config"));
    EXPECT_THAT(Refusal("mode nd"), HasSubstr("missing STEPS"));
    EXPECT_THAT(Refusal("mode nd 145"), HasSubstr("0 to 144"));
    EXPECT_THAT(Refusal("mode nd -1"), HasSubstr("'-1'"));
    EXPECT_THAT(Refusal("mode nd 2x"), HasSubstr("'2x'"));
    EXPECT_THAT(Refusal("repeat 0"), HasSubstr("1 to 65000"));
    EXPECT_THAT(Refusal("repeat many"), HasSubstr("N|continuous"));
    EXPECT_THAT(Refusal("timer closed 1:2:3"), HasSubstr("H:M:S:MS:T"));
    EXPECT_THAT(Refusal("timer closed a:b:c:d:e"), HasSubstr("'a:b:c:d:e'"));
    EXPECT_THAT(Refusal("timer later 0:0:0:0:0"), HasSubstr("closed|exposure"));
    EXPECT_THAT(Refusal("status now"), HasSubstr("unexpected 'now'"));
    EXPECT_THAT(Refusal("run go --wait --wait"), HasSubstr("given twice"));
    EXPECT_THAT(Refusal("run power-up --wait"), HasSubstr("--wait is for run go"));
    EXPECT_THAT(Refusal("blink --speed 501 --seconds 1"), HasSubstr("0 to 500"));
    EXPECT_THAT(Refusal("blink --speed 5"), HasSubstr("both --speed and --seconds"));
    EXPECT_THAT(Refusal("load \"open quote"), HasSubstr("unclosed quote"));
    EXPECT_THAT(ParseLine(" \r").error, HasSubstr("empty line"));
    // A refused word is shown short and on one line.
    const std::string shown = Refusal(std::string(3000, 'z') + "\x01");
    EXPECT_LT(shown.size(), 400u);
    EXPECT_EQ(shown.find('\x01'), std::string::npos);
}

TEST(CommandGrammar, TheSocketAndTheCommandLineEachHaveTheirOwnCommands) {
    EXPECT_THAT(Refusal("*IDN?", Origin::CommandLine), HasSubstr("unknown command"));
    EXPECT_THAT(Refusal("open", Origin::CommandLine), HasSubstr("unknown command"));
    EXPECT_THAT(Refusal("watch --seconds 2"), HasSubstr("unexpected '--seconds'"));
    const std::vector<std::string> words{"watch", "--seconds", "2", "--record", "run.log"};
    const ferrule::remote::ParseResult watch =
        ferrule::remote::ParseCommand(words, Origin::CommandLine);
    ASSERT_TRUE(watch.command);
    EXPECT_EQ(watch.command->durationMs, 2000);
    EXPECT_EQ(watch.command->recordPath, "run.log");
    // Over the socket only configuration files are read or written.
    EXPECT_THAT(Refusal("save /home/someone/.bashrc"), HasSubstr("only a FILE.cfg"));
    EXPECT_EQ(Parsed("save /tmp/Bench.CFG").path, "/tmp/Bench.CFG");
}

TEST(TimerLimits, ThePanelsWarningForTheFirstComponentOutOfRange) {
    EXPECT_EQ(ferrule::CheckTimerLimits({5, 0, 0, 0, 0}), std::nullopt);
    EXPECT_EQ(ferrule::CheckTimerLimits({4, 59, 59, 999, 9}), std::nullopt);
    EXPECT_EQ(ferrule::CheckTimerLimits({6, 0, 0, 0, 0}),
              "Hours number must be less than 6! Please retype.");
    EXPECT_EQ(ferrule::CheckTimerLimits({0, 0, -1, 0, 0}),
              "Seconds number must not be negative! Please retype.");
    EXPECT_EQ(ferrule::CheckTimerLimits({0, 0, 0, 0, 10}),
              "1/10 Milliseconds number must be less than 10! Please retype.");
    EXPECT_EQ(ferrule::CheckTimerLimits({5, 0, 0, 1, 0}),
              "Timer has reached the maximum value - 5 hours.");
}

TEST(JsonWriter, AnyBytesMakeValidJson) {
    EXPECT_EQ(ferrule::remote::JsonString("a\"b\\c\n\t\x01\x7f"),
              "\"a\\\"b\\\\c\\n\\t\\u0001\\u007f\"");
    EXPECT_EQ(ferrule::remote::JsonString("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"),
              "\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\"");
    // Truncated, overlong, surrogate and out-of-range sequences.
    EXPECT_EQ(ferrule::remote::JsonString("\xe2\x82"), "\"\\ufffd\\ufffd\"");
    EXPECT_EQ(ferrule::remote::JsonString("\xc0\xaf"), "\"\\ufffd\\ufffd\"");
    EXPECT_EQ(ferrule::remote::JsonString("\xed\xa0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");
    EXPECT_EQ(ferrule::remote::JsonString("\xf4\x90\x80\x80"), "\"\\ufffd\\ufffd\\ufffd\\ufffd\"");
    ferrule::remote::JsonObject object;
    object.Set("n", -3).SetTenths("ms", 15).SetTenths("neg", -5).Set("ok", true).Set("n", 4);
    EXPECT_EQ(object.Text(), "{\"n\": 4, \"ms\": 1.5, \"neg\": -0.5, \"ok\": true}");
}

TEST(ListenAddress, OnlyLoopbackUnlessRemoteIsAllowed) {
    std::string error;
    for (const char* text :
         {"127.0.0.1:5025", "localhost:5025", "127.1.2.3:1", "[::1]:5025", "5025"}) {
        const auto address = ferrule::remote::ParseTcpAddress(text, &error);
        ASSERT_TRUE(address) << text << ": " << error;
        EXPECT_TRUE(ferrule::remote::IsLoopback(*address)) << text;
    }
    for (const char* text : {"0.0.0.0:5025", "192.0.2.1:5025", "[::]:5025"}) {
        const auto address = ferrule::remote::ParseTcpAddress(text, &error);
        ASSERT_TRUE(address) << text;
        EXPECT_FALSE(ferrule::remote::IsLoopback(*address)) << text;
        EXPECT_THAT(ferrule::remote::RemoteRefusal(*address), HasSubstr("--allow-remote"));
    }
    for (const char* text : {"127.0.0.1:65536", "127.0.0.1:", "host.example:80", "[::1]5025"}) {
        EXPECT_FALSE(ferrule::remote::ParseTcpAddress(text, &error)) << text;
    }
}

}  // namespace
