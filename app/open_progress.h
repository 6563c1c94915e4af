// An open of the viewer's document in the status bar: how far the reading
// or repair of a large file got, with Cancel. While it lives every open of
// the document reports there; the window's events are let through at each
// report, the user's held back but for Cancel (see CStatusProgress).
#pragma once

#include <QString>

#include "app/status_progress.h"
#include "pdf/open_options.h"

class CAppDoc;
class QWidget;

class COpenProgress {
 public:
  // `window`: where the status bar is; `path`: the file, named in the text.
  COpenProgress(CAppDoc* doc, QWidget* window, const QString& path);
  ~COpenProgress();
  COpenProgress(const COpenProgress&) = delete;
  COpenProgress& operator=(const COpenProgress&) = delete;

  // For an open of another document of the same file (modern mode's
  // question): the same bar, the same Cancel.
  pdf::OpenProgress Callback();
  bool Cancelled() const { return task_.Cancelled(); }

 private:
  CAppDoc* doc_;
  CProgressTask task_;
  QString name_;
};
