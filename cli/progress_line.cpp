#include "cli/progress_line.h"

#include <algorithm>

std::string ProgressText(const std::string& what, int64_t done, int64_t total, ProgressUnit unit) {
  char text[160];
  done = std::max<int64_t>(done, 0);
  if (unit == ProgressUnit::kBytes) {
    const double mb = 1024.0 * 1024.0;
    if (total > 0) {
      done = std::min(done, total);
      snprintf(text, sizeof text, "%s: %.1f of %.1f MB (%d%%)", what.c_str(), done / mb, total / mb,
               static_cast<int>(done * 100 / total));
    } else {
      snprintf(text, sizeof text, "%s: %.1f MB", what.c_str(), done / mb);
    }
  } else if (total > 0) {
    done = std::min(done, total);
    snprintf(text, sizeof text, "%s: %lld of %lld objects (%d%%)", what.c_str(),
             static_cast<long long>(done), static_cast<long long>(total),
             static_cast<int>(done * 100 / total));
  } else {
    snprintf(text, sizeof text, "%s: %lld objects", what.c_str(), static_cast<long long>(done));
  }
  return text;
}

ProgressLine::ProgressLine(FILE* out, bool enabled, int delay_ms, int interval_ms)
    : out_(out), enabled_(enabled), delay_(delay_ms), interval_(interval_ms) {
  started_ = Clock::now();
}

void ProgressLine::Start(const std::string& what, ProgressUnit unit) {
  what_ = what;
  unit_ = unit;
  started_ = Clock::now();
}

void ProgressLine::Show(int64_t done, int64_t total, const char* what) {
  if (!enabled_) {
    return;
  }
  if (what != nullptr) {
    what_ = what;
  }
  const Clock::time_point now = Clock::now();
  if (now - started_ < delay_ || (width_ > 0 && now - last_ < interval_)) {
    return;
  }
  last_ = now;
  std::string text = ProgressText(what_, done, total, unit_);
  const size_t width = text.size();
  if (width < width_) {
    text.append(width_ - width, ' ');  // over the rest of a longer line
  }
  // What standard output has so far goes first: on one terminal the two
  // must not mix.
  fflush(stdout);
  fprintf(out_, "\r%s", text.c_str());
  fflush(out_);
  width_ = std::max<size_t>(width, 1);
}

void ProgressLine::Clear() {
  if (!enabled_ || width_ == 0) {
    return;
  }
  fprintf(out_, "\r%*s\r", static_cast<int>(width_), "");
  fflush(out_);
  width_ = 0;
}
