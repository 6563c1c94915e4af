// The viewer's one document: a pdf::Document that the panes observe. It keeps
// the selected object and tells the panes what changed through update hints.
#pragma once

#include <QObject>
#include <QString>
#include <optional>

#include "analysis/page_list.h"
#include "describe/viewer_document.h"
#include "pdf/open_options.h"

// Update hints; the panes test their bits.
inline constexpr int HINT_SELECTION = 2;  // the selection changed: the detail pane rebuilds
inline constexpr int HINT_OPENED = 3;     // a file was opened: both panes rebuild
// The initial update that follows every new or opened document.
inline constexpr int HINT_INITIAL_UPDATE = 0;
// The bits the panes test: HINT_OPENED carries both.
inline constexpr int HINT_BIT_OPENED = 1;     // the tree rebuilds
inline constexpr int HINT_BIT_SELECTION = 2;  // the detail pane rebuilds

// What the panes show instead of an item read after the open file changed on
// disk: its bytes may be another file's, or zeros where it shrank.
inline constexpr char kFileChangedLine[] =
    "The file changed on disk after it was opened: press F5 to reload";

// Validation findings become trace lines and never fail the open (ViewerDocument).
class CAppDoc : public QObject, public ViewerDocument {
  Q_OBJECT

 public:
  explicit CAppDoc(QObject* parent = nullptr);
  ~CAppDoc() override;

  // Stores the object and sends HINT_SELECTION when it differs from the current one.
  void SetSelection(pdf::Object* object);
  pdf::Object* GetSelection() const { return selection_; }

  // Opens the full path (see the open steps in app_doc.cpp). On success the
  // document takes the path and its file name as its title.
  bool OnOpenDocument(const QString& path);
  // Empties the document and makes it untitled. The embedded pdf::Document is
  // left as it is, so the tree keeps what it shows.
  bool OnNewDocument();
  // Clears the selection; the objects themselves go at the next open or close.
  void DeleteContents();

  // Sends the hint to every pane.
  void UpdateAllViews(int hint);

  const QString& GetPathName() const { return path_; }
  const QString& GetTitle() const { return title_; }
  bool IsModified() const { return modified_; }
  void SetModifiedFlag(bool modified) { modified_ = modified; }
  // True while a file is mapped, that is after a successful open.
  bool HasFile() const;

  // The mode the next open reads in (classic until set).
  void SetMode(pdf::Mode mode) { mode_ = mode; }
  pdf::Mode GetMode() const { return mode_; }
  // The password the next open tries first (modern mode); used once.
  void SetOpenPassword(std::string password) { open_password_ = std::move(password); }
  // The password that opened the file, for the readers of the same file on
  // other threads (find).
  const std::string& OpenPassword() const { return opened_password_; }
  // Told how far each open from now on got (see pdf::OpenOptions::progress);
  // none when empty. A cancelled open fails as a damaged file does, quietly:
  // OpenCancelled() then says so.
  void SetOpenProgress(pdf::OpenProgress progress) { open_progress_ = std::move(progress); }
  // The open file's pages in order, listed at the first call after an open
  // (a walk of the whole page tree) and kept until the next.
  const PageList& Pages();

 signals:
  void updated(int hint);
  // An open is about to discard every object: drop all pointers to them now.
  void aboutToOpen();
  // The open file changed on disk: what reads its mapping from now on reads
  // another file's bytes, or zeros.
  void fileChanged();
  void titleChanged(const QString& title);
  // A validation finding or load message of the open file ("Warning: ...").
  void finding(const QString& line);

 protected:
  void OnFinding(const char* line) override;

 private:
  void SetPathName(const QString& path);
  void SetTitle(const QString& title);

  pdf::Object* selection_ = nullptr;
  QString path_;
  QString title_;
  bool modified_ = false;
  pdf::Mode mode_ = pdf::Mode::kClassic;
  std::string open_password_;
  std::string opened_password_;
  pdf::OpenProgress open_progress_;
  std::optional<PageList> pages_;
};
