// The Objects tab: every object of the cross-reference chain by number (see
// CObjectsModel). Selecting a row or one of its children makes that object the
// document's selection; Enter or a double click on a child written as a
// reference selects the referenced object's row.
#pragma once

#include <QTreeView>
#include <cstdint>

class CAppDoc;
class CObjectsModel;

class CObjectsView : public QTreeView {
  Q_OBJECT

 public:
  explicit CObjectsView(CAppDoc* doc, QWidget* parent = nullptr);

  CObjectsModel* Model() const { return model_; }

  // Selects the object's top-level row. False (nothing changes) when the
  // number is not listed, or listed with another generation (-1: any).
  bool SelectObject(int32_t number, int32_t generation = -1);
  // Follows the current item when it is a reference: selects its target's
  // row, or says through a message box that the target is not listed. False
  // when the current item is no reference.
  bool FollowReference();

 signals:
  // A row or child became the selection (by the user or by a command).
  void selected(const QModelIndex& index);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void OnUpdate(int hint);
  void OnSelected(const QModelIndex& index);

  CAppDoc* doc_;
  CObjectsModel* model_;
};
