#include "app/references_dock.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <mutex>

#include "app/app_doc.h"
#include "describe/object_list.h"
#include "describe/open_mode.h"
#include "describe/viewer_document.h"
#include "diag/messages.h"
#include "pdf/object.h"
#include "pdf/xref_table.h"

namespace {

// How often the thread's progress is brought to the bar.
constexpr int kPollMs = 50;
// Rows listed at most; the status says when there are more.
constexpr int kMaxRows = 100000;

}  // namespace

struct CReferencesDock::Build {
  std::atomic<bool> cancel{false};
  std::atomic<bool> done{false};
  std::atomic<int64_t> done_objects{0};
  std::atomic<int64_t> total{0};
  std::mutex mutex;
  std::shared_ptr<ReferenceIndex> index;  // when built
  std::string error;
};

CReferencesDock::CReferencesDock(CAppDoc* doc, QWidget* parent)
    : QDockWidget("References", parent), doc_(doc) {
  setObjectName("ReferencesDock");
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 4, 4, 4);
  auto* bar = new QHBoxLayout();
  status_ = new QLabel(page);
  progress_ = new QProgressBar(page);
  progress_->setVisible(false);
  cancel_ = new QPushButton("Cancel", page);
  cancel_->setEnabled(false);
  bar->addWidget(status_, 1);
  bar->addWidget(progress_);
  bar->addWidget(cancel_);
  layout->addLayout(bar);
  list_ = new QListWidget(page);
  list_->setObjectName("ReferencesList");
  list_->setUniformItemSizes(true);
  layout->addWidget(list_);
  setWidget(page);
  poll_ = new QTimer(this);
  poll_->setInterval(kPollMs);
  connect(poll_, &QTimer::timeout, this, &CReferencesDock::Poll);
  connect(cancel_, &QPushButton::clicked, this, &CReferencesDock::Cancel);
  auto choose = [this](QListWidgetItem* item) {
    if (item != nullptr && item->data(Qt::UserRole).toInt() > 0) {
      emit objectChosen(item->data(Qt::UserRole).toInt(), item->data(Qt::UserRole + 1).toInt());
    }
  };
  connect(list_, &QListWidget::itemActivated, this, choose);
  connect(list_, &QListWidget::itemClicked, this, choose);
  // The index goes with the objects of the open file.
  connect(doc_, &CAppDoc::aboutToOpen, this, &CReferencesDock::Drop);
}

CReferencesDock::~CReferencesDock() {
  Cancel();
  if (worker_.joinable()) {
    worker_.join();
  }
}

void CReferencesDock::Drop() {
  Cancel();
  if (worker_.joinable()) {
    worker_.join();
  }
  poll_->stop();
  task_.End();
  build_.reset();
  index_.reset();
  want_ = Want::kNothing;
  list_->clear();
  status_->clear();
  progress_->setVisible(false);
  cancel_->setEnabled(false);
}

void CReferencesDock::ShowReferencesTo(int32_t number, int32_t generation) {
  want_ = Want::kReferences;
  number_ = number;
  generation_ = generation;
  show();
  raise();
  index_ != nullptr ? ShowWanted() : Start();
}

void CReferencesDock::ShowOrphans() {
  want_ = Want::kOrphans;
  show();
  raise();
  index_ != nullptr ? ShowWanted() : Start();
}

void CReferencesDock::Start() {
  list_->clear();
  if (build_ != nullptr) {
    return;  // under way: the wanted list shows when it ends
  }
  if (!doc_->HasFile()) {
    status_->setText("No file is open");
    return;
  }
  auto build = std::make_shared<Build>();
  build_ = build;
  const std::string path = QFile::encodeName(doc_->GetPathName()).toStdString();
  pdf::OpenOptions options = OpenOptionsFor(doc_->GetMode());
  options.password = doc_->OpenPassword();
  // Reading a damaged file again is a repair: Cancel stops that too.
  options.progress = [build](int64_t, int64_t) { return !build->cancel.load(); };
  worker_ = std::thread([build, path, options] {
    // The thread's document reports nowhere: its findings are the window's.
    ThreadSinkOverride quiet(DiscardLine);
    ViewerDocument doc;
    if (!doc.Open(path.c_str(), options)) {
      std::lock_guard<std::mutex> lock(build->mutex);
      if (!doc.OpenCancelled()) {
        build->error = "The file could not be read again for its references";
      }
      build->done = true;
      return;
    }
    auto index = std::make_shared<ReferenceIndex>();
    const bool built = index->Build(doc, [&](int64_t done, int64_t total) {
      build->done_objects.store(done, std::memory_order_relaxed);
      build->total.store(total, std::memory_order_relaxed);
      return !build->cancel.load();
    });
    std::lock_guard<std::mutex> lock(build->mutex);
    if (built) {
      build->index = std::move(index);
    }
    build->done = true;
  });
  status_->setText("Finding every reference...");
  progress_->setRange(0, 0);
  progress_->setVisible(true);
  cancel_->setEnabled(true);
  task_.Begin(this, "Finding every reference", [this] { Cancel(); });
  poll_->start();
}

void CReferencesDock::Cancel() {
  if (build_ != nullptr) {
    build_->cancel = true;
  }
}

void CReferencesDock::Wait() {
  if (worker_.joinable()) {
    worker_.join();
  }
  Poll();
}

void CReferencesDock::Poll() {
  if (build_ == nullptr) {
    return;
  }
  const int64_t total = build_->total.load();
  if (total > 0) {
    progress_->setRange(0, static_cast<int>(std::min<int64_t>(total, INT32_MAX)));
    progress_->setValue(
        static_cast<int>(std::min<int64_t>(build_->done_objects.load(), INT32_MAX)));
  }
  task_.Report(build_->done_objects.load(), total);
  if (!build_->done.load()) {
    return;
  }
  poll_->stop();
  task_.End();
  if (worker_.joinable()) {
    worker_.join();
  }
  progress_->setVisible(false);
  cancel_->setEnabled(false);
  std::string error;
  {
    std::lock_guard<std::mutex> lock(build_->mutex);
    index_ = build_->index;
    error = build_->error;
  }
  const bool cancelled = build_->cancel.load();
  build_.reset();
  if (!error.empty()) {
    status_->setText(QString::fromStdString(error));
  } else if (index_ == nullptr) {
    status_->setText(cancelled ? "Cancelled" : "The references could not be found");
  } else {
    ShowWanted();
  }
}

void CReferencesDock::ShowWanted() {
  list_->clear();
  const QLocale locale;
  // Objects are loaded through the window's document by their listed
  // generation, as the Objects tab loads them.
  const std::vector<ListedObject> listed = ListObjects(*doc_);
  auto load = [&](int32_t number, int32_t* generation) {
    const int at = FindListedObject(listed, number);
    *generation = at >= 0 ? listed[static_cast<size_t>(at)].generation : 0;
    return doc_->GetObject(number, *generation);
  };
  if (want_ == Want::kOrphans) {
    const std::vector<int32_t> orphans = index_->Orphans();
    QList<QListWidgetItem*> items;
    for (int32_t number : orphans) {
      if (items.size() >= kMaxRows) {
        break;
      }
      int32_t generation = 0;
      pdf::Object* object = load(number, &generation);
      auto* item = new QListWidgetItem(QString("%1 %2 obj  %3")
                                           .arg(number)
                                           .arg(generation)
                                           .arg(QString::fromStdString(ObjectKindName(object))));
      item->setData(Qt::UserRole, number);
      item->setData(Qt::UserRole + 1, generation);
      items.append(item);
    }
    for (QListWidgetItem* item : items) {
      list_->addItem(item);
    }
    if (!index_->Complete()) {
      status_->setText(QString("The index stopped at %1 references: orphans cannot be told")
                           .arg(locale.toString(static_cast<qlonglong>(index_->References()))));
      return;
    }
    status_->setText(QString("Orphans: %1 of %2 objects that nothing reachable from the trailer "
                             "refers to")
                         .arg(locale.toString(static_cast<qulonglong>(orphans.size())))
                         .arg(locale.toString(static_cast<qlonglong>(index_->Objects()))));
    return;
  }
  if (want_ != Want::kReferences) {
    return;
  }
  const std::vector<int32_t> referrers = index_->ReferrersOf(number_);
  for (int32_t referrer : referrers) {
    if (list_->count() >= kMaxRows) {
      break;
    }
    int32_t generation = 0;
    pdf::Object* from = referrer != 0 ? load(referrer, &generation)
                        : doc_->xref != nullptr && doc_->xref->trailer != nullptr
                            ? static_cast<pdf::Object*>(doc_->xref->trailer)
                            : doc_->null_object;
    const QString name =
        referrer == 0 ? QString("trailer") : QString("%1 %2 obj").arg(referrer).arg(generation);
    for (const std::string& path : ReferencePaths(from, number_)) {
      auto* item = new QListWidgetItem(name + "  " + QString::fromStdString(path), list_);
      item->setData(Qt::UserRole, referrer);
      item->setData(Qt::UserRole + 1, generation);
    }
  }
  status_->setText(QString("References to %1 %2 obj: %3 objects")
                       .arg(number_)
                       .arg(generation_)
                       .arg(locale.toString(static_cast<qulonglong>(referrers.size()))));
}
