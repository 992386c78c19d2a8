// Splits the bytes the controller receives into messages. Messages carry no
// length: the first byte, and after the function prefix the function code,
// tell how many parameter bytes follow.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace ferrule {

struct ControllerMessage {
    std::array<uint8_t, 6> bytes{};
    size_t size = 0;

    uint8_t operator[](size_t i) const { return bytes[i]; }
};

class ControllerParser {
public:
    // Takes one byte; returns the message it completes, if any.
    std::optional<ControllerMessage> Feed(uint8_t byte);
    // The host's write has ended. The running-option step without an option
    // (the function code 0xF0 alone) is told from the repeat number (0xF0 and
    // two bytes) here, because the host writes every message whole.
    std::optional<ControllerMessage> EndOfWrite();

    bool Idle() const { return m_pending.size == 0; }
    void Clear() { m_pending = {}; }

private:
    size_t ExpectedSize() const;

    ControllerMessage m_pending;
};

}  // namespace ferrule
