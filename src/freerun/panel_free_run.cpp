// The Free Run group: the repeat number, the three running options and STOP.
// The countdown itself is the reply decoder's; On Trigger Pulse and Go arm it.
#include "app/shutter_panel_dlg.h"
#include "common/leading_integer.h"
#include "freerun/free_run_frames.h"
#include "protocol/decoder_state.h"

namespace wire = ferrule::controller;

namespace {

constexpr const char* kContinuous = "Continuous";

}  // namespace

// A number above the largest becomes "Continuous"; an empty or unreadable
// number goes out as 0.
void CShutterPanelDlg::OnSendRepeatCount() {
    RunGatedCommand([this] {
        const int repeat = ferrule::LeadingInteger(m_strRepeatCount);
        if (repeat > ferrule::kMaxRepeatCount) {
            m_strRepeatCount = kContinuous;
            WriteMessage(ferrule::ContinuousRepeatFrame());
        } else {
            WriteMessage(ferrule::RepeatCountFrame(repeat));
        }
        m_strCyclesLeft = m_strRepeatCount;
    });
}

// On Trigger Pulse and Go count the run down from the repeat number, so they
// need one; only the empty text is refused.
void CShutterPanelDlg::OnRunOption(int option) {
    RunGatedCommand([this, option] {
        const bool counted = option != 0;
        if (counted && m_strRepeatCount.empty()) {
            ShowMessageBox(QStringLiteral("Please set the repeat number first, then try again!"),
                           QStringLiteral("Warning"), kMbOk | kMbIconExclamation);
            return;
        }
        m_nFreeRunOption = option;
        WriteMessage(ferrule::RunOptionFrame(option));
        if (counted) {
            g_nFreeRunCountMode = option;
            g_nFreeRunCountEdge = m_nShutter;
        }
    });
}

// The countdown ends when the controller reports the end of the run.
void CShutterPanelDlg::OnStop() {
    RunGatedCommand([this] { WriteMessage(wire::CommandMessage(wire::kStop)); });
}
