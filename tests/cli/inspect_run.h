// Runs the built quorvel-inspect as a subprocess, for the tests of tests/cli.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "tests/support/pdf_builder.h"

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

// Runs the tool with the arguments (already shell-quoted where needed), after
// the environment settings `env` ("NAME=value ...") when given.
inline ToolRun Inspect(const std::string& args, const std::string& env = "") {
  TempFile err_file("", ".err");
  std::string command =
      (env.empty() ? "" : env + " ") + INSPECT_EXE + " " + args + " 2>" + err_file.path();
  ToolRun run{};
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
    run.out.append(buffer, n);
  }
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = ReadAll(err_file.path());
  return run;
}

inline std::string Quote(const std::string& text) {
  return "'" + text + "'";
}
