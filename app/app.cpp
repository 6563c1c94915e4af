#include "app/app.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include <unistd.h>

#include "app/app_doc.h"
#include "app/commands.h"
#include "app/file_copy.h"
#include "app/file_dialogs.h"
#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/open_progress.h"
#include "app/settings.h"
#include "app/wait_cursor.h"
#include "describe/open_mode.h"
#include "describe/password_probe.h"
#include "diag/format.h"
#include "diag/messages.h"
#include "pdf/memmap_file.h"

namespace {

// The Open and Save As dialogs' filters, the document type's first.

std::string LocalPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

}  // namespace

ModernAnswer AskModernModeInBox(const QString& question) {
  QMessageBox box(QMessageBox::Question, ResourceString(AFX_IDS_APP_TITLE), question);
  QPushButton* yes = box.addButton(QMessageBox::Yes);
  box.addButton(QMessageBox::No);
  QPushButton* always = box.addButton("Always", QMessageBox::AcceptRole);
  box.setDefaultButton(yes);
  box.exec();
  if (box.clickedButton() == always) {
    return ModernAnswer::kAlways;
  }
  return box.clickedButton() == yes ? ModernAnswer::kYes : ModernAnswer::kNo;
}

CApp::CApp() = default;

CApp::~CApp() {
  frame_.reset();
  doc_.reset();
}

bool CApp::InitInstance(const QString& file, bool modern) {
  SelectSettingsStore();
  LoadRecentFiles(&recent_);
  doc_ = std::make_unique<CAppDoc>();
  doc_->SetMode(modern || LoadModernMode() ? pdf::Mode::kModern : pdf::Mode::kClassic);
  frame_ = std::make_unique<CMainFrame>(doc_.get());
  ShowMode();
  connect(frame_.get(), &CMainFrame::command, this, &CApp::OnCommand);
  connect(frame_.get(), &CMainFrame::fileDropped, this,
          [this](const QString& path) { OpenDocumentFile(path); });
  frame_->SetRecentFiles(recent_);
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { CheckOpenFile(); });
  constexpr int kCheckIntervalMs = 2000;
  check_timer_.setInterval(kCheckIntervalMs);
  connect(&check_timer_, &QTimer::timeout, this, &CApp::CheckOpenFile);
  if (!file.isEmpty()) {
    return OpenDocumentFile(file);
  }
  OnFileNew();
  return true;
}

namespace {

// The error and warning messages of a modern open, held back so that a
// failure shows as one box with its reason.
std::vector<std::string>* g_held = nullptr;

int HoldMessage(const char* text) {
  if (g_held != nullptr) {
    g_held->emplace_back(text);
  }
  return 1;
}

// Holds back errors and warnings while it lives; traces go on as before.
class HeldMessages : public ScopedSinks {
 public:
  explicit HeldMessages(std::vector<std::string>* held)
      : ScopedSinks(HoldMessage, HoldMessage, g_trace_sink) {
    g_held = held;
  }
  ~HeldMessages() { g_held = nullptr; }
};

}  // namespace

bool CApp::OpenInMode(const QString& path, bool* kept, const std::string& known) {
  *kept = false;
  open_cancelled_ = false;
  if (!ModernMode()) {
    CWaitCursor wait;
    COpenProgress progress(doc_.get(), frame_.get(), path);
    const bool opened = doc_->OnOpenDocument(path);
    open_cancelled_ = doc_->OpenCancelled();
    return opened;
  }
  PasswordProbe probe = ProbePassword(
      LocalPath(path),
      [&](const std::string& protection, int attempt, std::string* password) {
        return password_ && password_(path, protection, attempt, password);
      },
      known);
  if (probe.refused) {
    ErrorMessage("%s", probe.message.c_str());
    *kept = true;
    return false;
  }
  // What was open, to be read again should this open fail.
  const QString previous = doc_->HasFile() ? doc_->GetPathName() : QString();
  const std::string previous_password = doc_->OpenPassword();
  std::vector<std::string> held;
  bool opened = false;
  {
    CWaitCursor wait;
    HeldMessages hold(&held);
    COpenProgress progress(doc_.get(), frame_.get(), path);
    doc_->SetOpenPassword(std::move(probe.password));
    opened = doc_->OnOpenDocument(path);
    open_cancelled_ = doc_->OpenCancelled();
  }
  if (opened) {
    return true;
  }
  if (!open_cancelled_) {
    // One box: the reason the file could not be read, then the last word.
    // A cancelled open has no reason to tell: the user knows it.
    std::string text = held.empty() ? "The file could not be opened." : held.front();
    if (held.size() > 1 && held.back() != held.front()) {
      text += "\n" + held.back();
    }
    CaptionedBox(ResourceString(AFX_IDS_APP_TITLE), text.c_str());
  }
  if (!previous.isEmpty()) {
    // The failed open has discarded the document: it is read again, quietly,
    // so that the window shows what it showed.
    CWaitCursor wait;
    HeldMessages hold(&held);
    COpenProgress progress(doc_.get(), frame_.get(), previous);
    doc_->SetOpenPassword(previous_password);
    if (doc_->OnOpenDocument(previous)) {
      doc_->UpdateAllViews(HINT_INITIAL_UPDATE);
      *kept = true;
    }
  }
  return false;
}

bool CApp::OpenDocumentFile(const QString& path, bool offer, const std::string& known) {
  QString full = QFile::decodeName(FullPath(LocalPath(path).c_str()).c_str());
  opening_ = true;
  bool kept = false;
  bool opened = OpenInMode(full, &kept, known);
  // A cancelled open is not offered to modern mode: the user stopped it.
  if (!opened && !kept && offer && !open_cancelled_ && OfferModernMode(full)) {
    opened = OpenInMode(full, &kept, known);
  }
  opening_ = false;
  last_open_kept_ = kept;
  if (kept) {
    WatchOpenFile();  // it may have been read again
    return false;     // the document that was open stays, and so do the panes
  }
  if (opened) {
    // Read again first: another running viewer may have changed the list.
    LoadRecentFiles(&recent_);
    recent_.Add(LocalPath(full));
    RecentFilesChanged();
  } else {
    // The failed open has discarded the old contents: what remains is untitled.
    doc_->OnNewDocument();
  }
  doc_->UpdateAllViews(HINT_INITIAL_UPDATE);
  UpdateSaveCommands();
  WatchOpenFile();
  return opened;
}

bool CApp::OpenRecentFile(int index) {
  if (index < 0 || index >= recent_.Size()) {
    return false;
  }
  std::string path = recent_.Entries()[index];
  if (OpenDocumentFile(QFile::decodeName(path.c_str()))) {
    return true;
  }
  LoadRecentFiles(&recent_);
  recent_.Remove(path);
  RecentFilesChanged();
  return false;
}

void CApp::OnFileNew() {
  doc_->OnNewDocument();
  doc_->UpdateAllViews(HINT_INITIAL_UPDATE);
  UpdateSaveCommands();
  WatchOpenFile();
}

void CApp::OnFileReload() {
  if (doc_->GetPathName().isEmpty()) {
    return;
  }
  const std::string selected = frame_->LeftView()->SelectedPath();
  // The password that opened the file is tried first: a reload of an
  // encrypted file asks only if the file now wants another.
  const std::string known = doc_->OpenPassword();
  if (OpenDocumentFile(doc_->GetPathName(), /*offer=*/false, known) && !selected.empty()) {
    std::string error;
    // An item the new contents no longer have is simply not selected.
    frame_->LeftView()->SelectPath(selected, &error);
  }
}

void CApp::WatchOpenFile() {
  if (!watcher_.files().isEmpty()) {
    watcher_.removePaths(watcher_.files());
  }
  change_shown_ = false;
  frame_->SetIdleMessage(QString());
  if (doc_->HasFile() && !doc_->GetPathName().isEmpty()) {
    watcher_.addPath(doc_->GetPathName());
    check_timer_.start();
    CheckOpenFile();
  } else {
    check_timer_.stop();
  }
}

void CApp::CheckOpenFile() {
  const QString path = doc_->GetPathName();
  // An open lets the timer and the watcher in while it reads: the document
  // is not yet the path's.
  if (!doc_->HasFile() || path.isEmpty() || opening_) {
    return;
  }
  // A file saved by writing a new one and renaming it over the old drops out
  // of the watcher: watch the path again once it is back.
  if (!watcher_.files().contains(path) && QFileInfo::exists(path)) {
    watcher_.addPath(path);
  }
  if (!change_shown_ && doc_->FileChanged()) {
    change_shown_ = true;
    frame_->SetIdleMessage(kFileChangedLine);
    emit doc_->fileChanged();
  }
}

QString CApp::AskFileName(const QString& caption, bool save) {
  if (file_question_) {
    return file_question_(caption, doc_->GetPathName(), save);
  }
  return AskPdfFileName(frame_.get(), caption, doc_->GetPathName(),
                        save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
}

void CApp::OnFileOpen() {
  QString path = AskFileName("Open", /*save=*/false);
  if (!path.isEmpty()) {
    OpenDocumentFile(path);
  }
}

void CApp::OnFileSave() {
  // An opened document never changes, and the file it came from is its stored
  // form already: there is nothing to write. An untitled one is named first,
  // as Save does for any untitled document.
  if (doc_->GetPathName().isEmpty()) {
    OnFileSaveAs();
  }
}

void CApp::OnFileSaveAs() {
  QString target = AskFileName("Save As", /*save=*/true);
  if (target.isEmpty()) {
    return;
  }
  if (doc_->GetPathName().isEmpty() || !doc_->HasFile()) {
    // Nothing is written: an empty file would replace whatever had the name.
    ErrorMessage("No file is open: '%s' was not written.", LocalPath(target).c_str());
    return;
  }
  SaveCopyAs(target);
}

bool CApp::SaveCopyAs(const QString& target) {
  if (doc_->GetPathName().isEmpty() || !doc_->HasFile()) {
    return false;
  }
  std::string to = LocalPath(target);
  if (IsSameFile(doc_->file.Path(), to)) {
    ErrorMessage("The file '%s' is the open document; save the copy under another name.",
                 to.c_str());
    return false;
  }
  // The mapping of a changed file holds another file's bytes, or zeros where
  // it shrank: a copy of it would not be the file that was opened.
  const char kChanged[] =
      "The file '%s' changed on disk after it was opened; reload it before saving a copy.";
  if (doc_->FileChanged()) {
    ErrorMessage(kChanged, doc_->file.Path().c_str());
    return false;
  }
  ErrorInfo result =
      WriteFileReplacing(to, doc_->file.Data(), static_cast<size_t>(doc_->file.Size()));
  if (result.code != 0) {
    ErrorMessage("%s", result.Message());
    return false;
  }
  if (doc_->FileChanged()) {
    // It changed while the copy was written.
    unlink(to.c_str());
    ErrorMessage(kChanged, doc_->file.Path().c_str());
    return false;
  }
  return true;
}

bool CApp::ModernMode() const {
  return doc_ != nullptr && doc_->GetMode() == pdf::Mode::kModern;
}

void CApp::SetModernMode(bool modern, bool remember) {
  if (remember) {
    SaveModernMode(modern);
  }
  if (modern == ModernMode()) {
    ShowMode();
    return;
  }
  doc_->SetMode(modern ? pdf::Mode::kModern : pdf::Mode::kClassic);
  ShowMode();
  if (!doc_->GetPathName().isEmpty()) {
    // The user chose the mode: no question about it this time.
    if (!OpenDocumentFile(doc_->GetPathName(), /*offer=*/false) && last_open_kept_) {
      // No password given: the document stays as it was read, in its mode.
      doc_->SetMode(modern ? pdf::Mode::kClassic : pdf::Mode::kModern);
      if (remember) {
        SaveModernMode(!modern);
      }
      ShowMode();
    }
  }
}

void CApp::ShowMode() {
  frame_->ShowMode(ModernMode());
}

bool CApp::OfferModernMode(const QString& path) {
  if (ModernMode() || !question_) {
    return false;
  }
  std::string features;
  {
    // As long as the open itself for a damaged file: Cancel ends it as a No.
    CWaitCursor wait;
    COpenProgress progress(doc_.get(), frame_.get(), path);
    if (!ModernModeReads(LocalPath(path), &features, progress.Callback())) {
      return false;
    }
  }
  const ModernAnswer answer = question_(QString::fromUtf8(ModernModeQuestion(features).c_str()));
  if (answer == ModernAnswer::kNo) {
    return false;
  }
  if (answer == ModernAnswer::kAlways) {
    SaveModernMode(true);
  }
  doc_->SetMode(pdf::Mode::kModern);
  ShowMode();
  return true;
}

void CApp::OnCommand(int id) {
  switch (id) {
    case ID_VIEW_MODERN_MODE:
      SetModernMode(!ModernMode(), /*remember=*/true);
      return;
    case ID_FILE_NEW:
      OnFileNew();
      return;
    case ID_FILE_OPEN:
      OnFileOpen();
      return;
    case ID_FILE_SAVE:
      OnFileSave();
      return;
    case ID_FILE_SAVE_AS:
      OnFileSaveAs();
      return;
    case ID_FILE_RELOAD:
      OnFileReload();
      return;
    default:
      if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_LAST) {
        OpenRecentFile(id - ID_FILE_MRU_FILE1);
      }
      return;
  }
}

void CApp::RecentFilesChanged() {
  SaveRecentFiles(recent_);
  frame_->SetRecentFiles(recent_);
}

void CApp::UpdateSaveCommands() {
  // Save and Save As stay available untitled too, and say there what they
  // can do; a reload needs a file.
  bool titled = !doc_->GetPathName().isEmpty();
  frame_->Action(ID_FILE_RELOAD)->setEnabled(titled && doc_->HasFile());
}
