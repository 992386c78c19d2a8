// The panel's context menu: what the title bar's system menu would hold on
// other desktops (the About item), and the tools beside the panel's own
// controls. Every item also has a shortcut.
#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>

#include "core/resources/strings.h"
#include "panel/shutter_panel_dlg.h"

void CShutterPanelDlg::AddMenuAction(QAction* action) {
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    m_menuActions.push_back(action);
}

// The About item: on the context menu and on F1, added only when its text
// is defined.
void CShutterPanelDlg::AddAboutItem() {
    const QString aboutText = QString::fromUtf8(ferrule::kAboutMenuText);
    if (aboutText.isEmpty()) {
        return;
    }
    m_aboutAction = new QAction(aboutText, this);
    m_aboutAction->setShortcut(QKeySequence(Qt::Key_F1));
    connect(m_aboutAction, &QAction::triggered, this, &CShutterPanelDlg::ShowAboutBox);
    AddMenuAction(m_aboutAction);
}

void CShutterPanelDlg::contextMenuEvent(QContextMenuEvent* event) {
    if (m_menuActions.empty()) {
        return;
    }
    QMenu menu(this);
    for (QAction* action : m_menuActions) {
        menu.addAction(action);
    }
    menu.exec(event->globalPos());
}
