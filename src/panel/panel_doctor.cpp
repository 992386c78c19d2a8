// The link doctor in the panel: "Diagnose Link..." in the context menu shows
// what stands between the user and the controller, for the device the panel
// is set to open and the driver library it loaded.
#include <unistd.h>

#include <QAction>

#include "core/doctor/link_doctor.h"
#include "core/resources/control_ids.h"
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

// Where the user meets a link that is not up, the status line points to the
// doctor: as its tooltip, and as its description for a screen reader. Its
// text stays as it is.
void CShutterPanelDlg::PointStatusToDoctor() {
    const std::string& status = m_fields.m_strStatus;
    const bool down = status == "Could not open USB" || status == "USB not open." ||
                      status.rfind("USB not responding", 0) == 0 ||
                      status.rfind("No response from USB", 0) == 0;
    const QString hint =
        down ? QStringLiteral("Diagnose Link... (Ctrl+D) tells what stands in the way.")
             : QString();
    QWidget* line = GetDlgItem(ferrule::kCtlStatusLine);
    if (line->toolTip() != hint) {
        line->setToolTip(hint);
        line->setAccessibleDescription(hint);
    }
}
