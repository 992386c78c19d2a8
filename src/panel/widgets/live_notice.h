// A short notice in a free corner of the panel that a screen reader
// announces when it appears: its accessible role is a notification, named by
// its text, and each Announce shows it anew, so that the notification's
// appearance is told to assistive technology again for every notice. Qt
// before 6.8 has no announcement event; this is what a screen reader hears
// instead.
#pragma once

#include <QLabel>

class QTimer;

namespace ferrule {

class LiveNotice : public QLabel {
    Q_OBJECT

public:
    explicit LiveNotice(QWidget* parent);

    // Shows the text and tells assistive technology. A notice that stays
    // remains until the next one; any other hides after a while.
    void Announce(const QString& text, bool stays);

    static constexpr int kShownMs = 10'000;

private:
    QTimer* m_hideTimer;
};

// Makes Qt build the notification's accessible interface for every
// LiveNotice.
void InstallLiveNoticeAccessibility();

}  // namespace ferrule
