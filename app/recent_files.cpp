#include "app/recent_files.h"

#include <algorithm>

void RecentFileList::Add(const std::string& path) {
  if (path.empty()) {
    return;
  }
  Remove(path);
  entries_.insert(entries_.begin(), path);
  if (Size() > kMaxEntries) {
    entries_.resize(kMaxEntries);
  }
}

void RecentFileList::Remove(const std::string& path) {
  entries_.erase(std::remove(entries_.begin(), entries_.end(), path), entries_.end());
}

void RecentFileList::Assign(const std::vector<std::string>& paths) {
  entries_.clear();
  for (const std::string& path : paths) {
    if (Size() == kMaxEntries) {
      break;
    }
    if (!path.empty() && std::find(entries_.begin(), entries_.end(), path) == entries_.end()) {
      entries_.push_back(path);
    }
  }
}

std::string RecentFileMenuText(int index, const std::string& path, const std::string& home) {
  std::string shown = path;
  if (!home.empty() && home != "/" && shown.size() > home.size() &&
      shown.compare(0, home.size(), home) == 0 && shown[home.size()] == '/') {
    shown = "~" + shown.substr(home.size());
  }
  std::string text = "&" + std::to_string(index + 1) + " ";
  for (char c : shown) {
    text += c;
    if (c == '&') {
      text += '&';
    }
  }
  return text;
}
