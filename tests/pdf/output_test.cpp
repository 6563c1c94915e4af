// The byte sink: counting, the sticky first error, Printf's limit, literal
// strings in runs, and the file and memory outputs.
#include "pdf/output.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/output_file.h"
#include "pdf/output_memory.h"
#include "tests/support/pdf_builder.h"

namespace pdf {
namespace {

// Accepts `budget` writes, then fails every one with a short count and ENOSPC.
struct FailingSink : OutputCallbacks {
  explicit FailingSink(int writes_that_succeed) : budget(writes_that_succeed) {
    write = [](OutputCallbacks* self, const char* bytes, int count) {
      auto* sink = static_cast<FailingSink*>(self);
      ++sink->calls;
      if (sink->budget-- <= 0) {
        errno = ENOSPC;
        return count / 2;
      }
      sink->bytes.append(bytes, static_cast<size_t>(count));
      return count;
    };
    close = [](OutputCallbacks* self) { ++static_cast<FailingSink*>(self)->closed; };
    tell = [](OutputCallbacks* self) {
      return static_cast<int>(static_cast<FailingSink*>(self)->bytes.size());
    };
  }
  int budget;
  int calls = 0;
  int closed = 0;
  std::string bytes;
};

// Records each call of write, so that a test can see the runs.
struct RunSink : OutputCallbacks {
  RunSink() {
    write = [](OutputCallbacks* self, const char* bytes, int count) {
      static_cast<RunSink*>(self)->runs.emplace_back(bytes, static_cast<size_t>(count));
      return count;
    };
    close = nullptr;
    tell = nullptr;
  }
  std::string Joined() const {
    std::string all;
    for (const std::string& run : runs) {
      all += run;
    }
    return all;
  }
  std::vector<std::string> runs;
};

TEST(OutputTest, WritesCountAndPrintfFormats) {
  OutputMemory memory;
  Output out;
  out.Attach(&memory);
  out.Write("ab");
  out.Write("cdef", 2);
  out.Printf("%d %05d %c \r", 7, 42, 'n');
  out.Printf("%s", "");
  EXPECT_EQ(memory.Bytes(), "abcd7 00042 n \r");
  EXPECT_EQ(out.count, 15);
  EXPECT_EQ(out.Tell(), 15);
  EXPECT_EQ(out.error, nullptr);
}

TEST(OutputTest, FailingWriteIsStickyAndKeepsTheCount) {
  FailingSink sink(/*writes_that_succeed=*/2);
  Output out;
  out.Attach(&sink);
  out.Write("one ");
  out.Printf("%s ", "two");
  out.Write("three ");  // fails: ENOSPC
  ASSERT_NE(out.error, nullptr);
  EXPECT_STREQ(out.error, strerror(ENOSPC));
  const int calls_at_failure = sink.calls;

  out.Write("four");
  out.Printf("%d", 5);
  out.WriteLiteral("six", 3);
  EXPECT_EQ(sink.calls, calls_at_failure);  // nothing reaches the sink any more
  EXPECT_EQ(sink.bytes, "one two ");
  EXPECT_EQ(out.count, 8);
  EXPECT_STREQ(out.error, strerror(ENOSPC));

  // A later system error does not replace the first failure's text.
  (void)strerror(EACCES);
  EXPECT_STREQ(out.error, strerror(ENOSPC));

  out.Close();
  out.Close();
  EXPECT_EQ(sink.closed, 1);
  EXPECT_EQ(out.callbacks, nullptr);

  // Attaching again starts afresh.
  FailingSink fresh(/*writes_that_succeed=*/5);
  out.Attach(&fresh);
  out.Write("x");
  EXPECT_EQ(out.error, nullptr);
  EXPECT_EQ(out.count, 1);
}

TEST(OutputTest, PrintfRefusesPiecesOf2048CharactersOrMore) {
  struct Case {
    size_t length;
    bool fits;
  };
  for (const Case& c : {Case{2046, true}, Case{2047, true}, Case{2048, false}, Case{5000, false}}) {
    SCOPED_TRACE(c.length);
    OutputMemory memory;
    Output out;
    out.Attach(&memory);
    out.Write("<");
    const std::string piece(c.length, 'x');
    out.Printf("%s", piece.c_str());
    out.Write(">");
    if (c.fits) {
      EXPECT_EQ(out.error, nullptr);
      EXPECT_EQ(memory.Bytes(), "<" + piece + ">");
    } else {
      ASSERT_NE(out.error, nullptr);
      EXPECT_STREQ(out.error, "printf buffer overflow!");
      EXPECT_EQ(memory.Bytes(), "<");  // the piece and everything after it are dropped
      EXPECT_EQ(out.count, 1);
    }
  }
}

TEST(OutputTest, WritingWithoutCallbacksIsAFailure) {
  Output out;
  out.Write("x");
  ASSERT_NE(out.error, nullptr);
  EXPECT_EQ(out.count, 0);
  EXPECT_EQ(out.Tell(), 0);
  out.Close();  // nothing attached: nothing to close
}

TEST(OutputTest, LiteralsEscapeTheSpecialBytesInRuns) {
  struct Case {
    std::string bytes;
    std::string written;
    std::vector<std::string> runs;
  };
  const Case cases[] = {
      {"", "()", {"(", ")"}},
      {"plain", "(plain)", {"(", "plain", ")"}},
      {"a(b", "(a\\(b)", {"(", "a", "\\", "(b", ")"}},
      {"a)b", "(a\\)b)", {"(", "a", "\\", ")b", ")"}},
      {"a\tb", "(a\\\tb)", {"(", "a", "\\", "\tb", ")"}},
      {"a\nb", "(a\\\nb)", {"(", "a", "\\", "\nb", ")"}},
      {std::string("a\0b", 3),
       std::string("(a\\\0b)", 6),
       {"(", "a", "\\", std::string("\0b", 2), ")"}},
      {"a\\)b", "(a\\\\\\)b)", {"(", "a", "\\", "\\", "\\", ")b", ")"}},
      {"((", "(\\(\\()", {"(", "\\", "(", "\\", "(", ")"}},
      {"end\\", "(end\\\\)", {"(", "end", "\\", "\\", ")"}},
      // A carriage return and the other bytes go through as they are.
      {"a\rb<>%", "(a\rb<>%)", {"(", "a\rb<>%", ")"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.written);
    RunSink sink;
    Output out;
    out.Attach(&sink);
    out.WriteLiteral(c.bytes.data(), static_cast<int>(c.bytes.size()));
    EXPECT_EQ(sink.Joined(), c.written);
    EXPECT_EQ(sink.runs, c.runs);
    EXPECT_EQ(out.count, static_cast<int32_t>(c.written.size()));
  }
}

TEST(OutputTest, MemoryOutputGrowsAndRefusesWritesAfterClose) {
  OutputMemory memory;
  Output out;
  out.Attach(&memory);
  const std::string block(100000, 'z');
  for (int i = 0; i < 5; ++i) {
    out.Write(block.data(), static_cast<int>(block.size()));
  }
  EXPECT_EQ(memory.Bytes().size(), 500000u);
  EXPECT_EQ(out.Tell(), 500000);
  out.Close();
  EXPECT_TRUE(memory.IsClosed());

  Output again;
  again.Attach(&memory);
  again.Write("late");
  ASSERT_NE(again.error, nullptr);
  EXPECT_STREQ(again.error, strerror(EBADF));
  EXPECT_EQ(memory.Bytes().size(), 500000u);
}

TEST(OutputTest, FileOutputWritesTellsAndCloses) {
  TempFile temp("");
  {
    OutputFile file;
    ASSERT_TRUE(file.Open(temp.path().c_str()));
    Output out;
    out.Attach(&file);
    out.Write("%PDF-1.4\r");
    EXPECT_EQ(out.Tell(), 9);
    out.Printf("%d 0 obj\r", 1);
    EXPECT_EQ(out.Tell(), 17);
    out.Close();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(out.error, nullptr);

    // Written after the close: refused, and the file is unchanged.
    Output late;
    late.Attach(&file);
    late.Write("x");
    EXPECT_NE(late.error, nullptr);
  }
  std::ifstream in(temp.path(), std::ios::binary);
  std::stringstream contents;
  contents << in.rdbuf();
  EXPECT_EQ(contents.str(), "%PDF-1.4\r1 0 obj\r");

  OutputFile missing;
  errno = 0;
  EXPECT_FALSE(missing.Open("/nonexistent-directory/out.pdf"));
  EXPECT_EQ(errno, ENOENT);
}

}  // namespace
}  // namespace pdf
