// The Revisions tab: the revisions of a file updated twice with what each
// did, an object as each revision wrote it, the comparison with its previous
// version, and a revision saved as the file then was.
#include <QtTest>

#include <QAction>
#include <QListWidget>

#include <fstream>
#include <sstream>

#include "app/app_doc.h"
#include "app/left_pane.h"
#include "app/main_frame.h"
#include "app/problems_dock.h"
#include "app/revisions_view.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/zlib_encoder.h"

class RevisionsViewTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<CAppDoc> doc_;
  std::unique_ptr<CMainFrame> frame_;
  std::string bytes_;
  size_t first_end_ = 0;
  size_t first_page_ = 0;  // where the first revision wrote object 3

  CRevisionsView* View() { return frame_->LeftPane()->Revisions(); }

  QTreeWidgetItem* Child(QTreeWidgetItem* parent, const QString& label) {
    for (int i = 0; i < parent->childCount(); ++i) {
      if (parent->child(i)->text(0) == label) {
        return parent->child(i);
      }
    }
    return nullptr;
  }

 private slots:
  void initTestCase() {
    RecordedBoxes::Install();
    PdfBuilder b;
    b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    b.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    first_page_ = b.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>");
    b.Stream(5, "", "q\n1 0 0 RG\nQ");
    b.Finish("/Root 1 0 R");
    first_end_ = b.Size();
    b.StartUpdate();
    b.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] >>");
    b.Object(4, "<< /Producer (update) >>");
    b.Stream(5, "/Filter /FlateDecode", Deflate("q\n0 0 1 RG\nQ"));
    b.Finish("/Root 1 0 R /Info 4 0 R");
    bytes_ = b.Bytes();
  }

  void init() {
    doc_ = std::make_unique<CAppDoc>();
    doc_->SetMode(pdf::Mode::kModern);
    frame_ = std::make_unique<CMainFrame>(doc_.get());
    frame_->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
  }

  void cleanup() {
    frame_.reset();
    doc_.reset();
  }

  void ListsRevisionsAndShowsVersions() {
    TempFile file(bytes_);
    QVERIFY(doc_->OnOpenDocument(Q(file.path())));
    CLeftPane* pane = frame_->LeftPane();
    QCOMPARE(pane->tabText(2), QString("Revisions"));
    QCOMPARE(View()->topLevelItemCount(), 0);  // listed when first shown
    pane->setCurrentWidget(View());
    QCOMPARE(View()->topLevelItemCount(), 2);
    QCOMPARE(View()->topLevelItem(0)->text(0),
             QString("Revision 1 (the original file): bytes 0 to %1").arg(first_end_ - 1));
    QTreeWidgetItem* update = View()->topLevelItem(1);
    QVERIFY(update->text(0).startsWith("Revision 2 (an update): bytes "));
    QTreeWidgetItem* changed = Child(update, "Changed (2)");
    QVERIFY(changed != nullptr);
    QVERIFY(Child(update, "Added (1)") != nullptr);
    View()->expandItem(update);
    View()->expandItem(changed);
    QCOMPARE(changed->childCount(), 2);
    QTreeWidgetItem* page = changed->child(0);
    QCOMPARE(page->text(0), QString("3 0 obj"));

    // Each revision shows the page as it wrote it.
    View()->setCurrentItem(page);
    QVERIFY(doc_->GetSelection() != nullptr);
    QCOMPARE(doc_->GetSelection()->Get("MediaBox")->Item(2)->IntValue(), 300);
    // The version the file holds now is the document's own object.
    QCOMPARE(doc_->GetSelection(), doc_->GetObject(3, 0));
    QTreeWidgetItem* original = Child(View()->topLevelItem(0), "Added (4)");
    View()->expandItem(View()->topLevelItem(0));
    View()->expandItem(original);
    View()->setCurrentItem(Child(original, "3 0 obj"));
    QCOMPARE(doc_->GetSelection()->Get("MediaBox")->Item(2)->IntValue(), 200);
    QVERIFY(doc_->GetSelection() != doc_->GetObject(3, 0));
    Shoot(frame_.get(), "revisions");

    const QString diff = View()->CompareWithPrevious(page);
    QVERIFY2(diff.startsWith("Object 3: revision 2 against revision 1"), qPrintable(diff));
    QVERIFY2(diff.contains("\n- ") && diff.contains("\n+ "), qPrintable(diff));
    QVERIFY(View()->CompareWithPrevious(Child(original, "3 0 obj")).isEmpty());
    // A stream's decoded data are compared too, here through its filter.
    const QString stream = View()->CompareWithPrevious(Child(changed, "5 0 obj"));
    QVERIFY2(stream.endsWith("\nDecoded stream data:\n  q\n- 1 0 0 RG\n+ 0 0 1 RG\n  Q\n"),
             qPrintable(stream));

    // Revision 1 saved is the file as it was before the update.
    const QString saved = QString::fromStdString(file.path()) + ".rev1.pdf";
    QVERIFY(View()->SaveRevision(1, saved));
    std::ifstream in(saved.toStdString(), std::ios::binary);
    std::stringstream contents;
    contents << in.rdbuf();
    QCOMPARE(contents.str(), bytes_.substr(0, first_end_));
    std::remove(saved.toStdString().c_str());
    QVERIFY(!View()->SaveRevision(3, saved));
  }

  void CheckingTheSectionsFillsTheProblemsList() {
    // The first section says object 3 stands 4 bytes before where it does.
    char written[24];
    char wrong[24];
    snprintf(written, sizeof written, "%010zu 00000 n", first_page_);
    snprintf(wrong, sizeof wrong, "%010zu 00000 n", first_page_ - 4);
    std::string shifted = bytes_;
    shifted.replace(shifted.find(written), strlen(written), wrong);
    TempFile file(shifted);
    QVERIFY(doc_->OnOpenDocument(Q(file.path())));
    auto* list = frame_->findChild<QListWidget*>("ProblemsList");
    const int before = list->count();
    frame_->findChild<QAction*>("CheckSectionsAction")->trigger();
    QStringList added;
    for (int row = before; row < list->count(); ++row) {
      added << list->item(row)->text();
    }
    QVERIFY2(added.filter(QRegularExpression("^Check: Section at offset \\d+ \\(revision 1\\): "
                                             "object 3 is 4 bytes from its offset"))
                     .size() == 1,
             qPrintable(added.join('|')));
    QVERIFY(frame_->ProblemsDock()->isVisible());
  }
};

QTEST_MAIN(RevisionsViewTest)
#include "revisions_view_guitest.moc"
