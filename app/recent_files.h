// The recent-file list: most recent first, no duplicates, at most eight entries.
#pragma once

#include <string>
#include <vector>

class RecentFileList {
 public:
  // As many as the File menu shows and the settings keep (File1 to File8).
  static constexpr int kMaxEntries = 8;

  // Puts the path first, dropping an equal older entry and anything past the last slot.
  void Add(const std::string& path);
  // Removes the entry equal to the path, if any.
  void Remove(const std::string& path);
  // Replaces the whole list, keeping the first kMaxEntries distinct non-empty paths.
  void Assign(const std::vector<std::string>& paths);

  const std::vector<std::string>& Entries() const { return entries_; }
  int Size() const { return static_cast<int>(entries_.size()); }

 private:
  std::vector<std::string> entries_;
};

// The menu text of entry `index` (from 0): "&1 " and the path, with the home
// folder shortened to "~" and ampersands doubled so they are not mnemonics.
std::string RecentFileMenuText(int index, const std::string& path, const std::string& home);
