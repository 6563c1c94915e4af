#include <QApplication>
#include <QTimer>

#include <cstdio>

#include "app/command_line.h"
#include "app/main_frame.h"

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

  QApplication app(argc, argv);
  CMainFrame frame;
  frame.show();
  if (!line.screenshot.empty()) {
    QString target = QString::fromLocal8Bit(line.screenshot.c_str());
    QTimer::singleShot(500, &frame, [&frame, target] {
      bool saved = frame.grab().save(target, "PNG");
      if (!saved) {
        fprintf(stderr, "quorvel: cannot write %s\n", target.toLocal8Bit().constData());
      }
      QApplication::exit(saved ? 0 : 1);
    });
  }
  return app.exec();
}
