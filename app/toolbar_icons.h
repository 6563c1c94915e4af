// The toolbar button images (16 by 15 pixels) and the application icon, drawn
// in code so the program needs no image files.
#pragma once

#include <QIcon>
#include <QSize>

inline constexpr QSize kToolbarButtonSize(16, 15);

// The image of a toolbar command (see ToolbarLayout), or a null icon.
QIcon ToolbarIcon(int command_id);
// A page with a small tree on it.
QIcon ApplicationIcon();
