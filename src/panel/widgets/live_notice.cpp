#include "panel/widgets/live_notice.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QTimer>

namespace ferrule {
namespace {

class LiveNoticeAccessible : public QAccessibleWidget {
public:
    explicit LiveNoticeAccessible(LiveNotice* notice)
        : QAccessibleWidget(notice, QAccessible::Notification) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name) {
            return static_cast<LiveNotice*>(object())->text();
        }
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* LiveNoticeFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("ferrule::LiveNotice") && object->isWidgetType()) {
        return new LiveNoticeAccessible(static_cast<LiveNotice*>(object));
    }
    return nullptr;
}

}  // namespace

LiveNotice::LiveNotice(QWidget* parent) : QLabel(parent), m_hideTimer(new QTimer(this)) {
    InstallLiveNoticeAccessibility();
    setObjectName("linkNotice");
    setAutoFillBackground(true);
    setFrameShape(QFrame::Box);
    setMargin(3);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(255, 248, 200));
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    m_hideTimer->setSingleShot(true);
    connect(m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
    hide();
}

void LiveNotice::Announce(const QString& text, bool stays) {
    setText(text);
    // Shown anew: assistive technology hears of a notification appearing.
    hide();
    show();
    raise();
    if (QAccessible::isActive()) {
        QAccessibleEvent named(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&named);
        QAccessibleEvent alert(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
    if (stays) {
        m_hideTimer->stop();
    } else {
        m_hideTimer->start(kShownMs);
    }
}

void InstallLiveNoticeAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(LiveNoticeFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace ferrule
