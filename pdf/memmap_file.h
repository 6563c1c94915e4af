// The whole input file as one read-only block of bytes. Tokens and stream data
// point into it, so it must stay mapped while any object of the file lives.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

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

  // Whether the file is no longer what was opened: pages of the mapping were
  // lost (they read as zeros, see mapping_guard.h), the file has another size
  // or modification time, or the path now names another file. A few system
  // calls; false when nothing is open.
  bool Changed() const;
  // Whether a read met pages that the file no longer has.
  bool LostPages() const;

 private:
  std::string path_;
  int fd_ = -1;
  int32_t size_ = 0;
  const uint8_t* view_ = nullptr;
  int guard_slot_ = -1;
  // Read instead of mapped when no guard is free: a copy cannot be lost.
  std::vector<uint8_t> copy_;
  // What the file was when opened.
  dev_t device_ = 0;
  ino_t inode_ = 0;
  timespec modified_{};
};

// The path made absolute against the working directory, with "." and ".."
// resolved lexically, so a path that does not exist still gets a full path.
std::string FullPath(const char* path);
