#include "pdf/memmap_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

CMemMapFile::~CMemMapFile() {
  Close();
}

std::string FullPath(const char* path) {
  std::string input = path != nullptr ? path : "";
  std::string joined;
  if (input.empty() || input[0] != '/') {
    std::vector<char> cwd(PATH_MAX);
    if (getcwd(cwd.data(), cwd.size()) != nullptr) {
      joined = cwd.data();
    }
    joined += '/';
  }
  joined += input;

  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= joined.size()) {
    size_t slash = joined.find('/', start);
    if (slash == std::string::npos) {
      slash = joined.size();
    }
    std::string part = joined.substr(start, slash - start);
    if (part == "..") {
      if (!parts.empty()) {
        parts.pop_back();
      }
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = slash + 1;
  }
  std::string full;
  for (const std::string& part : parts) {
    full += '/';
    full += part;
  }
  return full.empty() ? "/" : full;
}

ErrorInfo CMemMapFile::Open(const char* path) {
  Close();
  path_ = FullPath(path);

  int error = 0;
  struct stat info {};
  fd_ = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    error = errno;
  } else if (fstat(fd_, &info) != 0) {
    error = errno;
  } else if (S_ISDIR(info.st_mode)) {
    error = EISDIR;
  } else if (info.st_size > INT32_MAX) {
    // Offsets and sizes are 32-bit signed throughout; refuse rather than misread.
    error = EFBIG;
  } else {
    size_ = static_cast<int32_t>(info.st_size);
    void* view = size_ > 0
                     ? mmap(nullptr, static_cast<size_t>(size_), PROT_READ, MAP_PRIVATE, fd_, 0)
                     : MAP_FAILED;
    if (view == MAP_FAILED) {
      // An empty file cannot be mapped.
      error = size_ > 0 ? errno : EINVAL;
    } else {
      view_ = static_cast<const uint8_t*>(view);
      madvise(view, static_cast<size_t>(size_), MADV_RANDOM);
      return ErrorInfo();
    }
  }
  ErrorInfo result(kErrOpen, error, path_.c_str());
  Close();
  return result;
}

void CMemMapFile::Close() {
  if (view_ != nullptr) {
    munmap(const_cast<uint8_t*>(view_), static_cast<size_t>(size_));
    view_ = nullptr;
  }
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  size_ = 0;
  path_.clear();
}
