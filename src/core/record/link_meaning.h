// What bytes on the link meant, in words, as the engine understood them: the
// meaning column of a session record.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/engine/engine_events.h"
#include "core/protocol/status_reply.h"

namespace ferrule {

// "shutter closed, Fast, trigger off, SYNC Low for Open, closed time
// 00:00:00:200:0, exposure time 00:00:00:300:0, running option Go, repeat
// number 5".
std::string DescribeStatus(const StatusValues& status);

// The meaning of one read batch, built byte by byte. Runs of bytes that
// belong together (an echo, the bytes of a reply) read as one phrase; each
// report the controller made of its own accord stays a phrase of its own.
class BatchMeaning {
public:
    void Clear() { m_phrases.clear(); }
    // A decoded byte; echoOf names the message it echoes, when it is an echo.
    void AddByte(const EngineEvent& byte, const std::optional<std::string>& echoOf);
    // The whole status or information reply that the batch's bytes ended.
    void AddStatusReply(const StatusValues& status);
    void AddInfoReply(std::string_view text);
    // The phrases joined by "; ".
    std::string Text() const;

private:
    void Add(std::string text, bool joinsLike);
    // The reply's bytes, the last run of them, read as the whole reply.
    void Complete(std::string_view bytesPhrase, std::string whole);

    struct Phrase {
        std::string text;
        std::string joinKey;  // a byte of these words joins it; empty: none does
    };
    std::vector<Phrase> m_phrases;
};

}  // namespace ferrule
