#include "describe/find.h"

#include <algorithm>

#include "filters/filter_chain.h"
#include "pdf/document.h"
#include "pdf/object.h"

namespace {

// Objects nest no deeper than the parser allows; the walk stops earlier, as
// nothing a user searches for lies this deep.
constexpr int kMaxFindDepth = 64;
// A regular expression runs over text in pieces of at most this many bytes:
// the standard library's matcher recurses per character and would exhaust
// the stack on megabytes.
constexpr size_t kRegexPiece = 4096;
// Characters of context each side of a match in a stream's contents.
constexpr size_t kContext = 32;
// Hits reported per stream at most: a search for "0" in a content stream
// would otherwise list every number.
constexpr int kMaxHitsPerStream = 100;

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// One line of context around a match, non-printable bytes as dots.
std::string Context(std::string_view text, size_t at, size_t length) {
  const size_t first = at > kContext ? at - kContext : 0;
  const size_t last = std::min(text.size(), at + length + kContext);
  std::string line(text.substr(first, last - first));
  for (char& c : line) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
      c = c == '\n' || c == '\r' || c == '\t' ? ' ' : '.';
    }
  }
  return line;
}

class Walk {
 public:
  Walk(const FindMatcher& matcher, const std::function<void(const FindHit&)>& on_hit)
      : matcher_(matcher), on_hit_(on_hit) {}

  int64_t hits = 0;

  void Object(pdf::Object* object, int32_t number, int32_t generation) {
    number_ = number;
    generation_ = generation;
    Value(object, "", 0);
    if (matcher_.Query().in_streams && object->IsStream()) {
      Contents(object->AsDictionary());
    }
  }

 private:
  void Report(const std::string& path, const char* where, std::string text) {
    ++hits;
    on_hit_(FindHit{number_, generation_, path, where, std::move(text)});
  }

  bool Matches(std::string_view text) const {
    size_t length = 0;
    return matcher_.Find(text, 0, &length) != std::string_view::npos;
  }

  // `value` as stored: a reference is matched by its "N G R" and not followed,
  // since the object it names is searched on its own.
  void Value(pdf::Object* value, const std::string& path, int depth) {
    if (value == nullptr || depth > kMaxFindDepth) {
      return;
    }
    if (auto* reference = dynamic_cast<pdf::Reference*>(value)) {
      std::string text =
          std::to_string(reference->number) + " " + std::to_string(reference->generation) + " R";
      if (Matches(text)) {
        Report(path, "value", text);
      }
      return;
    }
    if (pdf::Dictionary* dict = value->AsDictionary()) {
      for (int i = 0; i < dict->Count(); ++i) {
        const std::string key = dict->Key(i);
        const std::string child = path.empty() ? key : path + "/" + key;
        if (Matches("/" + key)) {
          Report(child, "key", "/" + key);
        }
        Value(dict->Value(i), child, depth + 1);
      }
      return;
    }
    if (pdf::Array* array = value->AsArray()) {
      for (int i = 0; i < array->Count(); ++i) {
        const std::string index = "[" + std::to_string(i) + "]";
        Value(array->Value(i), path.empty() ? index : path + "/" + index, depth + 1);
      }
      return;
    }
    std::string text = value->IsName() ? std::string("/") + value->Text() : value->Text();
    if (value->IsString()) {
      text = "(" + text + ")";
    }
    if (Matches(text)) {
      Report(path, "value", text);
    }
  }

  void Contents(pdf::Dictionary* stream) {
    std::vector<uint8_t> decoded;
    std::string error;
    if (!DecodeStreamFully(stream, kFindStreamBound, &decoded, &error) && decoded.empty()) {
      return;
    }
    const std::string_view text(reinterpret_cast<const char*>(decoded.data()), decoded.size());
    size_t from = 0;
    for (int found = 0; found < kMaxHitsPerStream && from < text.size(); ++found) {
      size_t length = 0;
      const size_t at = matcher_.Find(text, from, &length);
      if (at == std::string_view::npos) {
        break;
      }
      Report("", "contents", Context(text, at, length));
      from = at + std::max<size_t>(length, 1);
    }
  }

  const FindMatcher& matcher_;
  const std::function<void(const FindHit&)>& on_hit_;
  int32_t number_ = 0;
  int32_t generation_ = 0;
};

}  // namespace

bool FindMatcher::Compile(const FindQuery& query, std::string* error) {
  query_ = query;
  needle_ = query.text;
  folded_.clear();
  regex_.reset();
  if (needle_.empty()) {
    *error = "nothing to find";
    return false;
  }
  if (query.regex) {
    auto flags = std::regex::ECMAScript | std::regex::optimize;
    if (!query.match_case) {
      flags |= std::regex::icase;
    }
    try {
      regex_.emplace(needle_, flags);
    } catch (const std::regex_error& e) {
      *error = std::string("the regular expression does not compile: ") + e.what();
      return false;
    }
    return true;
  }
  if (!query.match_case) {
    folded_ = needle_;
    for (char& c : folded_) {
      c = Lower(c);
    }
    // A needle longer than the table's shifts shifts by at most their cap,
    // which only costs speed.
    const size_t last = folded_.size() - 1;
    const size_t cap = std::min<size_t>(folded_.size(), UINT16_MAX);
    skip_.fill(static_cast<uint16_t>(cap));
    for (size_t i = last >= cap ? last - cap + 1 : 0; i < last; ++i) {
      skip_[static_cast<unsigned char>(folded_[i])] = static_cast<uint16_t>(last - i);
    }
  }
  return true;
}

size_t FindMatcher::Find(std::string_view text, size_t from, size_t* length) const {
  if (from > text.size()) {
    return std::string_view::npos;
  }
  if (regex_) {
    // Piece by piece, each piece overlapping the next by the length a match
    // may reach in it, so that no match that fits a piece is lost.
    for (size_t start = from; start < text.size() || start == from; start += kRegexPiece / 2) {
      const size_t end = std::min(text.size(), start + kRegexPiece);
      std::cmatch match;
      if (std::regex_search(text.data() + start, text.data() + end, match, *regex_)) {
        *length = static_cast<size_t>(match.length(0));
        return start + static_cast<size_t>(match.position(0));
      }
      if (end == text.size()) {
        break;
      }
    }
    return std::string_view::npos;
  }
  *length = needle_.size();
  if (folded_.empty()) {
    return text.find(needle_, from);
  }
  return FindFolded(text, from);
}

size_t FindMatcher::FindFolded(std::string_view text, size_t from) const {
  const size_t n = folded_.size();
  if (text.size() < n || from > text.size() - n) {
    return std::string_view::npos;
  }
  const size_t last = n - 1;
  const char tail = folded_[last];
  for (size_t at = from; at <= text.size() - n;) {
    const char c = Lower(text[at + last]);
    if (c == tail) {
      size_t i = 0;
      while (i < last && Lower(text[at + i]) == folded_[i]) {
        ++i;
      }
      if (i == last) {
        return at;
      }
    }
    // Upper-case letters shift as their lower-case forms.
    at += skip_[static_cast<unsigned char>(c)];
  }
  return std::string_view::npos;
}

int64_t FindInObjects(pdf::Document& doc, const std::vector<ListedObject>& objects,
                      const FindMatcher& matcher, const std::function<void(const FindHit&)>& on_hit,
                      const std::function<void(size_t done)>& progress,
                      const std::atomic<bool>* cancel) {
  Walk walk(matcher, on_hit);
  size_t done = 0;
  for (const ListedObject& id : objects) {
    if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
      break;
    }
    pdf::Object* object = doc.GetObject(id.number, id.generation);
    if (object != nullptr && !object->IsNull()) {
      walk.Object(object, id.number, id.generation);
    }
    ++done;
    if (progress) {
      progress(done);
    }
  }
  return walk.hits;
}
