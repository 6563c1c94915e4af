// The application: settings, the recent-file list, the one document and its
// main window, and the commands that open, renew and save the document.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "app/recent_files.h"

class CAppDoc;
class CMainFrame;

class CApp : public QObject {
  Q_OBJECT

 public:
  CApp();
  ~CApp() override;

  // Start-up: selects the settings store, loads the recent files, makes the
  // document and the main window, then opens `file` or starts a new document.
  // False when the file did not open: the program then ends.
  bool InitInstance(const QString& file);

  CAppDoc* Document() const { return doc_.get(); }
  CMainFrame* MainFrame() const { return frame_.get(); }
  const RecentFileList& RecentFiles() const { return recent_; }

  // Opens a file by path. On failure the document becomes untitled.
  bool OpenDocumentFile(const QString& path);
  // Opens entry `index` of the recent-file list, removing it when that fails.
  bool OpenRecentFile(int index);
  void OnFileNew();
  void OnFileOpen();
  void OnFileSave();
  void OnFileSaveAs();
  // Writes a byte-exact copy of the open file to `target`; never over the open
  // file itself.
  bool SaveCopyAs(const QString& target);

 private:
  void OnCommand(int id);
  void RecentFilesChanged();
  void UpdateSaveCommands();

  // The window goes before the document: its panes point into the document.
  std::unique_ptr<CAppDoc> doc_;
  std::unique_ptr<CMainFrame> frame_;
  RecentFileList recent_;
};
