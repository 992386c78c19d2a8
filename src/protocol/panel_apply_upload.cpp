// Apply, and the upload it starts: the rest of the configuration goes out
// from inside the poll, one message each time the controller has answered
// the one before.
#include "app/received_log_model.h"
#include "app/shutter_panel_dlg.h"
#include "link/link_globals.h"
#include "protocol/apply_upload.h"
#include "protocol/decoder_state.h"
#include "timing/stored_times.h"
#include "timing/timer_frame.h"

namespace wire = ferrule::controller;

namespace {

constexpr int64_t kUploadQuietLimitMs = 1000;

}  // namespace

// Apply sends the fields as they are, without reading the panel first. A
// second Apply restarts the upload from its first byte. A stored time that
// no timer message can carry (from a file, or a reply out of range) stops it
// before anything goes out.
void CShutterPanelDlg::OnApply() {
    if (m_strStatus == kLinkReadyStatus && !RefuseUnsendableStoredTimes()) {
        g_nApplyNextAt = 2;
        WriteMessage(wire::CommandMessage(wire::ShutterCode(m_nShutter == 0 ? 0 : 1)));
        g_nApplyEchoCount = 0;
        m_uploadHeardMs = MonotonicMs();
    }
    EndCommand();
}

bool CShutterPanelDlg::RefuseUnsendableStoredTimes() {
    for (const auto& [name, time] :
         {std::pair{"closed", &g_strClosedTime}, std::pair{"exposure", &g_strExposureTime}}) {
        if (const std::optional<ferrule::TimerFault> fault = ferrule::CheckTimerTime(*time)) {
            ShowMessageBox(QString::fromStdString(ferrule::DescribeTimerFault(name, *fault)),
                           QStringLiteral("Warning"), kMbOk | kMbIconExclamation);
            return true;
        }
    }
    return false;
}

// An upload the controller stopped answering is given up after a second, so
// that it cannot come back to life when bytes arrive again.
bool CShutterPanelDlg::ExpireSilentUpload() {
    if (g_nApplyEchoCount < 0 || MonotonicMs() - m_uploadHeardMs < kUploadQuietLimitMs) {
        return false;
    }
    AbandonUpload();
    m_logReceived->AppendText("Apply stopped: the controller did not answer for a second.");
    return true;
}

// Every byte the upload takes is counted and listed; the step that is due
// reads the panel afresh, so it sends what the panel shows now.
void CShutterPanelDlg::ApplyUpload(uint8_t byte) {
    CountAndList(byte);
    ++g_nApplyEchoCount;
    if (g_nApplyEchoCount != g_nApplyNextAt) {
        return;
    }
    UpdateData(true);
    const ferrule::UploadStep step = ferrule::ApplyUploadStep(
        g_nApplyEchoCount,
        {m_nShutterMode, m_nNdSteps, m_nTriggerMode, m_nSyncLevel, g_strClosedTime,
         g_strExposureTime, m_strRepeatCount, m_nFreeRunOption});
    if (step.unsendable) {
        AbandonUpload();
        m_logReceived->AppendText("Apply stopped: " + *step.unsendable);
        return;
    }
    if (!step.message) {
        return;  // no mode selected: stalled until Apply is pressed again
    }
    if (step.last) {
        g_nApplyEchoCount = -1;
        g_nApplyNextAt = -1;
        g_nFreeRunCountMode = m_nFreeRunOption;
        g_nFreeRunCountEdge = m_nShutter;
    } else {
        g_nApplyNextAt += step.nextAfter;
    }
    WriteMessage(*step.message);
}
