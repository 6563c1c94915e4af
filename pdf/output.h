// The byte sink that a document writes itself to. Whoever attaches an output
// supplies the callbacks; the writing operations themselves come with the writer.
#pragma once

#include <cstdint>

namespace pdf {

// Each callback receives the record itself, so that an implementation can embed
// it in a larger structure of its own.
struct OutputCallbacks {
  // Returns the number of bytes written; anything but `count` is a failure.
  int (*write)(OutputCallbacks* self, const char* bytes, int count);
  void (*close)(OutputCallbacks* self);
  // The current byte position of the output.
  int (*tell)(OutputCallbacks* self);
};

class Output {
 public:
  // Calls the callbacks' close and detaches them.
  void Close();

  OutputCallbacks* callbacks = nullptr;  // null: no output attached
  int32_t count = 0;                     // bytes written successfully
  const char* error = nullptr;           // first failure; sticky
};

}  // namespace pdf
