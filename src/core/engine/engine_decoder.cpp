// The reply decoder: routes each received byte to the one reply it belongs
// to, by the states that earlier commands armed, in a fixed order: the
// free-run countdown, the information reply, the status reply, the Apply
// upload, the reset follow-up, and the plain path.
#include <algorithm>
#include <cstdint>

#include "core/common/leading_integer.h"
#include "core/engine/controller_engine.h"
#include "core/protocol/apply_upload.h"
#include "core/protocol/status_reply.h"
#include "core/timing/time_display.h"

namespace ferrule {

namespace wire = controller;

void ControllerEngine::CountAndList(uint8_t byte) {
    ++m_fields.m_nReceivedBytes;
    m_hooks.LogRawByte(byte);
}

void ControllerEngine::ReplyDecoder(uint8_t byte) {
    m_byteEffect = ByteEffect::None;
    ByteRoute route = ByteRoute::Plain;
    int position = 0;
    if (m_state.m_nFreeRunCountMode > 0) {
        route = ByteRoute::Countdown;
        FreeRunCountdown(byte);
        position = LeadingInteger(m_fields.m_strCyclesLeft);
    } else if (m_state.m_nInfoReplyCount >= 0) {
        route = ByteRoute::InfoReply;
        position = m_state.m_nInfoReplyCount + 1;
        InfoReply(byte);
    } else if (m_state.m_nStatusReplyCount >= 0) {
        route = ByteRoute::StatusReply;
        position = m_state.m_nStatusReplyCount + 1;
        StatusReply(byte);
    } else if (m_state.m_nApplyEchoCount >= 0) {
        route = ByteRoute::Upload;
        position = m_state.m_nApplyEchoCount + 1;
        ApplyUpload(byte);
    } else if (m_state.m_nResetPending > 0 && byte == wire::kEnd) {
        route = ByteRoute::ResetFollowUp;
        m_byteEffect = ByteEffect::StatusRequested;
        CountAndList(byte);
        m_state.m_nResetPending = 0;
        m_state.m_nStatusReplyCount = 0;
        WriteMessage(wire::CommandMessage(wire::kStatus));
    } else {
        CountAndList(byte);
        if (byte == wire::kInfo) {
            m_state.m_nInfoReplyCount = 0;
            m_byteEffect = ByteEffect::InfoStarted;
        } else if (byte == wire::kOpen) {
            m_fields.m_nShutter = 0;
            m_byteEffect = ByteEffect::ShutterOpened;
        } else if (byte == wire::kClose) {
            m_fields.m_nShutter = 1;
            m_byteEffect = ByteEffect::ShutterClosed;
        }
    }
    m_batchOnlyCounted =
        m_batchOnlyCounted && route == ByteRoute::Plain && m_byteEffect == ByteEffect::None;
    if (Observed()) {
        Notify({.kind = EngineEvent::Kind::Byte,
                .timeMs = m_batchTimeMs,
                .bytes = {&byte, 1},
                .number = position,
                .route = route,
                .effect = m_byteEffect});
    }
}

void ControllerEngine::InfoReply(uint8_t byte) {
    ++m_state.m_nInfoReplyCount;
    ++m_fields.m_nReceivedBytes;
    m_infoReply.Store(m_state.m_nInfoReplyCount, byte);
    if (m_state.m_nInfoReplyCount >= InfoReplyText::kLength) {
        const std::string first = m_infoReply.FirstLine();
        const std::string second = m_infoReply.SecondLine();
        m_hooks.LogLine(first);
        m_hooks.LogLine(second);
        m_state.m_nInfoReplyCount = -1;
        if (Observed()) {
            const std::string text = first + second;
            Notify({.kind = EngineEvent::Kind::InfoReply, .text = text});
        }
    }
}

// Every byte of a run goes here, neither counted nor listed. The shutter
// report that brings the shutter back to where it was when the run was
// armed completes a cycle.
void ControllerEngine::FreeRunCountdown(uint8_t byte) {
    if (byte == wire::kOpen || byte == wire::kClose) {
        m_fields.m_nShutter = byte == wire::kOpen ? 0 : 1;
        m_byteEffect = byte == wire::kOpen ? ByteEffect::ShutterOpened : ByteEffect::ShutterClosed;
        const int edge = m_state.m_nFreeRunCountEdge;
        const uint8_t countedEdge = edge == 0 ? wire::kOpen : wire::kClose;
        if (m_fields.m_strRepeatCount != "Continuous" && (edge == 0 || edge == 1) &&
            byte == countedEdge) {
            const int left = LeadingInteger(m_fields.m_strCyclesLeft);
            m_byteEffect = ByteEffect::CycleCounted;
            if (left == 1) {
                // The run's last cycle; a run started by a trigger pulse
                // stays armed for the next pulse while the input is on.
                m_fields.m_strCyclesLeft = m_fields.m_strRepeatCount;
                m_byteEffect = ByteEffect::RunEnded;
                if (m_state.m_nFreeRunCountMode == 2 ||
                    (m_state.m_nFreeRunCountMode == 1 && m_fields.m_nTriggerMode == -1)) {
                    m_state.m_nFreeRunCountMode = 0;
                }
            } else {
                m_fields.m_strCyclesLeft = std::to_string(left - 1);
            }
        }
    } else if (byte == wire::kEnd) {
        m_state.m_nFreeRunCountMode = 0;
        m_fields.m_strCyclesLeft = m_fields.m_strRepeatCount;
        m_byteEffect = ByteEffect::RunEnded;
    }
}

void ControllerEngine::StatusReply(uint8_t byte) {
    CountAndList(byte);
    const int position = ++m_state.m_nStatusReplyCount;
    const StatusSettings settings{
        m_fields.m_nShutter,       m_fields.m_nShutterMode,    m_fields.m_nNdSteps,
        m_fields.m_nTriggerMode,   m_fields.m_nSyncLevel,      m_fields.m_nTimerSelect,
        m_fields.m_nFreeRunOption, m_state.m_nRepeatCountHigh, m_fields.m_strRepeatCount,
        m_fields.m_strCyclesLeft,  m_state.m_strClosedTime,    m_state.m_strExposureTime};
    switch (TakeStatusByte(settings, position, byte)) {
        case StatusField::Mode:
            // Neutral Density's captions wait for the step count.
            if (m_fields.m_nShutterMode != 2) {
                ShowTransitionCaptions();
            }
            break;
        case StatusField::NdSteps:
            ShowTransitionCaptions();
            break;
        case StatusField::Trigger:
            m_hooks.TickPulseBox(PulseBox::Trigger, m_fields.m_nTriggerMode != -1);
            break;
        case StatusField::Sync:
            m_hooks.TickPulseBox(PulseBox::Sync, m_fields.m_nSyncLevel != -1);
            break;
        default:
            break;
    }
    if (position >= kStatusReplyLength) {
        EndStatusReply();
    }
}

// After the last byte everything that shows the controller's settings is
// refreshed: the cycle time, the selector, the timer editors, the fields,
// and the three time displays.
void ControllerEngine::EndStatusReply() {
    m_state.m_nStatusReplyCount = -1;
    ComputeCycleTime();
    if (m_fields.m_nTimerSelect != -1) {
        m_hooks.SelectTimer(m_fields.m_nTimerSelect);
    }
    EditDesignatedTime();
    m_hooks.WriteFields();
    m_hooks.ShowText(Display::ClosedTime, FormatTimeText(m_state.m_strClosedTime, " : "));
    m_hooks.ShowText(Display::ExposureTime, FormatTimeText(m_state.m_strExposureTime, " : "));
    ShowCycleTime();
    if (Observed()) {
        StatusValues status;
        status.shutter = m_fields.m_nShutter;
        status.shutterMode = m_fields.m_nShutterMode;
        status.ndSteps = m_fields.m_nNdSteps;
        status.triggerMode = m_fields.m_nTriggerMode;
        status.syncLevel = m_fields.m_nSyncLevel;
        status.timerSelect = m_fields.m_nTimerSelect;
        status.freeRunOption = m_fields.m_nFreeRunOption;
        status.repeatCountHigh = m_state.m_nRepeatCountHigh;
        status.repeatCount = m_fields.m_strRepeatCount;
        status.cyclesLeft = m_fields.m_strCyclesLeft;
        status.closed = m_state.m_strClosedTime;
        status.exposure = m_state.m_strExposureTime;
        Notify({.kind = EngineEvent::Kind::StatusReply, .status = &status});
    }
}

// Every byte the upload takes is counted and listed; the step that is due
// reads the fields afresh, so it sends what the user sees now.
void ControllerEngine::ApplyUpload(uint8_t byte) {
    CountAndList(byte);
    ++m_state.m_nApplyEchoCount;
    if (m_state.m_nApplyEchoCount != m_state.m_nApplyNextAt) {
        return;
    }
    m_hooks.ReadFields();
    const UploadStep step =
        ApplyUploadStep(m_state.m_nApplyEchoCount,
                        {m_fields.m_nShutterMode, m_fields.m_nNdSteps, m_fields.m_nTriggerMode,
                         m_fields.m_nSyncLevel, m_state.m_strClosedTime, m_state.m_strExposureTime,
                         m_fields.m_strRepeatCount, m_fields.m_nFreeRunOption});
    if (step.unsendable) {
        EndUpload(*step.unsendable);
        m_hooks.LogLine("Apply stopped: " + *step.unsendable);
        return;
    }
    if (!step.message) {
        return;  // no mode selected: stalled until Apply is pressed again
    }
    if (step.last) {
        m_state.m_nApplyEchoCount = -1;
        m_state.m_nApplyNextAt = -1;
        m_state.m_nFreeRunCountMode = m_fields.m_nFreeRunOption;
        m_state.m_nFreeRunCountEdge = m_fields.m_nShutter;
    } else {
        m_state.m_nApplyNextAt += step.nextAfter;
    }
    if (Observed()) {
        Notify({.kind = EngineEvent::Kind::UploadStep, .number = step.number});
    }
    WriteMessage(*step.message);
    if (step.last && Observed()) {
        Notify({.kind = EngineEvent::Kind::UploadEnded});
    }
}

// An upload the controller stopped answering is given up after a second, so
// that it cannot come back to life when bytes arrive again.
bool ControllerEngine::ExpireSilentUpload() {
    if (m_state.m_nApplyEchoCount < 0 || m_hooks.NowMs() - m_uploadHeardMs < kUploadQuietLimitMs) {
        return false;
    }
    EndUpload("the controller did not answer for a second");
    m_hooks.LogLine("Apply stopped: the controller did not answer for a second.");
    return true;
}

ControllerEngine::PollResult ControllerEngine::Poll() {
    PollResult result;
    if (m_bLinkReady == 0) {
        return result;
    }
    result.ran = true;
    // How late a batch may be read is what observers timing the controller's
    // reports need; without them the poll stays one queue query.
    int waitedMs = 0;
    if (Observed()) {
        const int64_t now = m_hooks.NowMs();
        waitedMs = m_lastPollMs < 0
                       ? 0
                       : static_cast<int>(std::min<int64_t>(now - m_lastPollMs, INT32_MAX));
        m_lastPollMs = now;
    } else {
        m_lastPollMs = -1;
    }
    if (m_d2xx.GetQueueStatus(&result.waiting) != FT_OK) {
        m_hooks.ReadFields();
        m_fields.m_strStatus = "USB not open.";
        m_linkTest.Stop();
        m_hooks.LinkBroken();
        m_d2xx.Close();
        m_bLinkReady = 0;
        m_hooks.WriteFields();
        if (Observed()) {
            Notify({.kind = EngineEvent::Kind::LinkLost});
        }
        result.linkBroken = true;
        return result;
    }
    if (result.waiting > 0) {
        m_uploadHeardMs = m_hooks.NowMs();
        DWORD got = 0;
        const FT_STATUS status =
            m_d2xx.Read(m_receiveBuffer, std::min<DWORD>(result.waiting, kReceiveBufferSize), &got);
        const bool decodable =
            got <= kReceiveBufferSize && (status == FT_OK || status == FT_IO_ERROR);
        m_batchWaitedMs = waitedMs;
        result.decoded = decodable ? got : 0;
        DecodeBatch(m_receiveBuffer, result.decoded);
        m_batchWaitedMs = 0;
    } else if (ExpireSilentUpload()) {
        m_hooks.WriteFields();
    }
    return result;
}

void ControllerEngine::DecodeBatch(const uint8_t* bytes, size_t count) {
    m_batchOnlyCounted = count > 0;
    if (count > 0) {
        m_hooks.ReadFields();
        const bool observed = Observed();
        if (observed) {
            m_batchTimeMs = m_hooks.NowMs();
            Notify({.kind = EngineEvent::Kind::Received,
                    .timeMs = m_batchTimeMs,
                    .bytes = {bytes, count},
                    .number = m_batchWaitedMs});
        }
        for (size_t i = 0; i < count; ++i) {
            ReplyDecoder(bytes[i]);
        }
        if (observed) {
            Notify({.kind = EngineEvent::Kind::BatchDecoded,
                    .timeMs = m_batchTimeMs,
                    .bytes = {bytes, count}});
            m_batchTimeMs = 0;
        }
    }
    if (m_batchOnlyCounted) {
        m_hooks.WriteCountAndLog();
    } else {
        m_hooks.WriteFields();
    }
}

}  // namespace ferrule
