// Captions and check boxes set by the handlers themselves rather than by the
// exchange. Like the exchange, they change a control only when its state
// differs, and they note what changed for the next repaint.
#include <QAbstractButton>
#include <QLabel>
#include <QSlider>

#include "app/shutter_panel_dlg.h"

void CShutterPanelDlg::SetItemText(int id, const std::string& text) {
    QString caption = QString::fromStdString(text);
    QWidget* control = GetDlgItem(id);
    ++m_suppressNotifications;
    if (auto* label = qobject_cast<QLabel*>(control); label && label->text() != caption) {
        label->setText(caption);
        m_changedControls.push_back(label);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control);
               button && button->text() != caption) {
        button->setText(caption);
        m_changedControls.push_back(button);
    }
    --m_suppressNotifications;
}

bool CShutterPanelDlg::IsChecked(int id) const {
    return static_cast<QAbstractButton*>(GetDlgItem(id))->isChecked();
}

void CShutterPanelDlg::SetCheck(int id, bool checked) {
    auto* box = static_cast<QAbstractButton*>(GetDlgItem(id));
    if (box->isChecked() != checked) {
        ++m_suppressNotifications;
        box->setChecked(checked);
        --m_suppressNotifications;
        m_changedControls.push_back(box);
    }
}

void CShutterPanelDlg::SetSliderPosition(QSlider* slider, int position) {
    if (slider->value() != position) {
        ++m_suppressNotifications;
        slider->setValue(position);
        --m_suppressNotifications;
        m_changedControls.push_back(slider);
    }
}
