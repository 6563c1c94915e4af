#include "app/message_box.h"

#include <QGuiApplication>
#include <QMessageBox>

#include "diag/messages.h"

namespace {

constexpr int kOk = 1;  // the result of a box closed with its OK button

}  // namespace

int ShowWarningBox(const char* caption, const char* text) {
  QMessageBox box(QMessageBox::Warning, QString::fromUtf8(caption), QString::fromUtf8(text),
                  QMessageBox::Ok);
  // Texts carry PDF names and file contents such as "<<": never read them as markup.
  box.setTextFormat(Qt::PlainText);
  // A box raised under the wait cursor (an open, an expansion) still wants a pointer.
  QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
  box.exec();
  QGuiApplication::restoreOverrideCursor();
  return kOk;
}

void InstallWarningBox() {
  SetMessageBoxPresenter(ShowWarningBox);
}
