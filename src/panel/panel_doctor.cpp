// The link doctor in the panel: "Diagnose Link..." in the context menu shows
// what stands between the user and the controller, for the device the panel
// is set to open and the driver library it loaded.
#include <unistd.h>

#include <QAction>

#include "core/doctor/link_doctor.h"
#include "panel/shutter_panel_dlg.h"
#include "panel/widgets/link_doctor_dialog.h"

void CShutterPanelDlg::AddDiagnoseItem() {
    m_diagnoseAction = new QAction(QStringLiteral("&Diagnose Link..."), this);
    m_diagnoseAction->setObjectName("diagnoseLink");
    m_diagnoseAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    m_diagnoseAction->setStatusTip("Tell what stands between you and the controller");
    connect(m_diagnoseAction, &QAction::triggered, this, &CShutterPanelDlg::ShowLinkDoctor);
    AddMenuAction(m_diagnoseAction);
}

std::vector<ferrule::LinkFinding> CShutterPanelDlg::DiagnoseLink() {
    UpdateData(true);
    ferrule::DoctorRequest request;
    request.choice = CurrentChoice();
    request.driver = ferrule::DriverKindOf(m_d2xx.LoadedPath());
    request.lastOpenError = m_lastOpenError;
    request.lastOpenReason = m_lastOpenReason;
    request.selfPid = static_cast<int>(getpid());
    return ferrule::DiagnoseLink(ferrule::DoctorRoots::FromEnvironment(), request);
}

void CShutterPanelDlg::ShowLinkDoctor() {
    ModalScope open(*this);
    ferrule::LinkDoctorDialog dialog(this, [this] { return DiagnoseLink(); });
    dialog.exec();
}
