// The main window as it was last closed: size, place, maximised state,
// toolbars and docks, the divider between the panes and the status bar. Kept
// in the settings store under "Window", beside the written keys.
#pragma once

class CMainFrame;

inline constexpr char kWindowGeometryKey[] = "Window/Geometry";
inline constexpr char kWindowStateKey[] = "Window/State";
inline constexpr char kWindowDividerKey[] = "Window/Divider";
inline constexpr char kWindowStatusBarKey[] = "Window/StatusBar";

// Share of the screen's available area a first start takes.
inline constexpr double kFirstStartScreenShare = 0.8;
// The widest the tree pane grows to fit its labels at a first start, as a
// share of the window.
inline constexpr double kFittedTreeShare = 0.5;

void SaveWindowState(CMainFrame* frame);
// Restores what SaveWindowState kept; false (and nothing changed) when
// nothing was kept, as at a first start.
bool RestoreWindowState(CMainFrame* frame);
// A first start: the window sized to the screen and centred on it.
void SizeToScreen(CMainFrame* frame);
// The tree pane as wide as its open labels, within kFittedTreeShare.
void FitTreePane(CMainFrame* frame);
