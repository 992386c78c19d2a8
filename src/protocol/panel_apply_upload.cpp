// Apply, and the upload it starts: the rest of the configuration goes out
// from inside the poll, one message each time the controller has answered
// the one before.
#include "app/shutter_panel_dlg.h"
#include "link/link_globals.h"
#include "protocol/apply_upload.h"
#include "protocol/decoder_state.h"
#include "timing/stored_times.h"

namespace wire = ferrule::controller;

// Apply sends the fields as they are, without reading the panel first. A
// second Apply restarts the upload from its first byte.
void CShutterPanelDlg::OnApply() {
    if (m_strStatus == kLinkReadyStatus) {
        g_nApplyNextAt = 2;
        WriteMessage(wire::CommandMessage(wire::ShutterCode(m_nShutter == 0 ? 0 : 1)));
        g_nApplyEchoCount = 0;
    }
    EndCommand();
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
