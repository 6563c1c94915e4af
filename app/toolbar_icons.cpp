#include "app/toolbar_icons.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <cmath>

#include "app/commands.h"

namespace {

struct CommandIcon {
  int id;
  const char* theme_name;  // freedesktop icon naming, also the resource's file name
};

constexpr CommandIcon kCommandIcons[] = {
    {ID_FILE_OPEN, "document-open"}, {ID_FILE_SAVE, "document-save"},
    {ID_EDIT_CUT, "edit-cut"},       {ID_EDIT_COPY, "edit-copy"},
    {ID_EDIT_PASTE, "edit-paste"},   {ID_FILE_PRINT, "document-print"},
    {ID_APP_ABOUT, "help-about"},    {ID_GO_BACK, "go-previous"},
    {ID_GO_FORWARD, "go-next"},
};

// The outline colour the shipped images are drawn with; replaced by the
// palette's text colour when they are loaded.
constexpr char kInkPlaceholder[] = "#101010";

// Device pixel ratios rendered ahead: Qt picks the nearest for the screen.
constexpr qreal kRatios[] = {1.0, 1.25, 1.5, 2.0, 3.0};

const char* ThemeName(int command_id) {
  for (const CommandIcon& icon : kCommandIcons) {
    if (icon.id == command_id) {
      return icon.theme_name;
    }
  }
  return nullptr;
}

// The SVG text of a shipped image, with its ink replaced when one is given.
QByteArray ReadSvg(const QString& path, const QColor* ink) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return QByteArray();
  }
  QByteArray svg = file.readAll();
  if (ink != nullptr) {
    svg.replace(kInkPlaceholder, ink->name().toLatin1());
  }
  return svg;
}

QPixmap Render(QSvgRenderer& renderer, QSize pixels, qreal ratio) {
  QPixmap pixmap(pixels);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter);
  painter.end();
  pixmap.setDevicePixelRatio(ratio);
  return pixmap;
}

}  // namespace

QIcon FallbackToolbarIcon(int command_id, const QPalette& palette) {
  const char* name = ThemeName(command_id);
  if (name == nullptr) {
    return QIcon();
  }
  // Pixmaps rather than the SVG icon engine: the image needs no plugin, and
  // its ink follows the palette.
  const QColor ink = palette.color(QPalette::Active, QPalette::WindowText);
  QSvgRenderer renderer(ReadSvg(QString(":/icons/%1.svg").arg(name), &ink));
  if (!renderer.isValid()) {
    return QIcon();
  }
  QIcon icon;
  for (qreal ratio : kRatios) {
    icon.addPixmap(Render(renderer,
                          QSize(static_cast<int>(std::ceil(kToolbarButtonSize.width() * ratio)),
                                static_cast<int>(std::ceil(kToolbarButtonSize.height() * ratio))),
                          ratio));
  }
  return icon;
}

QIcon ToolbarIcon(int command_id) {
  const char* name = ThemeName(command_id);
  if (name == nullptr) {
    return QIcon();
  }
  if (QIcon::hasThemeIcon(name)) {
    return QIcon::fromTheme(name);
  }
  return FallbackToolbarIcon(command_id, QApplication::palette());
}

QIcon ApplicationIcon() {
  if (QIcon::hasThemeIcon(kApplicationId)) {
    return QIcon::fromTheme(kApplicationId);
  }
  QSvgRenderer renderer(ReadSvg(QString(":/icons/%1.svg").arg(kApplicationId), nullptr));
  QIcon icon;
  if (renderer.isValid()) {
    for (int side : {16, 24, 32, 48, 64, 128, 256}) {
      icon.addPixmap(Render(renderer, QSize(side, side), 1.0));
    }
  }
  return icon;
}
