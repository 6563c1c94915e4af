#include "analysis/reference_index.h"

#include <algorithm>

#include "analysis/newest_entries.h"
#include "diag/format.h"
#include "pdf/bounds.h"
#include "pdf/document.h"
#include "pdf/object.h"
#include "pdf/xref_table.h"

namespace {

// Progress is told every this many objects.
constexpr int64_t kProgressStep = 4096;

pdf::Reference* AsReference(pdf::Object* object) {
  return dynamic_cast<pdf::Reference*>(object);
}

// The numbers the stored values of `object` refer to, at any depth of its
// direct values (a reference itself is not followed).
void CollectTargets(pdf::Object* object, int depth, std::vector<int32_t>* targets) {
  if (object == nullptr || depth > pdf::kMaxNesting) {
    return;
  }
  if (pdf::Reference* reference = AsReference(object); reference != nullptr) {
    targets->push_back(reference->number);
    return;
  }
  if (pdf::Dictionary* dict = object->AsDictionary(); dict != nullptr) {
    for (int i = 0; i < dict->Count(); ++i) {
      CollectTargets(dict->Value(i), depth + 1, targets);
    }
  } else if (pdf::Array* array = object->AsArray(); array != nullptr) {
    for (int i = 0; i < array->Count(); ++i) {
      CollectTargets(array->Value(i), depth + 1, targets);
    }
  }
}

bool Structural(pdf::Object* object) {
  if (object->AsDictionary() == nullptr) {
    return false;  // streams included
  }
  pdf::Object* type = object->Get("Type");
  return type->IsName("XRef") || type->IsName("ObjStm") || !object->Get("Linearized")->IsNull();
}

void PathsTo(pdf::Object* object, int32_t number, const std::string& path, int depth, size_t limit,
             std::vector<std::string>* paths) {
  if (object == nullptr || depth > pdf::kMaxNesting || paths->size() >= limit) {
    return;
  }
  if (pdf::Reference* reference = AsReference(object); reference != nullptr) {
    if (reference->number == number) {
      paths->push_back(path);
    }
    return;
  }
  const std::string prefix = path.empty() ? path : path + "/";
  if (pdf::Dictionary* dict = object->AsDictionary(); dict != nullptr) {
    for (int i = 0; i < dict->Count(); ++i) {
      PathsTo(dict->Value(i), number, prefix + dict->Key(i), depth + 1, limit, paths);
    }
  } else if (pdf::Array* array = object->AsArray(); array != nullptr) {
    for (int i = 0; i < array->Count(); ++i) {
      PathsTo(array->Value(i), number, prefix + "[" + std::to_string(i) + "]", depth + 1, limit,
              paths);
    }
  }
}

}  // namespace

bool ReferenceIndex::Build(pdf::Document& doc, const Progress& progress, int64_t max_references) {
  numbers_.clear();
  edges_.clear();
  orphans_.clear();
  complete_ = true;
  const std::vector<NewestEntry> entries = NewestEntries(doc);
  const auto total = static_cast<int64_t>(entries.size());
  std::vector<bool> structural(entries.size());
  std::vector<int32_t> targets;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (progress && i % kProgressStep == 0 && !progress(static_cast<int64_t>(i), total)) {
      numbers_.clear();
      edges_.clear();
      return false;
    }
    const NewestEntry& listed = entries[i];
    pdf::Object* object =
        doc.GetObject(listed.number, listed.entry.type == 'c' ? 0 : listed.entry.generation);
    numbers_.push_back(listed.number);
    structural[i] = Structural(object);
    targets.clear();
    CollectTargets(object, 0, &targets);
    if (static_cast<int64_t>(edges_.size() + targets.size()) > max_references) {
      complete_ = false;  // the objects are still listed: they exist
      continue;
    }
    for (int32_t target : targets) {
      edges_.emplace_back(target, listed.number);
    }
  }
  // The trailer's references are object 0's.
  if (doc.xref != nullptr && doc.xref->trailer != nullptr) {
    targets.clear();
    CollectTargets(doc.xref->trailer, 0, &targets);
    for (int32_t target : targets) {
      edges_.emplace_back(target, 0);
    }
  }
  std::sort(edges_.begin(), edges_.end());
  edges_.erase(std::unique(edges_.begin(), edges_.end()), edges_.end());

  // What the trailer reaches, along references from referrer to target: the
  // edges sorted by referrer give each object's targets.
  std::vector<std::pair<int32_t, int32_t>> forward;
  forward.reserve(edges_.size());
  for (const auto& [target, referrer] : edges_) {
    forward.emplace_back(referrer, target);
  }
  std::sort(forward.begin(), forward.end());
  auto position = [this](int32_t number) -> int64_t {
    auto at = std::lower_bound(numbers_.begin(), numbers_.end(), number);
    return at != numbers_.end() && *at == number ? at - numbers_.begin() : -1;
  };
  std::vector<bool> reached(numbers_.size());
  std::vector<int32_t> queue = {0};
  while (!queue.empty()) {
    const int32_t from = queue.back();
    queue.pop_back();
    auto at = std::lower_bound(forward.begin(), forward.end(), std::make_pair(from, INT32_MIN));
    for (; at != forward.end() && at->first == from; ++at) {
      const int64_t target = position(at->second);
      if (target >= 0 && !reached[static_cast<size_t>(target)]) {
        reached[static_cast<size_t>(target)] = true;
        queue.push_back(at->second);
      }
    }
  }
  for (size_t i = 0; i < numbers_.size() && complete_; ++i) {
    if (!reached[i] && !structural[i]) {
      orphans_.push_back(numbers_[i]);
    }
  }
  if (progress) {
    progress(total, total);
  }
  return true;
}

std::vector<int32_t> ReferenceIndex::ReferrersOf(int32_t number) const {
  std::vector<int32_t> referrers;
  auto at = std::lower_bound(edges_.begin(), edges_.end(), std::make_pair(number, INT32_MIN));
  for (; at != edges_.end() && at->first == number; ++at) {
    referrers.push_back(at->second);
  }
  return referrers;
}

std::vector<std::string> ReferencePaths(pdf::Object* referrer, int32_t number, size_t limit) {
  std::vector<std::string> paths;
  PathsTo(referrer, number, "", 0, limit, &paths);
  return paths;
}

std::string OrphansText(pdf::Document& doc, const ReferenceIndex& index) {
  if (!index.Complete()) {
    return FormatText(
        "The index stopped at %lld references: orphans cannot be told among %lld objects\n",
        static_cast<long long>(index.References()), static_cast<long long>(index.Objects()));
  }
  std::string text;
  const std::vector<NewestEntry> entries = NewestEntries(doc);
  for (int32_t number : index.Orphans()) {
    auto at = std::lower_bound(
        entries.begin(), entries.end(), number,
        [](const NewestEntry& entry, int32_t wanted) { return entry.number < wanted; });
    const int32_t generation = at != entries.end() && at->number == number && at->entry.type == 'n'
                                   ? at->entry.generation
                                   : 0;
    pdf::Object* object = doc.GetObject(number, generation);
    std::string kind = object->IsStream()       ? "stream"
                       : object->IsDictionary() ? "dictionary"
                       : object->IsArray()      ? "array"
                                                : "value";
    pdf::Object* type = object->AsDictionary() != nullptr ? object->Get("Type") : doc.null_object;
    if (type->IsName()) {
      kind += std::string(" ") + type->Text();
    }
    text += FormatText("%d %d obj  %s\n", number, generation, kind.c_str());
  }
  text += FormatText("%zu orphans among %lld objects\n", index.Orphans().size(),
                     static_cast<long long>(index.Objects()));
  return text;
}
