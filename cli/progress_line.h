// quorvel-inspect's progress on a terminal: one line on standard error,
// written again in place ("\r") while long work runs (an open or repair, the
// reference index, a search) and cleared when it ends or before anything
// else is printed. Only when standard error is a terminal: otherwise, and
// for work that ends within a short while, nothing at all is written.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

enum class ProgressUnit { kBytes, kObjects };

// The line's text: "Opening: 12.5 of 48.0 MB (26%)", "Searching: 1200 of
// 4800 objects (25%)"; without a total, only what is done.
std::string ProgressText(const std::string& what, int64_t done, int64_t total, ProgressUnit unit);

class ProgressLine {
 public:
  // Writes to `out` only when `enabled` (standard error is a terminal); the
  // first line once `delay_ms` of the work have gone by, the next ones at
  // most every `interval_ms`.
  ProgressLine(FILE* out, bool enabled, int delay_ms = kDelayMs, int interval_ms = kIntervalMs);
  ~ProgressLine() { Clear(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  static constexpr int kDelayMs = 400;
  static constexpr int kIntervalMs = 100;

  bool Enabled() const { return enabled_; }
  // New work: its name and unit; the delay counts from here.
  void Start(const std::string& what, ProgressUnit unit);
  // How far it got; `what` (when not null) renames it.
  void Show(int64_t done, int64_t total, const char* what = nullptr);
  // Blanks the line and puts the cursor back at its start; nothing when no
  // line is shown.
  void Clear();

 private:
  using Clock = std::chrono::steady_clock;
  FILE* out_;
  bool enabled_;
  std::chrono::milliseconds delay_;
  std::chrono::milliseconds interval_;
  std::string what_;
  ProgressUnit unit_ = ProgressUnit::kObjects;
  Clock::time_point started_;
  Clock::time_point last_;
  size_t width_ = 0;  // of the line shown; 0 when none is
};
