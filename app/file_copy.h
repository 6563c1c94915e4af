// Writing a copy of the open file for Save As. Qt-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "diag/error_info.h"

// Writes the bytes to `target` through a temporary file in the same folder that
// is renamed into place, so a failure never leaves the target half written or
// empty. Code 0, code 4 when the file cannot be created, code 8 when writing fails.
ErrorInfo WriteFileReplacing(const std::string& target, const uint8_t* data, size_t size);

// True when both paths name the same existing file (links included).
bool IsSameFile(const std::string& a, const std::string& b);
