// Who refers to whom: every object the file holds now is parsed once (those
// in object streams too) and the references its values hold are recorded, so
// that the objects referring to one, and the objects nothing reachable from
// the trailer refers to (orphans), are answered at once. Building can take a
// while on a large file: it reports progress and can be cancelled.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace pdf {
class Document;
class Object;
}  // namespace pdf

// The references an index records at most: each costs 16 bytes while the
// index is built, and a file of a few hundred megabytes can hold a hundred
// million of them. Past the bound the index is partial (Complete() is false).
inline constexpr int64_t kMaxIndexedReferences = 64'000'000;

class ReferenceIndex {
 public:
  // Told how many objects of how many are done; false cancels the build.
  using Progress = std::function<bool(int64_t done, int64_t total)>;

  // False when cancelled (the index is then empty).
  bool Build(pdf::Document& doc, const Progress& progress = {},
             int64_t max_references = kMaxIndexedReferences);
  // False when the build stopped at its bound on references: the referrers
  // found are true but may not be all, and no orphans are listed, since an
  // object may be reached through a reference left out.
  bool Complete() const { return complete_; }

  // The objects whose values refer to `number`, in number order; the trailer
  // counts as object 0.
  std::vector<int32_t> ReferrersOf(int32_t number) const;
  // The objects nothing reachable from the trailer refers to, in number
  // order. Cross-reference streams, object streams and a linearization
  // dictionary are the file's structure, not orphans.
  std::vector<int32_t> Orphans() const { return orphans_; }
  int64_t Objects() const { return static_cast<int64_t>(numbers_.size()); }
  int64_t References() const { return static_cast<int64_t>(edges_.size()); }

 private:
  std::vector<int32_t> numbers_;                    // the objects, in number order
  std::vector<std::pair<int32_t, int32_t>> edges_;  // (target, referrer), sorted
  std::vector<int32_t> orphans_;
  bool complete_ = true;
};

// Where in `referrer` the references to `number` stand, as paths below it
// ("Pages/Kids/[0]"); at most `limit` of them.
std::vector<std::string> ReferencePaths(pdf::Object* referrer, int32_t number, size_t limit = 100);

// What quorvel-inspect --orphans prints: one line per orphan with its kind.
std::string OrphansText(pdf::Document& doc, const ReferenceIndex& index);
