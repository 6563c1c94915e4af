#include "describe/item_path.h"

namespace {

int FindByKey(const std::vector<TreeItem>& items, const std::string& key) {
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].key == key) {
      return static_cast<int>(i);
    }
  }
  return -1;
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
                  std::string* error, std::vector<int>* positions) {
  trail->clear();
  if (positions != nullptr) {
    positions->clear();
  }
  std::vector<std::string> parts = SplitItemPath(path);
  if (parts.empty()) {
    *error = "empty item path";
    return false;
  }
  std::vector<TreeItem> level = TopLevelItems(doc);
  std::string walked;
  for (const std::string& part : parts) {
    const int position = FindByKey(level, part);
    if (position < 0) {
      *error = walked.empty() ? "no top-level item '" + part + "'"
                              : "no item '" + part + "' below '" + walked + "'";
      return false;
    }
    const TreeItem found = level[static_cast<size_t>(position)];
    trail->push_back(found);
    if (positions != nullptr) {
      positions->push_back(position);
    }
    walked += walked.empty() ? part : "/" + part;
    // Only an item that shows an expand button can be walked into, as in the tree.
    level = found.Expandable() ? ChildItems(found.object) : std::vector<TreeItem>();
  }
  return true;
}
