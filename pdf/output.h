// The byte sink that a document writes itself to. Whoever attaches an output
// supplies the callbacks (pdf/output_file.h and pdf/output_memory.h are two).
// Failures are sticky: the first one is kept as text and every later write is
// a no-op, so a caller looks at `error` once at the end.
#pragma once

#include <cstdint>

namespace pdf {

// Each callback receives the record itself, so that an implementation can embed
// it in a larger structure of its own.
struct OutputCallbacks {
  // Returns the number of bytes written; anything but `count` is a failure, and
  // errno then says why.
  int (*write)(OutputCallbacks* self, const char* bytes, int count);
  void (*close)(OutputCallbacks* self);
  // The current byte position of the output.
  int (*tell)(OutputCallbacks* self);
};

class Output {
 public:
  // One formatted piece of text is built in a buffer of this size; a piece that
  // needs all of it or more is refused as an overflow.
  static constexpr int kPrintfBufferSize = 2048;

  Output() = default;
  // `error` may point into this object.
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // Attaches the callbacks and starts afresh: nothing counted, no error.
  void Attach(OutputCallbacks* attached);

  void Write(const char* bytes, int size);
  void Write(const char* text);
  // Locale-independent; a piece of 2048 characters or more is not written and
  // sets the error "printf buffer overflow!".
  void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // A PDF literal string: "(", the bytes with a backslash before each of
  // ( ) LF TAB \ NUL, then ")".
  void WriteLiteral(const char* bytes, int size);
  // The callbacks' tell, or 0 while no output is attached.
  int Tell();
  // Records `text` as the error unless one is recorded already.
  void SetError(const char* text);
  // Calls the callbacks' close and detaches them.
  void Close();

  OutputCallbacks* callbacks = nullptr;  // null: no output attached
  int32_t count = 0;                     // bytes written successfully
  const char* error = nullptr;           // first failure; sticky
  int32_t nesting = 0;                   // arrays being written inline right now

 private:
  // The system's error texts live in a buffer that the next call may reuse,
  // so the first failure keeps a copy of its own.
  static constexpr int kErrorTextSize = 256;
  void SetSystemError(int error_number);

  char error_text_[kErrorTextSize] = {};
};

}  // namespace pdf
