// Problems: every validation finding and load message of the open file, one
// row each, as they come (objects loaded later add theirs). A row that names
// an object ("Object 12 ...", "12 0 R ...") selects it when chosen.
#pragma once

#include <QDockWidget>

class CAppDoc;
class QListWidget;
class QListWidgetItem;

class CProblemsDock : public QDockWidget {
  Q_OBJECT

 public:
  CProblemsDock(CAppDoc* doc, QWidget* parent = nullptr);

  QListWidget* List() const { return list_; }

  // The object a finding concerns, or 0: the first "object N", "Object N" or
  // "N G R" in it.
  static int ObjectOf(const QString& finding);

 signals:
  void objectChosen(int number, int generation);

 private:
  void Add(const QString& finding);
  void Choose(QListWidgetItem* item);
  void ShowCount();

  CAppDoc* doc_;
  QListWidget* list_;
};
