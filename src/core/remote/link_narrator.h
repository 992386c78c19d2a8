// Tells what happens on the link as records a person or a script reads: each
// received byte with its time and what it meant (an echo, the shutter opened
// or closed, a cycle, the end of a run, a byte of a status or information
// reply), and the moments that matter (the shutter moved, a cycle counted,
// the run ended, a whole reply, the upload ended, the link lost).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "core/engine/engine_events.h"
#include "core/remote/json_writer.h"

namespace ferrule::remote {

struct LinkRecord {
    enum class Level {
        Byte,    // every byte sent and received
        Moment,  // the shutter moved, a cycle, the run's end, a reply, the link lost
    };
    Level level = Level::Byte;
    JsonObject json;   // "event" names the kind; "t_ms" is the time since the narrator began
    std::string text;  // one line for a person
};

class LinkNarrator : public EngineObserver {
public:
    using Sink = std::function<void(const LinkRecord& record)>;

    // startMs: the engine's clock when the narration begins.
    LinkNarrator(Sink sink, int64_t startMs) : m_sink(std::move(sink)), m_startMs(startMs) {}

    // Told on the engine's thread; the link test's writes are not narrated.
    void OnEngineEvent(const EngineEvent& event) override;

private:
    void Emit(LinkRecord::Level level, int64_t timeMs, JsonObject json, std::string text);
    void Received(const EngineEvent& event);
    // Whether the byte is the controller's echo of one the host sent lately.
    bool TakeEcho(uint8_t byte, int64_t timeMs);

    struct SentByte {
        uint8_t byte;
        int64_t timeMs;
        std::string message;
    };
    Sink m_sink;
    int64_t m_startMs;
    std::deque<SentByte> m_awaitingEcho;
    std::string m_echoOf;  // the message the last echo belonged to
};

}  // namespace ferrule::remote
