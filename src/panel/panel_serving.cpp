// The panel's side of serving clients: the context menu's check item, the
// start at launch (--serve), and the log lines that say where clients
// connect or why they cannot.
#include <QAction>
#include <QApplication>

#include "panel/panel_remote.h"
#include "panel/shutter_panel_dlg.h"
#include "panel/widgets/received_log_model.h"

void CShutterPanelDlg::AddServeItem() {
    m_serveAction = new QAction(QStringLiteral("&Serve Remote Commands"), this);
    m_serveAction->setObjectName("serveAction");
    m_serveAction->setCheckable(true);
    m_serveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
    m_serveAction->setToolTip(
        QStringLiteral("Take commands from scripts over a socket while the panel is open"));
    connect(m_serveAction, &QAction::triggered, this, [this](bool on) {
        if (on) {
            StartServing();
        } else {
            StopServing();
        }
    });
    AddMenuAction(m_serveAction);
}

std::optional<std::string> CShutterPanelDlg::StartServing() {
    if (!m_remote) {
        m_remote = std::make_unique<PanelRemote>(*this);
    }
    std::optional<std::string> problem;
    ferrule::remote::LineServerOptions options = m_options.serve;
    // The Unix socket always, as ferrule-ctl serve: a TCP port besides it.
    if (options.unixPath.empty()) {
        options.unixPath = ferrule::remote::DefaultSocketPath();
    }
    std::string error;
    if (options.unixPath.empty() && !options.tcp) {
        problem =
            "XDG_RUNTIME_DIR is not set, so there is no place for the socket; start "
            "ferrule with --serve ADDR:PORT";
    } else if (!m_remote->Start(options, &error)) {
        problem = error;
    }
    if (problem) {
        m_logReceived->AppendText("Remote commands are not served: " + *problem + ".");
    } else {
        m_logReceived->AppendText("Serving remote commands on " + m_remote->Addresses() + ".");
    }
    if (m_serveAction != nullptr) {
        m_serveAction->setChecked(!problem);
    }
    return problem;
}

void CShutterPanelDlg::StopServing() {
    if (m_remote && m_remote->Serving()) {
        m_remote->Stop();
        m_logReceived->AppendText("Remote commands are no longer served.");
    }
    if (m_serveAction != nullptr) {
        m_serveAction->setChecked(false);
    }
}

bool CShutterPanelDlg::Serving() const {
    return m_remote && m_remote->Serving();
}

// The panel itself runs modally (exec): only a box or prompt above it counts.
bool CShutterPanelDlg::Busy() const {
    const QWidget* modal = QApplication::activeModalWidget();
    return m_modalDepth > 0 || m_inPoll || (modal != nullptr && modal != this);
}
