// Switching the link-test controls as a group.
#include "app/shutter_panel_dlg.h"

void CShutterPanelDlg::SetButtonGroup(int which) {
    if (which == 101) {
        for (int id : {1017, 1018, 1006}) {
            GetDlgItem(id)->setEnabled(false);
        }
    } else if (which == 100) {
        for (int id : {1017, 1018, 1006, 1024}) {
            GetDlgItem(id)->setEnabled(true);
        }
    }
}
