#include "dib/dib_trace.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "dib/dib.h"

namespace {

int64_t g_now_ms = 0;
int64_t FakeClock() {
  return g_now_ms;
}

// A private directory with a path for the pipe; the channel is pointed at it
// with a clock the test moves by hand.
class TraceChannel : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = ::testing::TempDir() + "dibtraceXXXXXX";
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    dir_ = templ;
    path_ = dir_ + "/pipe";
    g_now_ms = 100000;
    DibTraceConfigure(path_.c_str(), FakeClock);
  }
  void TearDown() override {
    DibTraceConfigure(nullptr, nullptr);
    if (reader_ >= 0) {
      close(reader_);
    }
    unlink(path_.c_str());
    rmdir(dir_.c_str());
  }
  void MakePipeWithReader() {
    ASSERT_EQ(mkfifo(path_.c_str(), 0600), 0);
    reader_ = open(path_.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader_, 0);
  }
  std::string ReadAll() {
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = read(reader_, buf, sizeof(buf))) > 0) {
      out.append(buf, static_cast<size_t>(n));
    }
    return out;
  }

  std::string dir_;
  std::string path_;
  int reader_ = -1;
};

TEST_F(TraceChannel, DefaultPathIsInRuntimeDirectory) {
  DibTraceConfigure(nullptr, nullptr);
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string path = DibTracePipePath();
  if (runtime != nullptr && runtime[0] != '\0') {
    EXPECT_EQ(path, std::string(runtime) + "/quorvel-dib-trace");
  } else {
    EXPECT_EQ(path, "/tmp/quorvel-dib-trace-" + std::to_string(geteuid()));
  }
}

TEST_F(TraceChannel, NothingWrittenWhileAbsentAndRetryEveryTwoSeconds) {
  DIB_Free(nullptr);  // tries the pipe: absent
  EXPECT_FALSE(DibTraceConnected());
  MakePipeWithReader();
  g_now_ms += 1999;
  DibTrace("too early\n");
  EXPECT_FALSE(DibTraceConnected());
  g_now_ms += 1;
  DibTrace("first line\n");
  EXPECT_TRUE(DibTraceConnected());
  DibTraceFlush();
  // Only what was traced after the pipe opened arrives.
  EXPECT_EQ(ReadAll(), "first line\n");
}

TEST_F(TraceChannel, BuffersUntilFlushOrFull) {
  MakePipeWithReader();
  DibTrace("one %d\n", 1);
  DibTrace("two\n");
  EXPECT_EQ(ReadAll(), "");
  DibTraceFlush();
  EXPECT_EQ(ReadAll(), "one 1\ntwo\n");

  const std::string chunk(600, 'a');
  DibTrace("%s", chunk.c_str());
  EXPECT_EQ(ReadAll(), "");
  DibTrace("%s", std::string(600, 'b').c_str());  // does not fit: the first goes out
  EXPECT_EQ(ReadAll(), chunk);
  DibTraceFlush();
  EXPECT_EQ(ReadAll(), std::string(600, 'b'));

  DibTrace("%s", std::string(5000, 'c').c_str());
  DibTraceFlush();
  EXPECT_EQ(ReadAll(), std::string(1023, 'c'));
}

TEST_F(TraceChannel, UpperLayerTraces) {
  MakePipeWithReader();
  DIB_Free(nullptr);
  EXPECT_EQ(ReadAll(), "DIB_Free(00000000) ** NULL HANDLE ");
  HDIB h = DIB_Create(kDibRgb, 24, 4, 4);
  EXPECT_EQ(ReadAll(), "DIB_Create(2, 24, 4, 4)\n");
  HDIB gray = DIB_ScaleToGray(h, 2);
  const std::string scaled = ReadAll();
  EXPECT_EQ(scaled.rfind("DIB_ScaleToGray: [", 0), 0u) << scaled;
  EXPECT_EQ(scaled.substr(scaled.size() - 4), "ms]\n") << scaled;
  DibFree(gray);
  char expect[64];
  std::snprintf(expect, sizeof(expect), "DIB_Free(%08x) ",
                static_cast<unsigned>(reinterpret_cast<uintptr_t>(h)));
  DIB_Free(h);
  EXPECT_EQ(ReadAll(), expect);
  DibFree(DIB_Allocate(15, 1, 1));
  EXPECT_EQ(ReadAll(), "DIB_Allocate(15, 1, 1) (using depth=16)\n");
  DibFree(DIB_Allocate(13, 1, 1));
  EXPECT_EQ(ReadAll(), "DIB_Allocate(13, 1, 1) (odd depth, but OK...)\n");
}

TEST_F(TraceChannel, ReaderGoneDoesNotKillTheProcess) {
  MakePipeWithReader();
  DibTrace("hello\n");
  EXPECT_TRUE(DibTraceConnected());
  close(reader_);
  reader_ = -1;
  DibTrace("into the void\n");
  DibTraceFlush();  // EPIPE, and SIGPIPE is taken back instead of delivered
  EXPECT_FALSE(DibTraceConnected());
  sigset_t pending;
  sigemptyset(&pending);
  sigpending(&pending);
  EXPECT_EQ(sigismember(&pending, SIGPIPE), 0);
}

TEST_F(TraceChannel, PipeWithoutReaderIsAbsent) {
  ASSERT_EQ(mkfifo(path_.c_str(), 0600), 0);
  DibTrace("nobody listens\n");
  EXPECT_FALSE(DibTraceConnected());
}

TEST_F(TraceChannel, RegularFileIsNeverWritten) {
  const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  ASSERT_GE(fd, 0);
  close(fd);
  DibTrace("not for a file\n");
  DibTraceFlush();
  EXPECT_FALSE(DibTraceConnected());
  struct stat st {};
  ASSERT_EQ(stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 0);
}

}  // namespace
