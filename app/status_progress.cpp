#include "app/status_progress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

namespace {

// The bar's width in average characters: room for a short label beside it.
constexpr int kBarChars = 18;
// The label's text at most, in average characters; a longer text is elided.
constexpr int kLabelChars = 40;
// A progress bar counts in int: large totals are scaled down to this.
constexpr int64_t kBarSteps = 10000;

// The events of the user's that work on the window's own thread holds back.
bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
      return true;
    default:
      return false;
  }
}

}  // namespace

CStatusProgress::CStatusProgress(QWidget* parent) : QWidget(parent) {
  setObjectName("statusProgress");
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  label_ = new QLabel(this);
  label_->setObjectName("statusProgressText");
  bar_ = new QProgressBar(this);
  bar_->setObjectName("statusProgressBar");
  bar_->setTextVisible(false);
  bar_->setFixedWidth(kBarChars * fontMetrics().averageCharWidth());
  bar_->setMaximumHeight(fontMetrics().height());
  cancel_ = new QPushButton("Cancel", this);
  cancel_->setObjectName("statusProgressCancel");
  cancel_->setToolTip("Stop this work");
  cancel_->setFocusPolicy(Qt::NoFocus);  // the keyboard stays where it was
  layout->addWidget(label_);
  layout->addWidget(bar_);
  layout->addWidget(cancel_);
  delay_timer_ = new QTimer(this);
  delay_timer_->setSingleShot(true);
  connect(delay_timer_, &QTimer::timeout, this, &CStatusProgress::Refresh);
  connect(cancel_, &QPushButton::clicked, this, &CStatusProgress::CancelShown);
  hide();
}

CStatusProgress::~CStatusProgress() {
  if (filtering_) {
    qApp->removeEventFilter(this);
  }
}

CStatusProgress* CStatusProgress::Of(const QWidget* widget) {
  for (const QWidget* at = widget; at != nullptr; at = at->parentWidget()) {
    if (auto* window = qobject_cast<const QMainWindow*>(at)) {
      return window->findChild<CStatusProgress*>();
    }
  }
  return nullptr;
}

int CStatusProgress::Begin(const QString& text, std::function<void()> cancel, bool blocking) {
  Work work;
  work.id = next_id_++;
  if (next_id_ <= 0) {
    next_id_ = 1;
  }
  work.text = text;
  work.cancel = std::move(cancel);
  work.blocking = blocking;
  if (blocking) {
    work.modal = QApplication::activeModalWidget();
  }
  work.started.start();
  works_.push_back(std::move(work));
  UpdateBlocking();
  Refresh();
  return works_.back().id;
}

void CStatusProgress::Report(int id, int64_t done, int64_t total, const QString& text) {
  Work* work = Find(id);
  if (work == nullptr) {
    return;
  }
  work->done = done;
  work->total = total;
  if (!text.isEmpty()) {
    work->text = text;
  }
  Refresh();
}

void CStatusProgress::End(int id) {
  works_.erase(std::remove_if(works_.begin(), works_.end(),
                              [id](const Work& work) { return work.id == id; }),
               works_.end());
  UpdateBlocking();
  Refresh();
}

bool CStatusProgress::Cancelled(int id) const {
  const Work* work = Find(id);
  return work != nullptr && work->cancelled;
}

void CStatusProgress::CancelShown() {
  Work* work = Find(shown_);
  if (work == nullptr || work->cancelled) {
    return;
  }
  work->cancelled = true;
  // Called last: it may end the work, and so change the list.
  std::function<void()> cancel = work->cancel;
  Refresh();
  if (cancel) {
    cancel();
  }
}

CStatusProgress::Work* CStatusProgress::Find(int id) {
  for (Work& work : works_) {
    if (work.id == id) {
      return &work;
    }
  }
  return nullptr;
}

const CStatusProgress::Work* CStatusProgress::Find(int id) const {
  return const_cast<CStatusProgress*>(this)->Find(id);
}

void CStatusProgress::Refresh() {
  // The newest work that has run past the delay; the timer comes back for
  // the first that has not yet.
  const Work* show = nullptr;
  int64_t wait = -1;
  for (auto it = works_.rbegin(); it != works_.rend(); ++it) {
    const int64_t elapsed = it->started.elapsed();
    if (elapsed >= delay_ms_) {
      show = &*it;
      break;
    }
    const int64_t left = delay_ms_ - elapsed;
    wait = wait < 0 ? left : std::min(wait, left);
  }
  if (wait >= 0 && show == nullptr) {
    delay_timer_->start(static_cast<int>(std::min<int64_t>(wait, INT32_MAX)) + 1);
  } else {
    delay_timer_->stop();
  }
  if (show == nullptr) {
    shown_ = 0;
    setVisible(false);
    return;
  }
  shown_ = show->id;
  const QString text = show->cancelled ? show->text + " (cancelling)" : show->text;
  // The label takes its text's width: a longer text is elided, not cut.
  const QFontMetrics metrics = label_->fontMetrics();
  label_->setText(
      metrics.elidedText(text, Qt::ElideMiddle, kLabelChars * metrics.averageCharWidth()));
  label_->setToolTip(text);
  if (show->total > 0) {
    // Scaled to the bar's int range whatever the total.
    const int64_t done = std::clamp<int64_t>(show->done, 0, show->total);
    const int64_t steps = std::min(show->total, kBarSteps);
    bar_->setRange(0, static_cast<int>(steps));
    bar_->setValue(static_cast<int>(done * steps / show->total));
  } else {
    bar_->setRange(0, 0);  // busy: how far is not known
  }
  cancel_->setEnabled(!show->cancelled && show->cancel != nullptr);
  setVisible(true);
}

void CStatusProgress::UpdateBlocking() {
  const bool blocking =
      std::any_of(works_.begin(), works_.end(), [](const Work& work) { return work.blocking; });
  if (blocking == filtering_) {
    return;
  }
  filtering_ = blocking;
  if (blocking) {
    qApp->installEventFilter(this);
  } else {
    qApp->removeEventFilter(this);
  }
}

bool CStatusProgress::eventFilter(QObject* watched, QEvent* event) {
  if (!IsUserInput(event->type())) {
    return false;
  }
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr) {
    // A shortcut goes to its action: the window's own while no other
    // window is modal. Events to the window system's windows reach their
    // widgets next, and are judged there.
    return event->type() == QEvent::Shortcut && QApplication::activeModalWidget() == nullptr;
  }
  QWidget* target = widget->window();
  const bool held =
      target == window() || std::any_of(works_.begin(), works_.end(), [target](const Work& work) {
        return work.blocking && work.modal == target;
      });
  if (!held) {
    return false;  // a box or dialog of the work's own
  }
  if (widget == cancel_ || cancel_->isAncestorOf(widget)) {
    return false;
  }
  if (event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    CancelShown();
  }
  if (event->type() == QEvent::Close) {
    event->ignore();  // the window stays while the work it shows runs
  }
  return true;
}

void CProgressTask::Begin(QWidget* where, const QString& text, std::function<void()> cancel,
                          bool blocking) {
  End();
  cancelled_ = false;
  progress_ = CStatusProgress::Of(where);
  if (progress_ == nullptr) {
    return;
  }
  id_ = progress_->Begin(
      text,
      [this, cancel = std::move(cancel)] {
        cancelled_ = true;
        if (cancel) {
          cancel();
        }
      },
      blocking);
}

void CProgressTask::Report(int64_t done, int64_t total, const QString& text) {
  if (Active()) {
    progress_->Report(id_, done, total, text);
  }
}

bool CProgressTask::Step(int64_t done, int64_t total, const QString& text) {
  Report(done, total, text);
  if (Active()) {
    QCoreApplication::processEvents();
  }
  return !cancelled_;
}

void CProgressTask::End() {
  if (Active()) {
    progress_->End(id_);
  }
  progress_ = nullptr;
  id_ = 0;
}
