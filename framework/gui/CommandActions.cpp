#include "framework/gui/CommandActions.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QKeySequence>
#include <QMenu>

CCommandActions::CCommandActions(const CCommandRouter& router, QObject* parent)
    : QObject(parent), m_router(router) {
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                         &CCommandActions::Refresh);
}

QAction* CCommandActions::Add(unsigned nID, const QString& text,
                              const QList<QKeySequence>& shortcuts, bool checkable) {
    auto* action = new QAction(text, this);
    action->setShortcuts(shortcuts);
    action->setCheckable(checkable);
    QObject::connect(action, &QAction::triggered, this, [this, nID] {
        m_router.Execute(nID);
        Refresh();  // a checkable action shows its rule's mark, not Qt's own toggle
    });
    m_actions[nID] = action;
    return action;
}

QAction* CCommandActions::Action(unsigned nID) const {
    const auto it = m_actions.find(nID);
    return it == m_actions.end() ? nullptr : it->second;
}

void CCommandActions::WatchMenu(QMenu* menu) {
    QObject::connect(menu, &QMenu::aboutToShow, this, &CCommandActions::Refresh);
}

void CCommandActions::Refresh() {
    for (const auto& [id, action] : m_actions) {
        CCmdUI ui(id);
        m_router.UpdateState(ui);
        if (action->isEnabled() != ui.m_bEnabled) action->setEnabled(ui.m_bEnabled);
        if (action->isCheckable() && action->isChecked() != (ui.m_nCheck != 0))
            action->setChecked(ui.m_nCheck != 0);
    }
}
