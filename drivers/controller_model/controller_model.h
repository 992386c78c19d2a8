// The shutter controller at the far end of the link, as pure logic: it takes
// the host's bytes with the time they arrive, keeps its configuration, runs
// free runs on the times it is given, and hands every byte it sends, with the
// time it sends it, to a sink. It has no clock and no threads of its own.
//
// What it answers:
// - every byte is echoed as it arrives (blink bytes and unknown bytes too);
// - every complete message is then finished by one more byte: the shutter
//   position after Open or Close, the status reply after 0xCC, the information
//   text after 0xFD, a carriage return after a reset or a restore, and the
//   acknowledgment controller::kAck after every other message. So an n-byte
//   message is answered by n + 1 bytes, which paces a configuration upload;
// - 0xAA when the shutter opens and 0xAC when it closes during a free run, and
//   a carriage return when a run ends or is stopped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "controller_model/controller_config.h"
#include "controller_model/controller_free_run.h"
#include "controller_model/controller_parser.h"

namespace ferrule {

// How the controller answers the on-line byte 0xEE, which the host uses as
// its probe: echo and acknowledgment, nothing at all, or another first byte.
enum class ProbeReply { Echo, Silent, Other };

class ControllerModel {
public:
    using Sink = std::function<void(uint64_t timeUs, uint8_t byte)>;

    // A message whose parameters stop coming for longer than this is dropped,
    // so that a stray prefix byte cannot swallow a later command.
    static constexpr uint64_t kPartialMessageTimeoutUs = 50'000;

    // Starts powered up with the factory configuration.
    explicit ControllerModel(Sink sink);

    // One host write arriving at nowUs. The schedule runs up to nowUs first.
    void Receive(const uint8_t* bytes, size_t count, uint64_t nowUs);
    // Runs the free-run schedule up to nowUs; each byte is sent at the time of
    // the movement that produces it.
    void AdvanceTo(uint64_t nowUs);
    // When the schedule produces its next byte, if a run is going.
    std::optional<uint64_t> NextEventUs() const { return m_run.NextEventUs(); }

    // A pulse on the trigger input: starts a run when the trigger input is
    // enabled, the running option is On Trigger Pulse and no run is going.
    void TriggerPulse(uint64_t nowUs);
    // Power applied: the stored configuration is loaded, the shutter is
    // closed, and a run starts if the running option is On Power Up.
    void PowerUp(uint64_t nowUs);

    void SetProbeReply(ProbeReply reply, uint8_t otherFirstByte = 0);

    const ControllerConfig& Config() const { return m_config; }
    const ControllerConfig& StoredConfig() const { return m_stored; }
    bool ShutterOpen() const { return m_shutterOpen; }
    bool Powered() const { return m_powered; }
    bool Running() const { return m_run.Running(); }

private:
    void Echo(uint8_t byte, bool probe);
    void Execute(const controller::Message& message);
    void ExecuteFunction(const controller::Message& message);
    void SendStatus();
    void SendInfo();
    void MoveShutter(bool open);
    void StartRun();
    void RunDue(uint64_t nowUs);
    void FinishRun();
    void PowerOff();
    void LoadAndRestart(const ControllerConfig& config);
    void PowerUpNow();
    void Send(uint8_t byte) { m_sink(m_nowUs, byte); }

    Sink m_sink;
    uint64_t m_nowUs = 0;
    uint64_t m_lastInputUs = 0;
    ControllerParser m_parser;
    ControllerFreeRun m_run;
    ControllerConfig m_config;
    ControllerConfig m_stored;
    bool m_shutterOpen = false;
    bool m_powered = true;
    ProbeReply m_probe = ProbeReply::Echo;
    uint8_t m_probeOther = 0;
};

}  // namespace ferrule
