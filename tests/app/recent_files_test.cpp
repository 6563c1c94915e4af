#include "app/recent_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Paths = std::vector<std::string>;

TEST(RecentFileList, MostRecentFirstWithoutDuplicates) {
  RecentFileList list;
  list.Add("/a.pdf");
  list.Add("/b.pdf");
  list.Add("/a.pdf");
  EXPECT_EQ(list.Entries(), (Paths{"/a.pdf", "/b.pdf"}));
}

TEST(RecentFileList, KeepsEightDroppingTheOldest) {
  RecentFileList list;
  for (int i = 1; i <= 10; ++i) {
    list.Add("/f" + std::to_string(i) + ".pdf");
  }
  ASSERT_EQ(list.Size(), RecentFileList::kMaxEntries);
  EXPECT_EQ(list.Entries().front(), "/f10.pdf");
  EXPECT_EQ(list.Entries().back(), "/f3.pdf");
}

TEST(RecentFileList, PathsDifferingInCaseAreDifferentFiles) {
  RecentFileList list;
  list.Add("/A.pdf");
  list.Add("/a.pdf");
  EXPECT_EQ(list.Size(), 2);
}

TEST(RecentFileList, RemoveAndIgnoreEmpty) {
  RecentFileList list;
  list.Add("");
  EXPECT_EQ(list.Size(), 0);
  list.Add("/a.pdf");
  list.Add("/b.pdf");
  list.Remove("/a.pdf");
  list.Remove("/missing.pdf");
  EXPECT_EQ(list.Entries(), (Paths{"/b.pdf"}));
}

TEST(RecentFileList, AssignSkipsGapsAndDuplicatesAndCaps) {
  RecentFileList list;
  list.Assign({"/a", "", "/b", "/a", "/c", "/d", "/e", "/f", "/g", "/h", "/i"});
  EXPECT_EQ(list.Entries(), (Paths{"/a", "/b", "/c", "/d", "/e", "/f", "/g", "/h"}));
}

TEST(RecentFileMenuText, NumberHomeAndAmpersands) {
  struct Case {
    int index;
    const char* path;
    const char* expect;
  };
  const Case cases[] = {
      {0, "/home/u/doc.pdf", "&1 ~/doc.pdf"},
      {7, "/tmp/a&b.pdf", "&8 /tmp/a&&b.pdf"},
      {1, "/home/user2/x.pdf", "&2 /home/user2/x.pdf"},  // a sibling of home is not home
      {2, "/home/u", "&3 /home/u"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(RecentFileMenuText(c.index, c.path, "/home/u"), c.expect);
  }
}

}  // namespace
