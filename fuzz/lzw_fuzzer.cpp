// The LZW decoder: the first two bytes give the output capacity (up to 64 KiB),
// the rest is the data. The output buffer is exactly that large, so any write
// beyond the capacity is caught.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "filters/lzw_decoder.h"
#include "fuzz/fuzz_sinks.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  DiscardAllMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > INT32_MAX) {
    return 0;
  }
  const int capacity = data[0] << 8 | data[1];
  std::unique_ptr<uint8_t[]> out(new uint8_t[static_cast<size_t>(capacity)]);
  LzwDecoder decoder;
  const int written = decoder.Decode(data + 2, static_cast<int>(size - 2), out.get(), capacity);
  if (written < 0 || written > capacity) {
    abort();
  }
  return 0;
}
