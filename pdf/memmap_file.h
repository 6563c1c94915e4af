// The whole input file as one read-only block of bytes. Tokens and stream data
// point into it, so it must stay mapped while any object of the file lives.
#pragma once

#include <cstdint>
#include <string>

#include "diag/error_info.h"

class CMemMapFile {
 public:
  CMemMapFile() = default;
  virtual ~CMemMapFile();
  CMemMapFile(const CMemMapFile&) = delete;
  CMemMapFile& operator=(const CMemMapFile&) = delete;

  // Code 0, or code 5 with the system error number and the full path.
  ErrorInfo Open(const char* path);
  void Close();

  const uint8_t* Data() const { return view_; }
  int32_t Size() const { return size_; }
  bool IsOpen() const { return fd_ >= 0; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
  int32_t size_ = 0;
  const uint8_t* view_ = nullptr;
};

// The path made absolute against the working directory, with "." and ".."
// resolved lexically, so a path that does not exist still gets a full path.
std::string FullPath(const char* path);
