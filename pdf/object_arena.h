// Storage for the objects that the parser makes from a file. A large file
// yields millions of small objects that all live until the document's next
// reset; taking them one after another from big blocks spares each the
// allocator's header and rounding (16 to 24 bytes on a 64- to 120-byte object),
// and the reset returns the blocks all at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pdf {

// Objects hold pointers, 32-bit numbers and doubles, nothing aligned wider
// (object.h checks each class).
inline constexpr size_t kObjectAlignment = 8;

class ObjectArena {
 public:
  ObjectArena() = default;
  ~ObjectArena();
  ObjectArena(const ObjectArena&) = delete;
  ObjectArena& operator=(const ObjectArena&) = delete;

  // `size` bytes aligned to kObjectAlignment; throws std::bad_alloc as new does.
  void* Allocate(size_t size);
  // True when `address` is what Allocate returned last and nobody claimed it
  // yet: the object constructed there learns that it lives in the arena.
  bool Claim(const void* address);
  // A copy of `size` bytes that lives as long as the arena's objects; for the
  // texts of objects whose source bytes go away. Null for no bytes.
  const char* CopyBytes(const char* bytes, int64_t size);
  // Frees every block. The objects in them must have been destroyed.
  void Release();

 private:
  std::vector<char*> blocks_;
  char* next_ = nullptr;
  char* limit_ = nullptr;
  const void* unclaimed_ = nullptr;
};

}  // namespace pdf
