#include "app/toolbar_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTransform>

#include "app/commands.h"

namespace {

const QColor kInk(0, 0, 0);
const QColor kPaper(255, 255, 255);
const QColor kFolder(230, 190, 60);
const QColor kDisk(40, 70, 160);
const QColor kBlade(120, 120, 120);
const QColor kBoard(170, 120, 60);
const QColor kHelp(20, 90, 200);

void DrawPage(QPainter& p, int x, int y, int w, int h) {
  p.setPen(kInk);
  p.setBrush(kPaper);
  p.drawRect(x, y, w, h);
  for (int line = y + 3; line < y + h - 1; line += 2) {
    p.drawLine(x + 2, line, x + w - 2, line);
  }
}

void DrawOpen(QPainter& p) {
  p.setPen(kInk);
  p.setBrush(kFolder);
  p.drawRect(1, 4, 11, 9);
  p.drawRect(1, 2, 5, 2);
  QPolygon flap({QPoint(3, 7), QPoint(15, 7), QPoint(12, 13), QPoint(1, 13)});
  p.drawPolygon(flap);
}

void DrawSave(QPainter& p) {
  p.setPen(kInk);
  p.setBrush(kDisk);
  p.drawRect(1, 1, 13, 13);
  p.setBrush(kPaper);
  p.drawRect(3, 1, 9, 5);
  p.setBrush(kBlade);
  p.drawRect(4, 9, 7, 5);
}

void DrawCut(QPainter& p) {
  p.setPen(QPen(kBlade, 1.5));
  p.drawLine(4, 1, 10, 9);
  p.drawLine(11, 1, 5, 9);
  p.setPen(kInk);
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(2, 9, 4, 4);
  p.drawEllipse(9, 9, 4, 4);
}

void DrawCopy(QPainter& p) {
  DrawPage(p, 1, 1, 8, 9);
  DrawPage(p, 6, 4, 8, 10);
}

void DrawPaste(QPainter& p) {
  p.setPen(kInk);
  p.setBrush(kBoard);
  p.drawRect(1, 2, 10, 12);
  p.setBrush(kBlade);
  p.drawRect(4, 1, 4, 2);
  DrawPage(p, 6, 6, 8, 8);
}

void DrawPrint(QPainter& p) {
  DrawPage(p, 4, 0, 7, 6);
  p.setPen(kInk);
  p.setBrush(kBlade);
  p.drawRect(1, 6, 13, 6);
  p.setBrush(kPaper);
  p.drawRect(4, 10, 7, 4);
}

void DrawAbout(QPainter& p) {
  p.setPen(QPen(kHelp, 2));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRect(4, 1, 7, 6), 180 * 16, -270 * 16);
  p.drawLine(7, 7, 7, 9);
  p.drawPoint(7, 12);
}

// An arrow pointing left (Back) or right (Forward).
void DrawArrow(QPainter& p, bool right) {
  p.setPen(kInk);
  p.setBrush(kHelp);
  QPolygon arrow({QPoint(1, 7), QPoint(7, 1), QPoint(7, 4), QPoint(14, 4), QPoint(14, 10),
                  QPoint(7, 10), QPoint(7, 13)});
  if (right) {
    arrow = QTransform(-1, 0, 0, 1, 15, 0).map(arrow);
  }
  p.drawPolygon(arrow);
}

void DrawBack(QPainter& p) {
  DrawArrow(p, /*right=*/false);
}

void DrawForward(QPainter& p) {
  DrawArrow(p, /*right=*/true);
}

void DrawApplication(QPainter& p) {
  p.setPen(kInk);
  p.setBrush(kPaper);
  p.drawRect(5, 2, 22, 28);
  p.setPen(QPen(kHelp, 2));
  p.drawLine(10, 8, 10, 24);
  for (int y : {8, 16, 24}) {
    p.drawLine(10, y, 14, y);
    p.fillRect(15, y - 2, 8, 4, kDisk);
  }
}

}  // namespace

QIcon ToolbarIcon(int command_id) {
  void (*draw)(QPainter&) = nullptr;
  switch (command_id) {
    case ID_FILE_OPEN:
      draw = DrawOpen;
      break;
    case ID_FILE_SAVE:
      draw = DrawSave;
      break;
    case ID_EDIT_CUT:
      draw = DrawCut;
      break;
    case ID_EDIT_COPY:
      draw = DrawCopy;
      break;
    case ID_EDIT_PASTE:
      draw = DrawPaste;
      break;
    case ID_FILE_PRINT:
      draw = DrawPrint;
      break;
    case ID_APP_ABOUT:
      draw = DrawAbout;
      break;
    case ID_GO_BACK:
      draw = DrawBack;
      break;
    case ID_GO_FORWARD:
      draw = DrawForward;
      break;
    default:
      return QIcon();
  }
  QPixmap pixmap(kToolbarButtonSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  draw(painter);
  painter.end();
  return QIcon(pixmap);
}

QIcon ApplicationIcon() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  DrawApplication(painter);
  painter.end();
  return QIcon(pixmap);
}
