#include "tests/support/command_output.h"

#include <cstdio>

bool CaptureCommand(const std::string& command, std::string* out) {
  out->clear();
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) {
    return false;
  }
  char buffer[4096];
  size_t got = 0;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
    out->append(buffer, got);
  }
  return pclose(pipe) == 0;
}
