#include "analysis/revisions.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string_view>
#include <unordered_map>

#include "analysis/number_ranges.h"
#include "diag/format.h"
#include "pdf/bounds.h"
#include "pdf/document.h"
#include "pdf/object.h"
#include "pdf/xref_table.h"

namespace {

// Where a number stood after the revisions read so far.
struct State {
  char type;
  int32_t offset;
  int32_t generation;
};

const char* KindText(pdf::XRefKind kind) {
  switch (kind) {
    case pdf::XRefKind::kClassic:
      return "xref table";
    case pdf::XRefKind::kStream:
      return "xref stream";
    case pdf::XRefKind::kRebuilt:
      return "rebuilt table";
  }
  return "section";
}

// The end of the first %%EOF line at or after `from`, or 0.
int64_t EndOfFileMarker(pdf::Document& doc, int64_t from) {
  const std::string_view file = doc.FileBytes();
  if (from < 0 || static_cast<size_t>(from) >= file.size()) {
    return 0;
  }
  const size_t found = file.find("%%EOF", static_cast<size_t>(from));
  if (found == std::string_view::npos) {
    return 0;
  }
  size_t after = found + 5;
  if (after < file.size() && file[after] == '\r') {
    ++after;
  }
  if (after < file.size() && file[after] == '\n') {
    ++after;
  }
  return static_cast<int64_t>(after);
}

// The chain oldest first, bounded as the readers bound it.
std::vector<pdf::XRefTable*> OldestFirst(pdf::Document& doc) {
  std::vector<pdf::XRefTable*> chain;
  std::set<pdf::XRefTable*> seen;
  for (pdf::XRefTable* table = doc.xref;
       table != nullptr && chain.size() <= 2 * static_cast<size_t>(pdf::kMaxSections) &&
       seen.insert(table).second;
       table = table->prev) {
    chain.push_back(table);
  }
  std::reverse(chain.begin(), chain.end());
  return chain;
}

// The entry of `table` for the number, or null when the table lists none.
const pdf::XRefEntry* Listed(const pdf::XRefTable* table, int64_t number) {
  if (table == nullptr || table->entries == nullptr || number < table->first ||
      number - table->first >= table->count) {
    return nullptr;
  }
  const pdf::XRefEntry& entry = table->entries[number - table->first];
  return entry.type != 0 ? &entry : nullptr;
}

}  // namespace

std::vector<Revision> ListRevisions(pdf::Document& doc, bool* ordered) {
  std::vector<Revision> revisions;
  std::unordered_map<int32_t, State> state;
  bool in_order = true;
  int64_t last_end = 0;
  for (pdf::XRefTable* table : OldestFirst(doc)) {
    Revision revision;
    revision.index = static_cast<int>(revisions.size()) + 1;
    revision.section = table;
    revision.section_offset = table->section_offset;
    revision.kind = KindText(table->kind);
    revision.end = EndOfFileMarker(doc, table->section_offset);
    if (revision.end > 0) {
      in_order = in_order && revision.end > last_end;
      last_end = revision.end;
    }
    auto visit = [&](int64_t number, const pdf::XRefEntry& entry) {
      if (number <= 0 || number > pdf::kMaxObjectNumber) {
        return;
      }
      ++revision.listed;
      const auto key = static_cast<int32_t>(number);
      auto [at, made] = state.try_emplace(key, State{'f', 0, 0});
      State& before = at->second;
      if (entry.type == 'f') {
        if (!made && before.type != 'f') {
          revision.freed.push_back(key);
        }
      } else if (made || before.type == 'f') {
        revision.added.push_back(key);
      } else if (before.type != entry.type || before.offset != entry.offset ||
                 before.generation != entry.generation) {
        revision.changed.push_back(key);
      }
      before = State{entry.type, entry.offset, entry.generation};
    };
    // A hybrid file's section is completed by its XRefStm: the stream's
    // entries stand where the table lists nothing in use.
    const pdf::XRefTable* hybrid = table->hybrid;
    const int64_t low =
        std::min<int64_t>(table->first, hybrid != nullptr ? hybrid->first : table->first);
    const int64_t high =
        std::max<int64_t>(int64_t{table->first} + table->count,
                          hybrid != nullptr ? int64_t{hybrid->first} + hybrid->count : 0);
    for (int64_t number = low; number < high; ++number) {
      const pdf::XRefEntry* entry = Listed(table, number);
      const pdf::XRefEntry* completion = Listed(hybrid, number);
      if (completion != nullptr && (entry == nullptr || entry->type == 'f')) {
        entry = completion;
      }
      if (entry != nullptr) {
        visit(number, *entry);
      }
    }
    for (std::vector<int32_t>* numbers : {&revision.added, &revision.changed, &revision.freed}) {
      std::sort(numbers->begin(), numbers->end());
    }
    revisions.push_back(std::move(revision));
  }
  if (ordered != nullptr) {
    *ordered = in_order;
  }
  return revisions;
}

namespace {

// How many fields of an AcroForm are walked at most.
constexpr int kMaxFields = 100000;

// The signature dictionaries the form's fields hold (FT /Sig, their V).
void FindSignatureFields(pdf::Object* fields, int depth, std::set<pdf::Object*>* seen,
                         std::vector<pdf::Object*>* found) {
  if (depth > pdf::kMaxNesting || !fields->IsArray()) {
    return;
  }
  for (int i = 0; i < fields->Count() && seen->size() < static_cast<size_t>(kMaxFields); ++i) {
    pdf::Object* field = fields->Item(i);
    if (!field->IsDictionary() || !seen->insert(field).second) {
      continue;
    }
    pdf::Object* value = field->Get("V");
    if (field->Get("FT")->IsName("Sig") && value->IsDictionary() &&
        value->Get("ByteRange")->IsArray()) {
      found->push_back(value);
    }
    FindSignatureFields(field->Get("Kids"), depth + 1, seen, found);
  }
}

// Whether bytes [from, to) of the file are one hex string and nothing more,
// after the start of the signature dictionary's object.
bool GapIsContents(pdf::Document& doc, pdf::Object* dict, int64_t from, int64_t to) {
  const std::string_view file = doc.FileBytes();
  if (!dict->Get("Contents")->IsString() || (dict->offset > 0 && dict->offset >= from) ||
      to - from < 2 || to > static_cast<int64_t>(file.size()) || file[from] != '<' ||
      file[to - 1] != '>') {
    return false;
  }
  for (int64_t at = from + 1; at < to - 1; ++at) {
    const char c = file[at];
    if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ' ' && c != '\r' && c != '\n' &&
        c != '\t' && c != '\f') {
      return false;
    }
  }
  return true;
}

}  // namespace

std::vector<SignedRevision> ListSignatures(pdf::Document& doc,
                                           const std::vector<Revision>& revisions) {
  std::vector<pdf::Object*> dictionaries;
  std::set<pdf::Object*> seen;
  pdf::Object* root = doc.xref != nullptr && doc.xref->trailer != nullptr
                          ? doc.xref->trailer->Get("Root")
                          : doc.null_object;
  FindSignatureFields(root->Get("AcroForm")->Get("Fields"), 0, &seen, &dictionaries);
  const auto size = static_cast<int64_t>(doc.FileBytes().size());
  std::vector<SignedRevision> signatures;
  std::set<pdf::Object*> listed;
  for (pdf::Object* dict : dictionaries) {
    if (!listed.insert(dict).second) {
      continue;
    }
    SignedRevision signature;
    signature.number = dict->number;
    pdf::Object* range = dict->Get("ByteRange");
    bool numbers = range->Count() == 4;
    for (int i = 0; i < 4 && numbers; ++i) {
      numbers = range->Item(i)->IsNumber();
      signature.byte_range[i] = numbers ? range->Item(i)->IntValue() : 0;
    }
    const int64_t* r = signature.byte_range;
    signature.usable = numbers && r[0] >= 0 && r[1] >= 0 && r[2] >= r[0] + r[1] && r[3] >= 0 &&
                       r[2] <= size && r[3] <= size - r[2];
    if (signature.usable) {
      const int64_t reach = r[2] + r[3];
      for (const Revision& revision : revisions) {
        if (revision.end == reach ||
            (revision.end > 0 && reach + 2 >= revision.end && reach <= revision.end)) {
          // A range may stop before the %%EOF line's end of line.
          signature.revision = revision.index;
        }
      }
      signature.gap_is_contents = GapIsContents(doc, dict, r[1], r[2]);
      signature.whole = signature.revision > 0 && r[0] == 0 && signature.gap_is_contents;
      for (const Revision& revision : revisions) {
        if (signature.revision > 0 && revision.index > signature.revision) {
          for (const std::vector<int32_t>* numbers :
               {&revision.added, &revision.changed, &revision.freed}) {
            signature.changed_after.insert(signature.changed_after.end(), numbers->begin(),
                                           numbers->end());
          }
        }
      }
      std::sort(signature.changed_after.begin(), signature.changed_after.end());
      signature.changed_after.erase(
          std::unique(signature.changed_after.begin(), signature.changed_after.end()),
          signature.changed_after.end());
    }
    signatures.push_back(std::move(signature));
  }
  std::sort(signatures.begin(), signatures.end(),
            [](const SignedRevision& a, const SignedRevision& b) { return a.number < b.number; });
  return signatures;
}

std::string RevisionsText(pdf::Document& doc) {
  bool ordered = true;
  const std::vector<Revision> revisions = ListRevisions(doc, &ordered);
  std::string text;
  int64_t start = 0;
  for (const Revision& revision : revisions) {
    text += FormatText("Revision %d (%s): ", revision.index,
                       revision.index == 1 ? "the original file" : "an update");
    if (revision.end > 0) {
      text += FormatText("bytes %lld to %lld, ", static_cast<long long>(start),
                         static_cast<long long>(revision.end - 1));
      start = revision.end;
    } else {
      text += "no %%EOF after its section, ";
    }
    text += FormatText("%s at offset %lld, %lld entries\n", revision.kind,
                       static_cast<long long>(revision.section_offset),
                       static_cast<long long>(revision.listed));
    const std::pair<const char*, const std::vector<int32_t>*> lists[] = {
        {"added", &revision.added}, {"changed", &revision.changed}, {"freed", &revision.freed}};
    for (const auto& [what, numbers] : lists) {
      if (!numbers->empty()) {
        text += FormatText("  %s (%zu): ", what, numbers->size()) + NumberRanges(*numbers) + "\n";
      }
    }
  }
  if (!ordered) {
    text +=
        "The sections do not follow each other in the file (a linearized file): they are "
        "sections rather than updates\n";
  }
  for (const SignedRevision& signature : ListSignatures(doc, revisions)) {
    const int64_t* r = signature.byte_range;
    text += FormatText("Signature %d: ByteRange [%lld %lld %lld %lld]", signature.number,
                       static_cast<long long>(r[0]), static_cast<long long>(r[1]),
                       static_cast<long long>(r[2]), static_cast<long long>(r[3]));
    if (!signature.usable) {
      text += ": unusable\n";
      continue;
    }
    if (signature.revision == 0) {
      text += ": ends at no revision's end\n";
      continue;
    }
    if (signature.whole) {
      text += FormatText(": revision %d, all of it but bytes %lld to %lld (the signature)",
                         signature.revision, static_cast<long long>(r[1]),
                         static_cast<long long>(r[2] - 1));
    } else if (r[0] != 0) {
      text += FormatText(": revision %d, not from its first byte", signature.revision);
    } else {
      text += FormatText(
          ": revision %d, but bytes %lld to %lld left out are not its Contents alone",
          signature.revision, static_cast<long long>(r[1]), static_cast<long long>(r[2] - 1));
    }
    if (signature.changed_after.empty()) {
      text += "; nothing changed after it\n";
    } else {
      text += FormatText("; changed after it (%zu): ", signature.changed_after.size()) +
              NumberRanges(signature.changed_after) + "\n";
    }
  }
  return text;
}
