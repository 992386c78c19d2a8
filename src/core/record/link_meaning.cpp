#include "core/record/link_meaning.h"

#include <cstdio>

#include "core/protocol/message_catalogue.h"
#include "core/timing/time_display.h"

namespace ferrule {

namespace wire = controller;

namespace {

constexpr std::string_view kStatusPhrase = "status reply";
constexpr std::string_view kInfoPhrase = "information reply";

std::string ModeText(const StatusValues& s) {
    switch (s.shutterMode) {
        case 0:
            return "Fast";
        case 1:
            return "Soft";
        case 2:
            return "Neutral Density " + std::to_string(s.ndSteps) + " steps";
        default:
            return "mode " + std::to_string(s.shutterMode);
    }
}

std::string TriggerText(int mode) {
    static const char* const kModes[] = {"Enable on High", "Enable on Low",
                                         "Trigger on Rising Edge", "Trigger on Falling Edge"};
    if (mode == -1) {
        return "trigger off";
    }
    return mode >= 0 && mode < 4 ? std::string("trigger ") + kModes[mode]
                                 : "trigger " + std::to_string(mode);
}

std::string SyncText(int level) {
    switch (level) {
        case -1:
            return "SYNC off";
        case 0:
            return "SYNC High for Open";
        case 1:
            return "SYNC Low for Open";
        default:
            return "SYNC " + std::to_string(level);
    }
}

std::string RunOptionText(int option) {
    static const char* const kOptions[] = {"On Power Up", "On Trigger Pulse", "Go"};
    if (option == -1) {
        return "no running option";
    }
    return option >= 0 && option < 3 ? std::string("running option ") + kOptions[option]
                                     : "running option " + std::to_string(option);
}

std::string Hex(uint8_t byte) {
    char text[16];
    std::snprintf(text, sizeof text, "byte 0x%.2X", byte);
    return text;
}

// A byte the controller sent of its own accord, by what the decoder made of it.
std::string ReportText(const EngineEvent& e, uint8_t byte) {
    const char* moved = byte == wire::kOpen ? "shutter opened" : "shutter closed";
    switch (e.effect) {
        case ByteEffect::ShutterOpened:
            return "shutter opened";
        case ByteEffect::ShutterClosed:
            return "shutter closed";
        case ByteEffect::CycleCounted:
            return std::string(moved) + ", cycle counted, " + std::to_string(e.number) + " left";
        case ByteEffect::RunEnded:
            return byte == wire::kEnd ? "end of run"
                                      : std::string(moved) + ", last cycle, end of run";
        case ByteEffect::InfoStarted:
            return "information reply follows";
        case ByteEffect::StatusRequested:
            return "done, status requested";
        case ByteEffect::None:
            break;
    }
    switch (byte) {
        case wire::kAck:
            return "acknowledgment";
        case wire::kEnd:
            return "end of run";
        case wire::kOpen:
            return "shutter opened";
        case wire::kClose:
            return "shutter closed";
        default:
            // The link test's pattern comes back only as its echo, even when
            // the echo cannot be matched to its write any more.
            return (byte & 0xF0) == wire::kBlinkBase ? "link test pattern" : Hex(byte);
    }
}

}  // namespace

std::string DescribeStatus(const StatusValues& s) {
    std::string text = s.shutter == 0 ? "shutter open" : "shutter closed";
    text += ", " + ModeText(s);
    text += ", " + TriggerText(s.triggerMode);
    text += ", " + SyncText(s.syncLevel);
    text += ", closed time " + FormatTimeText(s.closed, ":");
    text += ", exposure time " + FormatTimeText(s.exposure, ":");
    text += ", " + RunOptionText(s.freeRunOption);
    text += ", repeat number " + s.repeatCount;
    return text;
}

void BatchMeaning::AddByte(const EngineEvent& e, const std::optional<std::string>& echoOf) {
    const uint8_t byte = e.bytes.empty() ? 0 : e.bytes[0];
    switch (e.route) {
        case ByteRoute::StatusReply:
            if (echoOf) {
                Add("echo of " + *echoOf, true);
            } else {
                Add(std::string(kStatusPhrase), true);
            }
            return;
        case ByteRoute::InfoReply:
            Add(std::string(kInfoPhrase), true);
            return;
        case ByteRoute::ResetFollowUp:
            Add(ReportText(e, byte), false);
            return;
        default:
            break;
    }
    if (!echoOf) {
        const bool pattern = e.effect == ByteEffect::None && (byte & 0xF0) == wire::kBlinkBase;
        Add(ReportText(e, byte), pattern);
        return;
    }
    std::string text = "echo of " + *echoOf;
    // What the decoder did with an echo beyond what the echo itself says.
    if (e.effect == ByteEffect::InfoStarted) {
        Add(text, false);
        Add("information reply follows", false);
    } else if (e.effect == ByteEffect::CycleCounted || e.effect == ByteEffect::RunEnded) {
        Add(text + " (taken as a report: " + ReportText(e, byte) + ")", false);
    } else {
        Add(std::move(text), true);
    }
}

void BatchMeaning::AddStatusReply(const StatusValues& status) {
    Complete(kStatusPhrase, std::string(kStatusPhrase) + ": " + DescribeStatus(status));
}

void BatchMeaning::AddInfoReply(std::string_view text) {
    // The model's eight characters and the version's four.
    std::string shown(text);
    if (shown.size() == 12) {
        shown.insert(8, " ");
    }
    Complete(kInfoPhrase, std::string(kInfoPhrase) + " \"" + shown + "\"");
}

std::string BatchMeaning::Text() const {
    std::string text;
    for (const Phrase& phrase : m_phrases) {
        if (!text.empty()) {
            text += "; ";
        }
        text += phrase.text;
    }
    return text;
}

void BatchMeaning::Add(std::string text, bool joinsLike) {
    if (joinsLike && !m_phrases.empty() && m_phrases.back().joinKey == text) {
        return;
    }
    std::string key = joinsLike ? text : std::string();
    m_phrases.push_back({std::move(text), std::move(key)});
}

// The whole reply is told just before its last byte, which then joins it.
void BatchMeaning::Complete(std::string_view bytesPhrase, std::string whole) {
    for (auto it = m_phrases.rbegin(); it != m_phrases.rend(); ++it) {
        if (it->joinKey == bytesPhrase) {
            it->text = std::move(whole);
            return;
        }
    }
    m_phrases.push_back({std::move(whole), std::string(bytesPhrase)});
}

}  // namespace ferrule
