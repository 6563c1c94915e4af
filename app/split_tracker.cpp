#include "app/split_tracker.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSplitter>
#include <QSplitterHandle>

#include <algorithm>

CSplitTracker::CSplitTracker(QSplitter* splitter) : QObject(splitter), splitter_(splitter) {}

void CSplitTracker::Start() {
  if (tracking_ || splitter_->count() < 2) {
    return;
  }
  QSplitterHandle* handle = splitter_->handle(1);
  tracking_ = true;
  saved_sizes_ = splitter_->sizes();
  saved_focus_ = QApplication::focusWidget();
  handle->setFocusPolicy(Qt::StrongFocus);
  handle->installEventFilter(this);
  handle->setFocus(Qt::ShortcutFocusReason);
}

bool CSplitTracker::eventFilter(QObject* watched, QEvent* event) {
  if (!tracking_ || watched != splitter_->handle(1)) {
    return QObject::eventFilter(watched, event);
  }
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    int step = (key->modifiers() & Qt::ControlModifier) ? kStep * kFastFactor : kStep;
    switch (key->key()) {
      case Qt::Key_Left:
        Move(-step);
        return true;
      case Qt::Key_Right:
        Move(step);
        return true;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        Finish(/*keep=*/true);
        return true;
      case Qt::Key_Escape:
        Finish(/*keep=*/false);
        return true;
      default:
        return true;  // the divider has the keyboard to itself while tracking
    }
  }
  if (event->type() == QEvent::FocusOut) {
    Finish(/*keep=*/true);
  }
  return QObject::eventFilter(watched, event);
}

void CSplitTracker::Move(int delta) {
  QList<int> sizes = splitter_->sizes();
  int total = sizes[0] + sizes[1];
  int minimum = splitter_->widget(0)->minimumWidth();
  sizes[0] = std::clamp(sizes[0] + delta, minimum, std::max(minimum, total));
  sizes[1] = total - sizes[0];
  splitter_->setSizes(sizes);
}

void CSplitTracker::Finish(bool keep) {
  if (!tracking_) {
    return;
  }
  tracking_ = false;
  QSplitterHandle* handle = splitter_->handle(1);
  handle->removeEventFilter(this);
  handle->setFocusPolicy(Qt::NoFocus);
  if (!keep) {
    splitter_->setSizes(saved_sizes_);
  }
  if (saved_focus_ && handle->hasFocus()) {
    saved_focus_->setFocus(Qt::OtherFocusReason);
  }
}
