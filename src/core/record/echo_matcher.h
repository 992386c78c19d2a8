// Tells an echo from a report. The controller echoes every byte it receives
// at once, so a received byte that is the oldest byte written and not yet
// echoed is its echo; anything else the controller sent of its own accord.
// Bytes the controller dropped (its transmit buffer overflows under the link
// test's fastest stream) are skipped when a later written byte matches, and
// a byte written longer ago than any echo takes is forgotten. The queue is
// bounded: under a stream faster than the link, the oldest bytes go first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/engine/engine_events.h"

namespace ferrule {

// Whether a decoded byte may be an echo at all: the replies' own bytes never
// are, but for the status reply's first byte, the echo of its request.
bool MayBeEcho(const EngineEvent& byte);

class EchoMatcher {
public:
    static constexpr size_t kMostBytes = 8192;
    static constexpr int64_t kEchoWithinMs = 1000;

    // Bytes written at timeMs, named for whoever reads the match.
    void Written(std::span<const uint8_t> bytes, std::string_view name, int64_t timeMs);
    // When the byte received at timeMs is an echo: the name of what it echoes.
    std::optional<std::string> Match(uint8_t byte, int64_t timeMs);
    void Clear();
    size_t Pending() const { return m_bytes.size(); }

private:
    struct Entry {
        uint8_t byte;
        uint32_t name;  // index into m_names, counted from m_firstName
        int64_t timeMs;
    };
    void DropFront(size_t count);
    const std::string& NameOf(const Entry& entry) const;

    std::deque<Entry> m_bytes;
    // The names of the writes still in m_bytes, oldest first: a write's bytes
    // share one name.
    std::deque<std::string> m_names;
    uint32_t m_firstName = 0;  // the number of the name at the front of m_names
    uint32_t m_nextName = 0;
};

}  // namespace ferrule
