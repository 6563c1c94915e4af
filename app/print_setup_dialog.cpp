#include "app/print_setup_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr QPageSize::PageSizeId kPapers[] = {QPageSize::A4,     QPageSize::Letter, QPageSize::Legal,
                                             QPageSize::A3,     QPageSize::A5,     QPageSize::B5,
                                             QPageSize::Tabloid};

}  // namespace

CPrintSetupDialog::CPrintSetupDialog(QPrinter* printer, QWidget* parent)
    : QDialog(parent),
      printer_(printer),
      printers_(new QComboBox(this)),
      papers_(new QComboBox(this)),
      orientation_(new QButtonGroup(this)) {
  setObjectName("PrintSetupDialog");
  setWindowTitle("Print Setup");
  printers_->setObjectName("PrinterChoice");
  const QString current = printer_->outputFormat() == QPrinter::PdfFormat ? QString(kPdfFileEntry)
                                                                          : printer_->printerName();
  for (const QString& name : QPrinterInfo::availablePrinterNames()) {
    printers_->addItem(name);
  }
  printers_->addItem(kPdfFileEntry);
  const int at = printers_->findText(current);
  printers_->setCurrentIndex(at >= 0 ? at : 0);

  papers_->setObjectName("PaperChoice");
  const QPageSize::PageSizeId paper = printer_->pageLayout().pageSize().id();
  for (QPageSize::PageSizeId id : kPapers) {
    papers_->addItem(QPageSize::name(id), static_cast<int>(id));
  }
  if (papers_->findData(static_cast<int>(paper)) < 0) {
    papers_->addItem(QPageSize::name(paper), static_cast<int>(paper));
  }
  papers_->setCurrentIndex(papers_->findData(static_cast<int>(paper)));

  auto* portrait = new QRadioButton("&Portrait", this);
  auto* landscape = new QRadioButton("&Landscape", this);
  orientation_->addButton(portrait, QPageLayout::Portrait);
  orientation_->addButton(landscape, QPageLayout::Landscape);
  (printer_->pageLayout().orientation() == QPageLayout::Landscape ? landscape : portrait)
      ->setChecked(true);
  auto* orientation_row = new QHBoxLayout;
  orientation_row->addWidget(portrait);
  orientation_row->addWidget(landscape);
  orientation_row->addStretch();

  auto* form = new QFormLayout;
  form->addRow("&Printer:", printers_);
  form->addRow("Paper &size:", papers_);
  form->addRow("Orientation:", orientation_row);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  QPushButton* margins = buttons->addButton("Page Set&up...", QDialogButtonBox::ActionRole);
  connect(margins, &QPushButton::clicked, this, &CPrintSetupDialog::OnPageSetup);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

void CPrintSetupDialog::OnPageSetup() {
  accept();  // the choices so far first, so that the page setup starts from them
  QPageSetupDialog dialog(printer_, parentWidget());
  dialog.exec();
}

void CPrintSetupDialog::accept() {
  if (printers_->currentText() == kPdfFileEntry) {
    printer_->setOutputFormat(QPrinter::PdfFormat);
  } else {
    printer_->setOutputFormat(QPrinter::NativeFormat);
    printer_->setPrinterName(printers_->currentText());
  }
  printer_->setPageSize(
      QPageSize(static_cast<QPageSize::PageSizeId>(papers_->currentData().toInt())));
  printer_->setPageOrientation(static_cast<QPageLayout::Orientation>(orientation_->checkedId()));
  QDialog::accept();
}
