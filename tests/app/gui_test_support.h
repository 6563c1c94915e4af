// Shared by the viewer's Qt tests: message boxes and trace lines recorded
// instead of shown, so nothing ever waits for a user.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdlib>
#include <string>
#include <vector>

#include "diag/messages.h"

// Records what WarningBox would show; install in initTestCase.
struct RecordedBoxes {
  static std::vector<std::string>& Texts() {
    static std::vector<std::string> texts;
    return texts;
  }
  static int Present(const char* caption, const char* text) {
    Texts().push_back(std::string(caption) + ": " + text);
    return 1;
  }
  static void Install() { SetMessageBoxPresenter(Present); }
};

// Captures trace lines for its lifetime.
class TraceLines {
 public:
  TraceLines() : saved_(g_trace_sink) {
    Lines().clear();
    g_trace_sink = Record;
  }
  ~TraceLines() { g_trace_sink = saved_; }
  TraceLines(const TraceLines&) = delete;
  TraceLines& operator=(const TraceLines&) = delete;

  static std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
  }

 private:
  static int Record(const char* line) {
    Lines().push_back(line);
    return 0;
  }
  MessageSink saved_;
};

// Saves a picture of the widget for a person to look at, when asked to
// (QUORVEL_SHOT_DIR names the folder).
inline void Shoot(QWidget* widget, const char* name) {
  const QString dir = qEnvironmentVariable("QUORVEL_SHOT_DIR");
  if (!dir.isEmpty()) {
    widget->grab().save(dir + "/" + name + ".png");
  }
}

// Writes `from` encrypted by qpdf with AES-256 and the two passwords to `to`;
// qpdf's exit status.
inline int EncryptWithQpdf(const std::string& from, const std::string& to, const std::string& user,
                           const std::string& owner) {
  const std::string command = std::string(QPDF_EXE) + " --encrypt " + user + " " + owner +
                              " 256 -- '" + from + "' '" + to + "'";
  return std::system(command.c_str());
}

inline QString Q(const std::string& text) {
  return QString::fromStdString(text);
}
