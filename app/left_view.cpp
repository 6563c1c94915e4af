#include "app/left_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>

#include <functional>

#include "app/app_doc.h"
#include "app/outline_printer.h"
#include "app/tree_lines_style.h"
#include "app/wait_cursor.h"
#include "describe/item_path.h"
#include "describe/labels.h"

namespace {

// An item keeps what it stands for in plain members and answers the roles
// from them: a QTreeWidgetItem's own storage keeps every role in a QVariant
// (the label and the key each in a QString of their own), several hundred
// bytes an item, which a Kids array of 100,000 pages multiplies.
class ObjectItem : public QTreeWidgetItem {
 public:
  explicit ObjectItem(const TreeItem& item)
      : QTreeWidgetItem(UserType),
        label_(item.label),
        key_(item.key),
        object_(item.object),
        child_count_(item.child_count) {
    setChildIndicatorPolicy(item.child_count > 0 ? ShowIndicator : DontShowIndicatorWhenChildless);
  }

  QVariant data(int column, int role) const override {
    if (column == 0) {
      switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
          return QString::fromUtf8(label_.data(), static_cast<qsizetype>(label_.size()));
        case CLeftView::kObjectRole:
          return QVariant::fromValue(reinterpret_cast<quintptr>(object_));
        case CLeftView::kChildCountRole:
          return child_count_;
        case CLeftView::kFilledRole:
          return filled_;
        case CLeftView::kKeyRole:
          return QString::fromUtf8(key_.data(), static_cast<qsizetype>(key_.size()));
        default:
          break;
      }
    }
    return QTreeWidgetItem::data(column, role);
  }

  void setData(int column, int role, const QVariant& value) override {
    if (column == 0) {
      switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
          label_ = value.toString().toStdString();
          emitDataChanged();
          return;
        case CLeftView::kObjectRole:
          object_ = reinterpret_cast<pdf::Object*>(value.value<quintptr>());
          return;
        case CLeftView::kChildCountRole:
          child_count_ = value.toInt();
          return;
        case CLeftView::kFilledRole:
          filled_ = value.toBool();
          return;
        case CLeftView::kKeyRole:
          key_ = value.toString().toStdString();
          return;
        default:
          break;
      }
    }
    QTreeWidgetItem::setData(column, role, value);
  }

 private:
  std::string label_;  // UTF-8, made a QString only when asked for
  std::string key_;
  pdf::Object* object_;
  int child_count_;
  bool filled_ = false;
};

}  // namespace

CLeftView::CLeftView(CAppDoc* doc, QWidget* parent) : QTreeWidget(parent), doc_(doc) {
  setObjectName("CLeftView");
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(true);
  UseTreeLines(this);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  // Long labels (a 127-byte string) scroll sideways instead of being cut.
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  header()->setStretchLastSection(false);
  connect(doc_, &CAppDoc::updated, this, &CLeftView::OnUpdate);
  connect(doc_, &CAppDoc::aboutToOpen, this, &CLeftView::ClearItems);
  connect(this, &QTreeWidget::itemExpanded, this, &CLeftView::OnItemExpanded);
  connect(this, &QTreeWidget::itemSelectionChanged, this, &CLeftView::OnSelectionChanged);
  connect(this, &QTreeWidget::itemCollapsed, this, &CLeftView::OnItemCollapsed);
  connect(this, &QTreeWidget::itemClicked, this, &CLeftView::OnItemClicked);
}

void CLeftView::OnUpdate(int hint) {
  if (hint & HINT_BIT_OPENED) {
    Rebuild();
    return;
  }
  // The document dropping its selection (New) leaves the highlight as it
  // is: the pane keeps what it shows. A click on the highlighted item then
  // selects it anew (OnItemClicked).
}

void CLeftView::OnItemClicked(QTreeWidgetItem* item) {
  if (doc_->GetSelection() == nullptr && item->isSelected()) {
    OnSelectionChanged();
  }
}

void CLeftView::OnItemCollapsed(QTreeWidgetItem* item) {
  // A selection hidden by the collapse moves up to the collapsed item, so
  // that the detail pane never describes what the tree no longer shows.
  for (QTreeWidgetItem* selected : selectedItems()) {
    for (QTreeWidgetItem* up = selected->parent(); up != nullptr; up = up->parent()) {
      if (up == item) {
        setCurrentItem(item);
        return;
      }
    }
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
  auto* node = new ObjectItem(item);
  if (parent != nullptr) {
    parent->addChild(node);
  } else {
    addTopLevelItem(node);
  }
  return node;
}

void CLeftView::InsertChildren(QTreeWidgetItem* item, pdf::Object* object) {
  // All at once: the view hears of one insertion, not of each of 100,000.
  QList<QTreeWidgetItem*> nodes;
  {
    const std::vector<TreeItem> children = ChildItems(object);
    nodes.reserve(static_cast<qsizetype>(children.size()));
    for (const TreeItem& child : children) {
      nodes.append(new ObjectItem(child));
    }
  }
  item->addChildren(nodes);
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
  if (doc_->FileChanged()) {
    // Its children would be read from bytes that are no longer the file's.
    new QTreeWidgetItem(item, QStringList(kFileChangedLine));
    return;
  }
  CWaitCursor wait;
  InsertChildren(item, object);
}

void CLeftView::paintEvent(QPaintEvent* event) {
  QTreeWidget::paintEvent(event);
  if (topLevelItemCount() > 0) {
    return;
  }
  // Nothing open yet (or the open failed): say how to open a file.
  QPainter painter(viewport());
  painter.setPen(palette().color(QPalette::PlaceholderText));
  const int margin = fontMetrics().averageCharWidth() * 2;
  painter.drawText(viewport()->rect().adjusted(margin, margin, -margin, -margin),
                   Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, kEmptyHint);
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

std::string CLeftView::SelectedPath() const {
  std::string path;
  for (const QTreeWidgetItem* item = currentItem(); item != nullptr; item = item->parent()) {
    const std::string key = item->data(0, kKeyRole).toString().toStdString();
    path = path.empty() ? key : key + "/" + path;
  }
  return path;
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
