// An object's bytes as they stand in the file, from "N G obj" to "endobj",
// for the Raw view: where the header line starts and how far the object goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pdf {
class Object;
}  // namespace pdf

struct ObjectBytes {
  int64_t offset = 0;          // of "N G obj" in the file
  const char* data = nullptr;  // into the document's mapping
  size_t size = 0;             // through "endobj", or to where the object stops
  bool ended = false;          // "endobj" was found
};

// The bytes of an indirect object read from the file; false (with the reason
// in `why`) for direct objects, compressed ones and objects made by the
// program.
bool FindObjectBytes(pdf::Object* object, ObjectBytes* out, std::string* why);
