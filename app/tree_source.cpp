#include "app/tree_source.h"

#include "describe/item_path.h"

std::vector<TreeItem> TopLevelTreeItems(pdf::Document& doc) {
  return TopLevelItems(doc);
}

std::vector<TreeItem> ChildTreeItems(pdf::Object* object) {
  return ChildItems(object);
}

std::vector<std::string> SplitTreePath(const std::string& path) {
  return SplitItemPath(path);
}
