#include "app/commands.h"

#include <array>

namespace {

constexpr CommandInfo kCommands[] = {
    {ID_FILE_NEW, Menu::kNone, "", {"Ctrl+N", ""}, "Create a new document"},
    {ID_FILE_OPEN, Menu::kFile, "&Open...", {"Ctrl+O", ""}, "Open an existing document\nOpen"},
    {ID_FILE_RELOAD,
     Menu::kFile,
     "&Reload",
     {"F5", ""},
     "Read the open file again from disk, in the same mode"},
    {ID_FILE_SAVE, Menu::kFile, "&Save", {"Ctrl+S", ""}, "Save the active document\nSave"},
    {ID_FILE_SAVE_AS,
     Menu::kFile,
     "Save &As...",
     {"", ""},
     "Save the active document with a new name"},
    {ID_FILE_SAVE_STREAM,
     Menu::kFile,
     "Save S&tream As...",
     {"", ""},
     "Save the selected stream's bytes as the file holds them"},
    {ID_FILE_SAVE_DECODED,
     Menu::kFile,
     "Save &Decoded Stream As...",
     {"", ""},
     "Save the selected stream's bytes after its filters"},
    {ID_FILE_SAVE_IMAGE,
     Menu::kFile,
     "Save &Image As PNG...",
     {"", ""},
     "Save the picture of the selected image stream as a PNG file"},
    {ID_FILE_PRINT, Menu::kFile, "&Print...", {"Ctrl+P", ""}, "Print the active document\nPrint"},
    {ID_FILE_PRINT_PREVIEW, Menu::kFile, "Print Pre&view", {"", ""}, "Display full pages"},
    {ID_FILE_PRINT_SETUP,
     Menu::kFile,
     "P&rint Setup...",
     {"", ""},
     "Change the printer and printing options"},
    {ID_FILE_MRU_FILE1, Menu::kFile, "", {"", ""}, "Open this document"},
    {ID_APP_EXIT,
     Menu::kFile,
     "E&xit",
     {"", ""},
     "Quit the application; prompts to save documents"},
    {ID_EDIT_UNDO, Menu::kEdit, "&Undo", {"Ctrl+Z", "Alt+Backspace"}, "Undo the last action"},
    {ID_EDIT_CUT,
     Menu::kEdit,
     "Cu&t",
     {"Ctrl+X", "Shift+Del"},
     "Cut the selection and put it on the Clipboard\nCut"},
    {ID_EDIT_COPY,
     Menu::kEdit,
     "&Copy",
     {"Ctrl+C", "Ctrl+Ins"},
     "Copy the selection and put it on the Clipboard\nCopy"},
    {ID_EDIT_PASTE,
     Menu::kEdit,
     "&Paste",
     {"Ctrl+V", "Shift+Ins"},
     "Insert Clipboard contents\nPaste"},
    {ID_EDIT_FIND,
     Menu::kEdit,
     "&Find...",
     {"Ctrl+F", ""},
     "Find text or a regular expression in keys, values and stream contents"},
    {ID_EDIT_FIND_NEXT, Menu::kEdit, "Find &Next", {"F3", ""}, "Show the next result of Find"},
    {ID_GO_TO_OBJECT,
     Menu::kEdit,
     "&Go to Object...",
     {"Ctrl+G", ""},
     "Select an object by its number in the Objects tab"},
    {ID_GO_BACK, Menu::kEdit, "&Back", {"Alt+Left", ""}, "Select the item selected before\nBack"},
    {ID_GO_FORWARD,
     Menu::kEdit,
     "For&ward",
     {"Alt+Right", ""},
     "Select the item selected after\nForward"},
    {ID_VIEW_TOOLBAR, Menu::kView, "&Toolbar", {"", ""}, "Show or hide the toolbar"},
    {ID_VIEW_STATUS_BAR, Menu::kView, "&Status Bar", {"", ""}, "Show or hide the status bar"},
    {ID_WINDOW_SPLIT, Menu::kView, "S&plit", {"", ""}, "Split the active window into panes"},
    {ID_VIEW_MODERN_MODE,
     Menu::kView,
     "&Modern Mode",
     {"", ""},
     "Read cross-reference and object streams and repair damaged files, as PDF since 1.5 "
     "needs; reopens the file"},
    {ID_NEXT_PANE, Menu::kNone, "", {"F6", ""}, "Switch to the next window pane"},
    {ID_PREV_PANE, Menu::kNone, "", {"Shift+F6", ""}, "Switch back to the previous window pane"},
    {ID_APP_ABOUT,
     Menu::kHelp,
     "&About...",
     {"", ""},
     "Display program information, version number and copyright\nAbout"},
};

constexpr int kFileLayout[] = {ID_FILE_OPEN,
                               ID_FILE_RELOAD,
                               ID_FILE_SAVE,
                               ID_FILE_SAVE_AS,
                               kSeparator,
                               ID_FILE_SAVE_STREAM,
                               ID_FILE_SAVE_DECODED,
                               ID_FILE_SAVE_IMAGE,
                               kSeparator,
                               ID_FILE_PRINT,
                               ID_FILE_PRINT_PREVIEW,
                               ID_FILE_PRINT_SETUP,
                               kSeparator,
                               kRecentFilesSlot,
                               kSeparator,
                               ID_APP_EXIT};
constexpr int kEditLayout[] = {ID_EDIT_UNDO,  kSeparator,      ID_EDIT_CUT,  ID_EDIT_COPY,
                               ID_EDIT_PASTE, kSeparator,      ID_EDIT_FIND, ID_EDIT_FIND_NEXT,
                               kSeparator,    ID_GO_TO_OBJECT, ID_GO_BACK,   ID_GO_FORWARD};
constexpr int kViewLayout[] = {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_WINDOW_SPLIT, kSeparator,
                               ID_VIEW_MODERN_MODE};
constexpr int kHelpLayout[] = {ID_APP_ABOUT};
constexpr int kToolbar[] = {ID_FILE_OPEN,  ID_FILE_SAVE, kSeparator,    ID_EDIT_CUT, ID_EDIT_COPY,
                            ID_EDIT_PASTE, kSeparator,   ID_FILE_PRINT, kSeparator,  ID_APP_ABOUT};

constexpr int kNavigationToolbar[] = {ID_GO_BACK, ID_GO_FORWARD};

}  // namespace

std::span<const CommandInfo> Commands() {
  return kCommands;
}

const CommandInfo* FindCommand(int id) {
  if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_LAST) {
    id = ID_FILE_MRU_FILE1;
  }
  for (const CommandInfo& command : kCommands) {
    if (command.id == id) {
      return &command;
    }
  }
  return nullptr;
}

std::string StatusText(const CommandInfo& command) {
  std::string prompt = command.prompt;
  return prompt.substr(0, prompt.find('\n'));
}

std::string ToolTipText(const CommandInfo& command) {
  std::string prompt = command.prompt;
  size_t feed = prompt.find('\n');
  return feed == std::string::npos ? std::string() : prompt.substr(feed + 1);
}

const char* MenuTitle(Menu menu) {
  switch (menu) {
    case Menu::kFile:
      return "&File";
    case Menu::kEdit:
      return "&Edit";
    case Menu::kView:
      return "&View";
    case Menu::kHelp:
      return "&Help";
    case Menu::kNone:
      break;
  }
  return "";
}

std::span<const int> MenuLayout(Menu menu) {
  switch (menu) {
    case Menu::kFile:
      return kFileLayout;
    case Menu::kEdit:
      return kEditLayout;
    case Menu::kView:
      return kViewLayout;
    case Menu::kHelp:
      return kHelpLayout;
    case Menu::kNone:
      break;
  }
  return {};
}

std::span<const int> ToolbarLayout() {
  return kToolbar;
}

std::span<const int> NavigationToolbarLayout() {
  return kNavigationToolbar;
}

bool IsAlwaysDisabled(int id) {
  return id == ID_EDIT_UNDO || id == ID_EDIT_CUT || id == ID_EDIT_PASTE;
}
