// Switching the link-test controls as a group.
#include "panel/shutter_panel_dlg.h"

void CShutterPanelDlg::SetButtonGroup(int which) {
    using namespace ferrule;
    if (which == 101) {
        for (int id : {kCtlBlinkLeds, kCtlBlinkOff, kCtlSpeed}) {
            GetDlgItem(id)->setEnabled(false);
        }
    } else if (which == 100) {
        for (int id : {kCtlBlinkLeds, kCtlBlinkOff, kCtlSpeed, kCtlOpen}) {
            GetDlgItem(id)->setEnabled(true);
        }
    }
}
