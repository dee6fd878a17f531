// Commands bound to actions: states refreshed when the loop goes idle, disabled actions never run.

#include <gtest/gtest.h>

#include <QAction>
#include <QEventLoop>
#include <QTimer>

#include "framework/gui/CommandActions.h"
#include "ids/CommandIds.h"

TEST(CommandActions, StatesFollowTheRulesAndDisabledActionsNeverRun) {
    CCmdTarget view, frame;
    CCommandRouter router;
    router.SetChain({&view, nullptr, &frame, nullptr});
    bool zoomable = false, shown = false;
    int zooms = 0;
    view.AddCommand(ID_ZOOM_IN, [&zooms] { ++zooms; });
    view.AddUpdate(ID_ZOOM_IN, [&zoomable](CCmdUI* ui) { ui->Enable(zoomable); });
    frame.AddCommand(ID_VIEW_CMDBAR, [&shown] { shown = !shown; });
    frame.AddUpdate(ID_VIEW_CMDBAR, [&shown](CCmdUI* ui) { ui->SetCheck(shown); });
    CCommandActions actions(router);
    QAction* zoom = actions.Add(ID_ZOOM_IN, QStringLiteral("Zoom in"));
    QAction* bar = actions.Add(ID_VIEW_CMDBAR, QStringLiteral("Contol bar(&C)"), {}, true);
    QAction* undo = actions.Add(57643, QStringLiteral("Undo(&U)"));

    // Going idle refreshes every state.
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_FALSE(zoom->isEnabled());
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(bar->isChecked());
    zoom->trigger();  // disabled: nothing runs, whatever triggered it
    EXPECT_EQ(zooms, 0);

    zoomable = true;
    actions.Refresh();
    zoom->trigger();
    EXPECT_EQ(zooms, 1);
    zoomable = false;  // the action still looks enabled until the next refresh
    zoom->trigger();
    EXPECT_EQ(zooms, 1);
    EXPECT_FALSE(zoom->isEnabled());
    bar->trigger();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(bar->isChecked());
    bar->trigger();
    EXPECT_FALSE(bar->isChecked());
}
