// What happened on the link, as the engine understood it, for whoever wants
// to follow it besides the view: a session record, a command line watching
// the link, a timeline of the shutter. Observers are told on the engine's
// thread, in the order things happened; the link test's writes are the one
// exception (see LinkTestSent).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/protocol/status_reply.h"

namespace ferrule {

// Which branch of the reply decoder took a received byte.
enum class ByteRoute {
    Countdown,      // a free run's byte: neither counted nor listed
    InfoReply,      // one of the twelve characters of the information reply
    StatusReply,    // one of the twenty bytes of the status reply
    Upload,         // counted toward the Apply upload's pacing
    ResetFollowUp,  // the carriage return that ends a reset or a restore
    Plain,          // anything else
};

// What a received byte did besides being routed.
enum class ByteEffect {
    None,
    ShutterOpened,    // 0xAA: the shutter reported open
    ShutterClosed,    // 0xAC: the shutter reported closed
    CycleCounted,     // a run's cycle completed
    RunEnded,         // the run ended: its carriage return, or its last cycle counted
                      // (a trigger-started run's countdown stays armed for the next pulse)
    InfoStarted,      // 0xFD: the information reply follows
    StatusRequested,  // the reset follow-up asked for the status
};

struct EngineEvent {
    enum class Kind {
        Sent,          // bytes the engine wrote; text names the message
        Received,      // a batch the poll read, before its bytes are decoded
        Byte,          // one byte of that batch, decoded
        BatchDecoded,  // the batch's bytes are all decoded
        StatusReply,   // a whole status reply has been taken; status holds it
        InfoReply,     // the information reply's text
        UploadStep,    // the Apply upload's step `number` (1-7) is going out
        UploadEnded,   // the upload finished; text says why when it was given up
        LinkLost,      // the poll found the link broken
        LinkTestSent,  // the link test wrote bytes (told on the link test's thread)
    };
    Kind kind = Kind::Sent;
    // When, on the view's monotonic clock (EngineHooks::NowMs), in
    // milliseconds; LinkTestSent is stamped on the steady clock.
    int64_t timeMs = 0;
    std::span<const uint8_t> bytes{};  // Sent, Received, LinkTestSent; Byte: the one byte
    std::string_view text{};           // Sent, InfoReply, UploadEnded
    int number = 0;                    // UploadStep: the step; Byte: position in its reply;
                                       // CycleCounted: cycles left; Received: milliseconds
                                       // since the poll before looked (0: unknown), so the
                                       // most the batch's bytes may have waited
    ByteRoute route = ByteRoute::Plain;
    ByteEffect effect = ByteEffect::None;
    const StatusValues* status = nullptr;  // StatusReply
};

class EngineObserver {
public:
    virtual ~EngineObserver() = default;
    // LinkTestSent comes from the link test's worker thread: an observer that
    // takes it must be safe to call from there while the engine's thread calls
    // it for everything else.
    virtual void OnEngineEvent(const EngineEvent& event) = 0;
};

}  // namespace ferrule
