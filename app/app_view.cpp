#include "app/app_view.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "analysis/page_list.h"
#include "app/app_doc.h"
#include "app/page_renderer.h"
#include "app/view_pages.h"
#include "app/view_text.h"
#include "app/wait_cursor.h"
#include "describe/description.h"
#include "dib/draw/dib_draw.h"
#include "pdf/object.h"

namespace {

// Multi-line text, no word wrap, "&" shown as itself.
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs;
// The rectangle the text is laid out in; grown to the text when it is larger, so
// a long description is never cut off.
constexpr int kTextLimit = 32767;
const char kPaneFace[] = "Verdana";
// Pages are rendered at least this wide and scaled to the pane, so that a
// narrow pane still gets a readable picture when it is widened.
constexpr int kMinRenderWidth = 800;
// And at most this wide: a wide pane need not cost a poster-sized render.
constexpr int kMaxRenderWidth = 2400;
// Space between the page's line and its picture, and around the picture.
constexpr int kPageMargin = 4;
// Page step is a tenth of the total size, line step a tenth of the page step.
constexpr int kStepDivisor = 10;

// The distance between two laid-out lines on the device: the layout rounds each
// line's height, so the font's own line spacing can be a fraction of a pixel
// short, and a page break would drift into a line.
double LinePitch(const QFont& font, QPaintDevice* device) {
  QFontMetricsF metrics(font, device);
  const QRectF area(0, 0, kTextLimit, kTextLimit);
  return metrics.boundingRect(area, kTextFlags, "X\nX").height() -
         metrics.boundingRect(area, kTextFlags, "X").height();
}

}  // namespace

CAppView::CAppView(CAppDoc* doc, QWidget* parent)
    : QAbstractScrollArea(parent), doc_(doc), renderer_(new CPageRenderer(this)) {
  connect(renderer_, &CPageRenderer::rendered, this, &CAppView::OnPageRendered);
  connect(renderer_, &CPageRenderer::failed, this, &CAppView::OnPageFailed);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  connect(doc_, &CAppDoc::updated, this, &CAppView::OnUpdate);
  SetScrollSizes(QSize(0, 0));
}

CAppView::~CAppView() {
  ReleaseImage();
}

void CAppView::OnUpdate(int hint) {
  if (hint == HINT_INITIAL_UPDATE) {
    OnInitialUpdate();
    return;
  }
  if ((hint & HINT_BIT_SELECTION) != 0) {
    RebuildDescription();
    viewport()->update();
  }
}

void CAppView::OnInitialUpdate() {
  RebuildDescription();
  viewport()->update();
}

void CAppView::ReleaseImage() {
  if (image_ != nullptr) {
    DibFree(image_);
    image_ = nullptr;
  }
}

void CAppView::RebuildDescription() {
  description_.clear();
  ReleaseImage();
  pdf::Object* selection = doc_->GetSelection();
  if (selection != nullptr) {
    CWaitCursor wait;
    description_ = DescribeWithPicture(selection, &image_);
  }
  text_ = PaneText(description_);
  lines_ = Modern() ? text_.split('\n') : QStringList();
  anchor_ = caret_ = TextPlace();
  if (Modern()) {
    viewport()->setCursor(Qt::IBeamCursor);
  } else {
    viewport()->unsetCursor();
  }

  extent_ = QRect();
  if (!text_.isEmpty()) {
    QFontMetrics metrics(PaneFont(), viewport());
    QRect bounds = metrics.boundingRect(QRect(0, 0, kTextLimit, kTextLimit), kTextFlags, text_);
    extent_ = QRect(0, 0, std::max(bounds.right() + 1, 0), std::max(bounds.bottom() + 1, 0));
  }

  StartPagePicture(selection);
  SetScrollSizes(ContentSize());
}

QSize CAppView::ContentSize() {
  // A picture may be up to 2^31 rows tall: add in 64 bits and cap, so the sum
  // cannot overflow the scroll sizes.
  int64_t width = extent_.width();
  int64_t height = extent_.height();
  if (image_ != nullptr) {
    height += DIB_GetHeight(image_);
    width = std::max<int64_t>(width, DIB_GetWidth(image_));
  }
  if (!page_line_.isEmpty()) {
    const QRect line = PageLineRect();
    const QRect picture = PageImageRect();
    const QRect all = picture.isEmpty() ? line : line.united(picture);
    height = std::max<int64_t>(height, int64_t{all.bottom()} + 1 + kPageMargin);
    width = std::max<int64_t>(width, all.right() + 1);
  }
  constexpr int64_t kMaxScroll = std::numeric_limits<int>::max();
  return QSize(static_cast<int>(std::min(width, kMaxScroll)),
               static_cast<int>(std::min(height, kMaxScroll)));
}

void CAppView::StartPagePicture(pdf::Object* selection) {
  renderer_->Cancel();
  page_number_ = 0;
  page_line_.clear();
  page_image_ = QImage();
  // Classic mode shows what it always showed: no page pictures.
  if (!Modern() || selection == nullptr || !selection->IsDictionary() || selection->IsStream() ||
      !selection->Get("Type")->IsName("Page") || !doc_->HasFile()) {
    return;
  }
  if (doc_->GetObject(selection->number, selection->generation) != selection) {
    // An earlier version (the Revisions tab): the renderer draws the file as
    // it is now.
    page_line_ = "No picture: this is an earlier version of the page";
    return;
  }
  {
    CWaitCursor wait;  // the first page selected of a file walks its page tree
    page_number_ = PageNumberOf(doc_->Pages(), selection);
  }
  if (page_number_ == 0) {
    page_line_ = "The page could not be rendered: it is not in the document's page tree";
    return;
  }
  page_line_ = QString("Rendering page %1...").arg(page_number_);
  const int width = std::clamp(
      static_cast<int>(std::lround(viewport()->width() * viewport()->devicePixelRatioF())),
      kMinRenderWidth, kMaxRenderWidth);
  renderer_->Start(doc_->GetPathName(), page_number_, width, doc_->OpenPassword());
}

void CAppView::OnPageRendered(const QImage& image) {
  page_image_ = image;
  page_line_ = QString("Page %1 of %2").arg(page_number_).arg(doc_->Pages().pages.size());
  SetScrollSizes(ContentSize());
  viewport()->update();
}

void CAppView::OnPageFailed(const QString& why) {
  page_line_ = "The page could not be rendered: " + why;
  SetScrollSizes(ContentSize());
  viewport()->update();
}

QRect CAppView::PageLineRect() {
  if (page_line_.isEmpty()) {
    return QRect();
  }
  QFontMetrics metrics(PaneFont(), viewport());
  // A blank line between the description and the page.
  const int top = extent_.height() + metrics.lineSpacing();
  return QRect(0, top, std::max(metrics.horizontalAdvance(page_line_), 1), metrics.lineSpacing());
}

QRect CAppView::PageImageRect() {
  if (page_image_.isNull() || page_image_.width() <= 0) {
    return QRect();
  }
  const int width = std::max(viewport()->width() - 2 * kPageMargin, 16);
  const int64_t height = int64_t{page_image_.height()} * width / page_image_.width();
  constexpr int64_t kMaxHeight = std::numeric_limits<int>::max() / 2;
  return QRect(kPageMargin, PageLineRect().bottom() + 1 + kPageMargin, width,
               static_cast<int>(std::clamp<int64_t>(height, 1, kMaxHeight)));
}

void CAppView::SetScrollSizes(QSize total) {
  total_ = total;
  if (Modern()) {
    // A text line per arrow step, a screen less a line per page.
    QFontMetrics metrics(PaneFont(), viewport());
    line_step_ = QSize(metrics.averageCharWidth(), metrics.lineSpacing());
    page_step_ = QSize(std::max(viewport()->width() - line_step_.width(), line_step_.width()),
                       std::max(viewport()->height() - line_step_.height(), line_step_.height()));
    UpdateScrollBars();
    return;
  }
  // Whole pixels, cut down (QSize's own division would round).
  page_step_ = QSize(total.width() / kStepDivisor, total.height() / kStepDivisor);
  line_step_ = QSize(page_step_.width() / kStepDivisor, page_step_.height() / kStepDivisor);
  UpdateScrollBars();
}

void CAppView::UpdateScrollBars() {
  QSize visible = viewport()->size();
  QScrollBar* bars[] = {horizontalScrollBar(), verticalScrollBar()};
  int totals[] = {total_.width(), total_.height()};
  int visibles[] = {visible.width(), visible.height()};
  int pages[] = {page_step_.width(), page_step_.height()};
  int lines[] = {line_step_.width(), line_step_.height()};
  for (int i = 0; i < 2; ++i) {
    bars[i]->setRange(0, std::max(totals[i] - visibles[i], 0));
    bars[i]->setPageStep(std::max(pages[i], 1));
    // A drawing under a hundred pixels would get a line step of 0, which
    // would leave the arrows dead.
    bars[i]->setSingleStep(std::max(lines[i], 1));
  }
}

bool CAppView::Modern() const {
  return doc_->GetMode() == pdf::Mode::kModern;
}

const QFont& CAppView::PaneFont() {
  if (font_ && font_modern_ != Modern()) {
    font_.reset();  // the mode changed since the font was made
  }
  if (!font_) {
    QFont font = this->font();
    // Sized in pixels of the screen, so the printed form keeps the pane's layout.
    if (font.pixelSize() <= 0) {
      font.setPixelSize(std::max(
          static_cast<int>(std::lround(font.pointSizeF() * viewport()->logicalDpiY() / 72.0)), 1));
    }
    // Modern mode's stream text, hex dumps and entry lines line up in the
    // desktop's fixed-pitch font.
    font.setFamily(Modern() ? QFontDatabase::systemFont(QFontDatabase::FixedFont).family()
                            : QString(kPaneFace));
    font.setWeight(QFont::Normal);
    font_ = font;
    font_modern_ = Modern();
  }
  return *font_;
}

void CAppView::SelectPaneFont(QPainter* painter) {
  painter->setFont(PaneFont());
}

void CAppView::Draw(QPainter* painter) {
  SelectPaneFont(painter);
  QRect area(0, 0, std::max(kTextLimit, extent_.width()), std::max(kTextLimit, extent_.height()));
  painter->drawText(area, kTextFlags, text_);
  if (image_ != nullptr) {
    int width = DIB_GetWidth(image_);
    int height = DIB_GetHeight(image_);
    DIB_DrawToDC(image_, painter, extent_.left(), extent_.top() + extent_.height(), width, height,
                 0, 0);
  }
  if (!page_line_.isEmpty()) {
    painter->drawText(PageLineRect(), kTextFlags, page_line_);
  }
  if (!page_image_.isNull()) {
    const QRect target = PageImageRect();
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(target, page_image_);
    // Pages are mostly white on a white pane: a frame shows where one ends.
    painter->setPen(palette().color(QPalette::Mid));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(target.adjusted(-1, -1, 0, 0));
    painter->restore();
  }
}

void CAppView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
  Draw(&painter);
  DrawSelection(&painter);
}

CAppView::TextPlace CAppView::PlaceAt(QPoint point) {
  TextPlace place;
  if (lines_.isEmpty()) {
    return place;
  }
  const QPoint at = point + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
  const double pitch = LinePitch(PaneFont(), viewport());
  place.line = std::clamp(static_cast<int>(std::floor(at.y() / pitch)), 0,
                          static_cast<int>(lines_.size()) - 1);
  // The first character whose middle lies right of the point (widths grow
  // with the prefix, so a binary search finds it).
  const QString& line = lines_[place.line];
  QFontMetricsF metrics(PaneFont(), viewport());
  int low = 0;
  int high = static_cast<int>(line.size());
  while (low < high) {
    const int middle = (low + high) / 2;
    const double centre = (metrics.horizontalAdvance(line.left(middle)) +
                           metrics.horizontalAdvance(line.left(middle + 1))) /
                          2;
    if (centre < at.x()) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  place.column = low;
  return place;
}

void CAppView::DrawSelection(QPainter* painter) {
  if (anchor_ == caret_ || lines_.isEmpty()) {
    return;
  }
  const TextPlace first = std::min(anchor_, caret_);
  const TextPlace last = std::max(anchor_, caret_);
  QFontMetricsF metrics(PaneFont(), viewport());
  const double pitch = LinePitch(PaneFont(), viewport());
  const double top = verticalScrollBar()->value();
  const double bottom = top + viewport()->height();
  for (int i = std::max(first.line, static_cast<int>(top / pitch)); i <= last.line; ++i) {
    if (i * pitch > bottom) {
      break;
    }
    const QString& line = lines_[i];
    const int from = i == first.line ? first.column : 0;
    const int to = i == last.line ? last.column : static_cast<int>(line.size());
    const double left = metrics.horizontalAdvance(line.left(from));
    // A selected line break shows as a space's width.
    const double right = i == last.line ? metrics.horizontalAdvance(line.left(to))
                                        : metrics.horizontalAdvance(line + ' ');
    const QRectF band(left, i * pitch, right - left, pitch);
    painter->fillRect(band, palette().brush(QPalette::Highlight));
    painter->setPen(palette().color(QPalette::HighlightedText));
    painter->drawText(band, Qt::AlignLeft | Qt::AlignTop, line.mid(from, to - from));
  }
}

QString CAppView::SelectedText() const {
  if (anchor_ == caret_ || lines_.isEmpty()) {
    return QString();
  }
  const TextPlace first = std::min(anchor_, caret_);
  const TextPlace last = std::max(anchor_, caret_);
  QStringList parts;
  for (int i = first.line; i <= last.line; ++i) {
    const QString& line = lines_[i];
    const int from = i == first.line ? first.column : 0;
    const int to = i == last.line ? last.column : static_cast<int>(line.size());
    parts << line.mid(from, to - from);
  }
  return parts.join('\n');
}

void CAppView::SelectAll() {
  if (lines_.isEmpty()) {
    return;
  }
  anchor_ = TextPlace();
  caret_ = {static_cast<int>(lines_.size()) - 1, static_cast<int>(lines_.back().size())};
  viewport()->update();
}

void CAppView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && !lines_.isEmpty()) {
    anchor_ = caret_ = PlaceAt(event->position().toPoint());
    viewport()->update();
  }
  QAbstractScrollArea::mousePressEvent(event);
}

void CAppView::mouseMoveEvent(QMouseEvent* event) {
  if ((event->buttons() & Qt::LeftButton) && !lines_.isEmpty()) {
    const QPoint at = event->position().toPoint();
    // Dragging past an edge scrolls, a line or a column at a time.
    if (at.y() < 0 || at.y() >= viewport()->height()) {
      QScrollBar* bar = verticalScrollBar();
      bar->setValue(bar->value() + (at.y() < 0 ? -bar->singleStep() : bar->singleStep()));
    }
    if (at.x() < 0 || at.x() >= viewport()->width()) {
      QScrollBar* bar = horizontalScrollBar();
      bar->setValue(bar->value() + (at.x() < 0 ? -bar->singleStep() : bar->singleStep()));
    }
    caret_ = PlaceAt(at);
    viewport()->update();
  }
  QAbstractScrollArea::mouseMoveEvent(event);
}

void CAppView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::SelectAll) && !lines_.isEmpty()) {
    SelectAll();
    event->accept();
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

void CAppView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  if (Modern()) {
    // The page is the visible height, and a page picture fits the new width.
    SetScrollSizes(page_image_.isNull() ? total_ : ContentSize());
    return;
  }
  UpdateScrollBars();
}

void CAppView::scrollContentsBy(int, int) {
  viewport()->update();
}

void CAppView::PrintPages(QPrinter* printer) {
  Print(printer);
}

int CAppView::Print(QPrinter* printer) {
  // The font is made again for the printer at its first drawing.
  font_.reset();
  QPainter painter;
  if (!painter.begin(printer)) {
    return 0;
  }
  const QRect page = painter.viewport();
  // One pane pixel becomes what it measures on the screen, unless the drawing
  // is wider than the page: then it is shrunk to the page's width.
  double scale = static_cast<double>(printer->logicalDpiX()) / viewport()->logicalDpiX();
  if (total_.width() > 0 && total_.width() * scale > page.width()) {
    scale = static_cast<double>(page.width()) / total_.width();
  }
  const double pitch = LinePitch(PaneFont(), printer);
  const std::vector<PageBand> bands =
      PaginateDrawing(total_.height(), extent_.height(), pitch, page.height() / scale);
  for (size_t i = 0; i < bands.size(); ++i) {
    if (i > 0) {
      printer->newPage();
    }
    const PageBand& band = bands[i];
    painter.save();
    painter.scale(scale, scale);
    painter.translate(0, -band.top);
    painter.setClipRect(QRectF(0, band.top, page.width() / scale, band.bottom - band.top));
    Draw(&painter);
    painter.restore();
  }
  painter.end();
  // The screen gets its own font again at the next paint.
  font_.reset();
  return static_cast<int>(bands.size());
}
