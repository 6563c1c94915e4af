#include "pdf/mapping_guard.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>

namespace pdf {

namespace {

// The handler may run on any thread at any moment, so the registry is a fixed
// array of lock-free atomics: no allocation, no lock. A slot is live while
// `first` is not zero; `taken` only reserves it.
struct Slot {
  std::atomic<bool> taken{false};
  std::atomic<uintptr_t> first{0};
  std::atomic<uintptr_t> last{0};  // page-rounded end
  std::atomic<bool> lost{false};
};
static_assert(std::atomic<uintptr_t>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);

// Far more than the documents open at once (the viewer's, its workers', the
// command line's).
constexpr int kSlotCount = 256;
Slot g_slots[kSlotCount];

struct sigaction g_previous {};
std::once_flag g_install_once;
uintptr_t g_page_size = 4096;

// Back to what would have happened without us.
void Chain(int signal, siginfo_t* info, void* context) {
  if ((g_previous.sa_flags & SA_SIGINFO) != 0 && g_previous.sa_sigaction != nullptr) {
    g_previous.sa_sigaction(signal, info, context);
    return;
  }
  if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN &&
      g_previous.sa_handler != nullptr) {
    g_previous.sa_handler(signal);
    return;
  }
  // The default action: a real fault happens again when the read is retried
  // and now ends the process; a signal sent by someone is delivered again.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal, &fallback, nullptr);
  if (info == nullptr || info->si_code <= 0) {
    raise(signal);
  }
}

void OnBusError(int signal, siginfo_t* info, void* context) {
  const int saved_errno = errno;
  // si_code > 0: raised by the kernel for an access, so si_addr is meaningful.
  if (info != nullptr && info->si_code > 0) {
    const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    for (Slot& slot : g_slots) {
      const uintptr_t first = slot.first.load(std::memory_order_acquire);
      const uintptr_t last = slot.last.load(std::memory_order_acquire);
      if (first == 0 || address < first || address >= last) {
        continue;
      }
      // Everything from the faulting page to the end reads as zeros from now
      // on: the file is no longer what was opened, and one fault is enough.
      // The raw system call: mmap is not on the async-signal-safe list, but
      // on Linux it is one system call, and this way no interposed mmap (a
      // sanitizer's) runs inside the handler.
      const uintptr_t low = address & ~(g_page_size - 1);
      const long mapped = syscall(SYS_mmap, low, last - low, PROT_READ,
                                  MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
      if (mapped != -1) {
        slot.lost.store(true, std::memory_order_release);
        errno = saved_errno;
        return;
      }
      break;
    }
  }
  errno = saved_errno;
  Chain(signal, info, context);
}

}  // namespace

void InstallMappingGuard() {
  std::call_once(g_install_once, [] {
    const long page = sysconf(_SC_PAGESIZE);
    if (page > 0) {
      g_page_size = static_cast<uintptr_t>(page);
    }
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &g_previous);
  });
}

int GuardMapping(const void* first, size_t bytes) {
  if (first == nullptr || bytes == 0) {
    return -1;
  }
  InstallMappingGuard();
  const auto low = reinterpret_cast<uintptr_t>(first);
  const uintptr_t high = (low + bytes + g_page_size - 1) & ~(g_page_size - 1);
  for (int i = 0; i < kSlotCount; ++i) {
    bool expected = false;
    if (g_slots[i].taken.compare_exchange_strong(expected, true, std::memory_order_acq_rel)) {
      g_slots[i].lost.store(false, std::memory_order_relaxed);
      g_slots[i].last.store(high, std::memory_order_release);
      g_slots[i].first.store(low, std::memory_order_release);
      return i;
    }
  }
  return -1;
}

void UnguardMapping(int slot) {
  if (slot < 0 || slot >= kSlotCount) {
    return;
  }
  g_slots[slot].first.store(0, std::memory_order_release);
  g_slots[slot].last.store(0, std::memory_order_release);
  g_slots[slot].taken.store(false, std::memory_order_release);
}

bool MappingLostPages(int slot) {
  return slot >= 0 && slot < kSlotCount && g_slots[slot].lost.load(std::memory_order_acquire);
}

}  // namespace pdf
