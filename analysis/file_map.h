// The whole file as ranges of bytes, each with what owns it: the header, an
// object (the newest version of its number, or an earlier one an update
// replaced), a cross-reference section, a trailer, bytes between them that
// nothing owns, and bytes after the last %%EOF. The ranges follow each other
// from byte 0 to the end; white space after an owned range is that range's.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace pdf {
class Document;
}  // namespace pdf

struct FileSpace;

enum class MapPart : uint8_t {
  kHeader,
  kObject,         // the object the file holds now under its number
  kEarlierObject,  // a version an update replaced, or one no section lists now
  kSection,        // a cross-reference table, or a cross-reference stream
  kTrailer,        // trailer dictionary, startxref and %%EOF
  kUnowned,        // between owned ranges, and not white space
  kAfterEnd,       // after the last %%EOF
};

struct MapRange {
  int64_t from = 0;
  int64_t to = 0;  // one past the last byte
  int32_t number = 0;
  int32_t generation = 0;
  MapPart part = MapPart::kUnowned;
  uint16_t kind = 0;  // index into FileMap::kinds
};

struct FileMap {
  int64_t file_bytes = 0;
  std::vector<std::string> kinds;  // [0] is ""
  std::vector<MapRange> ranges;    // in file order, covering the file

  // The range holding the byte, or null outside the file.
  const MapRange* At(int64_t offset) const;
  // The range of the object the file holds now under the number; for an
  // object in an object stream, the stream's (and `container` says which).
  const MapRange* OfObject(int32_t number, int32_t* container = nullptr) const;
  // The range of the section that starts at the offset, or null.
  const MapRange* OfSection(int64_t offset) const;

  // Number -> index in `ranges`, for the current objects, by number.
  std::vector<std::pair<int32_t, uint32_t>> by_number;
  // Compressed number -> its object stream's number, by number.
  std::vector<std::pair<int32_t, int32_t>> compressed;
};

// Maps the file. The objects' kinds are those the space measure found.
FileMap MapFile(pdf::Document& doc, const FileSpace& space);

// "header", "object", "earlier object", ...
const char* MapPartName(MapPart part);

// One line for a range: "object 12 0, Font Type1" or "unowned".
std::string DescribeRange(const FileMap& map, const MapRange& range);

// What quorvel-inspect --map prints: one line per range with its offsets.
std::string FileMapText(const FileMap& map);
