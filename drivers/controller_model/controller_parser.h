// Splits the bytes the controller receives into messages. Messages carry no
// length: the first byte, and after the function prefix the function code,
// tell how many parameter bytes follow.
#pragma once

#include <cstdint>
#include <optional>

#include "core/protocol/message_catalogue.h"

namespace ferrule {

class ControllerParser {
public:
    // Takes one byte; returns the message it completes, if any.
    std::optional<controller::Message> Feed(uint8_t byte);
    // The host's write has ended. The running-option step without an option
    // (the function code 0xF0 alone) is told from the repeat number (0xF0 and
    // two bytes) here, because the host writes every message whole.
    std::optional<controller::Message> EndOfWrite();

    bool Idle() const { return m_pending.size == 0; }
    void Clear() { m_pending = {}; }

private:
    size_t ExpectedSize() const;

    controller::Message m_pending;
};

}  // namespace ferrule
