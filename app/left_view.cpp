#include "app/left_view.h"

#include <QHeaderView>
#include <QKeyEvent>

#include <functional>

#include "app/app_doc.h"
#include "app/outline_printer.h"
#include "app/wait_cursor.h"
#include "describe/item_path.h"
#include "describe/labels.h"

CLeftView::CLeftView(CAppDoc* doc, QWidget* parent) : QTreeWidget(parent), doc_(doc) {
  setObjectName("CLeftView");
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(true);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  // Long labels (a 127-byte string) scroll sideways instead of being cut.
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  header()->setStretchLastSection(false);
  connect(doc_, &CAppDoc::updated, this, &CLeftView::OnUpdate);
  connect(doc_, &CAppDoc::aboutToOpen, this, &CLeftView::ClearItems);
  connect(this, &QTreeWidget::itemExpanded, this, &CLeftView::OnItemExpanded);
  connect(this, &QTreeWidget::itemSelectionChanged, this, &CLeftView::OnSelectionChanged);
}

void CLeftView::OnUpdate(int hint) {
  if (hint & HINT_BIT_OPENED) {
    Rebuild();
    return;
  }
  if ((hint & HINT_BIT_SELECTION) && doc_->GetSelection() == nullptr &&
      !selectedItems().isEmpty()) {
    // The document dropped its selection (New): stop showing one, so that
    // clicking the same item again selects it anew.
    blockSignals(true);
    clearSelection();
    blockSignals(false);
  }
}

void CLeftView::ClearItems() {
  // The items point at objects the coming open deletes; the document's
  // selection was cleared already, so nobody needs to hear about this.
  blockSignals(true);
  clear();
  blockSignals(false);
}

void CLeftView::Rebuild() {
  ClearItems();
  for (const TreeItem& item : TopLevelItems(*doc_)) {
    InsertObjectItem(nullptr, item);
  }
}

QTreeWidgetItem* CLeftView::InsertObjectItem(QTreeWidgetItem* parent, const TreeItem& item) {
  auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
  node->setText(0, QString::fromUtf8(item.label.c_str()));
  node->setData(0, kObjectRole, QVariant::fromValue(reinterpret_cast<quintptr>(item.object)));
  node->setData(0, kChildCountRole, item.child_count);
  node->setData(0, kKeyRole, QString::fromUtf8(item.key.c_str()));
  node->setChildIndicatorPolicy(item.child_count > 0
                                    ? QTreeWidgetItem::ShowIndicator
                                    : QTreeWidgetItem::DontShowIndicatorWhenChildless);
  return node;
}

void CLeftView::InsertChildren(QTreeWidgetItem* item, pdf::Object* object) {
  for (const TreeItem& child : ChildItems(object)) {
    InsertObjectItem(item, child);
  }
}

pdf::Object* CLeftView::ItemObject(const QTreeWidgetItem* item) {
  if (item == nullptr) {
    return nullptr;
  }
  return reinterpret_cast<pdf::Object*>(item->data(0, kObjectRole).value<quintptr>());
}

void CLeftView::OnItemExpanded(QTreeWidgetItem* item) {
  // Children are made on the first expansion only: collapsing and expanding
  // again must not duplicate them, and a cycle in the object graph then costs
  // one level per expansion instead of looping.
  pdf::Object* object = ItemObject(item);
  if (item->data(0, kFilledRole).toBool() || object == nullptr) {
    return;
  }
  item->setData(0, kFilledRole, true);
  CWaitCursor wait;
  InsertChildren(item, object);
}

void CLeftView::keyPressEvent(QKeyEvent* event) {
  // "*" would expand every descendant, and children made on expansion never run
  // out along a cycle (a page's Parent leads back to its Kids): one level only.
  if (event->key() == Qt::Key_Asterisk) {
    if (QTreeWidgetItem* item = currentItem()) {
      expandItem(item);
    }
    event->accept();
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

void CLeftView::OnSelectionChanged() {
  QList<QTreeWidgetItem*> selected = selectedItems();
  doc_->SetSelection(selected.isEmpty() ? nullptr : ItemObject(selected.first()));
}

bool CLeftView::SelectPath(const std::string& path, std::string* error) {
  // The path is found among the document's items; the tree holds the same
  // items in the same order, inserted as each level expands.
  std::vector<TreeItem> trail;
  std::vector<int> positions;
  if (!FindItemPath(*doc_, path, &trail, error, &positions)) {
    return false;
  }
  QTreeWidgetItem* found = nullptr;
  for (int position : positions) {
    QTreeWidgetItem* next = found ? found->child(position) : topLevelItem(position);
    if (next == nullptr) {
      *error = "the tree does not show '" + path + "'";
      return false;
    }
    found = next;
    expandItem(found);
  }
  setCurrentItem(found);
  scrollToItem(found);
  return true;
}

std::vector<OutlineLine> CLeftView::VisibleOutline() const {
  std::vector<OutlineLine> lines;
  std::function<void(const QTreeWidgetItem*, int)> walk = [&](const QTreeWidgetItem* item,
                                                              int depth) {
    lines.push_back({depth, item->text(0).toStdString()});
    if (item->isExpanded()) {
      for (int i = 0; i < item->childCount(); ++i) {
        walk(item->child(i), depth + 1);
      }
    }
  };
  for (int i = 0; i < topLevelItemCount(); ++i) {
    walk(topLevelItem(i), 0);
  }
  return lines;
}

void CLeftView::PrintPages(QPrinter* printer) {
  PrintOutline(printer, VisibleOutline());
}
