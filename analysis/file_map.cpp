#include "analysis/file_map.h"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>
#include <unordered_map>

#include "analysis/space.h"
#include "diag/format.h"
#include "pdf/bounds.h"
#include "pdf/document.h"
#include "pdf/xref_table.h"

namespace {

// Kinds named beyond this share one name: a hostile file may give every
// object a type of its own.
constexpr size_t kMaxKinds = 4096;
// Where the header may start, as readers look for it.
constexpr size_t kHeaderWindow = 1024;

struct Anchor {
  int64_t at;
  MapPart part;
  int32_t number;
  int32_t generation;
  uint16_t kind;
};

// Which anchor keeps an offset that several name.
int Rank(MapPart part) {
  switch (part) {
    case MapPart::kSection:
      return 0;
    case MapPart::kObject:
      return 1;
    case MapPart::kHeader:
      return 2;
    default:
      return 3;
  }
}

bool IsWhite(char c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

bool StartsWith(std::string_view text, size_t at, std::string_view word) {
  return text.substr(at, word.size()) == word;
}

// One past the %%EOF line found in [from, limit), or `limit`.
int64_t EndOfMarker(std::string_view file, int64_t from, int64_t limit) {
  const std::string_view span = file.substr(0, static_cast<size_t>(limit));
  const size_t found = span.find("%%EOF", static_cast<size_t>(from));
  if (found == std::string_view::npos) {
    return limit;
  }
  size_t after = found + 5;
  if (after < span.size() && span[after] == '\r') {
    ++after;
  }
  if (after < span.size() && span[after] == '\n') {
    ++after;
  }
  return static_cast<int64_t>(after);
}

// How far the range an anchor starts goes, within [at + 1, limit].
int64_t ExtentOf(std::string_view file, const Anchor& anchor, int64_t limit,
                 pdf::XRefKind section_kind) {
  const auto at = static_cast<size_t>(anchor.at);
  const std::string_view span = file.substr(at, static_cast<size_t>(limit - anchor.at));
  if (anchor.part == MapPart::kHeader) {
    // The version line, and the comment lines that follow it (the marker of
    // binary data), but not an end marker.
    size_t end = span.find_first_of("\r\n");
    while (end != std::string_view::npos) {
      end = span.find_first_not_of("\r\n", end);
      if (end == std::string_view::npos || span[end] != '%' || StartsWith(span, end, "%%EOF")) {
        break;
      }
      end = span.find_first_of("\r\n", end);
    }
    return end == std::string_view::npos ? limit : anchor.at + static_cast<int64_t>(end);
  }
  if (anchor.part == MapPart::kSection && section_kind == pdf::XRefKind::kClassic) {
    const size_t trailer = span.find("trailer");
    return trailer == std::string_view::npos || trailer == 0
               ? limit
               : anchor.at + static_cast<int64_t>(trailer);
  }
  // An object ends at the last endobj before what follows it: a stream's
  // data may hold the word, but nothing after the object should.
  const size_t end = span.rfind("endobj");
  return end == std::string_view::npos ? limit : anchor.at + static_cast<int64_t>(end) + 6;
}

class Mapper {
 public:
  Mapper(pdf::Document& doc, const FileSpace& space, FileMap* map)
      : file_(doc.FileBytes()), doc_(doc), space_(space), map_(map) {}

  void Run() {
    map_->file_bytes = static_cast<int64_t>(file_.size());
    map_->kinds.emplace_back();
    if (file_.empty()) {
      return;
    }
    const size_t last_marker = file_.rfind("%%EOF");
    after_end_ = last_marker == std::string_view::npos
                     ? map_->file_bytes
                     : EndOfMarker(file_, static_cast<int64_t>(last_marker), map_->file_bytes);
    CollectAnchors();
    int64_t position = 0;
    for (size_t i = 0; i < anchors_.size(); ++i) {
      const Anchor& anchor = anchors_[i];
      Fill(position, anchor.at);
      const int64_t limit = i + 1 < anchors_.size() ? anchors_[i + 1].at : map_->file_bytes;
      const int64_t end = std::max(anchor.at + 1, ExtentOf(file_, anchor, limit, KindAt(anchor)));
      Emit(anchor.at, end, anchor.part, anchor.number, anchor.generation, anchor.kind);
      position = end;
    }
    Fill(position, map_->file_bytes);
    Index();
  }

 private:
  uint16_t Intern(const std::string& kind) {
    auto [at, made] = kind_index_.try_emplace(kind, static_cast<uint16_t>(map_->kinds.size()));
    if (made) {
      if (map_->kinds.size() >= kMaxKinds) {
        kind_index_.erase(at);
        return Intern("other kinds");
      }
      map_->kinds.push_back(kind);
    }
    return at->second;
  }

  void CollectAnchors() {
    const int64_t size = map_->file_bytes;
    const size_t header = file_.substr(0, kHeaderWindow).find("%PDF-");
    if (header != std::string_view::npos) {
      anchors_.push_back({static_cast<int64_t>(header), MapPart::kHeader, 0, 0, 0});
    }
    std::unordered_map<int32_t, int64_t> current;  // number -> its offset now
    for (const ObjectSpace& object : space_.objects) {
      if (object.compressed) {
        map_->compressed.emplace_back(object.number, 0);
        continue;
      }
      if (object.offset > 0 && object.offset < size) {
        anchors_.push_back({object.offset, MapPart::kObject, object.number, object.generation,
                            Intern(object.kind)});
        current[object.number] = object.offset;
      }
    }
    // Every version the sections list: those that are not the current one
    // are earlier versions; the sections themselves are anchors of their own.
    std::set<pdf::XRefTable*> seen;
    const uint16_t earlier = Intern("earlier version");
    for (pdf::XRefTable* table = doc_.xref;
         table != nullptr && seen.size() <= 2 * static_cast<size_t>(pdf::kMaxSections) &&
         seen.insert(table).second;
         table = table->prev) {
      for (pdf::XRefTable* part : {table, table->hybrid}) {
        if (part == nullptr) {
          continue;
        }
        if (part->kind != pdf::XRefKind::kRebuilt && part->section_offset > 0 &&
            part->section_offset < size) {
          const bool stream = part->kind == pdf::XRefKind::kStream;
          anchors_.push_back({part->section_offset, MapPart::kSection, 0, 0,
                              Intern(stream ? "xref stream" : "xref table")});
          section_kinds_[part->section_offset] = part->kind;
        }
        for (int32_t i = 0; part->entries != nullptr && i < part->count; ++i) {
          const pdf::XRefEntry& entry = part->entries[i];
          const int32_t number = part->first + i;
          if (entry.type == 'c' && number > 0) {
            containers_.try_emplace(number, entry.offset);
          }
          if (entry.type != 'n' || entry.offset <= 0 || entry.offset >= size) {
            continue;
          }
          auto now = current.find(number);
          if (now == current.end() || now->second != entry.offset) {
            anchors_.push_back(
                {entry.offset, MapPart::kEarlierObject, number, entry.generation, earlier});
          }
        }
      }
    }
    std::stable_sort(anchors_.begin(), anchors_.end(), [](const Anchor& a, const Anchor& b) {
      return a.at != b.at ? a.at < b.at : Rank(a.part) < Rank(b.part);
    });
    // One anchor per offset: a cross-reference stream keeps its object's
    // number, so that choosing it selects the object.
    std::vector<Anchor> kept;
    kept.reserve(anchors_.size());
    for (const Anchor& anchor : anchors_) {
      if (!kept.empty() && kept.back().at == anchor.at) {
        if (kept.back().part == MapPart::kSection && anchor.part == MapPart::kObject) {
          kept.back().number = anchor.number;
          kept.back().generation = anchor.generation;
        }
        continue;
      }
      kept.push_back(anchor);
    }
    anchors_ = std::move(kept);
    for (auto& [number, container] : map_->compressed) {
      auto found = containers_.find(number);
      container = found != containers_.end() ? found->second : 0;
    }
  }

  pdf::XRefKind KindAt(const Anchor& anchor) const {
    auto found = section_kinds_.find(anchor.at);
    return found != section_kinds_.end() ? found->second : pdf::XRefKind::kRebuilt;
  }

  // Gives [from, to) to its owners: white space to the range before it,
  // trailers to themselves, the rest to nobody.
  void Fill(int64_t from, int64_t to) {
    while (from < to) {
      int64_t white = from;
      while (white < to && IsWhite(file_[static_cast<size_t>(white)])) {
        ++white;
      }
      if (white > from && !map_->ranges.empty() && map_->ranges.back().to == from &&
          map_->ranges.back().part != MapPart::kUnowned &&
          map_->ranges.back().part != MapPart::kAfterEnd) {
        map_->ranges.back().to = white;
        from = white;
        continue;
      }
      const auto at = static_cast<size_t>(white);
      if (white < to && (StartsWith(file_, at, "trailer") || StartsWith(file_, at, "startxref"))) {
        Emit(from, EndOfMarker(file_, white, to), MapPart::kTrailer, 0, 0, 0);
        from = map_->ranges.back().to;
        continue;
      }
      if (from < after_end_) {
        const int64_t end = std::min(to, after_end_);
        Emit(from, end, MapPart::kUnowned, 0, 0, 0);
        from = end;
      } else {
        Emit(from, to, MapPart::kAfterEnd, 0, 0, 0);
        from = to;
      }
    }
  }

  void Emit(int64_t from, int64_t to, MapPart part, int32_t number, int32_t generation,
            uint16_t kind) {
    if (to <= from) {
      return;
    }
    MapRange* last = map_->ranges.empty() ? nullptr : &map_->ranges.back();
    if (last != nullptr && last->to == from && last->part == part &&
        (part == MapPart::kUnowned || part == MapPart::kAfterEnd)) {
      last->to = to;
      return;
    }
    map_->ranges.push_back({from, to, number, generation, part, kind});
  }

  void Index() {
    for (size_t i = 0; i < map_->ranges.size(); ++i) {
      const MapRange& range = map_->ranges[i];
      if ((range.part == MapPart::kObject || range.part == MapPart::kSection) && range.number > 0) {
        map_->by_number.emplace_back(range.number, static_cast<uint32_t>(i));
      }
    }
    std::sort(map_->by_number.begin(), map_->by_number.end());
    std::sort(map_->compressed.begin(), map_->compressed.end());
  }

  std::string_view file_;
  pdf::Document& doc_;
  const FileSpace& space_;
  FileMap* map_;
  int64_t after_end_ = 0;
  std::vector<Anchor> anchors_;
  std::map<std::string, uint16_t> kind_index_;
  std::unordered_map<int64_t, pdf::XRefKind> section_kinds_;
  std::unordered_map<int32_t, int32_t> containers_;  // newest section first wins
};

}  // namespace

const MapRange* FileMap::At(int64_t offset) const {
  auto after = std::upper_bound(ranges.begin(), ranges.end(), offset,
                                [](int64_t at, const MapRange& range) { return at < range.from; });
  if (after == ranges.begin()) {
    return nullptr;
  }
  const MapRange& range = *(after - 1);
  return offset < range.to ? &range : nullptr;
}

const MapRange* FileMap::OfObject(int32_t number, int32_t* container) const {
  if (container != nullptr) {
    *container = 0;
  }
  auto by = [](const auto& entry, int32_t key) { return entry.first < key; };
  auto held = std::lower_bound(compressed.begin(), compressed.end(), number, by);
  if (held != compressed.end() && held->first == number) {
    if (container != nullptr) {
      *container = held->second;
    }
    number = held->second;
  }
  auto found = std::lower_bound(by_number.begin(), by_number.end(), number, by);
  return found != by_number.end() && found->first == number ? &ranges[found->second] : nullptr;
}

const MapRange* FileMap::OfSection(int64_t offset) const {
  const MapRange* range = At(offset);
  return range != nullptr && range->from == offset && range->part == MapPart::kSection ? range
                                                                                       : nullptr;
}

FileMap MapFile(pdf::Document& doc, const FileSpace& space) {
  FileMap map;
  Mapper(doc, space, &map).Run();
  return map;
}

const char* MapPartName(MapPart part) {
  switch (part) {
    case MapPart::kHeader:
      return "header";
    case MapPart::kObject:
      return "object";
    case MapPart::kEarlierObject:
      return "earlier object";
    case MapPart::kSection:
      return "cross-reference section";
    case MapPart::kTrailer:
      return "trailer";
    case MapPart::kUnowned:
      return "unowned";
    case MapPart::kAfterEnd:
      return "after the last %%EOF";
  }
  return "";
}

std::string DescribeRange(const FileMap& map, const MapRange& range) {
  std::string text = MapPartName(range.part);
  if (range.number > 0) {
    text += FormatText(" %d %d", range.number, range.generation);
  }
  const std::string& kind = range.kind < map.kinds.size() ? map.kinds[range.kind] : map.kinds[0];
  if (!kind.empty() && range.part != MapPart::kEarlierObject) {
    text += ", " + kind;
  }
  return text;
}

std::string FileMapText(const FileMap& map) {
  std::string text = FormatText("%lld bytes in %zu ranges\n",
                                static_cast<long long>(map.file_bytes), map.ranges.size());
  for (const MapRange& range : map.ranges) {
    text += FormatText("%10lld %10lld  ", static_cast<long long>(range.from),
                       static_cast<long long>(range.to));
    text += DescribeRange(map, range);
    text += '\n';
  }
  return text;
}
