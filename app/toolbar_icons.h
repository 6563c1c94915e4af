// The toolbar and menu images (16 by 15 pixels at 1x) and the application
// icon. The desktop's icon theme gives them where it has them; otherwise SVG
// images shipped in the resources, drawn with the palette's ink so that they
// stay legible on dark themes and crisp at any scale.
#pragma once

#include <QIcon>
#include <QPalette>
#include <QSize>

inline constexpr QSize kToolbarButtonSize(16, 15);

// The image of a toolbar command (see ToolbarLayout), or a null icon.
QIcon ToolbarIcon(int command_id);
// The shipped image alone, drawn with `palette`'s window text as its ink; null
// for a command without one. The theme is not asked.
QIcon FallbackToolbarIcon(int command_id, const QPalette& palette);
// A page with a small tree on it; the installed icon of the same name first.
QIcon ApplicationIcon();
// The name the icon and the desktop entry are installed under.
inline constexpr char kApplicationId[] = "org.quorvel.Quorvel";
