#include "core/remote/link_narrator.h"

#include <cstdio>

#include "core/protocol/message_catalogue.h"
#include "core/remote/outcome.h"
#include "core/remote/setting_words.h"

namespace ferrule::remote {

namespace {

namespace wire = controller;

// An echo comes within this long of its byte, or not at all.
constexpr int64_t kEchoWithinMs = 1000;
// Bytes awaiting their echo, at most; a stream the controller does not echo
// must not make the list grow.
constexpr size_t kMostAwaitingEcho = 4096;

std::string Hex(uint8_t byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%.2X", byte);
    return text;
}

std::string Seconds(int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%+9.3f s", static_cast<double>(ms) / 1000.0);
    return text;
}

const char* RouteWord(ByteRoute route) {
    switch (route) {
        case ByteRoute::Countdown:
            return "run";
        case ByteRoute::InfoReply:
            return "info-reply";
        case ByteRoute::StatusReply:
            return "status-reply";
        case ByteRoute::Upload:
            return "upload";
        case ByteRoute::ResetFollowUp:
            return "reset-end";
        case ByteRoute::Plain:
            break;
    }
    return "plain";
}

}  // namespace

void LinkNarrator::Emit(LinkRecord::Level level, int64_t timeMs, JsonObject json,
                        std::string text) {
    const int64_t t = timeMs - m_startMs;
    LinkRecord record;
    record.level = level;
    record.json = std::move(json);
    record.json.Set("t_ms", t);
    record.text = Seconds(t) + "  " + text;
    m_sink(record);
}

bool LinkNarrator::TakeEcho(uint8_t byte, int64_t timeMs) {
    while (!m_awaitingEcho.empty() && timeMs - m_awaitingEcho.front().timeMs > kEchoWithinMs) {
        m_awaitingEcho.pop_front();
    }
    if (m_awaitingEcho.empty() || m_awaitingEcho.front().byte != byte) {
        return false;
    }
    m_echoOf = m_awaitingEcho.front().message;
    m_awaitingEcho.pop_front();
    return true;
}

void LinkNarrator::OnEngineEvent(const EngineEvent& event) {
    using Kind = EngineEvent::Kind;
    using Level = LinkRecord::Level;
    switch (event.kind) {
        case Kind::Sent: {
            std::string hex;
            for (uint8_t byte : event.bytes) {
                hex += (hex.empty() ? "" : " ") + Hex(byte);
                if (m_awaitingEcho.size() < kMostAwaitingEcho) {
                    m_awaitingEcho.push_back({byte, event.timeMs, std::string(event.text)});
                }
            }
            Emit(Level::Byte, event.timeMs,
                 JsonObject().Set("event", "sent").Set("bytes", hex).Set("message", event.text),
                 "sent      " + hex + "  " + std::string(event.text));
            break;
        }
        case Kind::Byte:
            Received(event);
            break;
        case Kind::StatusReply: {
            Outcome status;
            DescribeSettings(*event.status, &status);
            JsonObject json;
            json.Set("event", "status").Append(status.result);
            Emit(Level::Moment, event.timeMs, json, "status reply complete");
            break;
        }
        case Kind::InfoReply:
            Emit(Level::Moment, event.timeMs,
                 JsonObject().Set("event", "info").Set("text", event.text),
                 "information reply: " + std::string(event.text));
            break;
        case Kind::UploadStep:
            Emit(Level::Byte, event.timeMs,
                 JsonObject().Set("event", "upload-step").Set("step", event.number),
                 "upload step " + std::to_string(event.number));
            break;
        case Kind::UploadEnded: {
            JsonObject json;
            json.Set("event", "upload-ended");
            if (!event.text.empty()) {
                json.Set("reason", event.text);
            }
            Emit(Level::Moment, event.timeMs, json,
                 event.text.empty() ? "upload complete"
                                    : "upload given up: " + std::string(event.text));
            break;
        }
        case Kind::LinkLost:
            Emit(Level::Moment, event.timeMs,
                 JsonObject()
                     .Set("event", "link-lost")
                     .Set("error", "the link to the controller failed"),
                 "link lost: the link to the controller failed");
            break;
        default:
            break;  // batches are told byte by byte; the link test is not narrated
    }
}

void LinkNarrator::Received(const EngineEvent& event) {
    using Level = LinkRecord::Level;
    const uint8_t byte = event.bytes.empty() ? 0 : event.bytes[0];
    const bool shutterByte = byte == wire::kOpen || byte == wire::kClose;
    const bool echo = TakeEcho(byte, event.timeMs);
    std::string meaning;
    switch (event.effect) {
        case ByteEffect::ShutterOpened:
            meaning = "shutter opened";
            break;
        case ByteEffect::ShutterClosed:
            meaning = "shutter closed";
            break;
        case ByteEffect::CycleCounted:
            meaning = "cycle counted, " + std::to_string(event.number) + " left";
            break;
        case ByteEffect::RunEnded:
            meaning = "end of run";
            break;
        case ByteEffect::InfoStarted:
            meaning = "information reply follows";
            break;
        case ByteEffect::StatusRequested:
            meaning = "end of reset, status requested";
            break;
        case ByteEffect::None:
            break;
    }
    if (echo) {
        meaning = "echo of " + m_echoOf;
    } else if (meaning.empty()) {
        if (event.route == ByteRoute::StatusReply) {
            meaning = "status reply byte " + std::to_string(event.number);
        } else if (event.route == ByteRoute::InfoReply) {
            meaning = "information reply byte " + std::to_string(event.number);
        } else if (byte == wire::kAck) {
            meaning = "acknowledgment";
        } else if (byte == wire::kEnd) {
            meaning = "carriage return";
        } else if (event.route == ByteRoute::Upload) {
            meaning = "upload answer";
        } else {
            meaning = "byte";
        }
    }
    Emit(Level::Byte, event.timeMs,
         JsonObject()
             .Set("event", "byte")
             .Set("byte", Hex(byte))
             .Set("route", RouteWord(event.route))
             .Set("meaning", meaning),
         "received  " + Hex(byte) + "  " + meaning);

    if (echo) {
        return;
    }
    // A free run's bytes, and the controller's own report outside one, move
    // the shutter; the countdown tells the cycles and the end.
    if (shutterByte && (event.route == ByteRoute::Countdown || event.route == ByteRoute::Plain)) {
        const std::string state = byte == wire::kOpen ? "open" : "closed";
        Emit(Level::Moment, event.timeMs, JsonObject().Set("event", "shutter").Set("state", state),
             "shutter " + state);
    }
    const bool counted = event.effect == ByteEffect::CycleCounted ||
                         (event.effect == ByteEffect::RunEnded && shutterByte);
    if (counted) {
        const int left = event.effect == ByteEffect::RunEnded ? 0 : event.number;
        Emit(Level::Moment, event.timeMs, JsonObject().Set("event", "cycle").Set("left", left),
             "cycle done, " + std::to_string(left) + " left");
    }
    if (event.effect == ByteEffect::RunEnded) {
        Emit(Level::Moment, event.timeMs, JsonObject().Set("event", "run-ended"), "run ended");
    }
}

}  // namespace ferrule::remote
