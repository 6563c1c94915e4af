#include "app/message_box.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSpacerItem>

#include "diag/messages.h"

namespace {

constexpr int kOk = 1;  // the result of a box closed with its OK button
// The title bar's icon, buttons and margins, in lines of the title's font.
constexpr int kTitleBarAllowanceInLines = 6;

}  // namespace

std::unique_ptr<QMessageBox> MakeWarningBox(const char* caption, const char* text) {
  auto box = std::make_unique<QMessageBox>(QMessageBox::Warning, QString::fromUtf8(caption),
                                           QString::fromUtf8(text), QMessageBox::Ok);
  // Texts carry PDF names and file contents such as "<<": never read them as markup.
  box->setTextFormat(Qt::PlainText);
  // A short text makes a box narrower than its caption, which the window
  // manager then cuts: a spacer under the text keeps the caption's width,
  // with room for the title bar's icon and buttons.
  QFont title_font = box->font();
  title_font.setBold(true);
  const QFontMetrics metrics(title_font);
  const int width =
      metrics.horizontalAdvance(box->windowTitle()) + kTitleBarAllowanceInLines * metrics.height();
  if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  return box;
}

int ShowWarningBox(const char* caption, const char* text) {
  std::unique_ptr<QMessageBox> box = MakeWarningBox(caption, text);
  // A box raised under the wait cursor (an open, an expansion) still wants a pointer.
  QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
  box->exec();
  QGuiApplication::restoreOverrideCursor();
  return kOk;
}

void InstallWarningBox() {
  SetMessageBoxPresenter(ShowWarningBox);
}
