// Our objects in the form qpdf's JSON (version 2) gives them, and a comparison
// of the two, so that both readers can be checked value for value.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace pdf {
class Document;
class Object;
}  // namespace pdf

// Names "/Name" (escapes decoded), references "N G R", numbers as numbers,
// strings {"bytes": hex} (compared against qpdf's "u:" and "b:" forms), arrays
// and dictionaries as JSON arrays and objects; a stream {"stream": {"dict": ...}}.
nlohmann::json ObjectJson(pdf::Object* object);

// Empty when equal; else where they first differ and how.
std::string JsonMismatch(const nlohmann::json& ours, const nlohmann::json& theirs,
                         const std::string& path = "");

// qpdf's JSON of a whole file (objects and trailer), from `qpdf --json=2`.
nlohmann::json QpdfJson(const std::string& path);

// Runs a command; false when it could not start or exited non-zero.
bool RunCommand(const std::string& command);

// The bytes of a whole file, and writing them.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
