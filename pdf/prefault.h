// Faulting in the pages of a large range in one call before it is read or
// written: on a virtual machine each page fault is a trap that costs more than
// the work on the page, and a section or stream of megabytes takes thousands.
// Only a hint: where the kernel does not know it, pages come one fault at a
// time as before.
#pragma once

#include <cstddef>

namespace pdf {

// Ranges smaller than this are left to fault in as they are touched.
inline constexpr size_t kPrefaultMinimum = size_t{1} << 20;

// The pages of a range about to be written (anonymous memory).
void PrefaultWrite(void* first, size_t bytes);
// The pages of a range about to be read (the mapped file).
void PrefaultRead(const void* first, size_t bytes);

}  // namespace pdf
