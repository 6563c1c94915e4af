#include "app/outline_printer.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace {

constexpr int kOutlinePointSize = 10;  // readable on paper, about 60 lines a page

}  // namespace

int PrintOutline(QPrinter* printer, const std::vector<OutlineLine>& lines) {
  QPainter painter;
  if (!painter.begin(printer)) {
    return 0;
  }
  // A fixed-pitch font keeps the indentation lined up.
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(kOutlinePointSize);
  painter.setFont(font);
  QFontMetrics metrics(font, printer);
  QRect page = painter.viewport();
  int line_height = std::max(metrics.lineSpacing(), 1);
  auto pages = PaginateOutline(lines, page.height() / line_height);
  for (size_t p = 0; p < pages.size(); ++p) {
    if (p > 0) {
      printer->newPage();
    }
    int y = metrics.ascent();
    for (const std::string& text : pages[p]) {
      painter.drawText(0, y, QString::fromUtf8(text.c_str()));
      y += line_height;
    }
  }
  painter.end();
  return static_cast<int>(pages.size());
}
