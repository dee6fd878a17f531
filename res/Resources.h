#pragma once
// The program's resources: command ids, menu, accelerators, toolbar and strings, listed by id.

#include <string_view>
#include <vector>

#include "CmdUI.h"

enum : unsigned {
    ID_SEPARATOR = 0,
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
    IDC_EXEC = 1001,
};

struct MenuItem {
    std::string_view text;  // as stored: label, then a tab and the shortcut's name
    unsigned id;            // ID_SEPARATOR for a separator
};

struct Menu {
    std::string_view title;
    std::vector<MenuItem> items;
};

// The menu bar of the main window.
const std::vector<Menu>& MainMenu();

// Accelerators: key sequences in Qt's portable text form, and their commands.
struct Accelerator {
    std::string_view keys;
    unsigned id;
};
const std::vector<Accelerator>& MainAccelerators();

// Toolbar buttons, left to right.
const std::vector<unsigned>& MainToolbar();

// "prompt\ntip" of a command, or empty when the program has none.
std::string_view CommandPrompt(unsigned id);

inline constexpr std::string_view IDS_APP_TITLE = "tesqv";
inline constexpr std::string_view IDS_IDLEMESSAGE = "就绪";
inline constexpr std::string_view IDS_FRAME_TITLE = "osc";
inline constexpr std::string_view IDS_UNTITLED = "noname";
