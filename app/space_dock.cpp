#include "app/space_dock.h"

#include <QEvent>
#include <QFile>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "analysis/space.h"
#include "analysis/space_tiles.h"
#include "app/app_doc.h"
#include "describe/open_mode.h"
#include "describe/viewer_document.h"
#include "diag/messages.h"

namespace {

constexpr int kPollMs = 50;

// One colour per kind, apart in hue, light enough for black text.
QColor KindColor(int kind) {
  return QColor::fromHsv((kind * 67) % 360, 90, 235);
}

QString Bytes(int64_t bytes) {
  return QLocale().formattedDataSize(bytes);
}

}  // namespace

CTreemapView::CTreemapView(QWidget* parent) : QWidget(parent) {
  setObjectName("CTreemapView");
  setMinimumSize(120, 80);
  setMouseTracking(true);
}

void CTreemapView::SetSummary(std::shared_ptr<const SpaceSummary> summary) {
  summary_ = std::move(summary);
  Layout();
  update();
}

void CTreemapView::Layout() {
  tiles_.clear();
  if (summary_ == nullptr) {
    return;
  }
  for (const SpaceTile& tile : LayoutSpace(*summary_, width(), height())) {
    tiles_.push_back({QRectF(tile.rect.x, tile.rect.y, tile.rect.width, tile.rect.height),
                      tile.kind, tile.number, tile.generation, tile.bytes});
  }
}

void CTreemapView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Layout();
}

void CTreemapView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().base());
  if (summary_ == nullptr) {
    return;
  }
  // The objects' tiles, then each kind's frame around them.
  const size_t frames = std::min(summary_->kinds.size(), tiles_.size());
  painter.setPen(palette().color(QPalette::Mid));
  for (size_t i = frames; i < tiles_.size(); ++i) {
    const Tile& tile = tiles_[i];
    const QColor fill = KindColor(tile.kind);
    painter.fillRect(tile.rect, tile.number != 0 ? fill : fill.lighter(112));
    painter.drawRect(tile.rect);
  }
  painter.setPen(palette().color(QPalette::WindowText));
  for (size_t i = 0; i < frames; ++i) {
    painter.drawRect(tiles_[i].rect);
  }
  // Each kind's name where its tile has room: dark on the light tiles.
  painter.setPen(Qt::black);
  for (size_t k = 0; k < summary_->kinds.size() && k < tiles_.size(); ++k) {
    const QRectF& frame = tiles_[k].rect;
    const QString name = QString::fromStdString(summary_->kinds[k].name);
    if (frame.width() > fontMetrics().horizontalAdvance(name) + 6 &&
        frame.height() > fontMetrics().height() + 4) {
      painter.drawText(frame.adjusted(3, 2, -3, -2), Qt::AlignLeft | Qt::AlignTop, name);
    }
  }
}

const CTreemapView::Tile* CTreemapView::TileAt(QPointF point) const {
  const size_t frames = summary_ != nullptr ? summary_->kinds.size() : 0;
  for (size_t i = frames; i < tiles_.size(); ++i) {
    if (tiles_[i].rect.contains(point)) {
      return &tiles_[i];
    }
  }
  for (size_t i = 0; i < std::min(frames, tiles_.size()); ++i) {
    if (tiles_[i].rect.contains(point)) {
      return &tiles_[i];
    }
  }
  return nullptr;
}

int32_t CTreemapView::ObjectAt(QPoint point, int32_t* generation) const {
  const Tile* tile = TileAt(point);
  if (tile == nullptr || tile->number == 0) {
    return 0;
  }
  *generation = tile->generation;
  return tile->number;
}

void CTreemapView::mousePressEvent(QMouseEvent* event) {
  int32_t generation = 0;
  const int32_t number = ObjectAt(event->position().toPoint(), &generation);
  if (number > 0 && event->button() == Qt::LeftButton) {
    emit objectChosen(number, generation);
  }
  QWidget::mousePressEvent(event);
}

bool CTreemapView::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip && summary_ != nullptr) {
    auto* help = static_cast<QHelpEvent*>(event);
    const Tile* tile = TileAt(help->pos());
    if (tile != nullptr) {
      const QString kind =
          QString::fromStdString(summary_->kinds[static_cast<size_t>(tile->kind)].name);
      const QString text =
          tile->number != 0
              ? QString("%1 %2 obj  %3, %4")
                    .arg(tile->number)
                    .arg(tile->generation)
                    .arg(kind)
                    .arg(Bytes(tile->bytes))
              : QString("%1: the other objects, %2").arg(kind).arg(Bytes(tile->bytes));
      QToolTip::showText(help->globalPos(), text, this);
    } else {
      QToolTip::hideText();
    }
    return true;
  }
  return QWidget::event(event);
}

CSpaceDock::CSpaceDock(CAppDoc* doc, QWidget* parent) : QDockWidget("Space", parent), doc_(doc) {
  setObjectName("SpaceDock");
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 4, 4, 4);
  status_ = new QLabel(page);
  layout->addWidget(status_);
  auto* split = new QSplitter(Qt::Horizontal, page);
  split_ = split;
  table_ = new QTreeWidget(split);
  table_->setObjectName("SpaceTable");
  table_->setRootIsDecorated(false);
  table_->setHeaderLabels({"Kind", "Objects", "Bytes", "Share"});
  table_->header()->setStretchLastSection(false);
  treemap_ = new CTreemapView(split);
  split->setStretchFactor(1, 1);
  layout->addWidget(split, 1);
  setWidget(page);
  poll_ = new QTimer(this);
  poll_->setInterval(kPollMs);
  connect(poll_, &QTimer::timeout, this, &CSpaceDock::Poll);
  connect(treemap_, &CTreemapView::objectChosen, this, &CSpaceDock::objectChosen);
  connect(doc_, &CAppDoc::aboutToOpen, this, &CSpaceDock::Drop);
  connect(doc_, &CAppDoc::updated, this, [this](int hint) {
    if ((hint & HINT_BIT_OPENED) && isVisible()) {
      Measure();
    }
  });
  connect(toggleViewAction(), &QAction::toggled, this, [this](bool shown) {
    if (shown) {
      // Over the docks it shares the bottom with, once shown.
      QTimer::singleShot(0, this, [this] { raise(); });
      Measure();
    }
  });
}

CSpaceDock::~CSpaceDock() {
  if (worker_.joinable()) {
    worker_.join();
  }
}

void CSpaceDock::Drop() {
  if (worker_.joinable()) {
    worker_.join();
  }
  poll_->stop();
  job_.reset();
  summary_.reset();
  table_->clear();
  treemap_->SetSummary(nullptr);
  status_->clear();
}

void CSpaceDock::Measure() {
  if (summary_ != nullptr || job_ != nullptr) {
    return;
  }
  if (!doc_->HasFile()) {
    status_->setText("No file is open");
    return;
  }
  auto job = std::make_shared<Job>();
  job_ = job;
  const std::string path = QFile::encodeName(doc_->GetPathName()).toStdString();
  pdf::OpenOptions options = OpenOptionsFor(doc_->GetMode());
  options.password = doc_->OpenPassword();
  worker_ = std::thread([job, path, options] {
    // The thread's document reports nowhere: its findings are the window's.
    ThreadSinkOverride quiet(DiscardLine);
    ViewerDocument doc;
    if (doc.Open(path.c_str(), options)) {
      job->summary = std::make_shared<SpaceSummary>(SummarizeSpace(MeasureSpace(doc)));
    } else {
      job->error = "The file could not be read again to measure it";
    }
    job->done = true;
  });
  status_->setText("Measuring every object...");
  poll_->start();
}

void CSpaceDock::Wait() {
  if (worker_.joinable()) {
    worker_.join();
  }
  Poll();
}

void CSpaceDock::Poll() {
  if (job_ == nullptr || !job_->done.load()) {
    return;
  }
  poll_->stop();
  if (worker_.joinable()) {
    worker_.join();
  }
  summary_ = job_->summary;
  const std::string error = job_->error;
  job_.reset();
  if (summary_ == nullptr) {
    status_->setText(QString::fromStdString(error));
    return;
  }
  Show();
}

void CSpaceDock::Show() {
  table_->clear();
  const QLocale locale;
  const double whole = summary_->file_bytes > 0 ? static_cast<double>(summary_->file_bytes) : 1;
  for (const SpaceSummary::Kind& kind : summary_->kinds) {
    auto* row = new QTreeWidgetItem(table_);
    row->setText(0, QString::fromStdString(kind.name));
    row->setText(1, locale.toString(static_cast<qlonglong>(kind.objects)));
    row->setText(2, locale.toString(static_cast<qlonglong>(kind.bytes)));
    row->setText(3, QString("%1%").arg(100.0 * static_cast<double>(kind.bytes) / whole, 0, 'f', 1));
    for (int column = 1; column < 4; ++column) {
      row->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
  }
  int columns = 0;
  for (int column = 0; column < 4; ++column) {
    table_->resizeColumnToContents(column);
    columns += table_->columnWidth(column);
  }
  // The table whole, the treemap the rest, once the dock is laid out.
  const int table =
      columns + 2 * table_->frameWidth() + table_->verticalScrollBar()->sizeHint().width();
  QTimer::singleShot(0, this, [this, table] {
    split_->setSizes({table, std::max(split_->width() - table, table)});
  });
  treemap_->SetSummary(summary_);
  status_->setText(QString("%1 in the file; click an object's tile to select it")
                       .arg(locale.formattedDataSize(summary_->file_bytes)));
}
