// Knows when the controller has answered a command: the answer a message
// gets (its echo and one more byte, so n + 1 bytes for n sent), a whole
// status or information reply, the end of an upload, or the end of a run.
// It follows the engine's events on the engine's thread; whoever waits asks
// it after each poll.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/engine/engine_events.h"
#include "core/protocol/status_reply.h"

namespace ferrule::remote {

class ReplyWatcher : public EngineObserver {
public:
    enum class Awaits {
        Nothing,
        Answer,          // n + 1 bytes back for every n-byte message sent since armed
        Status,          // a whole status reply
        Info,            // a whole information reply
        Upload,          // the Apply upload's end, and the answer to its last message
        RunEnd,          // the run's end, or `cycles` cycles counted
        CarriageReturn,  // the controller's carriage return
    };

    // Starts waiting for `awaits`, forgetting what came before. For RunEnd,
    // cycles > 0 also ends the wait once that many cycles are counted.
    void Arm(Awaits awaits, int cycles = 0);
    void Disarm() { m_awaits = Awaits::Nothing; }
    bool Complete() const;
    bool LinkLost() const { return m_linkLost; }

    // What came while armed.
    const std::optional<StatusValues>& Status() const { return m_status; }
    const std::string& InfoText() const { return m_info; }
    // Why the upload was given up; empty when it finished.
    const std::string& UploadProblem() const { return m_uploadProblem; }
    int CyclesCounted() const { return m_cycles; }
    // The run ended with the controller's carriage return (not by the
    // countdown alone, which the carriage return follows).
    bool SawCarriageReturn() const { return m_carriageReturn; }
    int64_t BytesReceived() const { return m_received; }

    void OnEngineEvent(const EngineEvent& event) override;

private:
    Awaits m_awaits = Awaits::Nothing;
    int64_t m_expected = 0;
    int64_t m_received = 0;
    bool m_done = false;
    bool m_linkLost = false;
    bool m_carriageReturn = false;
    int m_cycles = 0;
    int m_cycleTarget = 0;
    std::optional<StatusValues> m_status;
    std::string m_info;
    std::string m_uploadProblem;
};

}  // namespace ferrule::remote
