#include "app/find_dock.h"

#include <QCheckBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/app_doc.h"
#include "describe/open_mode.h"
#include "describe/viewer_document.h"
#include "diag/messages.h"

namespace {

// Results shown at most: past this the list says so and the search stops.
constexpr size_t kMaxResults = 10000;
// The dock's height when it first shows: the panes stay the main content.
constexpr int kFirstHeight = 220;
// How often the thread's findings are brought to the list.
constexpr int kPollMs = 100;

enum Column { kObject, kPath, kText };

}  // namespace

// What the thread and the window share; the thread keeps it alive too.
struct CFindDock::Search {
  std::atomic<bool> cancel{false};
  std::atomic<bool> done{false};
  std::atomic<size_t> searched{0};
  std::atomic<size_t> total{0};
  std::mutex mutex;
  std::vector<FindHit> pending;  // found, not yet listed
  size_t found = 0;
  std::string error;  // why the search could not run
};

CFindDock::CFindDock(CAppDoc* doc, QWidget* parent) : QDockWidget("Find", parent), doc_(doc) {
  setObjectName("FindDock");
  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  auto* row = new QHBoxLayout();
  query_ = new QLineEdit(body);
  query_->setPlaceholderText("Text or regular expression: a key, a value, a word in a stream");
  find_ = new QPushButton("Find", body);
  cancel_ = new QPushButton("Cancel", body);
  cancel_->setEnabled(false);
  row->addWidget(query_, 1);
  row->addWidget(find_);
  row->addWidget(cancel_);
  layout->addLayout(row);
  auto* options = new QHBoxLayout();
  regex_ = new QCheckBox("Regular expression", body);
  case_ = new QCheckBox("Match case", body);
  streams_ = new QCheckBox("In stream contents", body);
  options->addWidget(regex_);
  options->addWidget(case_);
  options->addWidget(streams_);
  options->addStretch(1);
  layout->addLayout(options);
  auto* progress_row = new QHBoxLayout();
  progress_ = new QProgressBar(body);
  progress_->setTextVisible(false);
  progress_->setMaximumHeight(12);
  status_ = new QLabel(body);
  progress_row->addWidget(status_, 1);
  progress_row->addWidget(progress_);
  layout->addLayout(progress_row);
  results_ = new QTreeWidget(body);
  results_->setObjectName("FindResults");
  results_->setRootIsDecorated(false);
  results_->setUniformRowHeights(true);
  results_->setHeaderLabels({"Object", "Path", "Text"});
  results_->header()->setSectionResizeMode(kObject, QHeaderView::ResizeToContents);
  layout->addWidget(results_, 1);
  setWidget(body);

  poll_ = new QTimer(this);
  poll_->setInterval(kPollMs);
  connect(poll_, &QTimer::timeout, this, &CFindDock::Poll);
  connect(find_, &QPushButton::clicked, this, &CFindDock::Start);
  connect(query_, &QLineEdit::returnPressed, this, &CFindDock::Start);
  connect(cancel_, &QPushButton::clicked, this, &CFindDock::Cancel);
  connect(results_, &QTreeWidget::itemActivated, this, &CFindDock::Choose);
  connect(results_, &QTreeWidget::itemClicked, this, &CFindDock::Choose);
  // The results name objects of the file that is about to go.
  connect(doc_, &CAppDoc::aboutToOpen, this, [this] {
    Cancel();
    Wait();
    results_->clear();
    status_->clear();
  });
}

CFindDock::~CFindDock() {
  Cancel();
  Wait();
}

void CFindDock::FocusQuery() {
  const bool shown = isVisible();
  show();
  if (!shown) {
    if (auto* window = qobject_cast<QMainWindow*>(parentWidget())) {
      window->resizeDocks({this}, {kFirstHeight}, Qt::Vertical);
    }
  }
  raise();
  query_->setFocus(Qt::ShortcutFocusReason);
  query_->selectAll();
}

bool CFindDock::Start() {
  Cancel();
  Wait();
  results_->clear();
  FindQuery query;
  query.text = query_->text().toStdString();
  query.regex = regex_->isChecked();
  query.match_case = case_->isChecked();
  query.in_streams = streams_->isChecked();
  {
    FindMatcher check;
    std::string error;
    if (!check.Compile(query, &error)) {
      status_->setText(QString::fromStdString(error));
      return false;
    }
  }
  if (!doc_->HasFile()) {
    status_->setText("No file is open");
    return false;
  }
  auto search = std::make_shared<Search>();
  search_ = search;
  const std::string path = QFile::encodeName(doc_->GetPathName()).toStdString();
  pdf::OpenOptions options = OpenOptionsFor(doc_->GetMode());
  options.password = doc_->OpenPassword();
  // Reading a damaged file again is a repair: Cancel stops that too.
  options.progress = [search](int64_t, int64_t) { return !search->cancel.load(); };
  worker_ = std::thread([search, path, options, query] {
    // The thread's document reports nowhere: its findings are the window's.
    ThreadSinkOverride quiet(DiscardLine);
    ViewerDocument doc;
    if (!doc.Open(path.c_str(), options)) {
      std::lock_guard<std::mutex> lock(search->mutex);
      if (!doc.OpenCancelled()) {
        search->error = "The file could not be read again for the search";
      }
      search->done = true;
      return;
    }
    FindMatcher matcher;
    std::string error;
    matcher.Compile(query, &error);
    const std::vector<ListedObject> objects = ListObjects(doc);
    search->total = objects.size();
    FindInObjects(
        doc, objects, matcher,
        [&](const FindHit& hit) {
          std::lock_guard<std::mutex> lock(search->mutex);
          search->pending.push_back(hit);
          if (++search->found >= kMaxResults) {
            search->cancel = true;
          }
        },
        [&](size_t done) { search->searched.store(done, std::memory_order_relaxed); },
        &search->cancel);
    search->done = true;
  });
  find_->setEnabled(false);
  cancel_->setEnabled(true);
  progress_->setRange(0, 0);
  status_->setText("Searching...");
  task_.Begin(this, "Searching for " + query_->text(), [this] { Cancel(); });
  poll_->start();
  return true;
}

void CFindDock::Cancel() {
  if (search_ != nullptr) {
    search_->cancel = true;
  }
}

void CFindDock::Wait() {
  if (worker_.joinable()) {
    worker_.join();
    Poll();
  }
}

void CFindDock::Poll() {
  if (search_ == nullptr) {
    return;
  }
  std::vector<FindHit> hits;
  std::string error;
  {
    std::lock_guard<std::mutex> lock(search_->mutex);
    hits.swap(search_->pending);
    error = search_->error;
  }
  QList<QTreeWidgetItem*> items;
  for (const FindHit& hit : hits) {
    auto* item = new QTreeWidgetItem();
    item->setText(kObject, QString("%1 %2").arg(hit.number).arg(hit.generation));
    item->setText(kPath, QString::fromStdString(hit.path));
    item->setText(kText, QString::fromStdString(hit.text));
    item->setToolTip(kText, QString::fromStdString(hit.where));
    item->setData(kObject, Qt::UserRole, hit.number);
    item->setData(kObject, Qt::UserRole + 1, hit.generation);
    items.append(item);
  }
  results_->addTopLevelItems(items);
  const size_t total = search_->total.load();
  const size_t searched = search_->searched.load();
  if (total > 0) {
    progress_->setRange(0, static_cast<int>(std::min<size_t>(total, INT32_MAX)));
    progress_->setValue(static_cast<int>(std::min<size_t>(searched, INT32_MAX)));
  }
  task_.Report(static_cast<int64_t>(searched), static_cast<int64_t>(total));
  const QLocale locale;
  status_->setText(QString("%1 results, %2 of %3 objects searched")
                       .arg(locale.toString(results_->topLevelItemCount()))
                       .arg(locale.toString(static_cast<qulonglong>(searched)))
                       .arg(locale.toString(static_cast<qulonglong>(total))));
  if (search_->done.load()) {
    Finish();
    if (!error.empty()) {
      status_->setText(QString::fromStdString(error));
    } else if (static_cast<size_t>(results_->topLevelItemCount()) >= kMaxResults) {
      status_->setText(status_->text() +
                       QString(" (stopped at the first %1 results)")
                           .arg(locale.toString(static_cast<qulonglong>(kMaxResults))));
    } else if (search_->cancel.load()) {
      status_->setText(status_->text() + " (cancelled)");
    }
  }
}

void CFindDock::Finish() {
  poll_->stop();
  task_.End();
  if (worker_.joinable()) {
    worker_.join();
  }
  find_->setEnabled(true);
  cancel_->setEnabled(false);
}

bool CFindDock::ChooseNext() {
  const int count = results_->topLevelItemCount();
  if (count == 0) {
    return false;
  }
  const int current = results_->indexOfTopLevelItem(results_->currentItem());
  QTreeWidgetItem* next = results_->topLevelItem(current < 0 ? 0 : (current + 1) % count);
  results_->setCurrentItem(next);
  Choose(next);
  return true;
}

void CFindDock::Choose(QTreeWidgetItem* item) {
  if (item != nullptr) {
    emit objectChosen(item->data(kObject, Qt::UserRole).toInt(),
                      item->data(kObject, Qt::UserRole + 1).toInt());
  }
}
