// Set Timer on Controller: the engine sends the time being edited as the
// timer the selector shows and keeps it as that stored time. A time the
// timer message cannot carry is refused as the field refuses it.
#include "panel/shutter_panel_dlg.h"

void CShutterPanelDlg::OnSetTimer() {
    RunGatedCommand([this] {
        if (const std::optional<ferrule::TimerFault> fault = m_engine.SetTimer()) {
            RefuseUnsendableEdit(*fault);
        }
    });
}
