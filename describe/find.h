// Find: text or a regular expression over the keys and values of every object
// and, when asked, the decoded contents of every stream. Qt-free, so that the
// viewer runs it in a thread over a document of its own and quorvel-inspect
// runs it directly.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "describe/object_list.h"

namespace pdf {
class Document;
}  // namespace pdf

struct FindQuery {
  std::string text;
  bool regex = false;  // ECMAScript syntax
  bool match_case = false;
  bool in_streams = false;  // also the decoded contents of streams
};

struct FindHit {
  int32_t number = 0;
  int32_t generation = 0;
  std::string path;   // within the object: "Kids/[0]/Type"; "" for the object itself
  std::string where;  // "key", "value" or "contents"
  std::string text;   // the matched text in its context, one line
};

// A compiled query; `error` says why a regular expression does not compile.
class FindMatcher {
 public:
  FindMatcher() = default;
  FindMatcher(const FindMatcher&) = delete;  // one per search, shared by reference
  FindMatcher& operator=(const FindMatcher&) = delete;

  bool Compile(const FindQuery& query, std::string* error);
  // The offset of the first match in `text` from `from`, or npos; its length in
  // `length`.
  size_t Find(std::string_view text, size_t from, size_t* length) const;
  const FindQuery& Query() const { return query_; }

 private:
  // Any-case plain text: Horspool's search over lowered bytes, its shifts in
  // a table by byte, so that the scan costs little more than the decoding.
  size_t FindFolded(std::string_view text, size_t from) const;

  FindQuery query_;
  std::string needle_;
  std::string folded_;              // the needle lowered, for any case; else empty
  std::array<uint16_t, 256> skip_;  // Horspool's shift per lowered byte (capped)
  std::optional<std::regex> regex_;
};

// Stream contents are searched up to this many decoded bytes each: a
// decompression bomb must not take the search with it.
inline constexpr size_t kFindStreamBound = size_t{64} << 20;

// Searches the objects in order, calling `on_hit` for each match (several per
// object) and `progress` after each object with the count done. Stops early
// when `cancel` becomes true. Returns the number of hits.
int64_t FindInObjects(pdf::Document& doc, const std::vector<ListedObject>& objects,
                      const FindMatcher& matcher, const std::function<void(const FindHit&)>& on_hit,
                      const std::function<void(size_t done)>& progress,
                      const std::atomic<bool>* cancel);
