#include "core/reconnect/open_sequence.h"

namespace ferrule {

OpenOutcome RunOpenSequence(ControllerEngine& engine, const DeviceChoice& choice) {
    D2xxApi& d2xx = engine.Driver();
    PanelFields& fields = engine.Fields();
    OpenOutcome outcome;
    fields.m_strStatus = "-reset-";
    d2xx.Close();
    engine.LinkReopened();
    outcome.attempt = OpenSelectedDevice(d2xx, choice.openBy, choice.text);
    if (outcome.attempt.status != FT_OK) {
        if (outcome.attempt.refusal == OpenRefusal::None) {
            outcome.openError = d2xx.LastOpenError(&outcome.reason);
        }
        fields.m_strStatus = "Could not open USB";
        engine.SetLinkReady(false);
    } else {
        outcome.probe = ConfigureAndProbe(d2xx, true);
        if (outcome.probe.Succeeded()) {
            fields.m_strStatus = kLinkReadyStatus;
            engine.SetLinkReady(true);
            outcome.ready = true;
        } else {
            fields.m_strStatus = "USB not responding" + outcome.probe.Suffix();
            engine.SetLinkReady(false);
            d2xx.Close();
        }
    }
    d2xx.SetTimeouts(ControllerEngine::kCommandTimeoutMs, ControllerEngine::kCommandTimeoutMs);
    return outcome;
}

}  // namespace ferrule
