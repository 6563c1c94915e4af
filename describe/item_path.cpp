#include "describe/item_path.h"

namespace {

const TreeItem* FindByKey(const std::vector<TreeItem>& items, const std::string& key) {
  for (const TreeItem& item : items) {
    if (item.key == key) {
      return &item;
    }
  }
  return nullptr;
}

}  // namespace

std::vector<std::string> SplitItemPath(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) {
      slash = path.size();
    }
    if (slash > start) {
      parts.push_back(path.substr(start, slash - start));
    }
    start = slash + 1;
  }
  return parts;
}

bool FindItemPath(pdf::Document& doc, const std::string& path, std::vector<TreeItem>* trail,
                  std::string* error) {
  trail->clear();
  std::vector<std::string> parts = SplitItemPath(path);
  if (parts.empty()) {
    *error = "empty item path";
    return false;
  }
  std::vector<TreeItem> level = TopLevelItems(doc);
  std::string walked;
  for (const std::string& part : parts) {
    const TreeItem* found = FindByKey(level, part);
    if (found == nullptr) {
      *error = walked.empty() ? "no top-level item '" + part + "'"
                              : "no item '" + part + "' below '" + walked + "'";
      return false;
    }
    trail->push_back(*found);
    walked += walked.empty() ? part : "/" + part;
    // Only an item that shows an expand button can be walked into, as in the tree.
    level = found->Expandable() ? ChildItems(found->object) : std::vector<TreeItem>();
  }
  return true;
}
