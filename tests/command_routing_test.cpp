// Command routing: the chain's order, enable rules, and commands nobody handles.

#include <gtest/gtest.h>

#include "framework/core/CmdTarget.h"
#include "ids/CommandIds.h"

namespace {

struct Chain {
    CCmdTarget view, doc, frame, app;
    CCommandRouter router;
    std::vector<std::string> ran;
    Chain() { router.SetChain({&view, &doc, &frame, &app}); }
};

}  // namespace

TEST(CommandRouting, FirstHandlerInTheChainRuns) {
    Chain c;
    c.app.AddCommand(ID_FILE_NEW, [&c] { c.ran.push_back("app"); });
    c.frame.AddCommand(ID_FILE_NEW, [&c] { c.ran.push_back("frame"); });
    c.view.AddCommand(ID_ZOOM_IN, [&c] { c.ran.push_back("view"); });
    EXPECT_TRUE(c.router.Execute(ID_FILE_NEW));
    EXPECT_TRUE(c.router.Execute(ID_ZOOM_IN));
    EXPECT_EQ(c.ran, (std::vector<std::string>{"frame", "view"}));
}

TEST(CommandRouting, EnableRulesDecideAndDisabledCommandsNeverRun) {
    Chain c;
    bool zoomable = false;
    c.view.AddCommand(ID_ZOOM_IN, [&c] { c.ran.push_back("zoom"); });
    c.doc.AddUpdate(ID_ZOOM_IN, [&zoomable](CCmdUI* ui) { ui->Enable(zoomable); });
    EXPECT_FALSE(c.router.IsEnabled(ID_ZOOM_IN));
    EXPECT_FALSE(c.router.Execute(ID_ZOOM_IN));
    zoomable = true;
    EXPECT_TRUE(c.router.Execute(ID_ZOOM_IN));
    EXPECT_EQ(c.ran, std::vector<std::string>{"zoom"});
    // A rule's check mark reaches the state object.
    c.frame.AddUpdate(ID_VIEW_CMDBAR, [](CCmdUI* ui) { ui->SetCheck(1); });
    CCmdUI ui(ID_VIEW_CMDBAR);
    c.router.UpdateState(ui);
    EXPECT_EQ(ui.m_nCheck, 1);
}

TEST(CommandRouting, CommandsWithoutHandlersAreDisabled) {
    Chain c;
    c.router.SetChain({&c.view, nullptr, &c.frame, &c.app});  // no document yet
    EXPECT_FALSE(c.router.IsEnabled(57643));                  // Undo: nobody handles it
    c.app.AddCommand(ID_FILE_OPEN, [] {});
    EXPECT_TRUE(c.router.IsEnabled(ID_FILE_OPEN));
}

// The handler that would run decides: Copy handled by the view runs while the document is
// busy, though the document's own Copy touches it.
TEST(CommandRouting, ABusyDocumentClosesTheCommandsThatTouchIt) {
    Chain c;
    bool busy = true;
    c.router.SetDocumentBusy([&busy] { return busy; });
    c.app.AddCommand(
        ID_FILE_NEW, [&c] { c.ran.push_back("new"); }, Touches::document);
    c.app.AddCommand(ID_APP_ABOUT, [&c] { c.ran.push_back("about"); });
    c.view.AddCommand(ID_EDIT_COPY, [&c] { c.ran.push_back("copy"); });
    c.doc.AddCommand(
        ID_EDIT_COPY, [] {}, Touches::document);
    c.doc.AddUpdate(ID_FILE_NEW, [](CCmdUI* ui) { ui->Enable(true); });
    EXPECT_FALSE(c.router.Execute(ID_FILE_NEW));
    EXPECT_TRUE(c.router.Execute(ID_APP_ABOUT));
    EXPECT_TRUE(c.router.Execute(ID_EDIT_COPY));
    busy = false;
    EXPECT_TRUE(c.router.Execute(ID_FILE_NEW));
    EXPECT_EQ(c.ran, (std::vector<std::string>{"about", "copy", "new"}));
}
