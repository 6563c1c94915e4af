// The application: settings, the recent-file list, the one document and its
// main window, and the commands that open, renew and save the document.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "app/recent_files.h"

class CAppDoc;
class CMainFrame;

// The answers to the question whether a file that classic mode did not read
// should open in modern mode.
enum class ModernAnswer { kNo, kYes, kAlways };
using ModernQuestion = std::function<ModernAnswer(const QString& question)>;
// The question in a box with Yes, No and Always.
ModernAnswer AskModernModeInBox(const QString& question);
// Asks for the password of an encrypted file; false when the user gives up.
using PasswordQuestion = std::function<bool(const QString& file, const std::string& protection,
                                            int attempt, std::string* password)>;

// Asks for a file name in the Open (save false) or Save As dialog; empty
// when cancelled.
using FileQuestion = std::function<QString(const QString& caption, const QString& path, bool save)>;

class CApp : public QObject {
  Q_OBJECT

 public:
  CApp();
  ~CApp() override;

  // Start-up: selects the settings store, loads the recent files, makes the
  // document and the main window, then opens `file` or starts a new document.
  // False when the file did not open: the program then ends.
  // `modern` (from --modern) starts in modern mode whatever the settings say.
  bool InitInstance(const QString& file, bool modern = false);

  CAppDoc* Document() const { return doc_.get(); }
  CMainFrame* MainFrame() const { return frame_.get(); }
  const RecentFileList& RecentFiles() const { return recent_; }

  // Opens a file by path. On failure the document becomes untitled; a file
  // that classic mode did not read may be offered to modern mode.
  bool OpenDocumentFile(const QString& path) { return OpenDocumentFile(path, /*offer=*/true); }
  // Opens entry `index` of the recent-file list, removing it when that fails.
  bool OpenRecentFile(int index);
  void OnFileNew();
  void OnFileOpen();
  void OnFileSave();
  void OnFileSaveAs();
  // Opens the open file's path again in the same mode (F5), selecting the
  // item that was selected when the new file still has it.
  void OnFileReload();
  // Whether the open file changed on disk; the first time it has, the status
  // bar says so until the next open. The file watcher and a timer call this.
  void CheckOpenFile();
  // Writes a byte-exact copy of the open file to `target`; never over the open
  // file itself.
  bool SaveCopyAs(const QString& target);

  // Switches the mode, remembered in the settings when `remember`; an open
  // file is read again in the new mode.
  void SetModernMode(bool modern, bool remember);
  bool ModernMode() const;
  // Who answers the question after a failed classic open; without one it is
  // not asked (a screenshot run, tests).
  void SetModernQuestion(ModernQuestion question) { question_ = std::move(question); }
  // Whether the last open was stopped by Cancel in the status bar; it then
  // ended as a failed open ends, without a box.
  bool LastOpenCancelled() const { return open_cancelled_; }
  // Who is asked for the password of an encrypted file in modern mode; without
  // one only the empty user password is tried.
  void SetPasswordQuestion(PasswordQuestion question) { password_ = std::move(question); }
  // Who answers the file dialogs (the dialogs themselves unless set).
  void SetFileQuestion(FileQuestion question) { file_question_ = std::move(question); }

 private:
  void OnCommand(int id);
  QString AskFileName(const QString& caption, bool save);
  // `known` is a password to try before asking (a reload's).
  bool OpenDocumentFile(const QString& path, bool offer, const std::string& known = {});
  // Opens in the document's mode. In modern mode an encrypted file's password
  // is settled first, so that a refused one leaves the open document as it
  // was (`kept`).
  bool OpenInMode(const QString& path, bool* kept, const std::string& known);
  // After a failed classic open: whether modern mode reads the file and the
  // user wants it; switches the mode when so.
  bool OfferModernMode(const QString& path);
  void ShowMode();
  void RecentFilesChanged();
  void UpdateSaveCommands();
  // Watches the open file's path, or nothing when no file is open.
  void WatchOpenFile();

  // The window goes before the document: its panes point into the document.
  std::unique_ptr<CAppDoc> doc_;
  std::unique_ptr<CMainFrame> frame_;
  RecentFileList recent_;
  ModernQuestion question_;
  PasswordQuestion password_;
  FileQuestion file_question_;
  bool last_open_kept_ = false;  // the last open failed before touching the document
  bool open_cancelled_ = false;  // the last open was cancelled
  bool opening_ = false;         // an open is under way (it lets events in)
  QFileSystemWatcher watcher_;
  // The watcher misses what it cannot see (a path replaced while it was
  // gone, some network file systems): a cheap size and time check besides.
  QTimer check_timer_;
  bool change_shown_ = false;
};
