#include "app/outline_printer.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

#include "app/view_pages.h"

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
  const int per_page = std::max(page.height() / line_height, 1);
  // A tree of a hundred thousand open items stops at the pane's page bound,
  // its last line saying so.
  const size_t room = static_cast<size_t>(kMaxPrintedPages) * static_cast<size_t>(per_page);
  std::vector<std::vector<std::string>> pages;
  QString note;
  if (lines.size() > room) {
    const std::vector<OutlineLine> shown(lines.begin(),
                                         lines.begin() + static_cast<std::ptrdiff_t>(room - 1));
    pages = PaginateOutline(shown, per_page);
    note = QString("Printing stopped after %1 pages: the tree shows %2 more lines.")
               .arg(pages.size())
               .arg(lines.size() - shown.size());
  } else {
    pages = PaginateOutline(lines, per_page);
  }
  for (size_t p = 0; p < pages.size(); ++p) {
    if (p > 0) {
      printer->newPage();
    }
    int y = metrics.ascent();
    for (const std::string& text : pages[p]) {
      painter.drawText(0, y, QString::fromUtf8(text.c_str()));
      y += line_height;
    }
    if (p + 1 == pages.size() && !note.isEmpty()) {
      painter.drawText(0, y, note);
    }
  }
  painter.end();
  return static_cast<int>(pages.size());
}
