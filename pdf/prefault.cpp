#include "pdf/prefault.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace pdf {

namespace {

void Advise(const void* first, size_t bytes, int advice) {
  if (first == nullptr || bytes < kPrefaultMinimum) {
    return;
  }
  const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto start = reinterpret_cast<uintptr_t>(first);
  // Whole pages inside the range only: the advice must not reach memory that
  // belongs to something else.
  const uintptr_t low =
      advice == MADV_POPULATE_WRITE ? (start + page - 1) & ~(page - 1) : start & ~(page - 1);
  const uintptr_t high = advice == MADV_POPULATE_WRITE ? (start + bytes) & ~(page - 1)
                                                       : (start + bytes + page - 1) & ~(page - 1);
  if (high > low) {
    madvise(reinterpret_cast<void*>(low), high - low, advice);
  }
}

}  // namespace

void PrefaultWrite(void* first, size_t bytes) {
  Advise(first, bytes, MADV_POPULATE_WRITE);
}

void PrefaultRead(const void* first, size_t bytes) {
  Advise(first, bytes, MADV_POPULATE_READ);
}

}  // namespace pdf
