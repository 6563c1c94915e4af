// An output that writes straight into a file. Attach it to a pdf::Output with
// Attach(&file); closing the output closes the file.
#pragma once

#include "pdf/output.h"

namespace pdf {

class OutputFile : public OutputCallbacks {
 public:
  OutputFile();
  // Closes the file if the output did not.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates or truncates the file. False with errno set when it cannot.
  bool Open(const char* path);
  bool IsOpen() const { return fd_ >= 0; }

 private:
  static int WriteBytes(OutputCallbacks* self, const char* bytes, int count);
  static void CloseFile(OutputCallbacks* self);
  static int Position(OutputCallbacks* self);

  int fd_ = -1;
  // Offsets are 32-bit; bytes beyond that could not be addressed anyway.
  int position_ = 0;
};

}  // namespace pdf
