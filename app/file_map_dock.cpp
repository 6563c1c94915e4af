#include "app/file_map_dock.h"

#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <string_view>

#include "analysis/space.h"
#include "app/app_doc.h"
#include "describe/open_mode.h"
#include "describe/viewer_document.h"
#include "diag/messages.h"
#include "pdf/object.h"
#include "pdf/xref_table.h"

namespace {

constexpr int kPollMs = 50;
// Room left of the picture for the marker of the highlighted range.
constexpr int kMarkerWidth = 8;

struct Swatch {
  const char* name;
  QRgb colour;
};

// Apart in hue and lightness, so that neighbours stay apart on light and
// dark themes; what nothing owns stands out in red.
constexpr std::array<Swatch, static_cast<size_t>(MapColour::kCount)> kSwatches = {{
    {"header", 0xff8c8c8c},
    {"catalog and pages", 0xff4e79a7},
    {"fonts", 0xfff28e2b},
    {"images", 0xff59a14f},
    {"contents and forms", 0xffedc948},
    {"other streams", 0xffb07aa1},
    {"other objects", 0xff76b7b2},
    {"earlier versions", 0xffd7cfca},
    {"cross-reference sections", 0xff9c755f},
    {"trailers", 0xffff9da7},
    {"unowned", 0xffe0201b},
    {"after the last %%EOF", 0xff3a3a3a},
}};

const Swatch& SwatchOf(MapColour colour) {
  return kSwatches[static_cast<size_t>(colour)];
}

// Two columns of swatches and names.
QWidget* Legend(QWidget* parent) {
  auto* legend = new QWidget(parent);
  auto* grid = new QGridLayout(legend);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(0);
  for (size_t i = 0; i < kSwatches.size(); ++i) {
    auto* label = new QLabel(
        QString("<span style=\"color:%1\">&#9632;</span>&nbsp;%2")
            .arg(QColor(kSwatches[i].colour).name(), QString(kSwatches[i].name).toHtmlEscaped()),
        legend);
    grid->addWidget(label, static_cast<int>(i / 2), static_cast<int>(i % 2));
  }
  return legend;
}

MapColour ColourOfKind(std::string_view kind) {
  if (kind == "Catalog" || kind == "Pages" || kind == "Page") {
    return MapColour::kStructure;
  }
  if (kind.substr(0, 4) == "Font" || kind == "font file stream") {
    return MapColour::kFont;
  }
  if (kind == "image stream") {
    return MapColour::kImage;
  }
  if (kind == "page content stream" || kind == "form stream") {
    return MapColour::kContent;
  }
  if (kind.find("stream") != std::string_view::npos) {
    return MapColour::kOtherStream;
  }
  return MapColour::kOtherObject;
}

QString RangeText(const FileMap& map, const MapRange& range) {
  return QString("Bytes %1 to %2 (%3): %4")
      .arg(range.from)
      .arg(range.to - 1)
      .arg(QLocale().formattedDataSize(range.to - range.from))
      .arg(QString::fromStdString(DescribeRange(map, range)));
}

}  // namespace

MapColour ColourOf(const FileMap& map, const MapRange& range) {
  switch (range.part) {
    case MapPart::kHeader:
      return MapColour::kHeader;
    case MapPart::kObject:
      return ColourOfKind(range.kind < map.kinds.size() ? map.kinds[range.kind] : "");
    case MapPart::kEarlierObject:
      return MapColour::kEarlier;
    case MapPart::kSection:
      return MapColour::kSection;
    case MapPart::kTrailer:
      return MapColour::kTrailer;
    case MapPart::kUnowned:
      return MapColour::kUnowned;
    case MapPart::kAfterEnd:
      return MapColour::kAfterEnd;
  }
  return MapColour::kOtherObject;
}

QColor ColourValue(MapColour colour) {
  return QColor(SwatchOf(colour).colour);
}

CFileMapView::CFileMapView(QWidget* parent) : QWidget(parent) {
  setObjectName("FileMapView");
  setMouseTracking(true);
  setMinimumSize(40, 80);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CFileMapView::SetMap(std::shared_ptr<const FileMap> map) {
  map_ = std::move(map);
  highlight_from_ = highlight_to_ = 0;
  Render();
  update();
}

void CFileMapView::SetHighlight(int64_t from, int64_t to) {
  highlight_from_ = from;
  highlight_to_ = to;
  update();
}

QRect CFileMapView::Area() const {
  return rect().adjusted(kMarkerWidth, 0, 0, 0);
}

void CFileMapView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Render();
}

// Byte b is drawn at device pixel b * P / N, row after row.
void CFileMapView::Render() {
  const QRect area = Area();
  const qreal ratio = devicePixelRatioF();
  if (map_ == nullptr || map_->file_bytes <= 0 || area.isEmpty()) {
    picture_ = QImage();
    return;
  }
  picture_ = QImage(area.size() * ratio, QImage::Format_RGB32);
  picture_.setDevicePixelRatio(ratio);
  const int64_t width = picture_.width();
  const int64_t pixels = width * picture_.height();
  const int64_t bytes = map_->file_bytes;
  size_t index = 0;
  QRgb colour = 0;
  size_t coloured = SIZE_MAX;
  for (int64_t pixel = 0; pixel < pixels; ++pixel) {
    const int64_t byte = pixel * bytes / pixels;
    while (index + 1 < map_->ranges.size() && map_->ranges[index].to <= byte) {
      ++index;
    }
    if (index != coloured && index < map_->ranges.size()) {
      colour = SwatchOf(ColourOf(*map_, map_->ranges[index])).colour;
      coloured = index;
    }
    reinterpret_cast<QRgb*>(picture_.scanLine(static_cast<int>(pixel / width)))[pixel % width] =
        colour;
  }
}

int64_t CFileMapView::PixelOf(int64_t offset) const {
  const int64_t pixels = static_cast<int64_t>(picture_.width()) * picture_.height();
  if (map_ == nullptr || map_->file_bytes <= 0 || pixels == 0) {
    return 0;
  }
  // The first pixel whose byte is at or after the offset.
  return std::min(pixels, (offset * pixels + map_->file_bytes - 1) / map_->file_bytes);
}

QPoint CFileMapView::PointOf(int64_t offset) const {
  const int width = std::max(1, picture_.width());
  const int64_t pixel = PixelOf(offset);
  const qreal ratio = picture_.devicePixelRatio();
  return Area().topLeft() + QPoint(static_cast<int>((pixel % width + 0.5) / ratio),
                                   static_cast<int>((pixel / width + 0.5) / ratio));
}

const MapRange* CFileMapView::RangeAt(QPoint point) const {
  const QRect area = Area();
  if (map_ == nullptr || picture_.isNull() || !area.contains(point)) {
    return nullptr;
  }
  const qreal ratio = picture_.devicePixelRatio();
  const QPoint inside = point - area.topLeft();
  const int64_t x =
      std::min<int64_t>(picture_.width() - 1, static_cast<int64_t>(inside.x() * ratio));
  const int64_t y =
      std::min<int64_t>(picture_.height() - 1, static_cast<int64_t>(inside.y() * ratio));
  const int64_t pixels = static_cast<int64_t>(picture_.width()) * picture_.height();
  return map_->At((y * picture_.width() + x) * map_->file_bytes / pixels);
}

QColor CFileMapView::ColourAt(QPoint point) const {
  const QRect area = Area();
  if (picture_.isNull() || !area.contains(point)) {
    return {};
  }
  const qreal ratio = picture_.devicePixelRatio();
  const QPoint inside = point - area.topLeft();
  return picture_.pixelColor(static_cast<int>(inside.x() * ratio),
                             static_cast<int>(inside.y() * ratio));
}

void CFileMapView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  if (picture_.isNull()) {
    return;
  }
  const QRect area = Area();
  painter.drawImage(area.topLeft(), picture_);
  if (highlight_to_ <= highlight_from_) {
    return;
  }
  // The highlighted pixels, row by row, at least one so that a small object
  // in a large file still shows.
  const qreal ratio = picture_.devicePixelRatio();
  const int64_t width = picture_.width();
  const int64_t first = PixelOf(highlight_from_);
  const int64_t last = std::max(first + 1, PixelOf(highlight_to_));
  // At most three rectangles: the first row's part, the whole rows, the last
  // row's part.
  const int64_t top_row = first / width;
  const int64_t bottom_row = (last - 1) / width;
  const auto band = [&](int64_t row, int64_t rows, int64_t from, int64_t to) {
    return QRectF(area.left() + static_cast<qreal>(from) / ratio,
                  area.top() + static_cast<qreal>(row) / ratio,
                  static_cast<qreal>(to - from) / ratio, static_cast<qreal>(rows) / ratio);
  };
  QPainterPath shape;
  if (top_row == bottom_row) {
    shape.addRect(band(top_row, 1, first % width, (last - 1) % width + 1));
  } else {
    shape.addRect(band(top_row, 1, first % width, width));
    if (bottom_row > top_row + 1) {
      shape.addRect(band(top_row + 1, bottom_row - top_row - 1, 0, width));
    }
    shape.addRect(band(bottom_row, 1, 0, (last - 1) % width + 1));
  }
  // Hatched and framed, so that the owner's own colour still shows through.
  shape = shape.simplified();
  const QColor highlight = palette().color(QPalette::Highlight);
  painter.fillPath(shape, QBrush(palette().color(QPalette::WindowText), Qt::BDiagPattern));
  painter.setPen(QPen(highlight, 2));
  painter.drawPath(shape);
  // A marker beside the first row, where the eye finds it.
  const qreal top = area.top() + static_cast<qreal>(first / width) / ratio;
  const qreal bottom = area.top() + static_cast<qreal>((last - 1) / width + 1) / ratio;
  const qreal middle = (top + bottom) / 2;
  QPainterPath marker;
  marker.moveTo(0, middle - kMarkerWidth / 2.0);
  marker.lineTo(kMarkerWidth - 1, middle);
  marker.lineTo(0, middle + kMarkerWidth / 2.0);
  marker.closeSubpath();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillPath(marker, highlight);
  painter.fillRect(QRectF(kMarkerWidth - 2, top, 2, std::max<qreal>(1, bottom - top)), highlight);
}

void CFileMapView::mousePressEvent(QMouseEvent* event) {
  const MapRange* range = RangeAt(event->position().toPoint());
  if (range != nullptr && event->button() == Qt::LeftButton) {
    emit rangeChosen(*range);
  }
  QWidget::mousePressEvent(event);
}

void CFileMapView::mouseMoveEvent(QMouseEvent* event) {
  const MapRange* range = RangeAt(event->position().toPoint());
  if (range != nullptr) {
    emit rangeHovered(*range);
  }
  QWidget::mouseMoveEvent(event);
}

CFileMapDock::CFileMapDock(CAppDoc* doc, QWidget* parent)
    : QDockWidget("File Map", parent), doc_(doc) {
  setObjectName("FileMapDock");
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 4, 4, 4);
  status_ = new QLabel(page);
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // Room for a long owner's description whatever the dock's width.
  status_->setMinimumHeight(3 * status_->fontMetrics().lineSpacing());
  layout->addWidget(status_);
  view_ = new CFileMapView(page);
  layout->addWidget(view_, 1);
  layout->addWidget(Legend(page));
  setWidget(page);
  poll_ = new QTimer(this);
  poll_->setInterval(kPollMs);
  connect(poll_, &QTimer::timeout, this, &CFileMapDock::Poll);
  connect(view_, &CFileMapView::rangeChosen, this, &CFileMapDock::Choose);
  connect(view_, &CFileMapView::rangeHovered, this, &CFileMapDock::Describe);
  connect(doc_, &CAppDoc::aboutToOpen, this, &CFileMapDock::Drop);
  connect(doc_, &CAppDoc::updated, this, [this](int hint) {
    if ((hint & HINT_BIT_OPENED) && isVisible()) {
      Map();
    }
    if (hint & HINT_BIT_SELECTION) {
      ShowSelection();
    }
  });
  connect(toggleViewAction(), &QAction::toggled, this, [this](bool shown) {
    if (shown) {
      Map();
    }
  });
}

CFileMapDock::~CFileMapDock() {
  if (worker_.joinable()) {
    worker_.join();
  }
}

void CFileMapDock::Drop() {
  if (worker_.joinable()) {
    worker_.join();
  }
  poll_->stop();
  job_.reset();
  map_.reset();
  view_->SetMap(nullptr);
  status_->clear();
}

void CFileMapDock::Map() {
  if (map_ != nullptr || job_ != nullptr) {
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
      job->map = std::make_shared<FileMap>(MapFile(doc, MeasureSpace(doc)));
    } else {
      job->error = "The file could not be read again to map it";
    }
    job->done = true;
  });
  status_->setText("Mapping the file...");
  poll_->start();
}

void CFileMapDock::Wait() {
  if (worker_.joinable()) {
    worker_.join();
  }
  Poll();
}

void CFileMapDock::Poll() {
  if (job_ == nullptr || !job_->done.load()) {
    return;
  }
  poll_->stop();
  if (worker_.joinable()) {
    worker_.join();
  }
  map_ = job_->map;
  const std::string error = job_->error;
  job_.reset();
  if (map_ == nullptr) {
    status_->setText(QString::fromStdString(error));
    return;
  }
  view_->SetMap(map_);
  int64_t unowned = 0;
  for (const MapRange& range : map_->ranges) {
    unowned += range.part == MapPart::kUnowned ? range.to - range.from : 0;
  }
  QString text = QString("%1 in %2 ranges")
                     .arg(QLocale().formattedDataSize(map_->file_bytes))
                     .arg(map_->ranges.size());
  if (unowned > 0) {
    text += QString("; %1 owned by nothing").arg(QLocale().formattedDataSize(unowned));
  }
  status_->setText(text + "; click a byte to select its owner");
  ShowSelection();
}

void CFileMapDock::ShowSelection() {
  if (map_ == nullptr) {
    return;
  }
  pdf::Object* object = doc_->GetSelection();
  const MapRange* range = nullptr;
  int32_t container = 0;
  if (object != nullptr && object->IsXRefTable()) {
    range = map_->OfSection(object->AsXRefTable()->section_offset);
  } else if (object != nullptr && object->number > 0) {
    range = map_->OfObject(object->number, &container);
  }
  if (range == nullptr) {
    view_->SetHighlight(0, 0);
    return;
  }
  view_->SetHighlight(range->from, range->to);
  QString text = RangeText(*map_, *range);
  if (container > 0) {
    text = QString("Object %1 is in object stream %2. ").arg(object->number).arg(container) + text;
  }
  status_->setText(text);
}

void CFileMapDock::Describe(const MapRange& range) {
  if (map_ != nullptr) {
    view_->setToolTip(RangeText(*map_, range));
  }
}

void CFileMapDock::Choose(const MapRange& range) {
  if (map_ == nullptr) {
    return;
  }
  switch (range.part) {
    case MapPart::kObject:
    case MapPart::kSection:
      if (range.number > 0) {
        emit objectChosen(range.number, range.generation);
      } else {
        emit itemChosen("XRefs");
      }
      break;
    case MapPart::kHeader:
      emit itemChosen("Header");
      break;
    case MapPart::kTrailer:
      emit itemChosen("Trailer");
      break;
    case MapPart::kEarlierObject:
    case MapPart::kUnowned:
    case MapPart::kAfterEnd:
      break;
  }
  // The bytes clicked stay highlighted, whatever the tree selected for them
  // (an older section selects the XRefs item, for one).
  view_->SetHighlight(range.from, range.to);
  QString text = RangeText(*map_, range);
  if (range.part == MapPart::kEarlierObject) {
    text += ". An update replaced it: the Revisions tab shows each version.";
  }
  status_->setText(text);
}
