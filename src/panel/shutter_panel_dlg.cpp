#include "panel/shutter_panel_dlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>
#include <QThread>
#include <QTimer>

#include "core/common/scope_guards.h"
#include "core/record/session_record.h"
#include "core/resources/dialog_template.h"
#include "core/timeline/shutter_timeline.h"
#include "panel/panel_remote.h"
#include "panel/timeline/timeline_window.h"
#include "panel/widgets/app_icon.h"
#include "panel/widgets/button_accessible.h"
#include "panel/widgets/dialog_builder.h"
#include "panel/widgets/line_list_view.h"
#include "panel/widgets/live_notice.h"
#include "panel/widgets/log_export.h"
#include "panel/widgets/received_log_model.h"

using ferrule::BuildDialogControls;
using ferrule::DialogUnitsFor;

CShutterPanelDlg::CShutterPanelDlg(PanelOptions options, QWidget* parent)
    : QDialog(parent),
      m_options(std::move(options)),
      m_profile(m_options.profilePath),
      m_d2xx([this](const std::string& message) { ReportDriverMessage(message); }),
      m_engine(m_d2xx, *this) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(ferrule::AppIcon());
    ferrule::InstallButtonAccessibility();
    BuildPanel();
    WireNotifications();
    WatchBoundControls();
}

// A panel destroyed without the exit sequence (a test, an early return) stops
// its link test's stream, which writes through the panel's driver table.
CShutterPanelDlg::~CShutterPanelDlg() {
    m_remote.reset();
    m_engine.Blink().StopAndWait();
    if (m_record) {
        m_engine.RemoveObserver(m_record.get());
        m_record->Stop();
    }
    delete m_timelineWindow;
    if (m_timeline) {
        m_engine.RemoveObserver(m_timeline.get());
    }
}

void CShutterPanelDlg::BuildPanel() {
    const ferrule::DialogTemplate& panel = ferrule::PanelTemplate();
    setWindowTitle(QString::fromUtf8(panel.caption));

    ferrule::DialogUnits units = DialogUnitsFor(font());
    QSize design = ferrule::DialogPixelSize(panel, units);
    m_content = new QWidget(this);
    m_content->setObjectName("panelContent");
    m_content->resize(design);
    ferrule::BuiltDialog built = BuildDialogControls(panel, m_content, units);
    m_controls = built.controls;
    for (size_t i = 0; i < built.radioGroups.size(); ++i) {
        m_radioGroups.push_back({built.radioGroups[i], built.radioGroupIds[i]});
    }

    m_scrollBar = new QScrollBar(Qt::Vertical, this);
    m_scrollBar->setObjectName("panelScrollBar");
    m_scrollBar->setAccessibleName("Scroll panel");
    m_scrollBar->setRange(0, 0);
    m_scrollBar->setTracking(false);
    resize(design.width() + m_scrollBar->sizeHint().width(), design.height());

    m_sliderTenthMs = qobject_cast<QSlider*>(GetDlgItem(ferrule::kCtlTenthMsSlider));
    m_sliderSecond = qobject_cast<QSlider*>(GetDlgItem(ferrule::kCtlSecondSlider));
    m_sliderMillisecond = qobject_cast<QSlider*>(GetDlgItem(ferrule::kCtlMillisecondSlider));
    m_sliderMinute = qobject_cast<QSlider*>(GetDlgItem(ferrule::kCtlMinuteSlider));
    m_sliderHour = qobject_cast<QSlider*>(GetDlgItem(ferrule::kCtlHourSlider));
    m_comboTimer = qobject_cast<QComboBox*>(GetDlgItem(ferrule::kCtlTimerSelect));
    m_sliderSpeed = qobject_cast<QSlider*>(GetDlgItem(ferrule::kCtlSpeed));
    m_listReceived = qobject_cast<ferrule::LineListView*>(GetDlgItem(ferrule::kCtlReceivedData));
    m_logReceived = new ferrule::ReceivedLogModel(this);
    m_listReceived->setModel(m_logReceived);

    m_pollTimer = new QTimer(this);
    m_pollTimer->setTimerType(Qt::PreciseTimer);
    m_pollTimer->setObjectName("pollTimer");

    m_clock.start();
    m_linkNotice = new ferrule::LiveNotice(m_content);
    PlaceLinkNotice();

    m_frameTimer = new QTimer(this);
    m_frameTimer->setSingleShot(true);
    m_frameTimer->setTimerType(Qt::PreciseTimer);
    connect(m_frameTimer, &QTimer::timeout, this, [this] {
        QEvent request(QEvent::UpdateRequest);
        event(&request);
    });
}

QWidget* CShutterPanelDlg::GetDlgItem(int id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

const CShutterPanelDlg::RadioGroup* CShutterPanelDlg::RadioGroupStartingAt(int firstId) const {
    for (const RadioGroup& group : m_radioGroups) {
        if (!group.ids.empty() && group.ids.front() == firstId) {
            return &group;
        }
    }
    return nullptr;
}

int CShutterPanelDlg::MessageBox(const QString& text, const QString& caption, unsigned type) {
    return ExecMessageBox(this, text, caption, type);
}

int CShutterPanelDlg::ShowMessageBox(const QString& text, const QString& caption, unsigned type) {
    ModalScope open(*this);
    return MessageBox(text, caption, type);
}

CShutterPanelDlg::ModalScope::ModalScope(CShutterPanelDlg& panel) : m_panel(panel) {
    ++m_panel.m_modalDepth;
}

CShutterPanelDlg::ModalScope::~ModalScope() {
    if (--m_panel.m_modalDepth > 0 || m_panel.m_showingPendingMessages) {
        return;
    }
    ferrule::ScopedFlag showing(m_panel.m_showingPendingMessages);
    while (!m_panel.m_pendingMessages.empty()) {
        QString text = m_panel.m_pendingMessages.front();
        m_panel.m_pendingMessages.pop_front();
        m_panel.ShowMessageBox(text, QString::fromStdString(m_panel.m_options.applicationName),
                               kMbOk | kMbIconExclamation);
    }
}

// Driver messages may come from the link-test worker; they are always shown by
// the GUI thread, which the worker does not wait for.
void CShutterPanelDlg::ReportDriverMessage(const std::string& message) {
    QString text = QString::fromStdString(message);
    if (QThread::currentThread() == thread()) {
        ShowDriverMessage(text);
    } else {
        QMetaObject::invokeMethod(
            this, [this, text] { ShowDriverMessage(text); }, Qt::QueuedConnection);
    }
}

// A message raised while another box is up (the poll runs inside every modal
// loop) is shown after it: two stacked boxes would leave the one underneath
// blocked, although its OK button still looks usable to assistive technology.
void CShutterPanelDlg::ShowDriverMessage(const QString& text) {
    if (m_modalDepth > 0) {
        m_pendingMessages.push_back(text);
        return;
    }
    ShowMessageBox(text, QString::fromStdString(m_options.applicationName),
                   kMbOk | kMbIconExclamation);
}

// Paints at once what the last exchanges changed, and nothing else, so that a
// poll that changed nothing paints nothing.
void CShutterPanelDlg::RepaintNow() {
    {
        ferrule::ScopedFlag painting(m_paintingNow);
        for (QWidget* widget : m_changedControls) {
            widget->repaint();
        }
    }
    m_changedControls.clear();
}

// Painting that nobody asked to see at once (the updates Qt schedules after
// controls change) happens at most once a frame. The received-data path
// changes the panel on every 2 ms poll; painting each of those would cost far
// more than the data itself, and nobody sees faster than a frame.
// A frame comes at least kMinFrameMs after the last one, so that a poll that
// itself runs about once a frame paints in its own wake-up instead of waking
// the program a second time for a deferred frame.
bool CShutterPanelDlg::event(QEvent* event) {
    static constexpr qint64 kFrameMs = 16;
    static constexpr qint64 kMinFrameMs = 12;
    if (event->type() == QEvent::UpdateRequest && !m_paintingNow) {
        qint64 now = m_clock.elapsed();
        qint64 since = now - m_lastFrameMs;
        if (m_lastFrameMs >= 0 && since < kMinFrameMs) {
            if (!m_frameTimer->isActive()) {
                m_frameTimer->start(static_cast<int>(kFrameMs - since));
            }
            return true;
        }
        m_lastFrameMs = now;
    }
    return QDialog::event(event);
}
