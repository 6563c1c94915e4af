#include "app/objects_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>

#include "app/app_doc.h"
#include "app/objects_model.h"
#include "app/tree_lines_style.h"
#include "diag/messages.h"

CObjectsView::CObjectsView(CAppDoc* doc, QWidget* parent)
    : QTreeView(parent), doc_(doc), model_(new CObjectsModel(doc, this)) {
  setObjectName("CObjectsView");
  setHeaderHidden(true);
  // Every row is one line of text: the view then never measures rows it does
  // not show, which a million rows need.
  setUniformRowHeights(true);
  UseTreeLines(this);
  // Long labels scroll sideways rather than being cut with an ellipsis. The
  // width is measured over the rows on screen only, like their heights.
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  header()->setResizeContentsPrecision(0);
  setSelectionMode(QAbstractItemView::SingleSelection);
  // A double click follows a reference instead of toggling the item.
  setExpandsOnDoubleClick(false);
  setModel(model_);
  connect(doc_, &CAppDoc::updated, this, &CObjectsView::OnUpdate);
  connect(doc_, &CAppDoc::aboutToOpen, model_, &CObjectsModel::Clear);
  connect(doc_, &CAppDoc::fileChanged, this, [this] {
    model_->ForgetRows();
    viewport()->update();
  });
  // The selection, not the current item: the view makes the first row current
  // when it takes the focus, which selects nothing.
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    QModelIndexList selected = selectionModel()->selectedIndexes();
    if (!selected.isEmpty()) {
      OnSelected(selected.first());
    }
  });
}

void CObjectsView::OnUpdate(int hint) {
  if (hint & HINT_BIT_OPENED) {
    model_->Reload();
    return;
  }
  if ((hint & HINT_BIT_SELECTION) && doc_->GetSelection() == nullptr &&
      selectionModel()->hasSelection()) {
    // The document dropped its selection (New): show none either.
    QSignalBlocker block(selectionModel());
    selectionModel()->clear();
  }
}

void CObjectsView::OnSelected(const QModelIndex& index) {
  doc_->SetSelection(model_->ObjectAt(index));
  emit selected(index);
}

bool CObjectsView::SelectObject(int32_t number, int32_t generation) {
  QModelIndex row = model_->IndexOfNumber(number);
  if (!row.isValid() || (generation >= 0 && model_->ListedAt(row)->generation != generation)) {
    return false;
  }
  setCurrentIndex(row);
  scrollTo(row, QAbstractItemView::PositionAtCenter);
  return true;
}

bool CObjectsView::FollowReference() {
  int32_t number = 0;
  int32_t generation = 0;
  if (!model_->ReferenceAt(currentIndex(), &number, &generation)) {
    return false;
  }
  if (!SelectObject(number, generation)) {
    WarningMessage("Object %d %d is not in the cross-reference table", number, generation);
  }
  return true;
}

void CObjectsView::keyPressEvent(QKeyEvent* event) {
  // "*" would expand every descendant, which along a cycle (a page's Parent
  // leads back to its Kids) never ends: one level only, as in the structure tree.
  if (event->key() == Qt::Key_Asterisk) {
    expand(currentIndex());
    event->accept();
    return;
  }
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && FollowReference()) {
    event->accept();
    return;
  }
  QTreeView::keyPressEvent(event);
}

void CObjectsView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (indexAt(event->position().toPoint()) == currentIndex() && FollowReference()) {
    event->accept();
    return;
  }
  QTreeView::mouseDoubleClickEvent(event);
}
