#include "analysis/object_versions.h"

#include <algorithm>

#include "describe/description.h"
#include "diag/format.h"
#include "filters/filter_chain.h"
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

// A version's decoded stream data, or why there are none.
struct StreamData {
  bool stream = false;
  bool decoded = false;
  std::vector<uint8_t> bytes;
  std::string error;
};

StreamData DecodedData(pdf::Object* object) {
  StreamData data;
  if (object == nullptr || !object->IsStream()) {
    return data;
  }
  data.stream = true;
  data.decoded =
      DecodeStreamFully(object->AsDictionary(), kMaxComparedStream, &data.bytes, &data.error);
  return data;
}

// Text when no NUL and few other control bytes stand in it: a content
// stream's inline image or binary string leaves it text, an image or a
// font does not.
bool TextLike(const std::vector<uint8_t>& bytes) {
  size_t control = 0;
  for (uint8_t byte : bytes) {
    if (byte == 0) {
      return false;
    }
    if ((byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f') ||
        byte == 0x7f) {
      ++control;
    }
  }
  return control * 20 <= bytes.size();
}

// The data as lines for LineDiff: every end of line (CR LF, CR, LF) a
// newline, other control bytes as \xNN, bytes above ASCII taken as Latin-1
// so the text stays UTF-8.
std::string AsLines(const std::vector<uint8_t>& bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    const uint8_t byte = bytes[i];
    if (byte == '\r') {
      text += '\n';
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') {
        ++i;
      }
    } else if (byte == '\n' || byte == '\t' || (byte >= 0x20 && byte < 0x7f)) {
      text += static_cast<char>(byte);
    } else if (byte >= 0x80) {
      text += static_cast<char>(0xc0 | (byte >> 6));
      text += static_cast<char>(0x80 | (byte & 0x3f));
    } else {
      text += FormatText("\\x%02x", byte);
    }
  }
  return text;
}

std::string StreamDiff(pdf::Object* before, pdf::Object* after, int previous, int index) {
  const StreamData old_data = DecodedData(before);
  const StreamData new_data = DecodedData(after);
  if (!old_data.stream && !new_data.stream) {
    return "";
  }
  std::string text = "\nDecoded stream data:\n";
  const std::pair<int, const StreamData*> versions[] = {{previous, &old_data}, {index, &new_data}};
  for (const auto& [revision, data] : versions) {
    if (!data->stream) {
      text += FormatText("(revision %d's version is not a stream)\n", revision);
    } else if (!data->decoded) {
      // Too large, or damaged: nothing to set against the other version.
      return text + FormatText("not compared: revision %d's data cannot be decoded: %s\n", revision,
                               data->error.c_str());
    }
  }
  const std::vector<uint8_t>& a = old_data.bytes;
  const std::vector<uint8_t>& b = new_data.bytes;
  if (!TextLike(a) || !TextLike(b)) {
    if (a == b) {
      return text + FormatText("binary data, %zu bytes, identical\n", a.size());
    }
    return text + FormatText("binary data, %zu bytes against %zu, differ\n", a.size(), b.size());
  }
  return text + LineDiff(AsLines(a), AsLines(b));
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

std::string CompareWithPreviousText(pdf::Document& doc, const std::vector<Revision>& revisions,
                                    int index, int32_t number) {
  const int previous = PreviousVersion(revisions, index, number);
  if (number <= 0 || index <= 0 || previous == 0) {
    return "";
  }
  pdf::Object* before = ObjectAsOf(doc, revisions, previous, number);
  pdf::Object* after = ObjectAsOf(doc, revisions, index, number);
  const std::string old_text = before != nullptr ? DescribeWithPicture(before, nullptr) : "";
  const std::string new_text = after != nullptr ? DescribeWithPicture(after, nullptr) : "";
  return FormatText("Object %d: revision %d against revision %d\n\n", number, index, previous) +
         LineDiff(old_text, new_text) + StreamDiff(before, after, previous, index);
}
