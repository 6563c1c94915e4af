#include "app/page_renderer.h"

#include <sys/resource.h>

#include <QFileInfo>
#include <QProcess>
#include <QStringList>

namespace {

// A page that takes longer is no page a viewer waits for.
constexpr int kRenderTimeoutMs = 10000;
// Address space of the renderer process: room for a large page at the widths
// asked for, and a stop for a file built to exhaust memory.
constexpr rlim_t kRenderMemoryBytes = rlim_t{1} << 30;
// The end of the renderer's error output that is kept: its last line says
// why it failed, and a damaged file can make it warn without end.
constexpr qsizetype kRenderErrorsKept = 4096;
// The PNG read from the renderer's output at most.
constexpr qsizetype kRenderOutputBound = qsizetype{128} << 20;

int& TimeLimitSetting() {
  static int milliseconds = kRenderTimeoutMs;
  return milliseconds;
}

QString& ProgramSetting() {
  static QString program = QStringLiteral("pdftoppm");
  return program;
}

// The renderer's last line of error output, which says why it failed.
QString LastLine(const QByteArray& text) {
  const QList<QByteArray> lines = text.trimmed().split('\n');
  return lines.isEmpty() ? QString() : QString::fromLocal8Bit(lines.back().trimmed());
}

}  // namespace

CPageRenderer::CPageRenderer(QObject* parent) : QObject(parent) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, [this] {
    Fail(QString("the renderer took longer than %1 seconds").arg(TimeLimitMs() / 1000.0));
  });
}

CPageRenderer::~CPageRenderer() {
  Cancel();
  // Renders dropped before are still being reaped: end them here, so that no
  // process outlives the pane (a killed process goes at once).
  for (QProcess* process : findChildren<QProcess*>()) {
    process->kill();
    process->waitForFinished(1000);
  }
}

void CPageRenderer::SetProgram(const QString& program) {
  ProgramSetting() = program;
}

QString CPageRenderer::Program() {
  return ProgramSetting();
}

void CPageRenderer::SetTimeLimitMs(int milliseconds) {
  TimeLimitSetting() = milliseconds;
}

int CPageRenderer::TimeLimitMs() {
  return TimeLimitSetting();
}

void CPageRenderer::Start(const QString& file, int page, int width, const std::string& password) {
  Cancel();
  output_.clear();
  errors_.clear();
  process_ = new QProcess(this);
  QStringList args = {"-f",          QString::number(page),  "-l",          QString::number(page),
                      "-scale-to-x", QString::number(width), "-scale-to-y", "-1",
                      "-png",        "-singlefile"};
  if (!password.empty()) {
    const QString text = QString::fromStdString(password);
    args << "-opw" << text << "-upw" << text;
  }
  // No output root: the picture comes on standard output, so no file is left
  // behind when the renderer is killed. An absolute path never starts with '-', so it cannot pass
  // for an option.
  args << QFileInfo(file).absoluteFilePath();
  process_->setChildProcessModifier([] {
    const rlimit limit{kRenderMemoryBytes, kRenderMemoryBytes};
    setrlimit(RLIMIT_AS, &limit);
  });
  connect(process_, &QProcess::readyReadStandardOutput, this, &CPageRenderer::OnOutput);
  // Error output is read as it comes: a full pipe would stall the renderer.
  connect(process_, &QProcess::readyReadStandardError, this, &CPageRenderer::OnErrors);
  connect(process_, &QProcess::finished, this,
          [this](int code, QProcess::ExitStatus status) { OnFinished(code, status); });
  connect(process_, &QProcess::errorOccurred, this,
          [this](QProcess::ProcessError error) { OnError(error); });
  timer_.start(TimeLimitMs());
  process_->start(Program(), args, QIODevice::ReadOnly);
}

void CPageRenderer::Cancel() {
  timer_.stop();
  if (process_ == nullptr) {
    return;
  }
  QProcess* process = process_;
  process_ = nullptr;
  process->disconnect(this);
  if (process->state() == QProcess::NotRunning) {
    process->deleteLater();
    return;
  }
  // Reaped when it has gone, without waiting for it here.
  connect(process, &QProcess::finished, process, &QObject::deleteLater);
  process->kill();
}

void CPageRenderer::OnOutput() {
  output_ += process_->readAllStandardOutput();
  if (output_.size() > kRenderOutputBound) {
    Fail(QString("the picture is larger than %1 MB").arg(kRenderOutputBound >> 20));
  }
}

void CPageRenderer::OnErrors() {
  errors_ += process_->readAllStandardError();
  if (errors_.size() > kRenderErrorsKept) {
    errors_.remove(0, errors_.size() - kRenderErrorsKept);
  }
}

void CPageRenderer::OnFinished(int exit_code, int exit_status) {
  output_ += process_->readAllStandardOutput();
  OnErrors();
  const QString reason = LastLine(errors_);
  if (exit_status != QProcess::NormalExit) {
    Fail("the renderer crashed" + (reason.isEmpty() ? QString() : " (" + reason + ")"));
    return;
  }
  if (exit_code != 0) {
    Fail(QString("the renderer failed with exit status %1").arg(exit_code) +
         (reason.isEmpty() ? QString() : ": " + reason));
    return;
  }
  QImage image;
  if (!image.loadFromData(output_, "PNG") || image.isNull()) {
    Fail("the renderer gave no picture" + (reason.isEmpty() ? QString() : ": " + reason));
    return;
  }
  Cancel();
  output_.clear();
  emit rendered(image);
}

void CPageRenderer::OnError(int error) {
  // A crash or a kill also ends in finished(), which says so.
  if (error == QProcess::FailedToStart) {
    Fail("the renderer '" + Program() + "' could not be started (" + process_->errorString() + ")");
  }
}

void CPageRenderer::Fail(const QString& why) {
  Cancel();
  output_.clear();
  emit failed(why);
}
