// Reconnecting by itself: after the poll found the link broken, the panel
// asks its reconnect watcher when to look for the device, and when the device
// is back runs Open's own sequence on it. Nothing runs while the link is up
// (a single timer, stopped). The log and a screen reader are told when the
// link is lost and when it is back. "Reconnect Automatically" in the context
// menu turns it off and on; the profile remembers the choice in a section of
// its own.
#include <QAction>
#include <QTimer>

#include "core/link/device_identity.h"
#include "core/reconnect/device_presence.h"
#include "core/reconnect/reconnect_setting.h"
#include "panel/panel_remote.h"
#include "panel/shutter_panel_dlg.h"
#include "panel/widgets/line_list_view.h"
#include "panel/widgets/live_notice.h"
#include "panel/widgets/received_log_model.h"

void CShutterPanelDlg::AddReconnectItem() {
    m_reconnectTimer = new QTimer(this);
    m_reconnectTimer->setObjectName("reconnectTimer");
    m_reconnectTimer->setSingleShot(true);
    connect(m_reconnectTimer, &QTimer::timeout, this, &CShutterPanelDlg::ReconnectTick);

    const bool on = ferrule::ReadReconnectAutomatic(m_profile);
    m_reconnect.SetEnabled(on, MonotonicMs());
    m_reconnectAction = new QAction(QStringLiteral("&Reconnect Automatically"), this);
    m_reconnectAction->setObjectName("reconnectAutomatically");
    m_reconnectAction->setCheckable(true);
    m_reconnectAction->setChecked(on);
    m_reconnectAction->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R));
    m_reconnectAction->setStatusTip(
        "Open the device again by itself when it comes back after the link was lost");
    connect(m_reconnectAction, &QAction::toggled, this, &CShutterPanelDlg::OnReconnectToggled);
    AddMenuAction(m_reconnectAction);
}

void CShutterPanelDlg::OnReconnectToggled(bool on) {
    m_reconnect.SetEnabled(on, MonotonicMs());
    const ferrule::RewriteResult result = ferrule::WriteReconnectAutomatic(m_profile, on);
    if (!result && !m_profileProblemTold) {
        m_profileProblemTold = true;
        m_logReceived->AppendText("The profile " + m_profile.Path() + " " + result.Reason() +
                                  "; the reconnect choice is not remembered.");
        CommitLogLines();
    }
    ScheduleReconnect();
}

ferrule::DeviceChoice CShutterPanelDlg::CurrentChoice() const {
    return {m_fields.m_nOpenBy, m_fields.m_strDevice};
}

// The link came up: the watcher follows the device it came up on.
void CShutterPanelDlg::FollowLinkUp() {
    m_reconnect.LinkUp(CurrentChoice(), MonotonicMs());
    if (m_reconnect.WantsSerial()) {
        // Learnt once the open is over, apart from the open's own calls.
        QTimer::singleShot(0, this, [this] {
            if (m_engine.LinkReady() && m_reconnect.WantsSerial()) {
                m_reconnect.LearnSerial(
                    ferrule::SerialOfChosenDevice(m_d2xx, m_reconnect.Device().choice));
            }
        });
    }
}

void CShutterPanelDlg::OnLinkLost() {
    m_reconnect.LinkLost(MonotonicMs());
    TellLinkNotices();
    ScheduleReconnect();
}

// The user's Open or Search: their choice of device has the last word.
void CShutterPanelDlg::StopReconnecting() {
    m_reconnect.UserTookOver();
    if (m_reconnectTimer != nullptr) {
        m_reconnectTimer->stop();
    }
}

void CShutterPanelDlg::ScheduleReconnect() {
    if (m_reconnectTimer == nullptr || m_exiting) {
        return;
    }
    const std::optional<int64_t> due = m_reconnect.NextTickMs();
    if (!due) {
        m_reconnectTimer->stop();
        return;
    }
    const int64_t wait = std::max<int64_t>(*due - MonotonicMs(), 0);
    m_reconnectTimer->start(static_cast<int>(std::min<int64_t>(wait, 60'000)));
}

void CShutterPanelDlg::ReconnectTick() {
    if (m_exiting) {
        return;
    }
    // Never under a box or prompt the user is answering: the look waits.
    if (m_modalDepth > 0 || m_inPoll) {
        m_reconnectTimer->start(static_cast<int>(ferrule::ReconnectWatcher::kLookIntervalMs));
        return;
    }
    if (m_reconnect.Waiting()) {
        UpdateData(true);
        if (!(CurrentChoice() == m_reconnect.Device().choice)) {
            // The user has chosen another device meanwhile: theirs to open.
            StopReconnecting();
            m_logReceived->AppendText(
                "Reconnecting stopped: the device choice was changed. Press Open to open it.");
            CommitLogLines();
            return;
        }
    }
    const std::optional<ferrule::DeviceChoice> found =
        m_reconnect.Tick(MonotonicMs(), [this](const ferrule::WatchedDevice& device) {
            return ferrule::LocateWatchedDevice(m_d2xx, device);
        });
    if (found) {
        std::string why;
        OpenDevice(*found, &why);
        m_reconnect.ReopenFinished(m_engine.LinkReady(), MonotonicMs(),
                                   why.empty() ? m_fields.m_strStatus : why);
        if (m_engine.LinkReady() && m_remote && m_remote->Serving()) {
            const std::optional<ferrule::DeviceIdentity> device = ferrule::FindDevice(
                ferrule::ListDeviceIdentities(m_d2xx), found->openBy, found->text);
            m_remote->TellWatchers("link-back",
                                   ferrule::remote::JsonObject()
                                       .Set("description", device ? device->description : "")
                                       .Set("serial", device ? device->serial : ""));
        }
    }
    TellLinkNotices();
    ScheduleReconnect();
}

// Each notice goes to the log and to a screen reader.
void CShutterPanelDlg::TellLinkNotices() {
    const std::vector<std::string> notices = m_reconnect.TakeNotices();
    if (notices.empty()) {
        return;
    }
    for (const std::string& notice : notices) {
        m_logReceived->AppendText(notice);
        if (m_remote && m_remote->Serving()) {
            m_remote->TellWatchers("link-notice",
                                   ferrule::remote::JsonObject().Set("text", notice));
        }
    }
    CommitLogLines();
    m_linkNotice->Announce(QString::fromStdString(notices.back()),
                           m_reconnect.Waiting() || !m_engine.LinkReady());
    RepaintNow();
}

void CShutterPanelDlg::CommitLogLines() {
    if (m_logReceived->CommitPending()) {
        m_changedControls.push_back(m_listReceived->viewport());
    }
}

// Under the log's count and the Clear and EXIT buttons, where the panel has
// room, so that it never hides the newest lines of the log; it scrolls with
// the panel.
void CShutterPanelDlg::PlaceLinkNotice() {
    if (m_linkNotice == nullptr) {
        return;
    }
    const QRect count = GetDlgItem(ferrule::kCtlReceivedBytes)->geometry();
    const QRect exit = GetDlgItem(ferrule::kCtlExit)->geometry();
    const int lines = 2;
    const int height = lines * m_linkNotice->fontMetrics().lineSpacing() + 10;
    m_linkNotice->setGeometry(count.left(), exit.bottom() + 8, exit.right() - count.left(), height);
}
