#include "pdf/object_arena.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace pdf {

namespace {

// Large enough that the blocks themselves cost nothing per object, small enough
// that a document of a few objects wastes little.
constexpr size_t kBlockSize = 64 * 1024;

}  // namespace

ObjectArena::~ObjectArena() {
  Release();
}

void* ObjectArena::Allocate(size_t size) {
  size = (size + kObjectAlignment - 1) & ~(kObjectAlignment - 1);
  if (size > kBlockSize) {
    throw std::bad_alloc();  // no object comes near a block
  }
  if (next_ == nullptr || static_cast<size_t>(limit_ - next_) < size) {
    blocks_.reserve(blocks_.size() + 1);  // may throw before anything changes
    auto* block = static_cast<char*>(malloc(kBlockSize));
    if (block == nullptr) {
      throw std::bad_alloc();
    }
    blocks_.push_back(block);
    next_ = block;
    limit_ = block + kBlockSize;
  }
  void* result = next_;
  next_ += size;
  unclaimed_ = result;
  return result;
}

const char* ObjectArena::CopyBytes(const char* bytes, int64_t size) {
  if (bytes == nullptr || size <= 0) {
    return nullptr;
  }
  const auto length = static_cast<size_t>(size);
  char* copy = nullptr;
  if (length > kBlockSize / 4) {
    // A long text gets a block of its own rather than wasting the rest of one.
    blocks_.reserve(blocks_.size() + 1);
    copy = static_cast<char*>(malloc(length));
    if (copy == nullptr) {
      throw std::bad_alloc();
    }
    blocks_.push_back(copy);
  } else {
    const void* unclaimed = unclaimed_;
    copy = static_cast<char*>(Allocate(length));
    unclaimed_ = unclaimed;  // bytes are no object to claim
  }
  memcpy(copy, bytes, length);
  return copy;
}

bool ObjectArena::Claim(const void* address) {
  const bool mine = address != nullptr && address == unclaimed_;
  if (mine) {
    unclaimed_ = nullptr;
  }
  return mine;
}

void ObjectArena::Release() {
  for (char* block : blocks_) {
    free(block);
  }
  blocks_.clear();
  next_ = limit_ = nullptr;
  unclaimed_ = nullptr;
}

}  // namespace pdf
