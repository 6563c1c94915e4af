// The status bar's progress and Cancel: shown while long work runs (an open
// or repair of a large file, the reference index, a search, a printout) and
// hidden otherwise; Cancel stops that work, and a cancelled open ends as a
// failed open ends, without a box.
#include <QtTest>

#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>

#include "app/app.h"
#include "app/app_doc.h"
#include "app/app_view.h"
#include "app/find_dock.h"
#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/references_dock.h"
#include "app/settings.h"
#include "app/status_progress.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/large_pdf.h"
#include "tests/support/pdf_builder.h"

namespace {

// About 6 MB without a cross-reference section: modern mode repairs it,
// reporting every 4 MB of the scan.
constexpr int kLargeObjects = 6000;
constexpr size_t kLargeObjectBytes = 1000;

// Many objects behind an intact section: the docks' workers read it again
// without a repair, whose scan is slow under the thread sanitizer.
std::string ManyObjectsPdf(int objects) {
  PdfBuilder pdf;
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  pdf.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  for (int i = 3; i < objects; ++i) {
    pdf.Object(i, "<< /Owner 1 0 R /Filler (" + std::string(100, 'x') + ") >>");
  }
  pdf.Finish("/Root 1 0 R");
  return pdf.Bytes();
}

}  // namespace

class StatusProgressTest : public QObject {
  Q_OBJECT

 private:
  TempFile large_{LargeDamagedPdf(kLargeObjects, kLargeObjectBytes), "-large.pdf"};
  TempFile small_{MinimalPdf()};
  TempFile many_{ManyObjectsPdf(20000)};

  static CStatusProgress* StatusOf(CApp& app) {
    CStatusProgress* status = CStatusProgress::Of(app.MainFrame());
    if (status != nullptr) {
      status->SetDelay(0);
    }
    return status;
  }

 private slots:
  void initTestCase() { RecordedBoxes::Install(); }

  void init() {
    RecordedBoxes::Texts().clear();
    QSettings(kSettingsOrganisation, kSettingsApplication).remove(kRecentFileGroup);
    QSettings(kSettingsOrganisation, kSettingsApplication).remove(kModernModeKey);
  }

  void HiddenUntilLongWorkRuns() {
    CApp app;
    QVERIFY(app.InitInstance(QString(), /*modern=*/true));
    CStatusProgress* status = CStatusProgress::Of(app.MainFrame());
    QVERIFY(status != nullptr);
    QCOMPARE(status->parentWidget(), static_cast<QWidget*>(app.MainFrame()->statusBar()));
    app.MainFrame()->show();
    QVERIFY(QTest::qWaitForWindowExposed(app.MainFrame()));
    QVERIFY(!status->isVisible());
    // A small file opens well within the delay: no flicker.
    QVERIFY(app.OpenDocumentFile(Q(small_.path())));
    QVERIFY(!status->isVisible());
    // Work that outlasts the delay shows, and goes when it ends.
    status->SetDelay(50);
    const int id = status->Begin("Testing", [] {});
    QVERIFY(!status->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(status->isVisible(), 2000);
    QCOMPARE(status->Label()->text(), QString("Testing"));
    status->Report(id, 30, 120);
    QCOMPARE(status->Bar()->value() * 4, status->Bar()->maximum());
    status->End(id);
    QVERIFY(!status->isVisible());
    QCOMPARE(status->Running(), 0);
  }

  // The open of a large damaged file in modern mode: the bar shows, what
  // the user does to the window meanwhile is held back, and Cancel ends the
  // open as a failed one ends, quietly.
  void CancelledOpenEndsAsAFailedOpen() {
    CApp app;
    QVERIFY(app.InitInstance(QString(), /*modern=*/true));
    CMainFrame* frame = app.MainFrame();
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    CStatusProgress* status = StatusOf(app);
    QVERIFY(status != nullptr);

    bool seen = false;
    QString text;
    int value = -1;
    // Runs at the open's first report, when it lets events through.
    QTimer::singleShot(0, frame, [&] {
      seen = status->isVisible() && status->Bar()->isVisible();
      text = status->Label()->text();
      value = status->Bar()->value();
      // Laid out for the text of this report before the picture.
      for (int round = 0; round < 3; ++round) {  // the widget's, then the bar's
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
      }
      Shoot(frame, "status-progress");
      // Quit and Close are held back while the open runs.
      QTest::keyClick(frame, Qt::Key_Q, Qt::ControlModifier);
      QTest::keyClick(frame, Qt::Key_W, Qt::ControlModifier);
      QTest::mouseClick(status->CancelButton(), Qt::LeftButton);
    });
    QVERIFY(!app.OpenDocumentFile(Q(large_.path())));
    QVERIFY(seen);
    QVERIFY2(text.startsWith("Repairing ") && text.endsWith("-large.pdf"), qPrintable(text));
    QVERIFY2(value > 0 && value < status->Bar()->maximum(), qPrintable(QString::number(value)));
    QVERIFY(app.LastOpenCancelled());
    // No box claims the file is damaged; the document is closed, untitled.
    QCOMPARE(RecordedBoxes::Texts(), std::vector<std::string>{});
    QVERIFY(!app.Document()->HasFile());
    QVERIFY(app.Document()->GetPathName().isEmpty());
    QCOMPARE(app.Document()->GetTitle(), QString("Untitled"));
    QCOMPARE(frame->LeftView()->topLevelItemCount(), 0);
    QVERIFY(app.RecentFiles().Entries().empty());
    QVERIFY(!status->isVisible());
    QCOMPARE(status->Running(), 0);
    QVERIFY(frame->isVisible());

    // The window is usable: the same file opens when nobody cancels, with
    // the bar shown meanwhile.
    bool shown = false;
    QTimer::singleShot(0, frame, [&] { shown = status->isVisible(); });
    QVERIFY(app.OpenDocumentFile(Q(large_.path())));
    QVERIFY(shown);
    QVERIFY(!app.LastOpenCancelled());
    QVERIFY(app.Document()->HasFile());
    QCOMPARE(frame->LeftView()->topLevelItemCount(), 4);
    QVERIFY(!status->isVisible());
    QVERIFY(RecordedBoxes::Texts().empty());
  }

  // In modern mode a failed open reads the file that was open again; so
  // does a cancelled one.
  void CancelledOpenKeepsTheOpenFileInModernMode() {
    CApp app;
    QVERIFY(app.InitInstance(Q(small_.path()), /*modern=*/true));
    CStatusProgress* status = StatusOf(app);
    QTimer::singleShot(0, app.MainFrame(), [&] { status->CancelShown(); });
    QVERIFY(!app.OpenDocumentFile(Q(large_.path())));
    QVERIFY(app.LastOpenCancelled());
    QVERIFY(RecordedBoxes::Texts().empty());
    QVERIFY(app.Document()->HasFile());
    QCOMPARE(app.Document()->GetPathName(), Q(small_.path()));
    QCOMPARE(app.MainFrame()->LeftView()->topLevelItemCount(), 4);
  }

  // Classic mode refuses the file with its written boxes, then asks modern
  // mode to read it: a cancel there is a No, the boxes stay as they were.
  void ClassicModeQuestionCanBeCancelled() {
    CApp app;
    int asked = 0;
    app.SetModernQuestion([&](const QString&) {
      ++asked;
      return ModernAnswer::kYes;
    });
    QVERIFY(app.InitInstance(QString()));
    CStatusProgress* status = StatusOf(app);
    QTimer::singleShot(0, app.MainFrame(), [&] { status->CancelShown(); });
    QVERIFY(!app.OpenDocumentFile(Q(large_.path())));
    QCOMPARE(asked, 0);
    QCOMPARE(app.MainFrame()->ModeIndicator()->text(), QString("Classic"));
    const std::vector<std::string> cancelled = RecordedBoxes::Texts();
    QVERIFY(!app.Document()->HasFile());
    // The same boxes as when the question is declined.
    RecordedBoxes::Texts().clear();
    CApp declined;
    declined.SetModernQuestion([](const QString&) { return ModernAnswer::kNo; });
    QVERIFY(declined.InitInstance(QString()));
    QVERIFY(!declined.OpenDocumentFile(Q(large_.path())));
    QCOMPARE(cancelled, RecordedBoxes::Texts());
    QVERIFY(!cancelled.empty());
  }

  // The reference index and a search, each on its thread: the status bar
  // shows them, and its Cancel stops them as the dock's own does.
  void DockWorkShowsAndCancels() {
    CApp app;
    QVERIFY(app.InitInstance(Q(many_.path()), /*modern=*/true));
    CMainFrame* frame = app.MainFrame();
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    CStatusProgress* status = StatusOf(app);

    frame->ReferencesDock()->ShowOrphans();
    QVERIFY(status->isVisible());
    QCOMPARE(status->Label()->text(), QString("Finding every reference"));
    QTest::mouseClick(status->CancelButton(), Qt::LeftButton);
    frame->ReferencesDock()->Wait();
    QCOMPARE(frame->ReferencesDock()->Status()->text(), QString("Cancelled"));
    QVERIFY(!status->isVisible());

    frame->FindDock()->Query()->setText("Owner");
    QVERIFY(frame->FindDock()->Start());
    QVERIFY(status->isVisible());
    QCOMPARE(status->Label()->text(), QString("Searching for Owner"));
    QTest::mouseClick(status->CancelButton(), Qt::LeftButton);
    frame->FindDock()->Wait();
    QVERIFY2(frame->FindDock()->Status()->text().endsWith("(cancelled)"),
             qPrintable(frame->FindDock()->Status()->text()));
    QVERIFY(!status->isVisible());

    // Uncancelled, the index is built and listed.
    frame->ReferencesDock()->ShowOrphans();
    frame->ReferencesDock()->Wait();
    QVERIFY2(frame->ReferencesDock()->Status()->text().startsWith("Orphans: "),
             qPrintable(frame->ReferencesDock()->Status()->text()));
    QVERIFY(!status->isVisible());
  }

  // A long printout shows in the status bar beside its dialog, and the
  // status bar's Cancel stops it as the dialog's does.
  void PrintoutShowsAndCancels() {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    for (int i = 3; i < 3000; ++i) {
      pdf.Object(i, "<< >>");
    }
    pdf.Finish("/Root 1 0 R");
    TempFile many(pdf.Bytes());
    CApp app;
    QVERIFY(app.InitInstance(Q(many.path())));
    app.MainFrame()->show();
    QVERIFY(QTest::qWaitForWindowExposed(app.MainFrame()));
    CStatusProgress* status = StatusOf(app);
    auto* view = app.MainFrame()->findChild<CAppView*>("CAppView");
    QVERIFY(view != nullptr);
    app.Document()->SetSelection(app.Document()->xref);
    // The dialog waits long enough for the status bar's Cancel to be pressed.
    view->SetPrintProgressDelay(60000);
    QTemporaryDir dir;
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("xrefs.pdf"));
    printer.setPageSize(QPageSize(QSizeF(300, 60), QPageSize::Point));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    bool seen = false;
    QTimer::singleShot(0, app.MainFrame(), [&] {
      seen = status->isVisible() && status->Label()->text() == "Printing";
      QTest::mouseClick(status->CancelButton(), Qt::LeftButton);
    });
    const int pages = view->Print(&printer);
    QVERIFY(seen);
    QVERIFY2(pages > 0 && pages < 500, qPrintable(QString::number(pages)));
    QVERIFY2(view->PrintNote().startsWith("Printing cancelled after "),
             qPrintable(view->PrintNote()));
    QVERIFY(!status->isVisible());
  }
};

QTEST_MAIN(StatusProgressTest)
#include "status_progress_guitest.moc"
