#include "app/app_doc.h"

#include <QFile>
#include <QFileInfo>

#include "app/settings.h"
#include "describe/open_mode.h"

namespace {

const char kUntitled[] = "Untitled";

}  // namespace

CAppDoc::CAppDoc(QObject* parent) : QObject(parent) {
  SetTitle(kUntitled);
}

CAppDoc::~CAppDoc() {
  // Panes may still be listening while the objects go.
  selection_ = nullptr;
}

void CAppDoc::SetSelection(pdf::Object* object) {
  if (object == selection_) {
    return;
  }
  selection_ = object;
  UpdateAllViews(HINT_SELECTION);
}

void CAppDoc::DeleteContents() {
  SetSelection(nullptr);
}

bool CAppDoc::OnOpenDocument(const QString& path) {
  DeleteContents();
  // Marked modified until the open succeeds: a failed open leaves the old
  // contents lost, and the caller then starts a new document.
  SetModifiedFlag(true);
  pages_.reset();
  emit aboutToOpen();
  pdf::OpenOptions options = OpenOptionsFor(mode_);
  LoadModernBounds(&options);
  opened_password_ = std::move(open_password_);
  open_password_.clear();
  options.password = opened_password_;
  options.progress = open_progress_;
  if (!Open(QFile::encodeName(path).constData(), options)) {
    return false;
  }
  SetModifiedFlag(false);
  SetPathName(path);
  UpdateAllViews(HINT_OPENED);
  return true;
}

bool CAppDoc::OnNewDocument() {
  DeleteContents();
  pages_.reset();
  SetPathName(QString());
  SetModifiedFlag(false);
  SetSelection(nullptr);
  return true;
}

void CAppDoc::OnFinding(const char* line) {
  emit finding(QString::fromUtf8(line));
}

void CAppDoc::UpdateAllViews(int hint) {
  emit updated(hint);
}

const PageList& CAppDoc::Pages() {
  if (!pages_) {
    pages_ = HasFile() ? ListPages(*this) : PageList();
  }
  return *pages_;
}

bool CAppDoc::HasFile() const {
  return file.IsOpen();
}

void CAppDoc::SetPathName(const QString& path) {
  path_ = path;
  SetTitle(path.isEmpty() ? QString(kUntitled) : QFileInfo(path).fileName());
}

void CAppDoc::SetTitle(const QString& title) {
  title_ = title;
  emit titleChanged(title_);
}
