// What the user can do with the selected object besides looking at it: copy
// its label, path or value, and save a stream's bytes (stored or decoded) or
// an image's picture. Reached from the Edit and File menus, Ctrl+C and the
// context menus of the two left tabs and the detail pane.
#pragma once

#include <QObject>
#include <QString>

class CAppDoc;
class CLeftView;
class CMainFrame;
class QAbstractItemView;
class QMenu;
class QPoint;

class CObjectCommands : public QObject {
  Q_OBJECT

 public:
  enum class What { kLabel, kPath, kValue };

  CObjectCommands(CAppDoc* doc, CMainFrame* frame);

  // Edit > Copy: the label of the active tab's current item, or the detail
  // pane's whole text when it has the focus. False when nothing is there.
  bool Copy();
  // The text Copy would put on the clipboard for the item (current of the
  // active tab), "" when none.
  QString CopyText(What what) const;
  bool CanCopy() const;

  // Writes the selected stream's bytes (stored or after its filters) or the
  // selected image's picture; an empty path asks for one. Failures are
  // reported in a message box.
  bool SaveStream(bool decoded, const QString& path = QString());
  bool SaveImage(const QString& path = QString());

  // Enables the commands that the selection allows.
  void UpdateCommands();

 private:
  void ShowItemMenu(QAbstractItemView* view, const QPoint& at, bool with_path);
  void AddSaveActions(QMenu* menu);
  QString SaveTarget(const QString& title, const QString& suggested, const QString& filter);

  CAppDoc* doc_;
  CMainFrame* frame_;
};
