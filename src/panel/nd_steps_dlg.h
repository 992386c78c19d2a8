// The neutral-density steps prompt (template 130): asks for the number of
// steps before the panel sends the Neutral Density transition mode.
#pragma once

#include <QDialog>
#include <QString>
#include <map>
#include <string>

#include "panel/widgets/message_box.h"

class QLineEdit;

class CNdStepsDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMaxSteps = 144;
    // Whether a text the prompt handed back may be sent: it is not empty and
    // its leading integer is 0 to kMaxSteps. After Cancel the prompt still
    // holds what a rejected OK read, which is never sent.
    static bool Acceptable(const std::string& steps);

    // The panel passes itself, so that the prompt is its window's child and
    // centred over it while shown.
    explicit CNdStepsDlg(QWidget* parent = nullptr);

    // Shows the prompt in its own modal loop (the panel's poll keeps running in
    // it). Returns kIdOk when OK accepted the text, kIdCancel for Cancel,
    // Escape or closing the window. m_strSteps holds the text either way.
    int DoModal();

    // The widget of a control id, nullptr for an unknown id.
    QWidget* GetDlgItem(int id) const;

    // The steps edit to m_strSteps (true) or back (false), as plain text.
    void UpdateData(bool saveAndValidate);

    // Modal message box owned by the prompt; returns kIdOk or kIdCancel. Tests
    // override it to see the warnings without a real box.
    virtual int MessageBox(const QString& text, const QString& caption, unsigned type);

    // The steps as last read from the edit: after OK the accepted text as
    // typed, after Cancel the text of the last rejected OK (empty if none).
    std::string m_strSteps;

public slots:
    // OK and Enter: accepts only a text whose leading integer is 0 to
    // kMaxSteps and which is not empty; otherwise warns and stays open.
    void accept() override;
    void reject() override;

private:
    void Warn(const QString& text);

    QLineEdit* m_editSteps = nullptr;
    std::map<int, QWidget*> m_controls;
    bool m_warningOpen = false;  // a warning box is up over the prompt
};
