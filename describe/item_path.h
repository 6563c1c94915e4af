// Finds a tree item by a path of labels, as the viewer's --select and
// quorvel-inspect's --select name them: the top-level label, then the key of a
// dictionary entry or "[i]" for an array item, separated by "/", for example
// Root/Pages/Kids/[0]/Contents.
#pragma once

#include <string>
#include <vector>

#include "describe/labels.h"

namespace pdf {
class Document;
}  // namespace pdf

// The items along the path, first the top-level one, and when asked each one's
// position among its siblings. On failure returns false and says why in
// `error` ("no item 'X' below 'Root/Pages'").
bool FindItemPath(pdf::Document& doc, const std::string& path, std::vector<TreeItem>* trail,
                  std::string* error, std::vector<int>* positions = nullptr);

// Splits a path at "/" (empty segments are dropped).
std::vector<std::string> SplitItemPath(const std::string& path);
