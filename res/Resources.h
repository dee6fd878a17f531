#pragma once
// The program's resources: menu, accelerators, toolbar and strings, listed by id.

#include <string_view>
#include <vector>

#include "ids/CommandIds.h"

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

inline constexpr std::string_view IDS_IDLEMESSAGE = "就绪";
inline constexpr std::string_view IDS_FRAME_TITLE = "osc";
inline constexpr std::string_view IDS_UNTITLED = "noname";
