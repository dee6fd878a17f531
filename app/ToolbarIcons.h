#pragma once
// The toolbar's images and the program's icon, from the SVG artwork in res/icons.

#include <QIcon>

QIcon ToolbarIcon(unsigned id);
QIcon ApplicationIcon();
