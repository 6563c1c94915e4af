#include "app/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kErrCreate = 4;
constexpr int kErrWrite = 8;

// The mode a new file gets: read and write as the umask allows.
mode_t NewFileMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

}  // namespace

ErrorInfo WriteFileReplacing(const std::string& target, const uint8_t* data, size_t size) {
  std::string pattern = target + ".XXXXXX";
  std::vector<char> temp(pattern.begin(), pattern.end());
  temp.push_back('\0');
  int fd = mkstemp(temp.data());
  if (fd < 0) {
    return ErrorInfo(kErrCreate, errno, target.c_str());
  }
  struct stat existing;
  mode_t mode = stat(target.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : NewFileMode();
  fchmod(fd, mode);
  bool ok = WriteAll(fd, data, size) && fsync(fd) == 0;
  int error = errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && rename(temp.data(), target.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlink(temp.data());
    return ErrorInfo(kErrWrite, error, target.c_str());
  }
  return ErrorInfo();
}

bool IsSameFile(const std::string& a, const std::string& b) {
  struct stat sa;
  struct stat sb;
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}
