// The bytes a string object stands for, whether the file wrote it as a literal
// string with escapes or as hexadecimal digits.
#pragma once

#include <cstdint>
#include <vector>

namespace pdf {

class Object;

// Escapes of a literal string and the digits of a hexadecimal string decoded;
// false when the object is no string.
bool StringBytes(Object* object, std::vector<uint8_t>* out);

}  // namespace pdf
