// The movable-memory handle layer: each handle is one heap block that carries its
// size and lock count in front of the bytes it hands out.
#include <cstdlib>
#include <new>

#include "dib/dib.h"

struct alignas(16) DibBlock {
  size_t size;
  int locks;
  uint32_t magic;
};

namespace {

// Marks a live block, so that a stale or foreign handle is refused rather than used.
constexpr uint32_t kLiveMagic = 0x42494451;  // "QDIB"

unsigned char* Payload(DibBlock* block) {
  return reinterpret_cast<unsigned char*>(block + 1);
}

bool Live(const DibBlock* block) {
  return block != nullptr && block->magic == kLiveMagic;
}

}  // namespace

HDIB DibHandleAlloc(size_t bytes) {
  if (bytes > SIZE_MAX - sizeof(DibBlock)) {
    return nullptr;
  }
  void* memory = std::malloc(sizeof(DibBlock) + bytes);
  if (memory == nullptr) {
    return nullptr;
  }
  return new (memory) DibBlock{bytes, 0, kLiveMagic};
}

void* DibLock(HDIB handle) {
  if (!Live(handle)) {
    return nullptr;
  }
  ++handle->locks;
  return Payload(handle);
}

bool DibUnlock(HDIB handle) {
  if (!Live(handle) || handle->locks <= 0) {
    return false;
  }
  --handle->locks;
  return true;
}

bool DibHandleFree(HDIB handle) {
  if (!Live(handle)) {
    return false;
  }
  handle->magic = 0;
  handle->~DibBlock();
  std::free(handle);
  return true;
}

size_t DibHandleSize(HDIB handle) {
  return Live(handle) ? handle->size : 0;
}

int DibLockCount(HDIB handle) {
  return Live(handle) ? handle->locks : 0;
}
