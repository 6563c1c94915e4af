// An output that collects the bytes in a growing memory buffer, for tests and
// for callers that want the text rather than a file.
#pragma once

#include <string>

#include "pdf/output.h"

namespace pdf {

class OutputMemory : public OutputCallbacks {
 public:
  OutputMemory();
  OutputMemory(const OutputMemory&) = delete;
  OutputMemory& operator=(const OutputMemory&) = delete;

  const std::string& Bytes() const { return bytes_; }
  bool IsClosed() const { return closed_; }

 private:
  static int Append(OutputCallbacks* self, const char* bytes, int count);
  static void Finish(OutputCallbacks* self);
  static int Size(OutputCallbacks* self);

  std::string bytes_;
  bool closed_ = false;
};

}  // namespace pdf
