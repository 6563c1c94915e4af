// The viewer's framework habits: the selection follows a collapse, New keeps
// the highlight, the PDF file dialogs, the trees' lines, Print Setup's
// printer choice and a message box as wide as its caption.
#include <QtTest>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTreeWidget>

#include "app/app.h"
#include "app/app_doc.h"
#include "app/app_view.h"
#include "app/commands.h"
#include "app/file_dialogs.h"
#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/message_box.h"
#include "app/print_setup_dialog.h"
#include "app/tree_lines_style.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/pdf_builder.h"

namespace {

QTreeWidgetItem* Child(QTreeWidgetItem* parent, const QString& label) {
  for (int i = 0; i < parent->childCount(); ++i) {
    if (parent->child(i)->text(0) == label) {
      return parent->child(i);
    }
  }
  return nullptr;
}

}  // namespace

class ClassicViewerTest : public QObject {
  Q_OBJECT

  TempFile file_{MinimalPdf()};

 private slots:
  void initTestCase() { RecordedBoxes::Install(); }

  void CollapseMovesTheSelectionToTheCollapsedItem() {
    CApp app;
    QVERIFY(app.InitInstance(Q(file_.path())));
    CMainFrame* frame = app.MainFrame();
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    std::string error;
    QVERIFY(frame->LeftView()->SelectPath("Root/Type", &error));
    auto* pane = frame->findChild<CAppView*>("CAppView");
    QCOMPARE(pane->Description(), std::string("name: Catalog"));
    QTreeWidgetItem* root = frame->LeftView()->topLevelItem(1);
    frame->LeftView()->collapseItem(root);
    QCOMPARE(frame->LeftView()->selectedItems(), QList<QTreeWidgetItem*>{root});
    QVERIFY2(pane->Description().find("dictionary, 2 entries") != std::string::npos,
             pane->Description().c_str());
    // Collapsing an item beside the selection leaves it alone.
    frame->LeftView()->expandItem(root);
    QTreeWidgetItem* pages = Child(root, "Pages= <<...>>");
    frame->LeftView()->expandItem(pages);
    frame->LeftView()->setCurrentItem(Child(root, "Type= Catalog"));
    frame->LeftView()->collapseItem(pages);
    QCOMPARE(frame->LeftView()->currentItem()->text(0), QString("Type= Catalog"));
  }

  void NewKeepsTheHighlight() {
    CApp app;
    QVERIFY(app.InitInstance(Q(file_.path())));
    CMainFrame* frame = app.MainFrame();
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    std::string error;
    QVERIFY(frame->LeftView()->SelectPath("Root/Type", &error));
    QTreeWidgetItem* type = frame->LeftView()->currentItem();
    frame->Action(ID_FILE_NEW)->trigger();
    QCOMPARE(frame->LeftView()->selectedItems(), QList<QTreeWidgetItem*>{type});
    QCOMPARE(app.Document()->GetSelection(), nullptr);
    // A click on the highlighted item describes it again.
    const QRect at = frame->LeftView()->visualItemRect(type);
    QTest::mouseClick(frame->LeftView()->viewport(), Qt::LeftButton, {}, at.center());
    QVERIFY(app.Document()->GetSelection() != nullptr);
    QCOMPARE(frame->findChild<CAppView*>("CAppView")->Description(), std::string("name: Catalog"));
  }

  void FileDialogsListEveryFileAndAddTheExtension() {
    QTemporaryDir dir;
    for (const char* name : {"minimal.pdf", "noext", "notes.txt"}) {
      QFile file(dir.filePath(name));
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write("%PDF-1.4\n");
    }
    struct Case {
      QFileDialog::AcceptMode mode;
      const char* typed;
      const char* chosen;
    };
    const Case cases[] = {
        {QFileDialog::AcceptOpen, "minimal", "minimal.pdf"},  // only the .pdf exists
        {QFileDialog::AcceptOpen, "noext", "noext"},          // the name as typed exists
        {QFileDialog::AcceptSave, "copy2", "copy2.pdf"},
        {QFileDialog::AcceptSave, "copy3.bin", "copy3.bin"},
    };
    for (const Case& c : cases) {
      CPdfFileDialog dialog(nullptr, "Dialog", dir.path(), c.mode);
      QCOMPARE(dialog.nameFilters(), (QStringList{"PDF Files (*.pdf)", "All Files (*.*)"}));
      dialog.show();
      auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
      QVERIFY(name != nullptr);
      name->setText(c.typed);
      dialog.accept();
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
      QCOMPARE(QFileInfo(dialog.selectedFiles().value(0)).fileName(), QString(c.chosen));
    }
    // "All Files (*.*)" lists names without a dot too.
    CPdfFileDialog dialog(nullptr, "Open", dir.path(), QFileDialog::AcceptOpen);
    dialog.show();
    auto* list = dialog.findChild<QListView*>("listView");
    QVERIFY(list != nullptr);
    auto listed = [&] {
      QStringList names;
      const QModelIndex root = list->rootIndex();
      for (int row = 0; row < list->model()->rowCount(root); ++row) {
        names << list->model()->index(row, 0, root).data().toString();
      }
      names.sort();
      return names;
    };
    QTRY_COMPARE(listed(), QStringList{"minimal.pdf"});
    dialog.selectNameFilter("All Files (*.*)");
    emit dialog.filterSelected("All Files (*.*)");
    QTRY_COMPARE(listed(), (QStringList{"minimal.pdf", "noext", "notes.txt"}));
  }

  void TreesDrawConnectingLines() {
    for (bool dark : {false, true}) {
      CApp app;
      QVERIFY(app.InitInstance(Q(file_.path())));
      CMainFrame* frame = app.MainFrame();
      if (dark) {
        QPalette palette = frame->palette();
        palette.setColor(QPalette::Base, QColor(30, 30, 30));
        palette.setColor(QPalette::Text, QColor(230, 230, 230));
        frame->LeftView()->setPalette(palette);
      }
      frame->show();
      QVERIFY(QTest::qWaitForWindowExposed(frame));
      CLeftView* tree = frame->LeftView();
      tree->expandItem(tree->topLevelItem(1));
      // A leaf's branch area: only a line can be there.
      QTreeWidgetItem* leaf = Child(tree->topLevelItem(1), "Type= Catalog");
      QVERIFY(leaf != nullptr);
      const QRect row = tree->visualItemRect(leaf);
      const QImage shot = tree->viewport()->grab().toImage();
      const QColor line = CTreeLinesStyle::LineColor(tree->palette());
      int lined = 0;
      for (int x = 0; x < row.left(); ++x) {
        for (int y = row.top(); y <= row.bottom(); ++y) {
          lined += shot.pixelColor(x, y) == line ? 1 : 0;
        }
      }
      QVERIFY2(lined > 4, qPrintable(QString::number(lined)));
      Shoot(frame, dark ? "tree-lines-dark" : "tree-lines-light");
    }
  }

  void PrintSetupChoosesThePrinter() {
    QPrinter printer(QPrinter::HighResolution);
    CPrintSetupDialog dialog(&printer, nullptr);
    QComboBox* printers = dialog.PrinterChoice();
    QStringList offered;
    for (int i = 0; i < printers->count(); ++i) {
      offered << printers->itemText(i);
    }
    QCOMPARE(offered, QPrinterInfo::availablePrinterNames() << CPrintSetupDialog::kPdfFileEntry);
    printers->setCurrentText(CPrintSetupDialog::kPdfFileEntry);
    dialog.PaperChoice()->setCurrentIndex(dialog.PaperChoice()->findData(int(QPageSize::A5)));
    dialog.OrientationChoice()->button(QPageLayout::Landscape)->setChecked(true);
    dialog.accept();
    QCOMPARE(printer.outputFormat(), QPrinter::PdfFormat);
    QCOMPARE(printer.pageLayout().pageSize().id(), QPageSize::A5);
    QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
    // Opened again, it shows what was chosen.
    CPrintSetupDialog again(&printer, nullptr);
    QCOMPARE(again.PrinterChoice()->currentText(), QString(CPrintSetupDialog::kPdfFileEntry));
    QCOMPARE(again.PaperChoice()->currentData().toInt(), int(QPageSize::A5));
    QCOMPARE(again.OrientationChoice()->checkedId(), int(QPageLayout::Landscape));
  }

  void MessageBoxIsAsWideAsItsCaption() {
    const char* caption = "Quorvel: a caption much longer than its text";
    std::unique_ptr<QMessageBox> box = MakeWarningBox(caption, "Short.");
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box.get()));
    QFont bold = box->font();
    bold.setBold(true);
    QVERIFY(box->width() > QFontMetrics(bold).horizontalAdvance(caption));
    QCOMPARE(box->text(), QString("Short."));
    QCOMPARE(box->textFormat(), Qt::PlainText);
  }
};

QTEST_MAIN(ClassicViewerTest)
#include "classic_viewer_guitest.moc"
