#include "app/hex_view.h"

#include <QFontDatabase>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <limits>

#include "describe/hex_dump.h"

namespace {

// Characters of the widest line: offset, 16 bytes in three columns each, the
// gap, the ASCII column and its bars.
constexpr int kLineChars = 10 + 16 * 3 + 1 + 1 + 16 + 2;

}  // namespace

CHexView::CHexView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  setFocusPolicy(Qt::StrongFocus);
  UpdateScrollBars();
}

void CHexView::SetBytes(std::span<const uint8_t> bytes) {
  owned_.clear();
  owned_.shrink_to_fit();
  bytes_ = bytes;
  verticalScrollBar()->setValue(0);
  UpdateScrollBars();
  viewport()->update();
}

void CHexView::SetOwnedBytes(std::vector<uint8_t> bytes) {
  owned_ = std::move(bytes);
  bytes_ = owned_;
  verticalScrollBar()->setValue(0);
  UpdateScrollBars();
  viewport()->update();
}

void CHexView::Clear() {
  SetBytes({});
}

size_t CHexView::LineCount() const {
  return HexDumpLineCount(bytes_.size());
}

size_t CHexView::TopLine() const {
  return static_cast<size_t>(std::max(verticalScrollBar()->value(), 0));
}

QString CHexView::LineText(size_t line) const {
  return QString::fromLatin1(HexDumpLine(bytes_, line));
}

int CHexView::LineHeight() const {
  return std::max(fontMetrics().lineSpacing(), 1);
}

void CHexView::UpdateScrollBars() {
  // Scrolled a line at a time: the bar counts lines, not pixels, so that 2^31
  // pixels never limit the length shown.
  const int visible = std::max(viewport()->height() / LineHeight(), 1);
  const size_t lines = LineCount();
  const int64_t range = static_cast<int64_t>(lines) - visible;
  verticalScrollBar()->setRange(
      0, static_cast<int>(std::clamp<int64_t>(range, 0, std::numeric_limits<int>::max())));
  verticalScrollBar()->setSingleStep(1);
  verticalScrollBar()->setPageStep(visible);
  const int width = fontMetrics().horizontalAdvance(QLatin1Char('0')) * kLineChars;
  horizontalScrollBar()->setRange(0, std::max(width - viewport()->width(), 0));
  horizontalScrollBar()->setPageStep(viewport()->width());
  horizontalScrollBar()->setSingleStep(fontMetrics().horizontalAdvance(QLatin1Char('0')));
}

void CHexView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void CHexView::scrollContentsBy(int, int) {
  viewport()->update();  // the lines are drawn from the bars' values
}

void CHexView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  // Offsets, hex and ASCII read left to right, whatever the application's
  // direction (-reverse).
  painter.setLayoutDirection(Qt::LeftToRight);
  painter.setFont(font());
  painter.setPen(palette().color(QPalette::Text));
  const int height = LineHeight();
  const int ascent = fontMetrics().ascent();
  const int x = -horizontalScrollBar()->value();
  const size_t first = TopLine();
  const size_t count = static_cast<size_t>(viewport()->height() / height + 1);
  for (size_t i = 0; i < count && first + i < LineCount(); ++i) {
    painter.drawText(x, static_cast<int>(i) * height + ascent, LineText(first + i));
  }
}
