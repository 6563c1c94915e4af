// What colour spaces and functions read from PDF objects: numbers, names,
// the bytes of strings and streams, always bounded and never failing loudly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pdf/open_options.h"

namespace pdf {
class Object;
}  // namespace pdf

namespace color {

// The numbers of an array, at most `max` of them; false when the object is not
// an array, holds more than `max` items, or an item is not a number.
bool ReadNumbers(pdf::Object* array, size_t max, std::vector<double>* out);

// The text of a name; "" for anything else.
std::string NameOf(pdf::Object* object);

// The bytes a string object stands for: escapes of a literal string and the
// digits of a hexadecimal string decoded. False when it is no string.
bool StringBytes(pdf::Object* object, std::vector<uint8_t>* out);

// A stream's decoded data, at most `limit` bytes; false with the reason in
// `error` when nothing usable came out.
bool StreamBytes(pdf::Object* object, pdf::StreamDecoder decoder, size_t limit,
                 std::vector<uint8_t>* out, std::string* error);

}  // namespace color
