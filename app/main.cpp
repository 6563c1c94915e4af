#include <QApplication>
#include <QFile>
#include <QTimer>

#include <cstdio>

#include "app/app.h"
#include "app/command_line.h"
#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/message_box.h"
#include "app/password_prompt.h"
#include "app/toolbar_icons.h"
#include "app/window_state.h"
#include "diag/messages.h"

namespace {

constexpr int kScreenshotDelayMs = 500;  // lets the window lay out and paint first

int TraceToStandardError(const char* line) {
  fprintf(stderr, "%s\n", line);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Answer --help and --version before QApplication: without a display its
  // constructor aborts.
  CommandLine line = ParseCommandLine(argc, argv);
  if (!line.error.empty()) {
    fprintf(stderr, "quorvel: %s\n%s", line.error.c_str(), UsageText());
    return 2;
  }
  if (line.help) {
    fputs(UsageText(), stdout);
    return 0;
  }
  if (line.version) {
    printf("%s\n", VersionText().c_str());
    return 0;
  }

  QApplication qt_app(argc, argv);
  // Desktops match the window to its launcher entry and icon by this name.
  QGuiApplication::setDesktopFileName(kApplicationId);
  if (line.trace) {
    g_trace_sink = TraceToStandardError;
  }
  // A screenshot run has nobody to close a message box: messages go to
  // standard error instead.
  if (line.screenshot.empty()) {
    InstallWarningBox();
  }

  CApp app;
  if (line.screenshot.empty()) {
    app.SetModernQuestion(AskModernModeInBox);
    app.SetPasswordQuestion(AskPasswordInBox);
  } else {
    app.SetModernQuestion([](const QString& question) {
      fprintf(stderr, "quorvel: %s (not asked in a screenshot run: no)\n",
              question.toLocal8Bit().constData());
      return ModernAnswer::kNo;
    });
  }
  if (!app.InitInstance(QFile::decodeName(line.file.c_str()), line.modern)) {
    return 1;  // the reasons were shown already
  }
  CMainFrame* frame = app.MainFrame();
  // A screenshot run starts as every run did before, so that its picture
  // does not depend on how the user last left the window.
  bool first_start = false;
  if (line.screenshot.empty()) {
    first_start = !RestoreWindowState(frame);
    if (first_start) {
      SizeToScreen(frame);
    }
    frame->RememberWindowState();
  }
  frame->show();
  bool selected = true;
  if (!line.select.empty()) {
    std::string error;
    selected = frame->LeftView()->SelectPath(line.select, &error);
    if (!selected) {
      fprintf(stderr, "quorvel: %s\n", error.c_str());
    }
  }
  if (first_start) {
    FitTreePane(frame);
  }
  if (!line.screenshot.empty()) {
    QString target = QFile::decodeName(line.screenshot.c_str());
    QTimer::singleShot(kScreenshotDelayMs, frame, [frame, target, selected] {
      bool saved = frame->grab().save(target, "PNG");
      if (!saved) {
        fprintf(stderr, "quorvel: cannot write %s\n", target.toLocal8Bit().constData());
      }
      QApplication::exit(!saved ? 1 : selected ? 0 : 2);
    });
  }
  return qt_app.exec();
}
