// CAppDoc: update hints, the selection, the open and new steps, report hooks.
#include <QtTest>

#include "app/app_doc.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/pdf_builder.h"

namespace {

// A file whose trailer has no Root: its structure reads, its validation fails.
std::string PdfWithoutRoot() {
  PdfBuilder b;
  b.Object(1, "<< /Title (No root) >>");
  b.Finish("/Info 1 0 R");
  return b.Bytes();
}

}  // namespace

class AppDocTest : public QObject {
  Q_OBJECT

 private:
  std::vector<int> hints_;

  void Watch(CAppDoc& doc) {
    hints_.clear();
    connect(&doc, &CAppDoc::updated, this, [this](int hint) { hints_.push_back(hint); });
  }

 private slots:
  void initTestCase() { RecordedBoxes::Install(); }
  void init() { RecordedBoxes::Texts().clear(); }

  void OpenSendsOpenedOnly() {
    TempFile file(MinimalPdf());
    CAppDoc doc;
    Watch(doc);
    QVERIFY(doc.OnOpenDocument(Q(file.path())));
    QCOMPARE(hints_, std::vector<int>{HINT_OPENED});
    QVERIFY(!doc.IsModified());
    QCOMPARE(doc.GetPathName(), Q(file.path()));
    QCOMPARE(doc.GetTitle(), QFileInfo(Q(file.path())).fileName());
    QVERIFY(RecordedBoxes::Texts().empty());
  }

  void RepeatedSelectionSendsOneHint() {
    CAppDoc doc;
    Watch(doc);
    pdf::Object* object = doc.null_object;
    doc.SetSelection(object);
    doc.SetSelection(object);
    doc.SetSelection(nullptr);
    doc.SetSelection(nullptr);
    QCOMPARE(hints_, (std::vector<int>{HINT_SELECTION, HINT_SELECTION}));
  }

  void ClearsPanesBeforeTheObjectsGo() {
    TempFile file(MinimalPdf());
    CAppDoc doc;
    QVERIFY(doc.OnOpenDocument(Q(file.path())));
    doc.SetSelection(doc.null_object);
    std::vector<std::string> events;
    connect(&doc, &CAppDoc::aboutToOpen, this, [&] {
      // The old objects must still be there when the panes let go of them.
      events.push_back(doc.GetSelection() == nullptr ? "about to open, none selected"
                                                     : "about to open, still selected");
    });
    connect(&doc, &CAppDoc::updated, this,
            [&](int hint) { events.push_back("hint " + std::to_string(hint)); });
    QVERIFY(doc.OnOpenDocument(Q(file.path())));
    QCOMPARE(events,
             (std::vector<std::string>{"hint 2", "about to open, none selected", "hint 3"}));
  }

  void FailedOpenStaysModifiedAndReports() {
    CAppDoc doc;
    Watch(doc);
    QVERIFY(!doc.OnOpenDocument("/nonexistent/quorvel.pdf"));
    QVERIFY(doc.IsModified());
    QVERIFY(hints_.empty());
    QCOMPARE(RecordedBoxes::Texts().size(), size_t{1});
    QVERIFY(
        QString::fromStdString(RecordedBoxes::Texts()[0])
            .startsWith("Velmora - PDF Module: Unable to open file '/nonexistent/quorvel.pdf'."));
  }

  void NewMakesUntitled() {
    TempFile file(MinimalPdf());
    CAppDoc doc;
    QVERIFY(doc.OnOpenDocument(Q(file.path())));
    doc.SetSelection(doc.null_object);
    Watch(doc);
    QVERIFY(doc.OnNewDocument());
    QCOMPARE(doc.GetTitle(), QString("Untitled"));
    QVERIFY(doc.GetPathName().isEmpty());
    QCOMPARE(doc.GetSelection(), nullptr);
    QCOMPARE(hints_, std::vector<int>{HINT_SELECTION});
  }

  void InvalidStructureOpensAndOnlyTraces() {
    TempFile file(PdfWithoutRoot());
    CAppDoc doc;
    TraceLines traces;
    QVERIFY(doc.OnOpenDocument(Q(file.path())));
    QVERIFY(RecordedBoxes::Texts().empty());
    const auto& lines = TraceLines::Lines();
    auto has = [&](const char* line) {
      return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    QVERIFY(has("Invalid: No 'Root' entry in Trailer"));
    QVERIFY(has("Invalid: Catalog lacks a Pages entry"));
    QVERIFY(has("Warning: No 'ID' entry in Trailer (strongly recommended)"));
  }

  void HooksFormatAndCutAt511() {
    CAppDoc doc;
    TraceLines traces;
    doc.ReportInvalid("%s has 100%% of %d", "Count", 3);
    doc.ReportWarning("%s", std::string(600, 'w').c_str());
    doc.ReportInvalid("%s", "50% done");
    const auto& lines = TraceLines::Lines();
    QCOMPARE(lines.size(), size_t{3});
    QCOMPARE(lines[0], std::string("Invalid: Count has 100% of 3"));
    // The finding is cut to 511 characters, and so is the traced line around it.
    QCOMPARE(lines[1], "Warning: " + std::string(511 - 9, 'w'));
    QCOMPARE(lines[2], std::string("Invalid: 50% done"));
  }
};

QTEST_MAIN(AppDocTest)
#include "app_doc_guitest.moc"
