// pdf::OutputMemory: appends to a string; running out of memory or past the
// 32-bit offsets of the format is a short write with errno set.
#include "pdf/output_memory.h"

#include <cerrno>
#include <cstdint>
#include <new>

namespace pdf {

OutputMemory::OutputMemory() {
  write = Append;
  close = Finish;
  tell = Size;
}

int OutputMemory::Append(OutputCallbacks* self, const char* bytes, int count) {
  auto* memory = static_cast<OutputMemory*>(self);
  if (memory->closed_) {
    errno = EBADF;
    return 0;
  }
  if (count < 0 || static_cast<size_t>(count) > INT32_MAX - memory->bytes_.size()) {
    errno = EFBIG;
    return 0;
  }
  try {
    memory->bytes_.append(bytes, static_cast<size_t>(count));
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    return 0;
  }
  return count;
}

void OutputMemory::Finish(OutputCallbacks* self) {
  static_cast<OutputMemory*>(self)->closed_ = true;
}

int OutputMemory::Size(OutputCallbacks* self) {
  return static_cast<int>(static_cast<OutputMemory*>(self)->bytes_.size());
}

}  // namespace pdf
