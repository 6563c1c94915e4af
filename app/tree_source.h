// Where the tree pane gets its items and their labels from: the Qt-free
// descriptions that quorvel-inspect shows too, so both say the same words.
#pragma once

#include <string>
#include <vector>

#include "describe/labels.h"

// "Header", "Root", "XRefs" and "Trailer" of the document.
std::vector<TreeItem> TopLevelTreeItems(pdf::Document& doc);
// The children of a dictionary, stream or array; nothing for other objects.
std::vector<TreeItem> ChildTreeItems(pdf::Object* object);
// A --select path split into item keys.
std::vector<std::string> SplitTreePath(const std::string& path);
