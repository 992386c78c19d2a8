// The link test: a stream of bytes 0x40-0x4F written from a worker thread at
// the chosen speed, and the Clear button of the received-data log.
#include <QSlider>
#include <chrono>
#include <thread>

#include "app/received_log_model.h"
#include "app/shutter_panel_dlg.h"
#include "link/link_globals.h"
#include "protocol/decoder_state.h"
#include "protocol/message_catalogue.h"

namespace {

constexpr int kTopSpeed = 500;
constexpr int kBurstSize = 64;

// Statuses the stream goes on after: success and an input/output error.
bool StreamMayContinue(FT_STATUS status) {
    return status == FT_OK || status == FT_IO_ERROR;
}

void BlinkWorker(ferrule::D2xxApi* d2xx) {
    if (g_bBlinkRun == 0) {
        return;
    }
    uint8_t counter = 0;
    uint8_t buffer[kBurstSize];
    do {
        int speed = g_nBlinkSpeed;
        DWORD written = 0;
        if (speed < kTopSpeed) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kTopSpeed - speed));
            buffer[0] = ferrule::controller::BlinkPatternByte(counter);
            if (!StreamMayContinue(d2xx->Write(buffer, 1, &written))) {
                g_bBlinkRun = 0;
            }
            ++counter;
        } else {
            counter = 0;
            for (uint8_t& byte : buffer) {
                byte = ferrule::controller::BlinkPatternByte(counter);
                ++counter;
            }
            if (!StreamMayContinue(d2xx->Write(buffer, kBurstSize, &written))) {
                g_bBlinkRun = 0;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    } while (g_bBlinkRun != 0);
}

}  // namespace

void CShutterPanelDlg::StopBlinkWorker() {
    if (m_blinkWorker.joinable()) {
        m_blinkWorker.join();
    }
}

void CShutterPanelDlg::OnBlinkLeds() {
    if (g_bLinkReady == 0) {
        return;
    }
    // The stream's echoes are not an upload's.
    AbandonUpload();
    SetButtonGroup(101);
    GetDlgItem(1018)->setEnabled(true);
    GetDlgItem(1006)->setEnabled(true);
    GetDlgItem(1)->setEnabled(false);
    // Only one stream at a time: a worker told to stop may still be in its
    // last step.
    g_bBlinkRun = 0;
    StopBlinkWorker();
    g_bBlinkRun = 1;
    m_blinkWorker = std::thread(BlinkWorker, &m_d2xx);
    PollSoon();
}

void CShutterPanelDlg::OnBlinkOff() {
    g_bBlinkRun = 0;
    SetButtonGroup(100);
    GetDlgItem(1)->setEnabled(true);
}

void CShutterPanelDlg::OnSpeedReleased() {
    g_nBlinkSpeed = m_sliderSpeed->value();
}

void CShutterPanelDlg::OnClear() {
    UpdateData(true);
    m_nReceivedBytes = 0;
    m_logReceived->Clear();
    UpdateData(false);
    RepaintNow();
}
