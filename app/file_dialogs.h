// The Open and Save As dialogs of PDF files: "PDF Files (*.pdf)" first, then
// "All Files (*.*)", which lists every file (names without a dot too), and
// ".pdf" as the default extension: a name typed without one gets it when
// saving, and when opening if only the name with it exists.
#pragma once

#include <QFileDialog>

inline constexpr char kPdfFileFilters[] = "PDF Files (*.pdf);;All Files (*.*)";
inline constexpr char kPdfDefaultSuffix[] = "pdf";

class CPdfFileDialog : public QFileDialog {
  Q_OBJECT

 public:
  CPdfFileDialog(QWidget* parent, const QString& caption, const QString& path, AcceptMode mode);

  void accept() override;

 private:
  void OnFilterSelected(const QString& filter);
};

// Runs the dialog; the chosen path, or empty when cancelled.
QString AskPdfFileName(QWidget* parent, const QString& caption, const QString& path,
                       QFileDialog::AcceptMode mode);
