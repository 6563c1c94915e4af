#include "app/about_box.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include "app/toolbar_icons.h"
#include "diag/format.h"
#include "diag/version.h"

namespace {

// The box is laid out in dialog units: a quarter of the average character width
// across, an eighth of the font height down.
class DialogUnits {
 public:
  explicit DialogUnits(const QFontMetrics& metrics)
      : x_(metrics.averageCharWidth()), y_(metrics.height()) {}
  QRect Rect(int x, int y, int w, int h) const {
    return QRect(x * x_ / 4, y * y_ / 8, w * x_ / 4, h * y_ / 8);
  }

 private:
  int x_;
  int y_;
};

}  // namespace

std::string AboutCaption() {
  return FormatResourceText(IDS_ABOUT_CAPTION, ResourceString(AFX_IDS_APP_TITLE));
}

std::string AboutVersionText() {
  return VersionText(ResourceString(AFX_IDS_APP_TITLE));
}

std::string AboutNoticeText() {
  return FormatText("A viewer for the inner structure of %s files.", "PDF");
}

CAboutBox::CAboutBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf8(AboutCaption().c_str()));
  setModal(true);
  DialogUnits units{QFontMetrics(font())};

  auto* icon = new QLabel(this);
  icon->setPixmap(ApplicationIcon().pixmap(32, 32));
  icon->setGeometry(units.Rect(8, 12, 21, 20));

  version_ = new QLabel(QString::fromUtf8(AboutVersionText().c_str()), this);
  version_->setObjectName("text1000");
  version_->setTextFormat(Qt::PlainText);
  version_->setGeometry(units.Rect(40, 10, 119, 8));

  notice_ = new QLabel(QString::fromUtf8(AboutNoticeText().c_str()), this);
  notice_->setObjectName("text1001");
  notice_->setTextFormat(Qt::PlainText);
  notice_->setGeometry(units.Rect(40, 23, 180, 8));

  auto* ok = new QPushButton("OK", this);
  ok->setDefault(true);
  ok->setGeometry(units.Rect(178, 50, 50, 14));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  setFixedSize(units.Rect(0, 0, 235, 71).size());
}
