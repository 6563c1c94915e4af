#include "app/commands.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(Commands, IdsAreUnique) {
  std::set<int> ids;
  for (const CommandInfo& command : Commands()) {
    EXPECT_TRUE(ids.insert(command.id).second) << command.id;
  }
}

TEST(Commands, TableEntries) {
  struct Case {
    int id;
    const char* text;
    const char* key;
    const char* key2;
    const char* status;
    const char* tip;
  };
  const Case cases[] = {
      {57600, "", "Ctrl+N", "", "Create a new document", ""},
      {57601, "&Open...", "Ctrl+O", "", "Open an existing document", "Open"},
      {57603, "&Save", "Ctrl+S", "", "Save the active document", "Save"},
      {57604, "Save &As...", "", "", "Save the active document with a new name", ""},
      {57607, "&Print...", "Ctrl+P", "", "Print the active document", "Print"},
      {57609, "Print Pre&view", "", "", "Display full pages", ""},
      {57606, "P&rint Setup...", "", "", "Change the printer and printing options", ""},
      {57665, "E&xit", "", "", "Quit the application; prompts to save documents", ""},
      {57643, "&Undo", "Ctrl+Z", "Alt+Backspace", "Undo the last action", ""},
      {57635, "Cu&t", "Ctrl+X", "Shift+Del", "Cut the selection and put it on the Clipboard",
       "Cut"},
      {57634, "&Copy", "Ctrl+C", "Ctrl+Ins", "Copy the selection and put it on the Clipboard",
       "Copy"},
      {57637, "&Paste", "Ctrl+V", "Shift+Ins", "Insert Clipboard contents", "Paste"},
      {59392, "&Toolbar", "", "", "Show or hide the toolbar", ""},
      {59393, "&Status Bar", "", "", "Show or hide the status bar", ""},
      {57653, "S&plit", "", "", "Split the active window into panes", ""},
      {57680, "", "F6", "", "Switch to the next window pane", ""},
      {57681, "", "Shift+F6", "", "Switch back to the previous window pane", ""},
      {57664, "&About...", "", "", "Display program information, version number and copyright",
       "About"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const CommandInfo* command = FindCommand(c.id);
    ASSERT_NE(command, nullptr);
    EXPECT_STREQ(command->text, c.text);
    EXPECT_STREQ(command->keys[0], c.key);
    EXPECT_STREQ(command->keys[1], c.key2);
    EXPECT_EQ(StatusText(*command), c.status);
    EXPECT_EQ(ToolTipText(*command), c.tip);
  }
}

TEST(Commands, NoTwoCommandsShareAKey) {
  std::set<std::string> keys;
  for (const CommandInfo& command : Commands()) {
    for (const char* key : command.keys) {
      if (*key != '\0') {
        EXPECT_TRUE(keys.insert(key).second) << key << " used again by " << command.id;
      }
    }
  }
  EXPECT_EQ(keys.count("F5"), 1u);
}

TEST(Commands, ReloadIsInTheFileMenuOnF5) {
  const CommandInfo* reload = FindCommand(ID_FILE_RELOAD);
  ASSERT_NE(reload, nullptr);
  EXPECT_EQ(reload->menu, Menu::kFile);
  EXPECT_STREQ(reload->text, "&Reload");
  EXPECT_STREQ(reload->keys[0], "F5");
  auto layout = MenuLayout(Menu::kFile);
  ASSERT_GE(layout.size(), 2u);
  EXPECT_EQ(layout[1], ID_FILE_RELOAD);  // right below Open
}

TEST(Commands, RecentFileIdsShareOneEntry) {
  for (int id = ID_FILE_MRU_FILE1; id <= ID_FILE_MRU_LAST; ++id) {
    ASSERT_NE(FindCommand(id), nullptr);
    EXPECT_EQ(StatusText(*FindCommand(id)), "Open this document");
  }
  EXPECT_EQ(FindCommand(ID_FILE_MRU_LAST + 1), nullptr);
}

TEST(Commands, ToolbarOrder) {
  const int expected[] = {ID_FILE_OPEN,  ID_FILE_SAVE, kSeparator,    ID_EDIT_CUT, ID_EDIT_COPY,
                          ID_EDIT_PASTE, kSeparator,   ID_FILE_PRINT, kSeparator,  ID_APP_ABOUT};
  auto layout = ToolbarLayout();
  ASSERT_EQ(layout.size(), std::size(expected));
  for (size_t i = 0; i < layout.size(); ++i) {
    EXPECT_EQ(layout[i], expected[i]) << i;
    if (layout[i] != kSeparator) {
      EXPECT_FALSE(ToolTipText(*FindCommand(layout[i])).empty()) << layout[i];
    }
  }
}

TEST(Commands, EveryMenuCommandIsInItsMenuOnce) {
  for (const CommandInfo& command : Commands()) {
    SCOPED_TRACE(command.id);
    int found = 0;
    for (Menu menu : {Menu::kFile, Menu::kEdit, Menu::kView, Menu::kHelp}) {
      for (int id : MenuLayout(menu)) {
        if (id == command.id || (id == kRecentFilesSlot && command.id == ID_FILE_MRU_FILE1)) {
          ++found;
          EXPECT_EQ(menu, command.menu);
        }
      }
    }
    EXPECT_EQ(found, command.menu == Menu::kNone ? 0 : 1);
  }
}

}  // namespace
