// The cross-reference sections as declared against what the file holds:
// each in-use entry's offset starts "N G obj" with its own number (or misses
// it by a few bytes), Size covers the numbers used, the free list is a chain
// from object 0, no number is defined twice in one section, and every object
// a scan of the file finds is listed by some section.
#pragma once

#include <string>
#include <vector>

namespace pdf {
class Document;
}  // namespace pdf

// One finding per line ("Section at offset 1234: ..."); none for a sound file.
std::vector<std::string> CheckCrossReferences(pdf::Document& doc);
