#include "panel/widgets/button_accessible.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QRadioButton>

namespace ferrule {

namespace {

// The caption as a screen reader speaks it: "&&" is a literal ampersand, a
// single "&" marks the mnemonic and is not spoken.
QString WithoutMnemonic(const QString& caption) {
    QString spoken;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) {
            ++i;
        }
        spoken += caption[i];
    }
    return spoken;
}

class CheckableButtonAccessible : public QAccessibleWidget {
public:
    CheckableButtonAccessible(QAbstractButton* button, QAccessible::Role role)
        : QAccessibleWidget(button, role) {}

    QString text(QAccessible::Text kind) const override {
        QString text = QAccessibleWidget::text(kind);
        if (kind == QAccessible::Name && text.isEmpty()) {
            text = WithoutMnemonic(Button()->text());
        }
        return text;
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = Button()->isChecked();
        return state;
    }

    QStringList actionNames() const override {
        return QStringList{toggleAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    // The click is queued: the command it runs may open a prompt, and the
    // assistive technology waits for the action's answer.
    void doAction(const QString& name) override {
        if (name == toggleAction() || name == pressAction()) {
            if (Button()->isEnabled()) {
                QMetaObject::invokeMethod(Button(), &QAbstractButton::click, Qt::QueuedConnection);
            }
            return;
        }
        QAccessibleWidget::doAction(name);
    }

private:
    QAbstractButton* Button() const { return static_cast<QAbstractButton*>(object()); }
};

QAccessibleInterface* ButtonFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("QRadioButton")) {
        return new CheckableButtonAccessible(static_cast<QRadioButton*>(object),
                                             QAccessible::RadioButton);
    }
    if (className == QLatin1String("QCheckBox")) {
        return new CheckableButtonAccessible(static_cast<QCheckBox*>(object),
                                             QAccessible::CheckBox);
    }
    return nullptr;
}

}  // namespace

void InstallButtonAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(ButtonFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace ferrule
