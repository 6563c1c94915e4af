// pdf::OutputFile: unbuffered writes, so that a failure shows at the write
// that caused it rather than at a close that cannot report it.
#include "pdf/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace pdf {

OutputFile::OutputFile() {
  write = WriteBytes;
  close = CloseFile;
  tell = Position;
}

OutputFile::~OutputFile() {
  CloseFile(this);
}

bool OutputFile::Open(const char* path) {
  CloseFile(this);
  fd_ = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  position_ = 0;
  return fd_ >= 0;
}

int OutputFile::WriteBytes(OutputCallbacks* self, const char* bytes, int count) {
  auto* file = static_cast<OutputFile*>(self);
  if (file->fd_ < 0) {
    errno = EBADF;
    return 0;
  }
  if (count < 0 || count > INT32_MAX - file->position_) {
    errno = EFBIG;
    return 0;
  }
  int done = 0;
  while (done < count) {
    ssize_t n = ::write(file->fd_, bytes + done, static_cast<size_t>(count - done));
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      break;
    }
    if (n == 0) {
      errno = ENOSPC;
      break;
    }
    done += static_cast<int>(n);
  }
  file->position_ += done;
  return done;
}

void OutputFile::CloseFile(OutputCallbacks* self) {
  auto* file = static_cast<OutputFile*>(self);
  if (file->fd_ >= 0) {
    ::close(file->fd_);
    file->fd_ = -1;
  }
}

int OutputFile::Position(OutputCallbacks* self) {
  return static_cast<OutputFile*>(self)->position_;
}

}  // namespace pdf
