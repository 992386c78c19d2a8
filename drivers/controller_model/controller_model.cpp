#include "controller_model/controller_model.h"

#include <algorithm>
#include <utility>

#include "controller_model/controller_replies.h"
#include "core/protocol/message_catalogue.h"

namespace ferrule {

using namespace controller;

ControllerModel::ControllerModel(Sink sink) : m_sink(std::move(sink)) {}

void ControllerModel::SetProbeReply(ProbeReply reply, uint8_t otherFirstByte) {
    m_probe = reply;
    m_probeOther = otherFirstByte;
}

void ControllerModel::Receive(const uint8_t* bytes, size_t count, uint64_t nowUs) {
    AdvanceTo(nowUs);
    if (!m_parser.Idle() && m_nowUs - m_lastInputUs > kPartialMessageTimeoutUs) {
        m_parser.Clear();
    }
    m_lastInputUs = m_nowUs;
    for (size_t i = 0; i < count; ++i) {
        Echo(bytes[i], m_parser.Idle() && bytes[i] == kOnline);
        if (auto message = m_parser.Feed(bytes[i])) {
            Execute(*message);
        }
    }
    if (auto message = m_parser.EndOfWrite()) {
        Execute(*message);
    }
}

void ControllerModel::AdvanceTo(uint64_t nowUs) {
    RunDue(std::max(nowUs, m_nowUs));
}

void ControllerModel::RunDue(uint64_t nowUs) {
    while (m_run.Running() && *m_run.NextEventUs() <= nowUs) {
        m_nowUs = *m_run.NextEventUs();
        switch (m_run.Pop()) {
            case ControllerFreeRun::Event::Open:
                m_shutterOpen = true;
                Send(kOpen);
                break;
            case ControllerFreeRun::Event::Close:
                m_shutterOpen = false;
                Send(kClose);
                break;
            case ControllerFreeRun::Event::End:
                // A triggered run ends its burst quietly: the controller stays
                // armed for the next pulse, and the free run ends on STOP.
                if (m_config.runOption != kRunOnTrigger) {
                    Send(kEnd);
                }
                break;
        }
    }
    m_nowUs = nowUs;
}

void ControllerModel::TriggerPulse(uint64_t nowUs) {
    AdvanceTo(nowUs);
    if (m_powered && m_config.trigger != kTriggerOff && m_config.runOption == kRunOnTrigger &&
        !m_run.Running()) {
        StartRun();
    }
}

void ControllerModel::PowerUp(uint64_t nowUs) {
    AdvanceTo(nowUs);
    PowerUpNow();
}

void ControllerModel::PowerUpNow() {
    m_run.Stop();
    m_parser.Clear();
    m_config = m_stored;
    m_shutterOpen = false;
    m_powered = true;
    if (m_config.runOption == kRunOnPowerUp) {
        StartRun();
    }
}

void ControllerModel::Echo(uint8_t byte, bool probe) {
    if (!probe || m_probe == ProbeReply::Echo) {
        Send(byte);
    } else if (m_probe == ProbeReply::Other) {
        Send(m_probeOther);
    }
}

void ControllerModel::Execute(const controller::Message& message) {
    switch (message[0]) {
        case kOpen:
        case kClose:
            MoveShutter(message[0] == kOpen);
            break;
        case kStatus:
            SendStatus();
            break;
        case kInfo:
            SendInfo();
            break;
        case kReset:
            LoadAndRestart(m_stored);
            break;
        case kStop:
            Send(kAck);
            if (m_run.Running() || m_config.runOption == kRunOnTrigger) {
                FinishRun();
            }
            break;
        case kPowerOn:
            Send(kAck);
            if (!m_powered) {
                PowerUpNow();
            }
            break;
        case kPowerOff:
            Send(kAck);
            PowerOff();
            break;
        case kModeFast:
        case kModeSoft:
            m_config.mode = message[0];
            Send(kAck);
            break;
        case kModeNd:
            m_config.mode = kModeNd;
            m_config.ndSteps = message[1];
            Send(kAck);
            break;
        case kOnline:
            if (m_probe != ProbeReply::Silent) {
                Send(kAck);
            }
            break;
        case kFunction:
            ExecuteFunction(message);
            break;
        default:  // blink bytes and unknown bytes: the echo is the whole answer
            break;
    }
}

void ControllerModel::ExecuteFunction(const controller::Message& message) {
    const uint8_t code = message[1];
    if (code >= kClosedTimer && code < kExposureTimer + 0x10) {
        ControllerTimer& timer = code < kExposureTimer ? m_config.closed : m_config.exposure;
        std::copy(message.bytes.begin() + 1, message.bytes.begin() + 6, timer.begin());
    } else if (code >= kTriggerOff && code <= kTriggerLast) {
        m_config.trigger = code;
    } else if (code >= kSyncOff && code <= kSyncLast) {
        m_config.sync = code;
    } else if (code == kRestoreDefaults) {
        m_stored = ControllerConfig{};
        LoadAndRestart(m_stored);
        return;
    } else if (code == kStoreConfig) {
        m_stored = m_config;
    } else if (code == kRepeat && message.size == 4) {
        m_config.repeat = static_cast<uint16_t>(message[2] << 8 | message[3]);
    } else if (code >= kRunNone && code <= kRunGo) {
        m_config.runOption = code;
    } else {
        return;  // unknown function: the echo is the whole answer
    }
    Send(kAck);
    if (code == kRunGo) {
        StartRun();
    }
}

void ControllerModel::SendStatus() {
    const auto reply = ControllerStatusReply(m_config, m_shutterOpen);
    std::for_each(reply.begin() + 1, reply.end(), [this](uint8_t byte) { Send(byte); });
}

void ControllerModel::SendInfo() {
    for (char c : kControllerInfoText) {
        Send(static_cast<uint8_t>(c));
    }
}

// The position is reported after every Open and Close, moved or not; a
// controller without power keeps the shutter closed.
void ControllerModel::MoveShutter(bool open) {
    if (m_powered) {
        m_shutterOpen = open;
    }
    Send(m_shutterOpen ? kOpen : kClose);
}

void ControllerModel::StartRun() {
    if (!m_powered) {
        return;
    }
    ControllerFreeRun::Plan plan;
    plan.closedUs = ControllerTimerUs(m_config.closed);
    plan.exposureUs = ControllerTimerUs(m_config.exposure);
    plan.transitionUs = ControllerTransitionUs(m_config);
    plan.repeat = m_config.repeat;
    m_run.Start(m_nowUs, plan, m_shutterOpen);
    RunDue(m_nowUs);
}

// A run cut short ends as a finished one does: shutter closed, carriage return.
void ControllerModel::FinishRun() {
    m_run.Stop();
    if (m_shutterOpen) {
        m_shutterOpen = false;
        Send(kClose);
    }
    Send(kEnd);
}

void ControllerModel::PowerOff() {
    if (m_run.Running()) {
        FinishRun();
    } else if (m_shutterOpen) {
        m_shutterOpen = false;
        Send(kClose);
    }
    m_powered = false;
}

// Reset and restore: the configuration is replaced, the shutter closes, and a
// carriage return says the controller is ready again.
void ControllerModel::LoadAndRestart(const ControllerConfig& config) {
    m_run.Stop();
    m_config = config;
    m_powered = true;
    if (m_shutterOpen) {
        m_shutterOpen = false;
        Send(kClose);
    }
    Send(kEnd);
    if (m_config.runOption == kRunOnPowerUp) {
        StartRun();
    }
}

}  // namespace ferrule
