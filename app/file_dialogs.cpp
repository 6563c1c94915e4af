#include "app/file_dialogs.h"

#include <QFileInfo>
#include <QFileSystemModel>
#include <QStringList>

namespace {

// The second filter's label promises every file; its pattern would not.
bool IsAllFiles(const QString& filter) {
  return filter == QString(kPdfFileFilters).split(";;").last();
}

}  // namespace

CPdfFileDialog::CPdfFileDialog(QWidget* parent, const QString& caption, const QString& path,
                               AcceptMode mode)
    : QFileDialog(parent, caption, path) {
  // Qt's own dialog: its list can be made to show every file for "All
  // Files (*.*)", which a platform dialog would not.
  setOption(QFileDialog::DontUseNativeDialog);
  setAcceptMode(mode);
  setFileMode(mode == AcceptOpen ? ExistingFile : AnyFile);
  setNameFilter(kPdfFileFilters);
  if (mode == AcceptSave) {
    setDefaultSuffix(kPdfDefaultSuffix);
  }
  connect(this, &QFileDialog::filterSelected, this, &CPdfFileDialog::OnFilterSelected);
}

void CPdfFileDialog::OnFilterSelected(const QString& filter) {
  if (!IsAllFiles(filter)) {
    return;
  }
  // Runs after the dialog applied the filter's own pattern, which needs a dot.
  if (auto* model = findChild<QFileSystemModel*>()) {
    model->setNameFilters({"*"});
  }
}

void CPdfFileDialog::accept() {
  if (acceptMode() == AcceptOpen) {
    const QStringList typed = selectedFiles();
    if (typed.size() == 1) {
      const QFileInfo name(typed.first());
      const QFileInfo with_suffix(typed.first() + "." + kPdfDefaultSuffix);
      if (!name.exists() && name.suffix().isEmpty() && with_suffix.isFile()) {
        selectFile(with_suffix.absoluteFilePath());
      }
    }
  }
  QFileDialog::accept();
}

QString AskPdfFileName(QWidget* parent, const QString& caption, const QString& path,
                       QFileDialog::AcceptMode mode) {
  CPdfFileDialog dialog(parent, caption, path, mode);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return QString();
  }
  return dialog.selectedFiles().first();
}
