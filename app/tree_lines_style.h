// The trees' branches as lines with buttons: a dotted line joins each item
// to its parent and its siblings (the top level too), and an item with
// children has a box with a plus or a minus. The colours come from the
// palette, halfway between the text and the background, so that light and
// dark themes both show them.
#pragma once

#include <QProxyStyle>

class CTreeLinesStyle : public QProxyStyle {
  Q_OBJECT

 public:
  CTreeLinesStyle() = default;

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;

  // The lines' colour for a palette.
  static QColor LineColor(const QPalette& palette);
};

// Gives a tree view these lines; the style lives as long as the view.
class QTreeView;
void UseTreeLines(QTreeView* view);
