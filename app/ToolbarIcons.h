#pragma once
// The toolbar's 32 x 32 images, drawn by the program itself, each with a greyed form for the
// disabled state.

#include <QIcon>

QIcon ToolbarIcon(unsigned id);

// The program's own icon: a trace on a grid (res/tesqv.svg drawn the same way).
QIcon ApplicationIcon();
