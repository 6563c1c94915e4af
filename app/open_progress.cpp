#include "app/open_progress.h"

#include <QFileInfo>

#include "app/app_doc.h"

COpenProgress::COpenProgress(CAppDoc* doc, QWidget* window, const QString& path)
    : doc_(doc), name_(QFileInfo(path).fileName()) {
  task_.Begin(window, "Opening " + name_, {}, /*blocking=*/true);
  doc_->SetOpenProgress(Callback());
}

COpenProgress::~COpenProgress() {
  doc_->SetOpenProgress({});
  task_.End();
}

pdf::OpenProgress COpenProgress::Callback() {
  return [this](int64_t done, int64_t total) {
    // A damaged file is rebuilt by scanning it: the text says so.
    const bool repairing = (doc_->ModernFeatures() & pdf::kFeatureRepaired) != 0;
    return task_.Step(done, total, (repairing ? "Repairing " : "Opening ") + name_);
  };
}
