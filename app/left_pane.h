// The left side of the window: the tabs "Structure" (the structure tree),
// "Objects" (every object by number) and "Revisions" (the incremental
// updates), and the history of the items selected in the first two, which
// Back and Forward walk.
#pragma once

#include <QModelIndex>
#include <QTabWidget>
#include <cstdint>
#include <vector>

class CAppDoc;
class CLeftView;
class CObjectsView;
class CRevisionsView;
class QTreeWidgetItem;

class CLeftPane : public QTabWidget {
  Q_OBJECT

 public:
  explicit CLeftPane(CAppDoc* doc, QWidget* parent = nullptr);

  CLeftView* Structure() const { return structure_; }
  CObjectsView* Objects() const { return objects_; }
  CRevisionsView* Revisions() const { return revisions_; }

  // Shows the Objects tab with the object selected; a number that is not
  // listed (or not with that generation, -1: any) is said in a message box.
  bool GoToObject(int32_t number, int32_t generation);

  // Selects the item selected before (after) the current one, in its tab.
  bool Back();
  bool Forward();
  bool CanGoBack() const { return position_ > 0; }
  bool CanGoForward() const { return position_ + 1 < static_cast<int>(history_.size()); }

 signals:
  // The history moved or grew: Back and Forward may have changed state.
  void historyChanged();

 private:
  // One selected item: a structure tree item (kept until the tree is rebuilt)
  // or the row positions of an Objects tab item.
  struct Place {
    QTreeWidgetItem* item = nullptr;
    std::vector<int> path;
    bool operator==(const Place& other) const { return item == other.item && path == other.path; }
  };

  void Record(const Place& place);
  bool Visit(int position);
  void ClearHistory();
  // A tab shown anew shows its own selection in the detail pane.
  void OnTabChanged(int tab);

  CAppDoc* doc_;
  CLeftView* structure_;
  CObjectsView* objects_;
  CRevisionsView* revisions_;
  std::vector<Place> history_;
  int position_ = -1;
  bool visiting_ = false;  // Back or Forward is selecting: not a new place
};
