#include "analysis/declared_section.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "pdf/bounds.h"
#include "pdf/chars.h"
#include "pdf/document.h"
#include "pdf/object.h"
#include "pdf/open_options.h"
#include "pdf/xref_table.h"

namespace {

using pdf::IsDigit;

// Reads a run of at most `most` digits at `p`; false when there is none.
bool ReadNumber(std::string_view text, size_t* p, size_t most, int64_t* value) {
  const size_t start = *p;
  *value = 0;
  while (*p < text.size() && IsDigit(text[*p]) && *p - start < most) {
    *value = *value * 10 + (text[(*p)++] - '0');
  }
  return *p > start;
}

void SkipBlanks(std::string_view text, size_t* p) {
  while (*p < text.size() && (text[*p] == ' ' || text[*p] == '\t')) {
    ++*p;
  }
}

void SkipSpace(std::string_view text, size_t* p) {
  while (*p < text.size() &&
         (text[*p] == ' ' || text[*p] == '\t' || text[*p] == '\r' || text[*p] == '\n')) {
    ++*p;
  }
}

std::vector<DeclaredEntry> ClassicEntries(const pdf::XRefTable& table) {
  std::vector<DeclaredEntry> entries;
  if (table.text_start == nullptr || table.text_length <= 0) {
    return entries;
  }
  const std::string_view text(table.text_start, static_cast<size_t>(table.text_length));
  size_t p = text.find("xref");
  if (p == std::string_view::npos) {
    return entries;
  }
  p += 4;
  for (;;) {
    SkipSpace(text, &p);
    int64_t first = 0;
    int64_t count = 0;
    if (!ReadNumber(text, &p, 10, &first)) {
      break;  // "trailer" or the end
    }
    SkipBlanks(text, &p);
    if (!ReadNumber(text, &p, 10, &count) || count > pdf::kMaxObjectNumber) {
      break;
    }
    for (int64_t i = 0; i < count; ++i) {
      SkipSpace(text, &p);
      int64_t field2 = 0;
      int64_t field3 = 0;
      if (!ReadNumber(text, &p, 10, &field2)) {
        return entries;
      }
      SkipBlanks(text, &p);
      if (!ReadNumber(text, &p, 5, &field3)) {
        return entries;
      }
      SkipBlanks(text, &p);
      if (p >= text.size() || (text[p] != 'n' && text[p] != 'f')) {
        return entries;
      }
      entries.push_back({first + i, field2, field3, text[p++]});
    }
  }
  return entries;
}

std::vector<DeclaredEntry> StreamEntries(pdf::Document& doc, const pdf::XRefTable& table) {
  std::vector<DeclaredEntry> entries;
  pdf::Dictionary* stream = table.stream;
  pdf::StreamDecoder decoder = doc.Options().decoder;
  if (stream == nullptr || decoder == nullptr) {
    return entries;
  }
  pdf::Object* widths = stream->Get("W");
  int w[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    w[i] = widths->IsArray() && widths->Count() >= 3 ? static_cast<int>(widths->Item(i)->IntValue())
                                                     : -1;
    if (w[i] < 0 || w[i] > 8) {
      return entries;
    }
  }
  const int size = w[0] + w[1] + w[2];
  std::vector<std::pair<int64_t, int64_t>> ranges;
  pdf::Object* index = stream->Get("Index");
  if (index->IsArray()) {
    for (int i = 0; i + 1 < index->Count(); i += 2) {
      ranges.emplace_back(index->Item(i)->IntValue(), index->Item(i + 1)->IntValue());
    }
  } else {
    ranges.emplace_back(0, stream->Get("Size")->IntValue());
  }
  std::vector<uint8_t> bytes;
  std::string error;
  if (size == 0 || !decoder(stream, pdf::kMaxXRefStreamBytes, &bytes, &error)) {
    return entries;
  }
  auto field = [&](size_t at, int width, int64_t fallback) {
    if (width == 0) {
      return fallback;
    }
    int64_t value = 0;
    for (int i = 0; i < width; ++i) {
      value = (value << 8) | bytes[at + static_cast<size_t>(i)];
    }
    return value;
  };
  size_t at = 0;
  for (const auto& [first, count] : ranges) {
    for (int64_t i = 0; i < count && at + static_cast<size_t>(size) <= bytes.size();
         ++i, at += static_cast<size_t>(size)) {
      const int64_t type = field(at, w[0], 1);
      const char letter = type == 0 ? 'f' : type == 1 ? 'n' : type == 2 ? 'c' : 0;
      if (letter != 0) {
        entries.push_back({first + i, field(at + static_cast<size_t>(w[0]), w[1], 0),
                           field(at + static_cast<size_t>(w[0] + w[1]), w[2], 0), letter});
      }
    }
  }
  return entries;
}

}  // namespace

std::vector<DeclaredEntry> DeclaredEntries(pdf::Document& doc, const pdf::XRefTable& table) {
  switch (table.kind) {
    case pdf::XRefKind::kClassic:
      return ClassicEntries(table);
    case pdf::XRefKind::kStream:
      return StreamEntries(doc, table);
    case pdf::XRefKind::kRebuilt:
      break;
  }
  return {};
}
