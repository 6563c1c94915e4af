#include "analysis/object_versions.h"

#include <algorithm>

#include "pdf/document.h"
#include "pdf/object.h"
#include "pdf/xref_table.h"

namespace {

const pdf::XRefEntry* EntryIn(const Revision& revision, int32_t number) {
  const pdf::XRefTable* tables[] = {revision.section, revision.section->hybrid};
  for (const pdf::XRefTable* table : tables) {
    if (table == nullptr || table->entries == nullptr) {
      continue;
    }
    const int64_t at = int64_t{number} - table->first;
    if (at >= 0 && at < table->count && table->entries[at].type != 0 &&
        table->entries[at].type != 'f') {
      return &table->entries[at];
    }
  }
  return nullptr;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) {
      break;
    }
    start = end + 1;
  }
  return lines;
}

}  // namespace

pdf::Object* ObjectAsOf(pdf::Document& doc, const std::vector<Revision>& revisions, int index,
                        int32_t number) {
  if (index < 1 || static_cast<size_t>(index) > revisions.size()) {
    return nullptr;
  }
  const pdf::XRefEntry* entry = EntryIn(revisions[static_cast<size_t>(index) - 1], number);
  if (entry == nullptr) {
    return nullptr;
  }
  if (entry->type == 'c') {
    return doc.GetObject(number, 0);
  }
  const std::string_view file = doc.FileBytes();
  if (entry->offset <= 0 || static_cast<size_t>(entry->offset) >= file.size()) {
    return nullptr;
  }
  // The version the file holds now is the document's own object.
  pdf::Object* current = doc.GetObject(number, entry->generation);
  if (current != nullptr && current->number == number && current->offset == entry->offset) {
    return current;
  }
  pdf::Object* object = doc.ParseIndirectObject(entry->offset);
  return object != nullptr && object->number == number ? object : nullptr;
}

int PreviousVersion(const std::vector<Revision>& revisions, int index, int32_t number) {
  for (int earlier = std::min<int>(index, static_cast<int>(revisions.size())) - 1; earlier >= 1;
       --earlier) {
    if (EntryIn(revisions[static_cast<size_t>(earlier) - 1], number) != nullptr) {
      return earlier;
    }
  }
  return 0;
}

std::string LineDiff(const std::string& before, const std::string& after) {
  const std::vector<std::string> a = Lines(before);
  const std::vector<std::string> b = Lines(after);
  std::string text;
  if (a.size() > kMaxDiffLines || b.size() > kMaxDiffLines) {
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
      if (i < a.size() && i < b.size() && a[i] == b[i]) {
        text += "  " + a[i] + "\n";
        continue;
      }
      if (i < a.size()) {
        text += "- " + a[i] + "\n";
      }
      if (i < b.size()) {
        text += "+ " + b[i] + "\n";
      }
    }
    return text;
  }
  // The longest common subsequence of lines, then a walk along it.
  std::vector<std::vector<uint16_t>> common(a.size() + 1, std::vector<uint16_t>(b.size() + 1));
  for (size_t i = a.size(); i-- > 0;) {
    for (size_t j = b.size(); j-- > 0;) {
      common[i][j] = a[i] == b[j] ? static_cast<uint16_t>(common[i + 1][j + 1] + 1)
                                  : std::max(common[i + 1][j], common[i][j + 1]);
    }
  }
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() || j < b.size()) {
    if (i < a.size() && j < b.size() && a[i] == b[j]) {
      text += "  " + a[i++] + "\n";
      ++j;
    } else if (i < a.size() && (j == b.size() || common[i + 1][j] >= common[i][j + 1])) {
      text += "- " + a[i++] + "\n";
    } else {
      text += "+ " + b[j++] + "\n";
    }
  }
  return text;
}
