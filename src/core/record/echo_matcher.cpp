#include "core/record/echo_matcher.h"

#include <algorithm>

namespace ferrule {

bool MayBeEcho(const EngineEvent& byte) {
    switch (byte.route) {
        case ByteRoute::StatusReply:
            return byte.number == 1;
        case ByteRoute::InfoReply:
        case ByteRoute::ResetFollowUp:
            return false;
        default:
            return true;
    }
}

void EchoMatcher::Written(std::span<const uint8_t> bytes, std::string_view name, int64_t timeMs) {
    if (bytes.empty()) {
        return;
    }
    m_names.emplace_back(name);
    const uint32_t number = m_nextName++;
    for (uint8_t byte : bytes) {
        m_bytes.push_back({byte, number, timeMs});
    }
    if (m_bytes.size() > kMostBytes) {
        DropFront(m_bytes.size() - kMostBytes);
    }
}

std::optional<std::string> EchoMatcher::Match(uint8_t byte, int64_t timeMs) {
    // Whatever waited longer than an echo ever takes was not echoed.
    size_t stale = 0;
    while (stale < m_bytes.size() && timeMs - m_bytes[stale].timeMs > kEchoWithinMs) {
        ++stale;
    }
    DropFront(stale);
    const auto found = std::find_if(m_bytes.begin(), m_bytes.end(),
                                    [byte](const Entry& entry) { return entry.byte == byte; });
    if (found == m_bytes.end()) {
        return std::nullopt;
    }
    std::string name = NameOf(*found);
    // The bytes before it were written earlier and their echoes were lost.
    DropFront(static_cast<size_t>(found - m_bytes.begin()) + 1);
    return name;
}

void EchoMatcher::Clear() {
    m_bytes.clear();
    m_names.clear();
    m_firstName = m_nextName;
}

void EchoMatcher::DropFront(size_t count) {
    m_bytes.erase(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(count));
    const uint32_t oldest = m_bytes.empty() ? m_nextName : m_bytes.front().name;
    while (m_firstName < oldest && !m_names.empty()) {
        m_names.pop_front();
        ++m_firstName;
    }
}

const std::string& EchoMatcher::NameOf(const Entry& entry) const {
    return m_names[entry.name - m_firstName];
}

}  // namespace ferrule
