// Opening damaged bytes the way the viewer does, for the malformed-file tests:
// from memory, with the viewer's report hooks, then the full walk. Sinks are
// replaced for the duration: the user's messages are kept, traces dropped (a
// bulk test opens tens of thousands of files).
#pragma once

#include <string>
#include <vector>

#include "diag/error_info.h"
#include "diag/messages.h"
#include "tests/malformed/document_walk.h"

inline constexpr const char* kMalformedName = "malformed.pdf";

class UserMessages {
 public:
  UserMessages()
      : saved_error_(g_error_sink), saved_warning_(g_warning_sink), saved_trace_(g_trace_sink) {
    active_ = this;
    g_error_sink = Keep;
    g_warning_sink = Keep;
    g_trace_sink = DiscardLine;
  }
  ~UserMessages() {
    g_error_sink = saved_error_;
    g_warning_sink = saved_warning_;
    g_trace_sink = saved_trace_;
    active_ = nullptr;
  }
  UserMessages(const UserMessages&) = delete;
  UserMessages& operator=(const UserMessages&) = delete;

  std::vector<std::string> texts;

 private:
  static int Keep(const char* text) {
    active_->texts.emplace_back(text);
    return 1;
  }
  static inline UserMessages* active_ = nullptr;
  MessageSink saved_error_;
  MessageSink saved_warning_;
  MessageSink saved_trace_;
};

struct OpenOutcome {
  bool opened = false;
  // On failure: the open's own last message is the damaged-file text.
  bool failed_cleanly = false;
  WalkCounts counts;
  std::vector<std::string> messages;
};

// The message a failed open ends with.
inline std::string DamagedMessage() {
  ErrorInfo info(kErrDamaged, 0, kMalformedName);
  return info.Message();
}

inline OpenOutcome OpenAndWalk(const std::string& bytes, const WalkLimits& limits = {}) {
  OpenOutcome outcome;
  UserMessages messages;
  {
    ViewerDocument doc;
    outcome.opened =
        doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), kMalformedName);
    if (outcome.opened) {
      outcome.counts = WalkDocument(doc, limits);
    } else {
      static const std::string damaged = DamagedMessage();
      outcome.failed_cleanly = !messages.texts.empty() && messages.texts.back() == damaged &&
                               doc.xref != nullptr && doc.xref->trailer == nullptr;
    }
  }
  outcome.messages = std::move(messages.texts);
  return outcome;
}
