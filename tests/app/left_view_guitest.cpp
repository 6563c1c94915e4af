// CLeftView: the four top-level items, lazy children, labels, selection, paths,
// and the tree's consistency with the document across opens.
#include <QtTest>

#include <QPrinter>

#include "app/app_doc.h"
#include "app/left_view.h"
#include "app/outline_printer.h"
#include "app/view_pages.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/pdf_builder.h"

namespace {

QStringList Labels(const QTreeWidgetItem* parent, const QTreeWidget& tree) {
  QStringList labels;
  int count = parent ? parent->childCount() : tree.topLevelItemCount();
  for (int i = 0; i < count; ++i) {
    labels << (parent ? parent->child(i) : tree.topLevelItem(i))->text(0);
  }
  return labels;
}

QTreeWidgetItem* Child(QTreeWidgetItem* parent, const QString& label) {
  for (int i = 0; i < parent->childCount(); ++i) {
    if (parent->child(i)->text(0) == label) {
      return parent->child(i);
    }
  }
  return nullptr;
}

// A catalog with an empty dictionary, a stream inside an array and the same
// stream as a dictionary value.
std::string PdfWithShapes() {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R /Empty << >> /Streams [5 0 R] /Direct 5 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  b.Stream(5, "", "abc");
  b.Finish("/Root 1 0 R");
  return b.Bytes();
}

}  // namespace

class LeftViewTest : public QObject {
  Q_OBJECT

 private:
  TempFile minimal_{MinimalPdf()};

 private slots:
  void initTestCase() { RecordedBoxes::Install(); }
  void init() { RecordedBoxes::Texts().clear(); }

  void EmptyUntilOpened() {
    CAppDoc doc;
    CLeftView view(&doc);
    QCOMPARE(view.topLevelItemCount(), 0);
    doc.UpdateAllViews(HINT_SELECTION);
    doc.UpdateAllViews(0);
    QCOMPARE(view.topLevelItemCount(), 0);
  }

  void FourTopLevelItems() {
    CAppDoc doc;
    CLeftView view(&doc);
    QVERIFY(doc.OnOpenDocument(Q(minimal_.path())));
    QCOMPARE(Labels(nullptr, view), (QStringList{"Header", "Root", "XRefs", "Trailer"}));
    const QTreeWidgetItem::ChildIndicatorPolicy expected[] = {
        QTreeWidgetItem::DontShowIndicatorWhenChildless, QTreeWidgetItem::ShowIndicator,
        QTreeWidgetItem::DontShowIndicatorWhenChildless, QTreeWidgetItem::ShowIndicator};
    for (int i = 0; i < 4; ++i) {
      QTreeWidgetItem* item = view.topLevelItem(i);
      QCOMPARE(item->childIndicatorPolicy(), expected[i]);
      QVERIFY(!item->isExpanded());
      QCOMPARE(item->childCount(), 0);  // nothing is read below a collapsed item
      QVERIFY(CLeftView::ItemObject(item) != nullptr);
    }
    QVERIFY(view.selectedItems().isEmpty());
    QCOMPARE(CLeftView::ItemObject(view.topLevelItem(2))->IsXRefTable(), true);
  }

  void ChildrenInsertedOnceWithLabels() {
    CAppDoc doc;
    CLeftView view(&doc);
    QVERIFY(doc.OnOpenDocument(Q(minimal_.path())));
    QTreeWidgetItem* root = view.topLevelItem(1);
    view.expandItem(root);
    QCOMPARE(Labels(root, view), (QStringList{"Type= Catalog", "Pages= <<...>>"}));
    view.collapseItem(root);
    view.expandItem(root);
    QCOMPARE(root->childCount(), 2);

    QTreeWidgetItem* pages = Child(root, "Pages= <<...>>");
    view.expandItem(pages);
    QCOMPARE(Labels(pages, view), (QStringList{"Type= Pages", "Kids= array", "Count= 1"}));
    QTreeWidgetItem* kids = Child(pages, "Kids= array");
    view.expandItem(kids);
    QCOMPARE(Labels(kids, view), QStringList{"[0]"});
    QTreeWidgetItem* page = kids->child(0);
    view.expandItem(page);
    QCOMPARE(Labels(page, view), (QStringList{"Type= Page", "Parent= <<...>>",
                                              "MediaBox= array [0, 0, 612, 792]", "Contents"}));
    // The cycle Parent -> Kids -> [0] -> Parent unfolds one level per expansion.
    QTreeWidgetItem* parent = Child(page, "Parent= <<...>>");
    view.expandItem(parent);
    // Each reference loads its own copy of the page tree root: same number, same entries.
    QCOMPARE(Labels(parent, view), Labels(pages, view));
    QCOMPARE(CLeftView::ItemObject(parent)->number, CLeftView::ItemObject(pages)->number);
  }

  void ExpandButtonsFollowChildCounts() {
    TempFile file(PdfWithShapes());
    CAppDoc doc;
    CLeftView view(&doc);
    QVERIFY(doc.OnOpenDocument(Q(file.path())));
    QTreeWidgetItem* root = view.topLevelItem(1);
    view.expandItem(root);
    QTreeWidgetItem* empty = Child(root, "Empty= <<...>>");
    QTreeWidgetItem* direct = Child(root, "Direct");
    QVERIFY(empty && direct);
    QCOMPARE(empty->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
    QCOMPARE(direct->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    QTreeWidgetItem* streams = Child(root, "Streams= array");
    QVERIFY(streams);
    view.expandItem(streams);
    QCOMPARE(streams->child(0)->childIndicatorPolicy(),
             QTreeWidgetItem::DontShowIndicatorWhenChildless);
  }

  void SelectionReachesTheDocument() {
    CAppDoc doc;
    CLeftView view(&doc);
    QVERIFY(doc.OnOpenDocument(Q(minimal_.path())));
    int hints = 0;
    connect(&doc, &CAppDoc::updated, this, [&](int hint) { hints += hint == HINT_SELECTION; });
    QTreeWidgetItem* root = view.topLevelItem(1);
    view.setCurrentItem(root);
    QCOMPARE(doc.GetSelection(), CLeftView::ItemObject(root));
    view.setCurrentItem(root);
    QCOMPARE(hints, 1);
    view.clearSelection();
    QCOMPARE(doc.GetSelection(), nullptr);
    QCOMPARE(hints, 2);
  }

  void SelectPathExpandsAndSelects() {
    CAppDoc doc;
    CLeftView view(&doc);
    QVERIFY(doc.OnOpenDocument(Q(minimal_.path())));
    std::string error;
    QVERIFY(view.SelectPath("Root/Pages/Kids/[0]", &error));
    QCOMPARE(view.currentItem()->text(0), QString("[0]"));
    QVERIFY(view.currentItem()->isExpanded());
    QVERIFY(doc.GetSelection()->Get("MediaBox")->IsArray());
    QVERIFY(!view.SelectPath("Root/Pages/Nope", &error));
    QCOMPARE(error, std::string("no item 'Nope' below 'Root/Pages'"));
    QVERIFY(!view.SelectPath("Bogus", &error));
    QVERIFY(!view.SelectPath("", &error));
  }

  void AsteriskOnACycleExpandsOneLevel() {
    CAppDoc doc;
    CLeftView view(&doc);
    QVERIFY(doc.OnOpenDocument(Q(minimal_.path())));
    std::string error;
    QVERIFY(view.SelectPath("Root/Pages/Kids/[0]", &error));
    QTreeWidgetItem* page = view.currentItem();
    QTreeWidgetItem* parent = Child(page, "Parent= <<...>>");
    view.setCurrentItem(parent);
    QTest::keyClick(&view, Qt::Key_Asterisk);
    QVERIFY(parent->isExpanded());
    QCOMPARE(parent->childCount(), 3);
    QVERIFY(!Child(parent, "Kids= array")->isExpanded());
  }

  void FailedOpenLeavesEmptyTree() {
    CAppDoc doc;
    CLeftView view(&doc);
    QVERIFY(doc.OnOpenDocument(Q(minimal_.path())));
    view.setCurrentItem(view.topLevelItem(1));
    QVERIFY(!doc.OnOpenDocument("/nonexistent/quorvel.pdf"));
    QCOMPARE(view.topLevelItemCount(), 0);
    QCOMPARE(doc.GetSelection(), nullptr);
    QCOMPARE(RecordedBoxes::Texts().size(), size_t{1});
  }

  void NewKeepsTheTree() {
    CAppDoc doc;
    CLeftView view(&doc);
    QVERIFY(doc.OnOpenDocument(Q(minimal_.path())));
    view.setCurrentItem(view.topLevelItem(3));
    doc.OnNewDocument();
    QCOMPARE(view.topLevelItemCount(), 4);
    QCOMPARE(doc.GetSelection(), nullptr);
    // Selecting again still hands over a live object.
    view.clearSelection();
    view.setCurrentItem(view.topLevelItem(3));
    QVERIFY(doc.GetSelection()->Get("Root")->IsDictionary());
  }

  void OutlineOfVisibleItems() {
    CAppDoc doc;
    CLeftView view(&doc);
    QVERIFY(doc.OnOpenDocument(Q(minimal_.path())));
    std::string error;
    QVERIFY(view.SelectPath("Root", &error));
    std::vector<std::string> printed;
    for (const OutlineLine& line : view.VisibleOutline()) {
      printed.push_back(IndentedLine(line));
    }
    QCOMPARE(printed, (std::vector<std::string>{"Header", "Root", "  Type= Catalog",
                                                "  Pages= <<...>>", "XRefs", "Trailer"}));
  }

  void PrintsPagedOutlineToPdf() {
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("tree.pdf"));
    std::vector<OutlineLine> lines;
    for (int i = 0; i < 300; ++i) {
      lines.push_back({i % 4, "item " + std::to_string(i)});
    }
    int pages = PrintOutline(&printer, lines);
    QVERIFY2(pages > 1 && pages < 300, std::to_string(pages).c_str());
    QFile out(dir.filePath("tree.pdf"));
    QVERIFY(out.open(QIODevice::ReadOnly));
    QVERIFY(out.read(5) == "%PDF-");
  }

  void LongOutlineStopsAtThePageBound() {
    QTemporaryDir dir;
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("tree.pdf"));
    // A few lines a page: 100,000 items would take thousands of pages.
    printer.setPageSize(QPageSize(QSizeF(200, 60), QPageSize::Point));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    std::vector<OutlineLine> lines;
    for (int i = 0; i < 100000; ++i) {
      lines.push_back({1, "[" + std::to_string(i) + "] = " + std::to_string(i + 10) + " 0 R"});
    }
    QCOMPARE(PrintOutline(&printer, lines), kMaxPrintedPages);
    QFile out(dir.filePath("tree.pdf"));
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(static_cast<int>(out.readAll().count("/Type /Page\n")), kMaxPrintedPages);
  }
};

QTEST_MAIN(LeftViewTest)
#include "left_view_guitest.moc"
