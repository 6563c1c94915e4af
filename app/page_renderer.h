// Pictures of pages from an outside renderer (poppler's pdftoppm), run as a
// process of its own under a time and a memory limit: a renderer that crashes
// or hangs on a hostile file costs the picture, never the viewer. One render
// at a time; starting another (or Cancel) drops the one in flight.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <string>

class QProcess;

class CPageRenderer : public QObject {
  Q_OBJECT

 public:
  explicit CPageRenderer(QObject* parent = nullptr);
  ~CPageRenderer() override;

  // Renders page `page` (1-based) of `file`, `width` pixels wide; the
  // password, when not empty, is given as both user and owner password.
  void Start(const QString& file, int page, int width, const std::string& password);
  void Cancel();
  bool Busy() const { return process_ != nullptr; }

  // The program run, "pdftoppm" from PATH unless set (tests set another).
  static void SetProgram(const QString& program);
  static QString Program();
  // How long a render may take before it is killed (10 seconds unless set).
  static void SetTimeLimitMs(int milliseconds);
  static int TimeLimitMs();

 signals:
  void rendered(const QImage& image);
  void failed(const QString& why);

 private:
  void OnOutput();
  void OnErrors();
  void OnFinished(int exit_code, int exit_status);
  void OnError(int error);
  void Fail(const QString& why);

  QProcess* process_ = nullptr;
  QTimer timer_;
  QByteArray output_;
  QByteArray errors_;  // the end of the renderer's error output
};
