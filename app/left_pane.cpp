#include "app/left_pane.h"

#include <QSignalBlocker>

#include "app/app_doc.h"
#include "app/left_view.h"
#include "app/objects_model.h"
#include "app/objects_view.h"
#include "app/revisions_view.h"
#include "diag/messages.h"

namespace {

// Places beyond this many are forgotten from the oldest.
constexpr size_t kMaxHistory = 1000;

}  // namespace

CLeftPane::CLeftPane(CAppDoc* doc, QWidget* parent)
    : QTabWidget(parent),
      doc_(doc),
      structure_(new CLeftView(doc, this)),
      objects_(new CObjectsView(doc, this)),
      revisions_(new CRevisionsView(doc, this)) {
  setObjectName("CLeftPane");
  setDocumentMode(true);
  addTab(structure_, "Structure");
  addTab(objects_, "Objects");
  addTab(revisions_, "Revisions");
  connect(structure_, &QTreeWidget::itemSelectionChanged, this, [this] {
    QList<QTreeWidgetItem*> selected = structure_->selectedItems();
    if (!selected.isEmpty()) {
      Record({selected.first(), {}});
    }
  });
  connect(objects_, &CObjectsView::selected, this, [this](const QModelIndex& index) {
    Record({nullptr, objects_->Model()->PathOf(index)});
  });
  // The items the history names go with the objects of the open file.
  connect(doc_, &CAppDoc::aboutToOpen, this, &CLeftPane::ClearHistory);
  connect(this, &QTabWidget::currentChanged, this, &CLeftPane::OnTabChanged);
}

void CLeftPane::ClearHistory() {
  history_.clear();
  position_ = -1;
  emit historyChanged();
}

void CLeftPane::Record(const Place& place) {
  if (visiting_ || (position_ >= 0 && history_[static_cast<size_t>(position_)] == place)) {
    return;
  }
  history_.resize(static_cast<size_t>(position_ + 1));
  history_.push_back(place);
  if (history_.size() > kMaxHistory) {
    history_.erase(history_.begin());
  }
  position_ = static_cast<int>(history_.size()) - 1;
  emit historyChanged();
}

bool CLeftPane::GoToObject(int32_t number, int32_t generation) {
  if (!objects_->SelectObject(number, generation)) {
    if (generation >= 0) {
      WarningMessage("Object %d %d is not in the cross-reference table", number, generation);
    } else {
      WarningMessage("Object %d is not in the cross-reference table", number);
    }
    return false;
  }
  setCurrentWidget(objects_);
  objects_->setFocus();
  return true;
}

bool CLeftPane::Back() {
  return CanGoBack() && Visit(position_ - 1);
}

bool CLeftPane::Forward() {
  return CanGoForward() && Visit(position_ + 1);
}

bool CLeftPane::Visit(int position) {
  const Place& place = history_[static_cast<size_t>(position)];
  visiting_ = true;
  bool found = false;
  if (place.item != nullptr) {
    setCurrentWidget(structure_);
    structure_->setCurrentItem(place.item);
    structure_->scrollToItem(place.item);
    found = true;
  } else {
    QModelIndex index = objects_->Model()->IndexOfPath(place.path);
    if (index.isValid()) {
      setCurrentWidget(objects_);
      objects_->setCurrentIndex(index);
      objects_->scrollTo(index);
      found = true;
    }
  }
  visiting_ = false;
  if (found) {
    position_ = position;
    emit historyChanged();
  }
  return found;
}

void CLeftPane::OnTabChanged(int tab) {
  pdf::Object* shown = nullptr;
  if (widget(tab) == structure_) {
    QList<QTreeWidgetItem*> selected = structure_->selectedItems();
    shown = selected.isEmpty() ? nullptr : CLeftView::ItemObject(selected.first());
  } else if (widget(tab) == objects_) {
    QModelIndexList selected = objects_->selectionModel()->selectedIndexes();
    shown = selected.isEmpty() ? nullptr : objects_->Model()->ObjectAt(selected.first());
  }
  if (shown != nullptr) {
    doc_->SetSelection(shown);
  }
}
