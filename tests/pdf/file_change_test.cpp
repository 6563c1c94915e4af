// A file that another program truncates or rewrites while it is open: reading
// it must never end the process, and the document must say it changed. Each
// case runs in a child process, so that a fault the guard misses shows as a
// signal in the child's status instead of taking the test program down.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "pdf/document.h"
#include "pdf/mapping_guard.h"
#include "pdf/memmap_file.h"
#include "pdf/object.h"
#include "pdf/xref_table.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/sink_capture.h"

namespace {

constexpr int kObjectCount = 1500;
constexpr size_t kStreamBytes = 3000;

// About 4.5 MB: catalog 1, pages 2, then streams 3 .. kObjectCount.
std::string LargePdf() {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  for (int n = 3; n <= kObjectCount; ++n) {
    b.Stream(n, "/Filler true", std::string(kStreamBytes, static_cast<char>('a' + n % 26)));
  }
  b.Finish("/Root 1 0 R /ID [<01> <01>]");
  return b.Bytes();
}

// What the child reports in its exit status.
enum Result : int {
  kChanged = 1,    // FileChanged() said so after the walk
  kLostPages = 2,  // some pages were gone and read as zeros
  kAllIntact = 4,  // every stream was read with its own bytes
  kOpenFailed = 64,
};

struct Walk {
  int streams_intact = 0;
};

// Loads every object the table lists and reads every byte of every stream,
// as the tree, Find and the space summary do between them.
void ReadEverything(pdf::Document& doc, Walk* walk) {
  for (int n = 1; n <= kObjectCount; ++n) {
    pdf::Object* object = doc.GetObject(n, 0);
    if (!object->IsStream()) {
      continue;
    }
    pdf::Token data;
    object->AsDictionary()->GetStreamData(data);
    const char expected = static_cast<char>('a' + n % 26);
    bool intact = data.length == static_cast<int32_t>(kStreamBytes);
    for (int32_t i = 0; i < data.length; ++i) {
      intact = intact && data.text[i] == expected;
    }
    walk->streams_intact += intact ? 1 : 0;
  }
}

// Opens the file, lets `change` alter it, reads it all (on a thread of its
// own when asked) and exits with the Result bits. Returns the wait status.
int RunChild(const std::string& path, const std::function<void()>& change, bool on_thread) {
  fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    SinkCapture quiet;  // the damaged objects' messages are expected
    pdf::Document doc;
    if (!doc.Open(path.c_str())) {
      _exit(kOpenFailed);
    }
    change();
    Walk walk;
    if (on_thread) {
      std::thread reader([&] { ReadEverything(doc, &walk); });
      reader.join();
    } else {
      ReadEverything(doc, &walk);
    }
    int result = 0;
    result |= doc.FileChanged() ? kChanged : 0;
    result |= doc.file.LostPages() ? kLostPages : 0;
    result |= walk.streams_intact == kObjectCount - 2 ? kAllIntact : 0;
    _exit(result);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

std::string Describe(int status) {
  if (WIFSIGNALED(status)) {
    return std::string("killed by signal ") + strsignal(WTERMSIG(status));
  }
  return "exit status " + std::to_string(WEXITSTATUS(status));
}

// The file system stamps times at the kernel's clock tick: a rewrite within
// the same tick as the open would keep the modification time.
void NextTick() {
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
}

void Truncate(const std::string& path, off_t size) {
  ASSERT_EQ(truncate(path.c_str(), size), 0);
}

void OverwriteInPlace(const std::string& path) {
  NextTick();
  const int fd = open(path.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  const std::string junk(4096, 'x');
  for (off_t at = 4096; at < 200 * 4096; at += 4096) {
    ASSERT_EQ(pwrite(fd, junk.data(), junk.size(), at), static_cast<ssize_t>(junk.size()));
  }
  close(fd);
}

TEST(FileChange, ReadingAFileChangedUnderUsNeverEndsTheProcess) {
  const std::string bytes = LargePdf();
  ASSERT_GT(bytes.size(), size_t{4} << 20);
  const off_t size = static_cast<off_t>(bytes.size());
  struct Case {
    const char* name;
    std::function<void(const std::string&)> change;
    bool on_thread;
    int expected;
  };
  const Case cases[] = {
      {"left alone", [](const std::string&) {}, false, kAllIntact},
      {"truncated to a quarter", [&](const std::string& p) { Truncate(p, size / 4); }, false,
       kChanged | kLostPages},
      {"truncated to a quarter, read on another thread",
       [&](const std::string& p) { Truncate(p, size / 4); }, true, kChanged | kLostPages},
      {"truncated to nothing", [](const std::string& p) { Truncate(p, 0); }, false,
       kChanged | kLostPages},
      {"truncated and written again shorter",
       [&](const std::string& p) {
         Truncate(p, 0);
         Truncate(p, size / 2);
       },
       false, kChanged | kLostPages},
      {"rewritten in place at the same size", OverwriteInPlace, false, kChanged},
      // The mapping still holds the old file, which reads intact, but the path
      // names another file now.
      {"replaced by a rename",
       [&](const std::string& p) {
         const std::string other = p + ".new";
         PdfBuilder("").Raw(bytes).WriteFile(other);
         ASSERT_EQ(rename(other.c_str(), p.c_str()), 0);
       },
       false, kChanged | kAllIntact},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFile file(bytes);
    const std::string path = file.path();
    const int status = RunChild(
        path, [&] { c.change(path); }, c.on_thread);
    ASSERT_TRUE(WIFEXITED(status)) << Describe(status);
    EXPECT_EQ(WEXITSTATUS(status), c.expected) << Describe(status);
  }
}

// A fault in memory that is not one of our files' mappings must still end the
// process as it would without the guard.
TEST(FileChange, OtherBusErrorsStillEndTheProcess) {
  TempFile file(std::string(3 * 4096, 'q'));
  constexpr int kSurvived = 7;
  fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    pdf::InstallMappingGuard();
    const int fd = open(file.path().c_str(), O_RDONLY);
    auto* view =
        static_cast<volatile const char*>(mmap(nullptr, 3 * 4096, PROT_READ, MAP_PRIVATE, fd, 0));
    if (ftruncate(open(file.path().c_str(), O_WRONLY), 0) != 0) {
      _exit(kSurvived + 1);
    }
    const char byte = view[2 * 4096];
    (void)byte;
    _exit(kSurvived);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == kSurvived) << Describe(status);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  // (A sanitizer's own handler reports the fault and exits instead.)
  ASSERT_TRUE(WIFSIGNALED(status)) << Describe(status);
  EXPECT_EQ(WTERMSIG(status), SIGBUS);
#endif
}

// More files open than the guard has room for: the rest are read into memory,
// which a truncation cannot take away, and all still notice the change.
TEST(FileChange, FilesBeyondTheGuardsRoomAreCopied) {
  constexpr int kMaps = 300;
  constexpr size_t kBytes = 3 * 4096;
  TempFile file(std::string(kBytes, 'q'));
  fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<std::unique_ptr<CMemMapFile>> maps;
    for (int i = 0; i < kMaps; ++i) {
      maps.push_back(std::make_unique<CMemMapFile>());
      if (maps.back()->Open(file.path().c_str()).code != 0) {
        _exit(100);
      }
    }
    if (truncate(file.path().c_str(), 100) != 0) {
      _exit(101);
    }
    int intact = 0;
    int lost = 0;
    for (const auto& map : maps) {
      size_t q = 0;
      for (int32_t i = 0; i < map->Size(); ++i) {
        q += map->Data()[i] == 'q' ? 1 : 0;
      }
      intact += q == kBytes ? 1 : 0;
      lost += map->LostPages() ? 1 : 0;
      if (!map->Changed()) {
        _exit(102);
      }
    }
    // Exit status: how many were copies, read whole; every other one must
    // have lost its pages.
    _exit(intact + lost == kMaps ? intact : 255);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << Describe(status);
  EXPECT_GE(WEXITSTATUS(status), kMaps - 256) << Describe(status);
  EXPECT_LT(WEXITSTATUS(status), kMaps - 200) << Describe(status);
}

TEST(FileChange, AnUnchangedFileIsNotReportedChanged) {
  TempFile file(MinimalPdf());
  pdf::Document doc;
  SinkCapture quiet;
  ASSERT_TRUE(doc.Open(file.path().c_str()));
  EXPECT_FALSE(doc.FileChanged());
  doc.Close();
  EXPECT_FALSE(doc.FileChanged());
}

}  // namespace
