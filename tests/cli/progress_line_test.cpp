// quorvel-inspect's progress line: its text, its terminal writes, and that
// nothing at all is written when standard error is no terminal.
#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "cli/progress_line.h"
#include "tests/support/large_pdf.h"
#include "tests/support/pdf_builder.h"

namespace {

// What was written to a temporary stream.
std::string Written(FILE* file) {
  fflush(file);
  std::string text;
  rewind(file);
  char buffer[256];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) {
    text.append(buffer, n);
  }
  return text;
}

TEST(ProgressText, BytesAndObjects) {
  EXPECT_EQ(ProgressText("Opening", 12 << 20, 48 << 20, ProgressUnit::kBytes),
            "Opening: 12.0 of 48.0 MB (25%)");
  EXPECT_EQ(ProgressText("Repairing", 48 << 20, 48 << 20, ProgressUnit::kBytes),
            "Repairing: 48.0 of 48.0 MB (100%)");
  EXPECT_EQ(ProgressText("Opening", 5 << 19, 0, ProgressUnit::kBytes), "Opening: 2.5 MB");
  EXPECT_EQ(ProgressText("Searching", 1200, 4800, ProgressUnit::kObjects),
            "Searching: 1200 of 4800 objects (25%)");
  EXPECT_EQ(ProgressText("Searching", 7, 0, ProgressUnit::kObjects), "Searching: 7 objects");
  // Out of range values are held to it.
  EXPECT_EQ(ProgressText("Searching", 9, 4, ProgressUnit::kObjects),
            "Searching: 4 of 4 objects (100%)");
  EXPECT_EQ(ProgressText("Searching", -3, 4, ProgressUnit::kObjects),
            "Searching: 0 of 4 objects (0%)");
}

TEST(ProgressLine, RewrittenInPlaceAndCleared) {
  FILE* file = tmpfile();
  ASSERT_NE(file, nullptr);
  {
    ProgressLine line(file, /*enabled=*/true, /*delay_ms=*/0, /*interval_ms=*/0);
    line.Start("Searching", ProgressUnit::kObjects);
    line.Show(100, 1000);
    line.Show(5, 10, "Opening");  // a shorter line covers the longer one
    line.Clear();
    line.Clear();  // nothing shown: nothing written
    line.Show(10, 10);
  }  // cleared at the end
  const std::string a = "Searching: 100 of 1000 objects (10%)";
  const std::string b = "Opening: 5 of 10 objects (50%)";
  const std::string c = "Opening: 10 of 10 objects (100%)";
  EXPECT_EQ(Written(file), "\r" + a + "\r" + b + std::string(a.size() - b.size(), ' ') + "\r" +
                               std::string(b.size(), ' ') + "\r" + "\r" + c + "\r" +
                               std::string(c.size(), ' ') + "\r");
  fclose(file);
}

TEST(ProgressLine, NothingWhenDisabledOrQuick) {
  FILE* file = tmpfile();
  ASSERT_NE(file, nullptr);
  {
    ProgressLine off(file, /*enabled=*/false, 0, 0);
    off.Start("Opening", ProgressUnit::kBytes);
    off.Show(1, 2);
    off.Clear();
    // Work that ends within the delay shows nothing.
    ProgressLine quick(file, /*enabled=*/true, /*delay_ms=*/60000, 0);
    quick.Start("Opening", ProgressUnit::kBytes);
    quick.Show(1, 2);
    quick.Clear();
  }
  EXPECT_EQ(Written(file), "");
  fclose(file);
}

TEST(ProgressLine, AtMostOneLinePerInterval) {
  FILE* file = tmpfile();
  ASSERT_NE(file, nullptr);
  ProgressLine line(file, /*enabled=*/true, /*delay_ms=*/0, /*interval_ms=*/60000);
  line.Start("Searching", ProgressUnit::kObjects);
  for (int i = 1; i <= 100; ++i) {
    line.Show(i, 100);
  }
  EXPECT_EQ(Written(file), "\rSearching: 1 of 100 objects (1%)");
  line.Clear();
  fclose(file);
}

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;  // what reached standard error
};

// Runs the tool with standard output to a file and standard error to a
// pipe, or to a terminal (a pseudo-terminal) when `terminal`.
ToolRun RunInspect(const std::vector<std::string>& args, bool terminal) {
  ToolRun run;
  TempFile out_file("", ".out");
  int master = -1;
  int err_write = -1;
  int err_read = -1;
  if (terminal) {
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
      return run;
    }
    err_write = slave;
    err_read = master;
  } else {
    int fds[2];
    if (pipe(fds) != 0) {
      return run;
    }
    err_read = fds[0];
    err_write = fds[1];
  }
  const pid_t pid = fork();
  if (pid == 0) {
    const int out = open(out_file.path().c_str(), O_WRONLY | O_TRUNC);
    dup2(out, STDOUT_FILENO);
    dup2(err_write, STDERR_FILENO);
    close(err_read);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(INSPECT_EXE));
    for (const std::string& arg : args) {
      argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    execv(INSPECT_EXE, argv.data());
    _exit(127);
  }
  close(err_write);
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(err_read, buffer, sizeof buffer);
    if (n <= 0) {
      break;  // the end, or EIO once the terminal's last writer is gone
    }
    run.err.append(buffer, static_cast<size_t>(n));
  }
  close(err_read);
  int status = 0;
  waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = ReadAll(out_file.path());
  return run;
}

// What a terminal shows at the end: "\r" goes back to the line's start and
// what follows writes over it, "\n" starts the next line; blanks at the end
// of each line are nothing to see.
std::string Screen(const std::string& text) {
  std::vector<std::string> lines(1);
  size_t column = 0;
  for (char c : text) {
    if (c == '\r') {
      column = 0;
    } else if (c == '\n') {
      lines.emplace_back();
      column = 0;
    } else {
      std::string& line = lines.back();
      if (line.size() <= column) {
        line.resize(column + 1, ' ');
      }
      line[column++] = c;
    }
  }
  std::string shown;
  for (size_t i = 0; i < lines.size(); ++i) {
    const size_t end = lines[i].find_last_not_of(' ');
    shown += end == std::string::npos ? "" : lines[i].substr(0, end + 1);
    if (i + 1 < lines.size()) {
      shown += '\n';
    }
  }
  return shown;
}

class InspectProgress : public ::testing::Test {
 protected:
  // About 24 MB that modern mode repairs: long enough for a line or two.
  static void SetUpTestSuite() { large_ = new TempFile(LargeDamagedPdf(24000, 1000)); }
  static void TearDownTestSuite() {
    delete large_;
    large_ = nullptr;
  }
  static TempFile* large_;
};
TempFile* InspectProgress::large_ = nullptr;

TEST_F(InspectProgress, NothingExtraWhenStandardErrorIsNoTerminal) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--modern", "--refs", "1", large_->path()},
        std::vector<std::string>{"--modern", "--find", "Catalog", large_->path()},
        std::vector<std::string>{"--modern", "--orphans", large_->path()},
        std::vector<std::string>{large_->path()}}) {
    const ToolRun run = RunInspect(args, /*terminal=*/false);
    const std::string what = args.size() >= 2 ? args[args.size() - 2] : "classic";
    EXPECT_EQ(run.err.find('\r'), std::string::npos) << what;
    if (args.size() > 1) {
      EXPECT_EQ(run.status, 0) << what << run.err;
      EXPECT_EQ(run.err, "") << what;
      EXPECT_NE(run.out.find("rebuilt by scanning the file"), std::string::npos) << what;
    } else {
      // Classic mode refuses it with its written lines and the hint.
      EXPECT_EQ(run.status, 1);
      EXPECT_NE(run.err.find("hint: the file opens with --modern\n"), std::string::npos) << run.err;
    }
  }
}

TEST_F(InspectProgress, OnATerminalTheLineIsClearedAndTheOutputTheSame) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--modern", "--refs", "1", large_->path()},
        std::vector<std::string>{"--modern", "--find", "Catalog", large_->path()},
        std::vector<std::string>{large_->path()}}) {
    const ToolRun piped = RunInspect(args, /*terminal=*/false);
    const ToolRun shown = RunInspect(args, /*terminal=*/true);
    const std::string what = args.size() >= 2 ? args[args.size() - 2] : "classic";
    EXPECT_EQ(shown.status, piped.status) << what;
    EXPECT_EQ(shown.out, piped.out) << what;
    EXPECT_EQ(Screen(shown.err), Screen(piped.err)) << what;
  }
}

}  // namespace
