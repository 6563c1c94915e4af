// The viewer's command set: ids, menu texts, keys, status texts and the layout
// of the menus and the toolbar. Qt-free, so the table can be checked on its own.
#pragma once

#include <span>
#include <string>

enum CommandId : int {
  ID_FILE_NEW = 57600,
  ID_FILE_OPEN = 57601,
  ID_FILE_SAVE = 57603,
  ID_FILE_SAVE_AS = 57604,
  ID_FILE_PRINT_SETUP = 57606,
  ID_FILE_PRINT = 57607,
  ID_FILE_PRINT_PREVIEW = 57609,
  ID_FILE_MRU_FILE1 = 57616,  // up to ID_FILE_MRU_LAST, one per recent file
  ID_FILE_MRU_LAST = 57631,
  ID_EDIT_COPY = 57634,
  ID_EDIT_CUT = 57635,
  ID_EDIT_PASTE = 57637,
  ID_EDIT_UNDO = 57643,
  ID_WINDOW_SPLIT = 57653,
  ID_APP_ABOUT = 57664,
  ID_APP_EXIT = 57665,
  ID_NEXT_PANE = 57680,
  ID_PREV_PANE = 57681,
  ID_VIEW_TOOLBAR = 59392,
  ID_VIEW_STATUS_BAR = 59393,
  ID_VIEW_MODERN_MODE = 32771,  // the viewer's own commands start here
  ID_GO_TO_OBJECT = 32772,
  ID_GO_BACK = 32773,
  ID_GO_FORWARD = 32774,
  ID_EDIT_FIND = 32790,
  ID_EDIT_FIND_NEXT = 32791,
  ID_FILE_SAVE_STREAM = 32792,
  ID_FILE_SAVE_DECODED = 32793,
  ID_FILE_SAVE_IMAGE = 32794,
  ID_FILE_RELOAD = 32795,
};

// In a layout: a separator.
inline constexpr int kSeparator = 0;
// In the File menu layout: where the recent files go.
inline constexpr int kRecentFilesSlot = -1;

enum class Menu { kNone, kFile, kEdit, kView, kHelp };

struct CommandInfo {
  int id;
  Menu menu;         // kNone: reachable by keys only
  const char* text;  // menu text with its & mnemonic, "" when off the menus
  // Portable key texts (QKeySequence::PortableText), "" for none.
  const char* keys[2];
  // Status text, then after a line feed the toolbar tooltip (when on the toolbar).
  const char* prompt;
};

// Every command, in menu order within each menu.
std::span<const CommandInfo> Commands();
// The entry for an id (recent-file ids share one), or nullptr.
const CommandInfo* FindCommand(int id);

// The part of a prompt shown in the status bar.
std::string StatusText(const CommandInfo& command);
// The word after the line feed, shown as the toolbar button's tooltip; "" when none.
std::string ToolTipText(const CommandInfo& command);

// Titles of the menus, in menu bar order, with mnemonics.
const char* MenuTitle(Menu menu);
// The items of a menu, kSeparator for a separator, kRecentFilesSlot for the
// recent-file entries.
std::span<const int> MenuLayout(Menu menu);
// The toolbar buttons in order, kSeparator for a separator.
std::span<const int> ToolbarLayout();
// The navigation toolbar's buttons (Back, Forward), beside the main toolbar.
std::span<const int> NavigationToolbarLayout();

// Whether the command never has a handler and so stays disabled.
bool IsAlwaysDisabled(int id);
