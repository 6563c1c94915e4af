// The detail pane's tabs in modern mode: Raw shows the object's bytes as the
// file holds them, Hex a stream's bytes stored or decoded, Operators a content
// stream's operators, built when shown; classic mode shows the description
// alone.
#include <QtTest>

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabBar>
#include <fstream>
#include <sstream>

#include "app/app_doc.h"
#include "app/app_view.h"
#include "app/detail_tabs.h"
#include "app/hex_view.h"
#include "app/left_view.h"
#include "app/main_frame.h"
#include "describe/hex_dump.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/zlib_encoder.h"

namespace {

}  // namespace

class DetailTabsTest : public QObject {
  Q_OBJECT

 private:
  std::string text_ = "BT /F1 24 Tf 72 712 Td (Raw and hex) Tj ET\n";
  std::string packed_ = Deflate(text_);
  TempFile file_{[this] {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>");
    pdf.Stream(4, "/Filter /FlateDecode", packed_);
    pdf.Finish("/Root 1 0 R");
    return pdf.Bytes();
  }()};
  std::unique_ptr<CAppDoc> doc_;
  std::unique_ptr<CMainFrame> frame_;

 private slots:
  void initTestCase() { RecordedBoxes::Install(); }

  void init() {
    doc_ = std::make_unique<CAppDoc>();
    frame_ = std::make_unique<CMainFrame>(doc_.get());
    frame_->resize(900, 500);
    frame_->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
  }

  void cleanup() {
    frame_.reset();
    doc_.reset();
  }

  void ClassicShowsTheDescriptionAlone() {
    frame_->ShowMode(true);
    frame_->ShowMode(false);
    QCOMPARE(frame_->DetailTabs()->count(), 1);
    QVERIFY(!frame_->DetailTabs()->tabBar()->isVisible());
    QCOMPARE(frame_->DetailTabs()->currentWidget(), frame_->RightPane());
  }

  void RawAndHexOfAStream() {
    doc_->SetMode(pdf::Mode::kModern);
    frame_->ShowMode(true);
    QVERIFY(doc_->OnOpenDocument(QString::fromStdString(file_.path())));
    CDetailTabs* tabs = frame_->DetailTabs();
    QCOMPARE(tabs->count(), 4);
    QVERIFY(tabs->tabBar()->isVisible());
    QVERIFY(tabs->tabBar()->height() > 0);
    std::string error;
    QVERIFY2(frame_->LeftView()->SelectPath("Root/Pages/Kids/[0]/Contents", &error), error.c_str());
    // The description's text lines up in the fixed-pitch font and scrolls a
    // line per arrow step.
    auto* view = qobject_cast<CAppView*>(frame_->RightPane());
    QVERIFY(view != nullptr);
    QFontMetrics metrics(view->font());
    QCOMPARE(QFontInfo(view->PaneFontForTest()).fixedPitch(), true);
    QCOMPARE(view->LineStep().height(), QFontMetrics(view->PaneFontForTest()).lineSpacing());
    Shoot(frame_.get(), "detail-description");
    // Built when shown, not before.
    QVERIFY(tabs->RawView()->toPlainText().isEmpty());

    tabs->setCurrentIndex(CDetailTabs::kRaw);
    const std::string file = ReadAll(file_.path());
    const size_t offset = file.find("4 0 obj");
    const size_t end = file.find("endobj", offset + 8 + packed_.size()) + 6;
    const QString raw = tabs->RawView()->toPlainText();
    QCOMPARE(raw.section('\n', 0, 0),
             QString("4 0 obj at offset %1, %2 bytes").arg(offset).arg(end - offset));
    QVERIFY(raw.section('\n', 2, 3).startsWith("4 0 obj\n<< /Filter /FlateDecode /Length"));
    QVERIFY(raw.endsWith("endstream\nendobj"));
    Shoot(frame_.get(), "detail-raw");

    tabs->setCurrentIndex(CDetailTabs::kHex);
    CHexView* hex = tabs->HexView();
    const std::span<const uint8_t> stored(reinterpret_cast<const uint8_t*>(packed_.data()),
                                          packed_.size());
    QCOMPARE(hex->LineCount(), HexDumpLineCount(packed_.size()));
    QCOMPARE(hex->LineText(0), QString::fromStdString(HexDumpLine(stored, 0)));
    QCOMPARE(tabs->HexCaption()->text(),
             QString("Stream data as stored, %1 bytes").arg(packed_.size()));
    tabs->DecodedToggle()->setChecked(true);
    QCOMPARE(tabs->HexCaption()->text(),
             QString("Decoded stream data, %1 bytes").arg(text_.size()));
    QVERIFY(hex->LineText(0).endsWith("|BT /F1 24 Tf 72 |"));
    Shoot(frame_.get(), "detail-hex");

    // A direct object has no bytes of its own; the page object has.
    QVERIFY(frame_->LeftView()->SelectPath("Root/Type", &error));
    QVERIFY(tabs->HexCaption()->text().startsWith("No bytes of its own: a direct object"));
    QVERIFY(frame_->LeftView()->SelectPath("Root/Pages/Kids/[0]", &error));
    QVERIFY(tabs->HexCaption()->text().startsWith(
        QString("The object in the file at offset %1,").arg(file.find("3 0 obj"))));
  }

  void OperatorsOfAContentStream() {
    doc_->SetMode(pdf::Mode::kModern);
    frame_->ShowMode(true);
    QVERIFY(doc_->OnOpenDocument(QString::fromStdString(file_.path())));
    CDetailTabs* tabs = frame_->DetailTabs();
    QCOMPARE(tabs->tabText(CDetailTabs::kOperators), QString("Operators"));
    std::string error;
    // Not a content stream: the tab cannot be chosen.
    QVERIFY2(frame_->LeftView()->SelectPath("Root/Pages/Kids/[0]", &error), error.c_str());
    QVERIFY(!tabs->isTabEnabled(CDetailTabs::kOperators));
    QVERIFY(frame_->LeftView()->SelectPath("Root/Pages/Kids/[0]/Contents", &error));
    QVERIFY(tabs->isTabEnabled(CDetailTabs::kOperators));
    QVERIFY(tabs->OperatorsView()->toPlainText().isEmpty());  // built when shown
    tabs->setCurrentIndex(CDetailTabs::kOperators);
    QCOMPARE(tabs->OperatorsView()->toPlainText(),
             QString("BT\n  /F1 24 Tf\n  72 712 Td\n  (Raw and hex) Tj\nET\n"));
    Shoot(frame_.get(), "detail-operators");
    // Leaving for an object that is no content stream goes back to the description.
    QVERIFY(frame_->LeftView()->SelectPath("Root", &error));
    QVERIFY(!tabs->isTabEnabled(CDetailTabs::kOperators));
    QCOMPARE(tabs->currentIndex(), static_cast<int>(CDetailTabs::kDescription));
    // Classic mode has no such tab.
    frame_->ShowMode(false);
    QCOMPARE(tabs->count(), 1);
  }
};

QTEST_MAIN(DetailTabsTest)
#include "detail_tabs_guitest.moc"
