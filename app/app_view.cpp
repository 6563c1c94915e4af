#include "app/app_view.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QProgressDialog>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <queue>

#include "analysis/page_list.h"
#include "app/app_doc.h"
#include "app/page_renderer.h"
#include "app/status_progress.h"
#include "app/view_pages.h"
#include "app/view_text.h"
#include "app/wait_cursor.h"
#include "describe/description.h"
#include "dib/draw/dib_draw.h"
#include "pdf/object.h"

namespace {

// Multi-line text, no word wrap, "&" shown as itself.
// Left to right from the left edge, whatever the application's direction
// (-reverse): the text is the file's.
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignAbsolute | Qt::TextForceLeftToRight |
                           Qt::AlignTop | Qt::TextExpandTabs;
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
constexpr QChar kStringTerminator(0x9c);
constexpr QChar kShownForStringTerminator(0xfffd);  // never in the text otherwise: it is Latin-1
// Texts of up to this many lines are measured by laying them out whole, as
// always; longer ones line by line (the same extent, found without a layout of
// millions of lines).
constexpr int kWholeLayoutLines = 2000;
// How many of the longest-looking lines of a long text are laid out to find
// its width.
constexpr size_t kWidestCandidates = 64;
// Where expanded tabs stop: the text layout's default distance.
constexpr double kTabStop = 80;
// A printout of this many pages or more shows its progress, once it has
// taken kPrintProgressDelayMs.
constexpr size_t kProgressPages = 10;
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
  // The bars' own page step sizes their thumbs by the visible share; a page
  // (the track clicked, Page Up and Down) moves by this view's page step.
  for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
    connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar](int action) {
      if (action != QAbstractSlider::SliderPageStepAdd &&
          action != QAbstractSlider::SliderPageStepSub) {
        return;
      }
      const int page =
          bar->orientation() == Qt::Horizontal ? page_step_.width() : page_step_.height();
      const int step = std::max(page, 1);
      bar->setSliderPosition(bar->value() +
                             (action == QAbstractSlider::SliderPageStepAdd ? step : -step));
    });
  }
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
  if (selection != nullptr && doc_->FileChanged()) {
    description_ = kFileChangedLine;
  } else if (selection != nullptr) {
    CWaitCursor wait;
    description_ = DescribeWithPicture(selection, &image_);
  }
  // The lines are found in the description's bytes, and each is made text
  // only when drawn, measured or copied: a description of a million lines is
  // not held a second time, twice as large.
  line_starts_.clear();
  line_starts_.reserve(
      static_cast<size_t>(std::count(description_.begin(), description_.end(), '\n') + 2));
  line_starts_.push_back(0);
  const char* bytes = description_.data();
  const size_t size = description_.size();
  for (size_t i = 0; i < size; ++i) {
    // Every line end (CR LF, lone CR, LF) ends one line, as PaneText has it.
    if (bytes[i] == '\r' && i + 1 < size && bytes[i + 1] == '\n') {
      ++i;
    }
    if (bytes[i] == '\r' || bytes[i] == '\n') {
      line_starts_.push_back(i + 1);
    }
  }
  line_starts_.push_back(size + 1);
  selectable_ = Modern();
  anchor_ = caret_ = TextPlace();
  if (Modern()) {
    viewport()->setCursor(Qt::IBeamCursor);
  } else {
    viewport()->unsetCursor();
  }

  MeasureText();
  StartPagePicture(selection);
  SetScrollSizes(ContentSize());
}

size_t CAppView::LineEnd(int index) const {
  const size_t start = line_starts_[index];
  size_t end = line_starts_[index + 1] - 1;
  if (end > start && description_[end] == '\n' && description_[end - 1] == '\r') {
    --end;
  }
  return end;
}

QString CAppView::Line(int index) const {
  const size_t start = line_starts_[index];
  // Qt's text drawing takes U+009C as the end of the text (it separates a
  // text's length variants), so a byte 0x9C hid the rest of the description:
  // it is drawn as the replacement character instead, and copied as itself.
  return QString::fromLatin1(description_.data() + start,
                             static_cast<qsizetype>(LineEnd(index) - start))
      .replace(kStringTerminator, kShownForStringTerminator);
}

void CAppView::MeasureText() {
  extent_ = QRect();
  if (description_.empty()) {
    return;
  }
  QFontMetrics metrics(PaneFont(), viewport());
  const QRect limit(0, 0, kTextLimit, kTextLimit);
  const int count = LineCount();
  if (count <= kWholeLayoutLines) {
    const QString text =
        PaneText(description_).replace(kStringTerminator, kShownForStringTerminator);
    const QRect bounds = metrics.boundingRect(limit, kTextFlags, text);
    extent_ = QRect(0, 0, std::max(bounds.right() + 1, 0), std::max(bounds.bottom() + 1, 0));
    return;
  }
  // Too long to lay out at once: every line's width is estimated from its
  // characters' advances (the text is Latin-1, so a table of 256 serves), and
  // the lines that could be widest are laid out to find the real widest.
  QFontMetricsF exact(PaneFont(), viewport());
  double advances[256];
  for (int c = 0; c < 256; ++c) {
    advances[c] = exact.horizontalAdvance(QChar(c));
  }
  advances[kStringTerminator.unicode()] = exact.horizontalAdvance(kShownForStringTerminator);
  // The likely widest lines, the narrowest of them on top.
  std::priority_queue<std::pair<double, int>, std::vector<std::pair<double, int>>, std::greater<>>
      widest;
  const auto* bytes = reinterpret_cast<const unsigned char*>(description_.data());
  for (int i = 0; i < count; ++i) {
    double width = 0;
    for (size_t j = line_starts_[i], end = LineEnd(i); j < end; ++j) {
      width = bytes[j] == '\t' ? (std::floor(width / kTabStop) + 1) * kTabStop
                               : width + advances[bytes[j]];
    }
    if (widest.size() < kWidestCandidates) {
      widest.emplace(width, i);
    } else if (width > widest.top().first) {
      widest.pop();
      widest.emplace(width, i);
    }
  }
  int width = 0;
  for (; !widest.empty(); widest.pop()) {
    // Followed by a line break as in the whole text, which leaves out the
    // line's trailing spaces as the whole layout does.
    const int index = widest.top().second;
    const QString line = index + 1 < count ? Line(index) + '\n' : Line(index);
    width = std::max(width, metrics.boundingRect(limit, kTextFlags, line).right() + 1);
  }
  // Lines lie a pitch apart; the last is as tall as any one line.
  const double one_line = exact.boundingRect(QRectF(limit), kTextFlags, "X").height();
  const double height = (count - 1) * LinePitch(PaneFont(), viewport()) + one_line;
  extent_ =
      QRect(0, 0, width,
            static_cast<int>(std::min<double>(std::ceil(height), std::numeric_limits<int>::max())));
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
      !selection->Get("Type")->IsName("Page") || !doc_->HasFile() || doc_->FileChanged()) {
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
  int lines[] = {line_step_.width(), line_step_.height()};
  for (int i = 0; i < 2; ++i) {
    bars[i]->setRange(0, std::max(totals[i] - visibles[i], 0));
    bars[i]->setPageStep(std::max(visibles[i], 1));
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

void CAppView::Draw(QPainter* painter, const QRectF& exposed) {
  SelectPaneFont(painter);
  const QRect area(0, 0, std::max(kTextLimit, extent_.width()),
                   std::max(kTextLimit, extent_.height()));
  if (!description_.empty()) {
    // Each line where the whole text's layout puts it: a pitch below the one
    // before, clipped to the same rectangle. A line above or below the exposed
    // band is drawn too, for accents and descenders reaching into it.
    const double pitch = LinePitch(PaneFont(), painter->device());
    const int last_line = LineCount() - 1;
    const int first =
        std::clamp(static_cast<int>(std::floor(exposed.top() / pitch)) - 1, 0, last_line);
    const int last =
        std::clamp(static_cast<int>(std::ceil(exposed.bottom() / pitch)) + 1, 0, last_line);
    painter->save();
    painter->setClipRect(area, Qt::IntersectClip);
    for (int i = first; i <= last; ++i) {
      const double top = i * pitch;
      painter->drawText(QRectF(0, top, area.width(), area.height() - top),
                        kTextFlags | Qt::TextDontClip, Line(i));
    }
    painter->restore();
  }
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

void CAppView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QPoint scrolled(horizontalScrollBar()->value(), verticalScrollBar()->value());
  painter.translate(-scrolled);
  Draw(&painter, QRectF(event->rect().translated(scrolled)));
  DrawSelection(&painter);
}

CAppView::TextPlace CAppView::PlaceAt(QPoint point) {
  TextPlace place;
  if (!selectable_) {
    return place;
  }
  const QPoint at = point + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
  const double pitch = LinePitch(PaneFont(), viewport());
  place.line = std::clamp(static_cast<int>(std::floor(at.y() / pitch)), 0, LineCount() - 1);
  // The first character whose middle lies right of the point (widths grow
  // with the prefix, so a binary search finds it).
  const QString line = Line(place.line);
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
  if (anchor_ == caret_ || !selectable_) {
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
    const QString line = Line(i);
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
  if (anchor_ == caret_ || !selectable_) {
    return QString();
  }
  const TextPlace first = std::min(anchor_, caret_);
  const TextPlace last = std::max(anchor_, caret_);
  QStringList parts;
  for (int i = first.line; i <= last.line; ++i) {
    const QString line = Line(i);
    const int from = i == first.line ? first.column : 0;
    const int to = i == last.line ? last.column : static_cast<int>(line.size());
    parts << line.mid(from, to - from);
  }
  return parts.join('\n').replace(kShownForStringTerminator, kStringTerminator);
}

void CAppView::SelectAll() {
  if (!selectable_) {
    return;
  }
  anchor_ = TextPlace();
  caret_ = {LineCount() - 1, static_cast<int>(Line(LineCount() - 1).size())};
  viewport()->update();
}

void CAppView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && selectable_) {
    anchor_ = caret_ = PlaceAt(event->position().toPoint());
    viewport()->update();
  }
  QAbstractScrollArea::mousePressEvent(event);
}

void CAppView::mouseMoveEvent(QMouseEvent* event) {
  if ((event->buttons() & Qt::LeftButton) && selectable_) {
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
  if (event->matches(QKeySequence::SelectAll) && selectable_) {
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
  print_note_.clear();
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
  const double page_height = page.height() / scale;
  std::vector<PageBand> bands =
      PaginateDrawing(total_.height(), extent_.height(), pitch, page_height);
  // A note needs a line's room at the end; a drawing without text gets a
  // line of the pane's font.
  const double note_height = pitch > 0 ? pitch : QFontMetricsF(PaneFont(), printer).lineSpacing();
  const bool cut = MakeRoomForNote(&bands, total_.height(), extent_.height(), pitch, note_height);

  // Each page costs little, but hundreds of them still take a while: a modal
  // dialog shows how far it got and lets the user stop.
  std::unique_ptr<QProgressDialog> progress;
  // The status bar shows it too, and its Cancel stops the same printout.
  CProgressTask task;
  if (bands.size() >= kProgressPages) {
    // Held back meanwhile: what the user does to the window (a new selection
    // would change what is being printed), Cancel aside.
    task.Begin(this, "Printing", {}, /*blocking=*/true);
    QWidget* owner = QApplication::activeModalWidget();
    progress = std::make_unique<QProgressDialog>("Preparing the pages to print...", "Cancel", 0,
                                                 static_cast<int>(bands.size()),
                                                 owner != nullptr ? owner : window());
    progress->setWindowModality(Qt::ApplicationModal);
    progress->setMinimumDuration(progress_delay_ms_);
  }
  size_t printed = 0;
  for (; printed < bands.size(); ++printed) {
    if (progress) {
      // The status bar's Cancel is pressed between two pages.
      task.Step(static_cast<int64_t>(printed), static_cast<int64_t>(bands.size()));
      progress->setValue(static_cast<int>(printed));
      if (progress->wasCanceled() || task.Cancelled()) {
        break;
      }
    }
    if (printed > 0) {
      printer->newPage();
    }
    const PageBand& band = bands[printed];
    painter.save();
    painter.scale(scale, scale);
    painter.translate(0, -band.top);
    const QRectF shown(0, band.top, page.width() / scale, band.bottom - band.top);
    painter.setClipRect(shown);
    Draw(&painter, shown);
    painter.restore();
  }
  int pages = static_cast<int>(printed);
  if (printed < bands.size()) {
    print_note_ =
        QString("Printing cancelled after %1 of %2 pages.").arg(printed).arg(bands.size());
  } else if (cut) {
    const int64_t rest = LinesAfter(bands.back().bottom, pitch, LineCount());
    print_note_ = rest > 0 ? QString("Printing stopped after %1 pages: the item has %2 more lines.")
                                 .arg(printed)
                                 .arg(rest)
                           : QString(
                                 "Printing stopped after %1 pages: the rest of the picture "
                                 "is not printed.")
                                 .arg(printed);
  }
  if (!print_note_.isEmpty()) {
    // Below the last page's drawing when a line fits there, else on a page
    // of its own.
    double top = 0;
    if (printed > 0) {
      const PageBand& last = bands[printed - 1];
      top = last.bottom - last.top;
      if (top + note_height > page_height) {
        printer->newPage();
        ++pages;
        top = 0;
      }
    } else {
      pages = 1;
    }
    painter.save();
    painter.scale(scale, scale);
    painter.setFont(PaneFont());
    painter.drawText(QRectF(0, top, page.width() / scale, page_height - top), kTextFlags,
                     print_note_);
    painter.restore();
  }
  progress.reset();
  task.End();
  painter.end();
  // The screen gets its own font again at the next paint.
  font_.reset();
  return pages;
}
