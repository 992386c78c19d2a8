// The host's side of the conversation with a shutter controller, without any
// window: the panel's fields, the protocol state, every command, and the
// reply decoder with its branches (the free-run countdown, the information
// and status replies, the Apply upload, the reset follow-up and the plain
// path). Messages go out through the D2XX table; what the engine shows goes
// through its hooks. The panel is one front end of it; anything else that
// drives a controller uses it the same way.
//
// One thread only: commands and the poll must not run at the same time.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/engine/engine_events.h"
#include "core/engine/engine_hooks.h"
#include "core/engine/panel_fields.h"
#include "core/engine/protocol_state.h"
#include "core/link/d2xx_api.h"
#include "core/link/link_test.h"
#include "core/protocol/info_reply.h"
#include "core/protocol/message_catalogue.h"
#include "core/timing/config_file.h"
#include "core/timing/timer_frame.h"

namespace ferrule {

// The status line after a successful probe. Commands are sent only while the
// status line reads exactly this.
inline constexpr const char* kLinkReadyStatus = "USB ready for communication.";

class ControllerEngine {
public:
    static constexpr ULONG kCommandTimeoutMs = 100;
    static constexpr DWORD kReceiveBufferSize = 600;
    // An upload the controller stops answering for this long is given up.
    static constexpr int64_t kUploadQuietLimitMs = 1000;

    ControllerEngine(D2xxApi& d2xx, EngineHooks& hooks) : m_d2xx(d2xx), m_hooks(hooks) {}
    ControllerEngine(const ControllerEngine&) = delete;
    ControllerEngine& operator=(const ControllerEngine&) = delete;

    PanelFields& Fields() { return m_fields; }
    const PanelFields& Fields() const { return m_fields; }
    ProtocolState& State() { return m_state; }
    const ProtocolState& State() const { return m_state; }
    D2xxApi& Driver() { return m_d2xx; }
    LinkTest& Blink() { return m_linkTest; }

    // Those who follow what happens on the link besides the view. An observer
    // stays registered until removed and must outlive its registration.
    void AddObserver(EngineObserver* observer);
    void RemoveObserver(EngineObserver* observer);

    // The link was opened again (or closed to list devices): nothing asked
    // of the old link is still coming, so the upload, the status reply and
    // the information reply are dropped.
    void LinkReopened();
    // Starts the link test's stream; its writes are told to the observers.
    void StartLinkTest();

    // Set after a successful probe; the poll and the link test run only then.
    bool LinkReady() const { return m_bLinkReady != 0; }
    void SetLinkReady(bool ready) { m_bLinkReady = ready ? 1 : 0; }

    // The two ends of the command frame around a command's body, after the
    // fields have taken what the user sees. BeginCommand ends an upload still
    // under way (its echoes would be counted as the upload's) and tells
    // whether the status line lets commands out; EndCommand resets the
    // time-outs, whether or not anything was sent.
    bool BeginCommand();
    void EndCommand();

    // Command bodies: run them only when BeginCommand said the link is
    // ready, but for the two toggles, which write when turning on without it.
    void OnLine();
    void Reset();                   // the decoder asks for the status after the reset
    void Status();                  // arms the status reply
    void SetShutterMode(int mode);  // 0 Fast, 1 Soft
    // Neutral Density with the steps the user gave (0-144).
    void SetNeutralDensity(int steps);
    void SetShutter(int shutter);  // 0 open, 1 close
    void SetSyncLevel(int level);  // 0 high for open, 1 low for open
    void ToggleSyncPulse(bool linkReady);
    void ToggleTriggerPulse(bool linkReady);
    void SetTriggerOption(int mode);  // 0-3
    // Sends and stores the time being edited as the timer the selector
    // shows. Nothing happens without a timer chosen; a time the timer
    // message cannot carry is handed back and nothing is sent or stored.
    std::optional<TimerFault> SetTimer();
    void SendRepeatCount();
    // 0 On Power Up, 1 On Trigger Pulse, 2 Go. The last two count the run
    // down and need a repeat number: false when it is empty, nothing sent.
    bool SetRunOption(int option);
    void Stop();
    void StoreConfiguration();
    void RestoreDefaults();  // the decoder asks for the status after it
    void SetPower(bool on);
    void GetControllerInfo();
    // Apply, with its own gate: the shutter byte goes out and the upload is
    // armed, paced by the controller's answers. A stored time the timer
    // message cannot carry stops it before anything goes out: its
    // description is handed back.
    std::optional<std::string> Apply();

    // The time model on the fields and the stored times.
    void ComputeCycleTime();
    void ShowCycleTime();
    void RefreshCycleTime();  // both
    void ShowTransitionCaptions();
    // The stored time the selector designates into the five fields and the
    // sliders.
    void EditDesignatedTime();

    // A configuration file's records from the fields and stored times, and
    // back: loading sets the fields, the stored times, the captions, the
    // boxes, the selector and the displays, and sends nothing.
    ConfigRecords SaveConfiguration() const;
    void LoadConfiguration(const ConfigRecords& records);

    // One poll of the receive queue. Nothing happens while the link is not
    // ready. A failing queue query breaks the link: "USB not open.", the link
    // test stopped, the device closed. Otherwise up to 600 waiting bytes are
    // read and decoded in one batch, between a read and a write of the fields.
    struct PollResult {
        bool ran = false;         // the link was ready
        bool linkBroken = false;  // the queue query failed and the link is down
        DWORD waiting = 0;        // bytes the queue held
        DWORD decoded = 0;        // bytes read and handed to the decoder
    };
    PollResult Poll();
    // One batch as the poll hands it over: the fields read, each byte to the
    // decoder, the fields written (WriteCountAndLog when every byte was only
    // counted and listed). With no bytes, only the write.
    void DecodeBatch(const uint8_t* bytes, size_t count);
    void ReplyDecoder(uint8_t byte);

private:
    void WriteMessage(const controller::Message& message);
    // Tells every observer, stamping the event with the view's clock.
    void Notify(EngineEvent event);
    bool Observed() const { return m_observed.load(std::memory_order_relaxed); }
    // Ends an upload under way, telling why.
    void EndUpload(std::string_view why);
    void CountAndList(uint8_t byte);
    void FreeRunCountdown(uint8_t byte);
    void InfoReply(uint8_t byte);
    void StatusReply(uint8_t byte);
    void EndStatusReply();
    void ApplyUpload(uint8_t byte);
    bool ExpireSilentUpload();
    void TogglePulse(PulseBox box, int& level, int onLevel, uint8_t onCode, uint8_t offCode,
                     bool linkReady);

    D2xxApi& m_d2xx;
    EngineHooks& m_hooks;
    PanelFields m_fields;
    ProtocolState m_state;
    int m_bLinkReady = 0;
    LinkTest m_linkTest;
    InfoReplyText m_infoReply;
    int64_t m_uploadHeardMs = 0;  // when the upload last heard from the controller
    // For observers: when the poll last looked at the queue, and how long
    // before the batch being decoded it had looked.
    int64_t m_lastPollMs = -1;
    int m_batchWaitedMs = 0;
    // When the batch being decoded was read: every event of its bytes carries
    // it, so the clock is read once a batch rather than once a byte. 0 outside
    // a batch (the event is stamped when told).
    int64_t m_batchTimeMs = 0;
    ByteEffect m_byteEffect = ByteEffect::None;  // what the byte being decoded did
    bool m_batchOnlyCounted = false;  // every byte of the batch so far was only counted and listed
    // The link test tells its writes from its own thread; an observer may add
    // or remove observers, itself included, while it is told.
    std::recursive_mutex m_observersMutex;
    std::vector<EngineObserver*> m_observers;
    std::atomic<bool> m_observed{false};  // without observers the events cost nothing
    uint8_t m_receiveBuffer[kReceiveBufferSize] = {};
};

}  // namespace ferrule
