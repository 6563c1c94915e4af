#include "app/password_prompt.h"

#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>

#include "diag/format.h"
#include "pdf/decryptor.h"

bool AskPasswordInBox(const QString& file, const std::string& protection, int attempt,
                      std::string* password) {
  QString label = QString("\"%1\" is encrypted (%2).\n")
                      .arg(QFileInfo(file).fileName(), QString::fromStdString(protection));
  if (attempt > 1) {
    label += QString("That password does not open it (try %1 of %2).\n")
                 .arg(attempt)
                 .arg(pdf::kMaxPasswordTries);
  }
  label += "User or owner password:";
  QInputDialog box;
  box.setWindowTitle(ResourceString(AFX_IDS_APP_TITLE));
  box.setLabelText(label);
  box.setTextEchoMode(QLineEdit::Password);
  box.setInputMode(QInputDialog::TextInput);
  if (box.exec() != QDialog::Accepted) {
    return false;
  }
  *password = box.textValue().toStdString();  // UTF-8, as the handler takes it
  return true;
}
