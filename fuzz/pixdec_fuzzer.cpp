// PIXDEC_DibFromBuffer on arbitrary bytes; a picture is read as drawing reads it.
#include <cstddef>
#include <cstdint>

#include "dib/dib.h"
#include "fuzz/fuzz_sinks.h"
#include "jpeg/pixdec.h"
#include "tests/malformed/document_walk.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  DiscardAllMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > INT32_MAX) {
    return 0;
  }
  HDIB dib = PIXDEC_DibFromBuffer(data, static_cast<int>(size));
  ShowBitmap(dib);
  DibFree(dib);
  return 0;
}
