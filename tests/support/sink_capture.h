// Captures what reaches the error, warning and trace sinks for the lifetime of
// the fixture (or of a SinkCapture object), and restores the previous sinks.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diag/messages.h"

class SinkCapture {
 public:
  SinkCapture();
  ~SinkCapture();
  SinkCapture(const SinkCapture&) = delete;
  SinkCapture& operator=(const SinkCapture&) = delete;

  std::vector<std::string> errors;
  std::vector<std::string> warnings;
  std::vector<std::string> traces;

  void Clear();
  // All captured texts of every sink, in arrival order, each prefixed by
  // "E: ", "W: " or "T: " (handy in failure messages).
  std::vector<std::string> all;

 private:
  MessageSink saved_error_;
  MessageSink saved_warning_;
  MessageSink saved_trace_;
  SinkCapture* saved_active_;
};

// A GoogleTest fixture owning one SinkCapture named `sinks`.
class SinkTest : public ::testing::Test {
 protected:
  SinkCapture sinks;
};
