#include "app/tree_lines_style.h"

#include <QPainter>
#include <QStyleOption>
#include <QTreeView>

namespace {

// The button's side in pixels at 1x: odd, so that the sign sits centred.
constexpr int kButtonSide = 9;

QColor Mix(const QColor& a, const QColor& b) {
  return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}

}  // namespace

QColor CTreeLinesStyle::LineColor(const QPalette& palette) {
  return Mix(palette.color(QPalette::Text), palette.color(QPalette::Base));
}

void CTreeLinesStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                    QPainter* painter, const QWidget* widget) const {
  if (element != PE_IndicatorBranch) {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    return;
  }
  const QRect r = option->rect;
  const int x = r.left() + r.width() / 2;
  const int y = r.top() + r.height() / 2;
  const QColor line = LineColor(option->palette);
  painter->save();
  painter->setPen(QPen(line, 0, Qt::DotLine));
  const bool item = option->state & State_Item;
  const bool sibling = option->state & State_Sibling;
  if (item) {
    painter->drawLine(x, y, r.right(), y);  // to the item
  }
  if (sibling) {
    painter->drawLine(x, r.top(), x, r.bottom());  // on to the next sibling
  } else if (item) {
    painter->drawLine(x, r.top(), x, y);  // the last child
  }
  if (option->state & State_Children) {
    const QRect box(x - kButtonSide / 2, y - kButtonSide / 2, kButtonSide - 1, kButtonSide - 1);
    painter->setPen(QPen(line, 0));
    painter->setBrush(option->palette.brush(QPalette::Base));
    painter->drawRect(box);
    painter->setPen(QPen(option->palette.color(QPalette::Text), 0));
    const int arm = kButtonSide / 2 - 2;
    painter->drawLine(x - arm, y, x + arm, y);
    if (!(option->state & State_Open)) {
      painter->drawLine(x, y - arm, x, y + arm);
    }
  }
  painter->restore();
}

void UseTreeLines(QTreeView* view) {
  auto* style = new CTreeLinesStyle();
  style->setParent(view);
  view->setStyle(style);
}
