#include "pdf/memmap_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

#include "pdf/mapping_guard.h"

namespace {

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The whole file into `copy`; false with errno set on a failed read.
bool ReadWhole(int fd, std::vector<uint8_t>* copy) {
  size_t done = 0;
  while (done < copy->size()) {
    ssize_t got = pread(fd, copy->data() + done, copy->size() - done, static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      if (got == 0) {
        errno = EIO;  // shorter than fstat said: it changed while we read it
      }
      return false;
    }
    done += static_cast<size_t>(got);
  }
  return true;
}

}  // namespace

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
    device_ = info.st_dev;
    inode_ = info.st_ino;
    modified_ = info.st_mtim;
    void* view = size_ > 0
                     ? mmap(nullptr, static_cast<size_t>(size_), PROT_READ, MAP_PRIVATE, fd_, 0)
                     : MAP_FAILED;
    if (view == MAP_FAILED) {
      // An empty file cannot be mapped.
      error = size_ > 0 ? errno : EINVAL;
    } else {
      guard_slot_ = pdf::GuardMapping(view, static_cast<size_t>(size_));
      if (guard_slot_ >= 0) {
        view_ = static_cast<const uint8_t*>(view);
        madvise(view, static_cast<size_t>(size_), MADV_RANDOM);
        return ErrorInfo();
      }
      // Unguarded, a shrinking file would kill the process: read it instead.
      munmap(view, static_cast<size_t>(size_));
      copy_.resize(static_cast<size_t>(size_));
      if (ReadWhole(fd_, &copy_)) {
        view_ = copy_.data();
        return ErrorInfo();
      }
      error = errno;
      copy_.clear();
    }
  }
  ErrorInfo result(kErrOpen, error, path_.c_str());
  Close();
  return result;
}

void CMemMapFile::Close() {
  if (view_ != nullptr && copy_.empty()) {
    pdf::UnguardMapping(guard_slot_);
    munmap(const_cast<uint8_t*>(view_), static_cast<size_t>(size_));
  }
  view_ = nullptr;
  guard_slot_ = -1;
  copy_.clear();
  copy_.shrink_to_fit();
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  size_ = 0;
  path_.clear();
}

bool CMemMapFile::LostPages() const {
  return pdf::MappingLostPages(guard_slot_);
}

bool CMemMapFile::Changed() const {
  if (fd_ < 0) {
    return false;
  }
  if (LostPages()) {
    return true;
  }
  // The open descriptor shows changes in place; the path shows a file put in
  // its place (saved by rename), which leaves our mapping intact but stale.
  struct stat now {};
  if (fstat(fd_, &now) != 0 || now.st_size != size_ || !SameTime(now.st_mtim, modified_)) {
    return true;
  }
  return stat(path_.c_str(), &now) != 0 || now.st_dev != device_ || now.st_ino != inode_;
}
