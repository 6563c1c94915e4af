// Writes the picture of an image stream as a PNG file, after the same format
// conversion that drawing it in the viewer makes.
#pragma once

#include <string>

namespace pdf {
class Object;
}  // namespace pdf

bool WriteImagePng(pdf::Object* image_stream, const char* path, std::string* error);
