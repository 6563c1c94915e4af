// Loaded into quorvel-inspect by a test (LD_PRELOAD): the program's printf,
// once it has printed QUORVEL_TRUNCATE_AFTER lines, cuts the file named by
// QUORVEL_TRUNCATE_FILE to QUORVEL_TRUNCATE_SIZE bytes, as another program
// would while the tool is still reading the file.
#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<long> g_printed{0};

long Setting(const char* name) {
  const char* value = getenv(name);
  return value != nullptr ? atol(value) : -1;
}

}  // namespace

extern "C" int printf(const char* format, ...) {
  using VPrintf = int (*)(const char*, va_list);
  static auto real = reinterpret_cast<VPrintf>(dlsym(RTLD_NEXT, "vprintf"));
  const char* file = getenv("QUORVEL_TRUNCATE_FILE");
  if (file != nullptr && ++g_printed == Setting("QUORVEL_TRUNCATE_AFTER")) {
    fflush(stdout);
    if (truncate(file, static_cast<off_t>(Setting("QUORVEL_TRUNCATE_SIZE"))) != 0) {
      perror("truncate");
    }
  }
  va_list args;
  va_start(args, format);
  const int written = real(format, args);
  va_end(args);
  return written;
}
