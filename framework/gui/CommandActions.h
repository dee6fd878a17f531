#pragma once
// Command ids bound to QActions for menus, toolbar and shortcuts. A triggered action runs its
// command through the router, which refuses a disabled one; every action's enabled and
// checked state is refreshed in one place, whenever the event loop goes idle and before a
// watched menu opens.

#include <QObject>
#include <map>

#include "framework/core/CmdTarget.h"

class QAction;
class QKeySequence;
class QMenu;
class QString;

class CCommandActions : public QObject {
public:
    explicit CCommandActions(const CCommandRouter& router, QObject* parent = nullptr);

    // Creates the action of a command (owned by this object); checkable actions show the
    // check mark their enable rule sets.
    QAction* Add(unsigned nID, const QString& text, const QList<QKeySequence>& shortcuts = {},
                 bool checkable = false);
    QAction* Action(unsigned nID) const;

    void WatchMenu(QMenu* menu);
    void Refresh();

private:
    const CCommandRouter& m_router;
    std::map<unsigned, QAction*> m_actions;
};
