// Keeps reads of a mapped file from killing the process when the file shrinks
// under us. Another program may truncate or rewrite the file we have mapped;
// touching a page past its new end raises SIGBUS. Tokens, stream data and the
// filters read the mapping through plain pointers all over the code, so
// checking every read is not practical: instead one process-wide SIGBUS
// handler maps zero pages over the lost pages of a guarded mapping and marks
// it, and the read that faulted runs again and sees zeros. Faults anywhere
// else go on to the handler that was there before (or the default action).
#pragma once

#include <cstddef>

namespace pdf {

// Installs the handler once; later calls do nothing. Safe from any thread.
void InstallMappingGuard();

// Guards the mapping [first, first + bytes); the handler is installed first.
// Returns the slot to pass to the calls below, or -1 when every slot is taken
// (the caller must then not rely on the guard).
int GuardMapping(const void* first, size_t bytes);
// Stops guarding; call before the range is unmapped.
void UnguardMapping(int slot);
// True once a read of the guarded mapping met pages the file no longer has.
bool MappingLostPages(int slot);

}  // namespace pdf
