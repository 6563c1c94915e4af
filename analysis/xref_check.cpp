#include "analysis/xref_check.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string_view>
#include <utility>

#include "analysis/declared_section.h"
#include "analysis/number_ranges.h"
#include "analysis/revisions.h"
#include "diag/format.h"
#include "pdf/bounds.h"
#include "pdf/chars.h"
#include "pdf/document.h"
#include "pdf/object.h"
#include "pdf/xref_table.h"

namespace {

// Runs of numbers named per finding at most.
constexpr size_t kRunsShown = 20;

using pdf::IsDigit;

bool IsSpace(char c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

// Reads "N G obj" at `at`; true with the two numbers when it stands there.
bool ObjectHeaderAt(std::string_view file, size_t at, int64_t* number, int64_t* generation) {
  int64_t values[2] = {0, 0};
  size_t p = at;
  for (int64_t& value : values) {
    const size_t digits = p;
    while (p < file.size() && IsDigit(file[p]) && p - digits < 10) {
      value = value * 10 + (file[p++] - '0');
    }
    if (p == digits) {
      return false;
    }
    const size_t spaces = p;
    while (p < file.size() && IsSpace(file[p])) {
      ++p;
    }
    if (p == spaces) {
      return false;
    }
  }
  if (file.substr(p, 3) != "obj" ||
      (p + 3 < file.size() && std::isalnum(static_cast<unsigned char>(file[p + 3])))) {
    return false;
  }
  *number = values[0];
  *generation = values[1];
  return true;
}

// The headers "N G obj" that start a line, as a scan of the whole file finds
// them: number and offset.
std::vector<std::pair<int32_t, int64_t>> ScanHeaders(std::string_view file) {
  std::vector<std::pair<int32_t, int64_t>> found;
  for (size_t at = file.find("obj"); at != std::string_view::npos; at = file.find("obj", at + 3)) {
    // Back over "N G " to the start of the line.
    size_t p = at;
    int fields = 0;
    while (fields < 2 && p > 0) {
      size_t q = p;
      while (q > 0 && IsSpace(file[q - 1]) && file[q - 1] != '\n' && file[q - 1] != '\r') {
        --q;
      }
      if (q == p && fields == 0) {
        break;  // "obj" right after a digit: not a header
      }
      size_t digits = q;
      while (digits > 0 && IsDigit(file[digits - 1]) && q - digits < 10) {
        --digits;
      }
      if (digits == q) {
        break;
      }
      p = digits;
      ++fields;
    }
    if (fields != 2 || (p > 0 && file[p - 1] != '\n' && file[p - 1] != '\r')) {
      continue;
    }
    int64_t number = 0;
    int64_t generation = 0;
    if (ObjectHeaderAt(file, p, &number, &generation) && number > 0 &&
        number <= pdf::kMaxObjectNumber) {
      found.emplace_back(static_cast<int32_t>(number), static_cast<int64_t>(p));
    }
  }
  return found;
}

void CheckOffsets(const std::vector<DeclaredEntry>& entries, std::string_view file,
                  const std::string& where, std::vector<std::string>* findings) {
  std::vector<int32_t> unreadable;
  for (const DeclaredEntry& entry : entries) {
    if (entry.type != 'n' || entry.number <= 0 || entry.number > pdf::kMaxObjectNumber) {
      continue;
    }
    int64_t found_number = 0;
    int64_t found_generation = 0;
    const int64_t offset = entry.field2;
    if (offset >= 0 && static_cast<uint64_t>(offset) < file.size() &&
        ObjectHeaderAt(file, static_cast<size_t>(offset), &found_number, &found_generation) &&
        found_number == entry.number) {
      if (found_generation != entry.field3) {
        findings->push_back(FormatText(
            "%s: object %lld is listed with generation %lld, but its "
            "header says %lld",
            where.c_str(), static_cast<long long>(entry.number),
            static_cast<long long>(entry.field3), static_cast<long long>(found_generation)));
      }
      continue;
    }
    // A near miss: producers that miscount line ends put offsets a few bytes off.
    bool near = false;
    const int64_t low = std::max<int64_t>(0, offset - pdf::kNearMissWindow);
    const int64_t high =
        std::min<int64_t>(static_cast<int64_t>(file.size()), offset + pdf::kNearMissWindow);
    for (int64_t at = low; at < high && !near; ++at) {
      if ((at == 0 || !IsDigit(file[static_cast<size_t>(at - 1)])) &&
          ObjectHeaderAt(file, static_cast<size_t>(at), &found_number, &found_generation) &&
          found_number == entry.number) {
        near = true;
        findings->push_back(FormatText("%s: object %lld is %lld bytes from its offset %lld",
                                       where.c_str(), static_cast<long long>(entry.number),
                                       static_cast<long long>(at - offset),
                                       static_cast<long long>(offset)));
      }
    }
    if (!near) {
      unreadable.push_back(static_cast<int32_t>(entry.number));
    }
  }
  if (!unreadable.empty()) {
    std::sort(unreadable.begin(), unreadable.end());
    findings->push_back(FormatText("%s: %zu objects are not where their offsets point: ",
                                   where.c_str(), unreadable.size()) +
                        NumberRanges(unreadable, kRunsShown));
  }
}

void CheckSize(const pdf::XRefTable& table, const std::vector<DeclaredEntry>& entries,
               const std::string& where, std::vector<std::string>* findings) {
  int64_t highest = -1;
  for (const DeclaredEntry& entry : entries) {
    highest = std::max(highest, entry.number);
  }
  pdf::Object* size = table.trailer != nullptr ? table.trailer->Get("Size") : nullptr;
  if (size == nullptr || !size->IsNumber()) {
    findings->push_back(where + ": the trailer has no Size");
  } else if (highest >= size->IntValue()) {
    findings->push_back(FormatText("%s: Size %lld does not cover object %lld", where.c_str(),
                                   static_cast<long long>(size->IntValue()),
                                   static_cast<long long>(highest)));
  }
}

// A classic section's free entries link from object 0 through each next free
// number back to 0.
void CheckFreeList(const pdf::XRefTable& table, const std::vector<DeclaredEntry>& entries,
                   const std::string& where, std::vector<std::string>* findings) {
  std::map<int64_t, const DeclaredEntry*> by_number;
  for (const DeclaredEntry& entry : entries) {
    by_number.try_emplace(entry.number, &entry);
  }
  auto zero = by_number.find(0);
  if (table.kind != pdf::XRefKind::kClassic || zero == by_number.end() ||
      zero->second->type != 'f') {
    return;
  }
  std::set<int64_t> on_list;
  int64_t at = 0;
  for (;;) {
    const int64_t next = by_number[at]->field2;
    if (next == 0) {
      break;
    }
    auto found = by_number.find(next);
    if (found == by_number.end() || found->second->type != 'f') {
      findings->push_back(
          FormatText("%s: the free list leads from object %lld to object %lld, "
                     "which is not free in this section",
                     where.c_str(), static_cast<long long>(at), static_cast<long long>(next)));
      return;
    }
    if (!on_list.insert(next).second) {
      findings->push_back(FormatText("%s: the free list comes back to object %lld", where.c_str(),
                                     static_cast<long long>(next)));
      return;
    }
    at = next;
  }
  std::vector<int32_t> off_list;
  for (const auto& [number, entry] : by_number) {
    if (number > 0 && entry->type == 'f' && on_list.count(number) == 0) {
      off_list.push_back(static_cast<int32_t>(number));
    }
  }
  if (!off_list.empty()) {
    findings->push_back(FormatText("%s: %zu free entries are not on the free list: ", where.c_str(),
                                   off_list.size()) +
                        NumberRanges(off_list, kRunsShown));
  }
}

// A number listed twice: the reader keeps the later entry and forgets the other.
void CheckTwiceListed(const std::vector<DeclaredEntry>& entries, const std::string& where,
                      std::vector<std::string>* findings) {
  std::vector<int64_t> numbers;
  numbers.reserve(entries.size());
  for (const DeclaredEntry& entry : entries) {
    numbers.push_back(entry.number);
  }
  std::sort(numbers.begin(), numbers.end());
  std::vector<int32_t> twice;
  for (size_t i = 1; i < numbers.size(); ++i) {
    if (numbers[i] == numbers[i - 1] && (twice.empty() || twice.back() != numbers[i])) {
      twice.push_back(static_cast<int32_t>(numbers[i]));
    }
  }
  if (!twice.empty()) {
    findings->push_back(FormatText("%s: %zu numbers are listed twice (the later entry counts): ",
                                   where.c_str(), twice.size()) +
                        NumberRanges(twice, kRunsShown));
  }
}

}  // namespace

std::vector<std::string> CheckCrossReferences(pdf::Document& doc) {
  std::vector<std::string> findings;
  const std::string_view file = doc.FileBytes();
  if (file.empty()) {
    return findings;
  }
  std::vector<bool> listed(static_cast<size_t>(pdf::kMaxObjectNumber) + 1);
  for (const Revision& revision : ListRevisions(doc)) {
    const pdf::XRefTable& table = *revision.section;
    if (table.entries == nullptr || table.kind == pdf::XRefKind::kRebuilt) {
      continue;  // a rebuilt table lists what a scan found
    }
    const std::string where =
        FormatText("Section at offset %lld (revision %d)",
                   static_cast<long long>(revision.section_offset), revision.index);
    const std::vector<DeclaredEntry> entries = DeclaredEntries(doc, table);
    CheckOffsets(entries, file, where, &findings);
    CheckSize(table, entries, where, &findings);
    CheckFreeList(table, entries, where, &findings);
    CheckTwiceListed(entries, where, &findings);
    for (int64_t i = 0; i < table.count; ++i) {
      if ((table.entries[i].type == 'n' || table.entries[i].type == 'c') &&
          table.first + i <= pdf::kMaxObjectNumber) {
        listed[static_cast<size_t>(table.first + i)] = true;
      }
    }
  }
  std::vector<int32_t> unlisted;
  for (const auto& [number, offset] : ScanHeaders(file)) {
    if (!listed[static_cast<size_t>(number)]) {
      unlisted.push_back(number);
    }
  }
  std::sort(unlisted.begin(), unlisted.end());
  unlisted.erase(std::unique(unlisted.begin(), unlisted.end()), unlisted.end());
  if (!unlisted.empty()) {
    findings.push_back(FormatText("%zu objects a scan of the file finds are listed by no section: ",
                                  unlisted.size()) +
                       NumberRanges(unlisted, kRunsShown));
  }
  return findings;
}
