#pragma once
// Command ids and the command-state object through which enable rules answer. The window
// applies the answer to menu items and toolbar buttons; a disabled command never runs.

// The framework's ids (File, Edit, View, Help commands and the recent files); the
// application's own are in res/CommandIds.h, above the range these use.
enum : unsigned {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_CLOSE = 57602,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_FILE_MRU_FILE1 = 57616,
    ID_EDIT_UNDO = 57643,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
};

class CCmdUI {
public:
    explicit CCmdUI(unsigned nID = 0) : m_nID(nID) {}
    virtual ~CCmdUI() = default;

    virtual void Enable(bool bOn = true) { m_bEnabled = bOn; }
    virtual void SetCheck(int nCheck = 1) { m_nCheck = nCheck; }

    unsigned m_nID;
    bool m_bEnabled = true;
    int m_nCheck = 0;
};
