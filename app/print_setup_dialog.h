// File > Print Setup: the printer and the printing options (paper size,
// orientation; margins through Page Setup) for the printouts that follow.
#pragma once

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QPrinter;

class CPrintSetupDialog : public QDialog {
  Q_OBJECT

 public:
  // The entry that prints to a PDF file rather than to a printer.
  static constexpr char kPdfFileEntry[] = "Print to PDF File";

  CPrintSetupDialog(QPrinter* printer, QWidget* parent);

  QComboBox* PrinterChoice() const { return printers_; }
  QComboBox* PaperChoice() const { return papers_; }
  // Button ids: QPageLayout::Portrait and QPageLayout::Landscape.
  QButtonGroup* OrientationChoice() const { return orientation_; }

  void accept() override;

 private:
  void OnPageSetup();

  QPrinter* printer_;
  QComboBox* printers_;
  QComboBox* papers_;
  QButtonGroup* orientation_;
};
