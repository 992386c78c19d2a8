// A panel with no driver library behind it, for feeding the decoder directly:
// the decoder's own writes go nowhere and its messages are dropped.
#pragma once

#include "app/shutter_panel_dlg.h"

class FuzzPanel : public CShutterPanelDlg {
public:
    FuzzPanel()
        : CShutterPanelDlg(PanelOptions{"/nonexistent/libftd2xx.so", "/dev/null", "ferrule"}) {}
    int MessageBox(const QString&, const QString&, unsigned) override { return kIdOk; }
};
