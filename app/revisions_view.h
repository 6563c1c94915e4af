// The Revisions tab: one item per revision of the file, oldest first (the
// original file, then each incremental update), each with the objects it
// added, changed and freed (listed when opened), then each signature and what
// it signs. Selecting an object shows it as that revision wrote it; the
// context menu compares it with its previous version and saves a revision as
// the file was then.
#pragma once

#include <QTreeWidget>
#include <vector>

#include "analysis/revisions.h"

class CAppDoc;

class CRevisionsView : public QTreeWidget {
  Q_OBJECT

 public:
  // The roles of an item's data: its revision (1-based) and object number.
  static constexpr int kRevisionRole = Qt::UserRole;
  static constexpr int kNumberRole = Qt::UserRole + 1;

  explicit CRevisionsView(CAppDoc* doc, QWidget* parent = nullptr);

  const std::vector<Revision>& Revisions() const { return revisions_; }
  // The texts of the object as its revision and its previous one wrote it,
  // as a line diff; empty when the item is no object or has no earlier
  // version.
  QString CompareWithPrevious(QTreeWidgetItem* item);
  // Writes the bytes of the file up to the revision's end; false (with a
  // message box) when that fails.
  bool SaveRevision(int revision, const QString& path);

 private:
  void OnUpdate(int hint);
  void Rebuild();
  void Fill(QTreeWidgetItem* group);
  void OnSelected();
  void ShowMenu(const QPoint& at);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  CAppDoc* doc_;
  std::vector<Revision> revisions_;
  bool stale_ = false;  // a file was opened since the list was made
};
