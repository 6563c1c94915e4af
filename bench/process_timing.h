// Whole processes timed from spawn to exit, with their peak resident set from
// wait4, the output thrown away. Each round runs every tool once, so that the
// shared machine's noise hits all of them alike.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace bench {

struct Tool {
  Tool(std::string name_in, std::vector<std::string> argv_in)
      : name(std::move(name_in)), argv(std::move(argv_in)) {}
  std::string name;
  std::vector<std::string> argv;
  std::vector<double> seconds;
  std::vector<double> peak_kb;
  bool ok = true;

  void Forget() {
    seconds.clear();
    peak_kb.clear();
  }
};

// Runs argv with its output thrown away; false when it cannot start or fails.
inline bool RunOnce(const std::vector<std::string>& args, double* seconds, double* peak_kb) {
  std::vector<char*> argv;
  for (const std::string& arg : args) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const auto start = std::chrono::steady_clock::now();
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    return false;
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) {
    return false;
  }
  *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  *peak_kb = static_cast<double>(usage.ru_maxrss);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// One run of the tool, kept; a tool that failed once is not run again.
inline void Round(Tool& tool) {
  double seconds = 0;
  double peak = 0;
  if (tool.ok && RunOnce(tool.argv, &seconds, &peak)) {
    tool.seconds.push_back(seconds);
    tool.peak_kb.push_back(peak);
  } else {
    tool.ok = false;
  }
}

}  // namespace bench
