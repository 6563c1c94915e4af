// Which objects take the space of a file: each object's size in the file
// (from its offset to whatever comes next; for an object in an object stream
// its share of that stream, by its part of the decoded data), and the totals
// by kind: its Type and Subtype, streams by what they hold (images, font
// files, page contents, other).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pdf {
class Document;
}  // namespace pdf

struct ObjectSpace {
  int32_t number = 0;
  int32_t generation = 0;
  int64_t offset = 0;  // in the file; for a compressed object its stream's
  int64_t bytes = 0;
  bool compressed = false;
  std::string kind;  // "Page", "Font Type1", "image stream", ...
};

struct KindSpace {
  std::string kind;
  int64_t objects = 0;
  int64_t bytes = 0;
};

struct FileSpace {
  int64_t file_bytes = 0;
  std::vector<ObjectSpace> objects;  // in number order
  std::vector<KindSpace> kinds;      // most bytes first
  int64_t sections_bytes = 0;        // cross-reference sections and trailers
  int64_t other_bytes = 0;           // header, and bytes before the first object
};

FileSpace MeasureSpace(pdf::Document& doc);

// What quorvel-inspect --stats prints: one line per kind, then the totals.
std::string SpaceText(const FileSpace& space);
