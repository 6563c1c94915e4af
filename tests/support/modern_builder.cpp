#include "tests/support/modern_builder.h"

#include <algorithm>

#include "tests/support/zlib_encoder.h"

size_t ModernBuilder::ObjectStream(int number,
                                   const std::vector<std::pair<int, std::string>>& objects,
                                   const std::string& entries, const std::string* header) {
  std::string pairs;
  std::string bodies;
  for (const auto& [object, body] : objects) {
    pairs += std::to_string(object) + " " + std::to_string(bodies.size()) + " ";
    bodies += body + "\n";
  }
  if (header != nullptr) {
    pairs = *header;
  }
  pairs += "\n";
  const std::string data = Deflate(pairs + bodies);
  return b_.Stream(number,
                   "/Type /ObjStm /N " + std::to_string(objects.size()) + " /First " +
                       std::to_string(pairs.size()) + " /Filter /FlateDecode " + entries,
                   data);
}

XRefRow ModernBuilder::InUse(int number) const {
  return {number, 1, static_cast<long>(b_.OffsetOf(number)), 0};
}

size_t ModernBuilder::XRefStream(int number, const std::vector<XRefRow>& rows,
                                 const std::string& entries, const std::vector<int>& w,
                                 const std::string& index, bool predictor, long prev) {
  // The stream lists itself at the offset it is about to get.
  const size_t offset = b_.Size();
  std::vector<XRefRow> all = rows;
  all.push_back({number, 1, static_cast<long>(offset), 0});
  std::sort(all.begin(), all.end(),
            [](const XRefRow& a, const XRefRow& b) { return a.number < b.number; });
  int width = 0;
  for (int field : w)
    width += field;
  std::string raw;
  std::string previous(static_cast<size_t>(width), '\0');
  std::string ranges;
  int range_start = -1;
  int range_count = 0;
  for (const XRefRow& row : all) {
    std::string fields;
    const long values[3] = {row.type, row.field2, row.field3};
    for (int f = 0; f < 3 && f < static_cast<int>(w.size()); ++f) {
      for (int byte = w[f] - 1; byte >= 0; --byte) {
        fields += static_cast<char>(
            byte >= 8 ? 0 : (static_cast<unsigned long>(values[f]) >> (8 * byte)) & 0xFF);
      }
    }
    if (predictor) {
      raw += '\2';  // PNG Up: each byte less the one above it
      for (int i = 0; i < width; ++i) {
        raw += static_cast<char>(fields[static_cast<size_t>(i)] - previous[static_cast<size_t>(i)]);
      }
      previous = fields;
    } else {
      raw += fields;
    }
    if (range_start >= 0 && row.number == range_start + range_count) {
      ++range_count;
    } else {
      if (range_start >= 0)
        ranges += std::to_string(range_start) + " " + std::to_string(range_count) + " ";
      range_start = row.number;
      range_count = 1;
    }
  }
  ranges += std::to_string(range_start) + " " + std::to_string(range_count);
  std::string widths;
  for (int field : w)
    widths += std::to_string(field) + " ";
  std::string dictionary = "/Type /XRef /W [" + widths + "] /Index [" +
                           (index.empty() ? ranges : index) + "] /Filter /FlateDecode ";
  if (predictor) {
    dictionary += "/DecodeParms << /Predictor 12 /Columns " + std::to_string(width) + " >> ";
  }
  if (prev >= 0) {
    dictionary += "/Prev " + std::to_string(prev) + " ";
  }
  b_.Stream(number, dictionary + entries, Deflate(raw));
  b_.Raw("startxref\n" + std::to_string(offset) + "\n%%EOF\n");
  return offset;
}
