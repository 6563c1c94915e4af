#include "app/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

CommandLine Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "quorvel");
  return ParseCommandLine(static_cast<int>(args.size()), const_cast<char**>(args.data()));
}

TEST(CommandLine, Switches) {
  CommandLine line = Parse({"--trace", "--select", "Root/Pages", "a.pdf", "--screenshot", "s.png"});
  EXPECT_TRUE(line.error.empty());
  EXPECT_TRUE(line.trace);
  EXPECT_EQ(line.select, "Root/Pages");
  EXPECT_EQ(line.file, "a.pdf");
  EXPECT_EQ(line.screenshot, "s.png");
  EXPECT_FALSE(line.help);
}

TEST(CommandLine, UsageErrors) {
  EXPECT_FALSE(Parse({"--select"}).error.empty());
  EXPECT_FALSE(Parse({"--bogus"}).error.empty());
  EXPECT_FALSE(Parse({"a.pdf", "b.pdf"}).error.empty());
  EXPECT_TRUE(Parse({"-"}).error.empty());
}

// Qt's own options reach QApplication: they are no file and no error.
TEST(CommandLine, QtOptionsBeforeTheFile) {
  struct Case {
    std::vector<const char*> args;
    const char* file;
    bool error;
  };
  const Case cases[] = {
      {{"-style", "fusion", "f.pdf"}, "f.pdf", false},
      {{"--style=fusion", "f.pdf"}, "f.pdf", false},
      {{"-platform", "offscreen", "-reverse", "--modern", "f.pdf"}, "f.pdf", false},
      {{"f.pdf", "-qwindowgeometry", "800x600+0+0"}, "f.pdf", false},
      {{"-style"}, "", true},
      {{"-styles", "f.pdf"}, "-styles", true},  // no Qt option: a file, then another
      {{"-reverse=1"}, "-reverse=1", false},
  };
  for (const Case& c : cases) {
    const CommandLine line = Parse(c.args);
    SCOPED_TRACE(c.args.front());
    EXPECT_EQ(line.file, c.file);
    EXPECT_EQ(!line.error.empty(), c.error) << line.error;
  }
}

TEST(CommandLine, Version) {
  EXPECT_TRUE(Parse({"--version"}).version);
  EXPECT_EQ(VersionText(), "Quorvel 1.02b6");
}

}  // namespace
