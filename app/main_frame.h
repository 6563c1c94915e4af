// The main window: menus, toolbar, dialog strip, status bar, and a splitter
// holding the tree pane (left) and the detail pane (right).
#pragma once

#include <QMainWindow>
#include <QMap>
#include <memory>

#include "app/recent_files.h"

class CAppDoc;
class CDetailTabs;
class CFindDock;
class CProblemsDock;
class CReferencesDock;
class CSpaceDock;
class CFileMapDock;
class CObjectCommands;
class CLeftPane;
class CLeftView;
class CSplitTracker;
class QAction;
class QLabel;
class QMenu;
class QPrinter;
class QSplitter;
class QToolBar;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  explicit CMainFrame(CAppDoc* doc, QWidget* parent = nullptr);
  ~CMainFrame() override;

  // The action of a command id (recent files: ID_FILE_MRU_FILE1 + index), or null.
  QAction* Action(int id) const;
  CLeftView* LeftView() const { return left_view_; }
  // The tabs on the left: the structure tree and the Objects tab.
  CLeftPane* LeftPane() const { return left_pane_; }
  CFindDock* FindDock() const { return find_dock_; }
  CProblemsDock* ProblemsDock() const { return problems_dock_; }
  CReferencesDock* ReferencesDock() const { return references_dock_; }
  CSpaceDock* SpaceDock() const { return space_dock_; }
  CFileMapDock* FileMapDock() const { return file_map_dock_; }
  // View > Check Cross-Reference Sections: the sections against the file,
  // each finding a line of the Problems list.
  void CheckSections();
  CObjectCommands* ObjectCommands() const { return object_commands_; }
  QToolBar* NavigationBar() const { return navigation_bar_; }
  QWidget* RightPane() const { return right_pane_; }
  // The tabs around the detail pane (modern mode shows their bar).
  CDetailTabs* DetailTabs() const { return detail_tabs_; }
  QSplitter* Splitter() const { return splitter_; }
  QToolBar* ToolBar() const { return toolbar_; }
  QToolBar* DialogStrip() const { return dialog_strip_; }
  QLabel* DialogStripText() const { return dialog_text_; }
  // "CAP", "NUM" and "SCRL", enabled while lit.
  QLabel* Indicator(int index) const { return indicators_[index]; }

  // The pane that last had the focus (the tree pane at first).
  QWidget* ActivePane() const;
  // Gives the focus to the other pane (F6 and Shift+F6).
  void ActivateOtherPane();

  // Rebuilds the recent-file entries of the File menu.
  void SetRecentFiles(const RecentFileList& list);

  // Prints the active pane; a pane without a printed form gives one blank page.
  void PrintActivePane(QPrinter* printer);

  // Re-reads Caps Lock, Num Lock and Scroll Lock.
  void UpdateIndicators();

  // What the status bar says while no command is hovered: "Ready", or the
  // text given (empty: back to "Ready"). Shown at once.
  void SetIdleMessage(const QString& text);
  const QString& IdleMessage() const { return idle_message_; }

  // From now on closing the window keeps its size, place, bars and divider
  // for the next run (not in tests and screenshot runs, which start alike).
  void RememberWindowState() { remember_window_ = true; }

  // The mode in the status bar and the View menu's check mark.
  void ShowMode(bool modern);
  QLabel* ModeIndicator() const { return mode_label_; }

 signals:
  // A command for the application (New, Open, Save, Save As, recent files).
  void command(int id);
  // A file was dropped on the window.
  void fileDropped(const QString& path);

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateToolBars();
  void CreateStatusBar();
  void CreateClientArea();
  void CreateFindDock();
  // The right pane of the splitter.
  QWidget* CreateDetailPane();
  void OnCaptionChanged(const QString& title);
  void OnFilePrint();
  void OnFilePrintPreview();
  void OnFilePrintSetup();
  void OnAppAbout();
  // Asks for an object number and selects that object in the Objects tab.
  void OnGoToObject();
  void UpdateHistoryCommands();
  QPrinter* Printer();

  CAppDoc* doc_;
  QMap<int, QAction*> actions_;
  QMenu* file_menu_ = nullptr;
  QAction* recent_anchor_ = nullptr;  // the separator after the recent-file entries
  QList<QAction*> recent_actions_;
  QToolBar* toolbar_ = nullptr;
  QToolBar* dialog_strip_ = nullptr;
  QLabel* dialog_text_ = nullptr;
  QLabel* indicators_[3] = {};
  QLabel* mode_label_ = nullptr;
  QSplitter* splitter_ = nullptr;
  CLeftView* left_view_ = nullptr;
  CLeftPane* left_pane_ = nullptr;
  QToolBar* navigation_bar_ = nullptr;
  QWidget* right_pane_ = nullptr;
  CDetailTabs* detail_tabs_ = nullptr;
  CFindDock* find_dock_ = nullptr;
  CProblemsDock* problems_dock_ = nullptr;
  CReferencesDock* references_dock_ = nullptr;
  CSpaceDock* space_dock_ = nullptr;
  CFileMapDock* file_map_dock_ = nullptr;
  CObjectCommands* object_commands_ = nullptr;
  QWidget* active_pane_ = nullptr;
  CSplitTracker* split_tracker_ = nullptr;
  std::unique_ptr<QPrinter> printer_;
  QString idle_message_;
  bool remember_window_ = false;
};
