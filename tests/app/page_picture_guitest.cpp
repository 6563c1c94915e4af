// The page picture of modern mode: a selected page is rendered by a separate
// process and drawn below its description; a renderer that fails costs the
// picture and says why; classic mode shows no picture.
#include <QtTest>

#include <QFile>
#include <QImage>
#include <cstdlib>

#include "app/app_doc.h"
#include "app/app_view.h"
#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/page_renderer.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/pdf_builder.h"

namespace {

// Two 200 x 200 pages: a blue square at 10..110 on the first, a red one on
// the second.
std::string TwoPages() {
  PdfBuilder pdf;
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  pdf.Object(2, "<< /Type /Pages /Kids [3 0 R 5 0 R] /Count 2 >>");
  pdf.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R >>");
  pdf.Stream(4, "", "0 0 1 rg 10 10 100 100 re f");
  pdf.Object(5, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 6 0 R >>");
  pdf.Stream(6, "", "1 0 0 rg 10 10 100 100 re f");
  pdf.Finish("/Root 1 0 R");
  return pdf.Bytes();
}

// The colour at a point of the page, given in its own units (origin bottom left).
QColor ColourAt(const QImage& image, double x, double y) {
  const double scale = image.width() / 200.0;
  return image.pixelColor(static_cast<int>(x * scale), static_cast<int>((200 - y) * scale));
}

bool Bluish(const QColor& c) {
  return c.blue() > 200 && c.red() < 60 && c.green() < 60;
}
bool Reddish(const QColor& c) {
  return c.red() > 200 && c.blue() < 60 && c.green() < 60;
}
bool White(const QColor& c) {
  return c.red() > 240 && c.green() > 240 && c.blue() > 240;
}

constexpr int kRenderWaitMs = 20000;

}  // namespace

class PagePictureTest : public QObject {
  Q_OBJECT

 private:
  TempFile file_{TwoPages()};
  std::unique_ptr<CAppDoc> doc_;
  std::unique_ptr<CMainFrame> frame_;

  CAppView* View() { return qobject_cast<CAppView*>(frame_->RightPane()); }

  void Open(pdf::Mode mode, const std::string& path) {
    doc_->SetMode(mode);
    frame_->ShowMode(mode == pdf::Mode::kModern);
    QVERIFY(doc_->OnOpenDocument(QString::fromStdString(path)));
  }

  void Select(const char* path) {
    std::string error;
    QVERIFY2(frame_->LeftView()->SelectPath(path, &error), error.c_str());
  }

 private slots:
  void initTestCase() { RecordedBoxes::Install(); }

  void init() {
    doc_ = std::make_unique<CAppDoc>();
    frame_ = std::make_unique<CMainFrame>(doc_.get());
    frame_->resize(900, 700);
    frame_->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
  }

  void cleanup() {
    frame_.reset();
    doc_.reset();
    CPageRenderer::SetProgram("pdftoppm");
    CPageRenderer::SetTimeLimitMs(10000);
  }

  void PageIsRenderedBelowItsDescription() {
    Open(pdf::Mode::kModern, file_.path());
    Select("Root/Pages/Kids/[0]");
    CAppView* view = View();
    const std::string description = view->Description();
    QCOMPARE(view->PageLine(), QString("Rendering page 1..."));
    QTRY_VERIFY_WITH_TIMEOUT(!view->PageImage().isNull(), kRenderWaitMs);
    QCOMPARE(view->PageLine(), QString("Page 1 of 2"));
    const QImage image = view->PageImage();
    QVERIFY(image.width() >= 200);
    QCOMPARE(image.height(), image.width());  // a square page stays square
    QVERIFY2(Bluish(ColourAt(image, 60, 60)), qPrintable(ColourAt(image, 60, 60).name()));
    QVERIFY(White(ColourAt(image, 150, 150)));
    QVERIFY(White(ColourAt(image, 5, 5)));
    // The description is the same text as before; the picture adds to the
    // scrolled area below it, fitted to the pane's width.
    QCOMPARE(view->Description(), description);
    QVERIFY(view->TotalSize().height() > view->Extent().height() + view->viewport()->width() / 2);
    QVERIFY(view->TotalSize().width() <= view->viewport()->width() + 1);
    Shoot(frame_.get(), "page-picture");
    frame_->resize(600, 700);
    QTRY_VERIFY(view->TotalSize().width() <= view->viewport()->width() + 1);
    Shoot(frame_.get(), "page-picture-narrow");
  }

  // Only the newest selection's page arrives.
  void NewerSelectionWins() {
    Open(pdf::Mode::kModern, file_.path());
    Select("Root/Pages/Kids/[0]");
    Select("Root/Pages/Kids/[1]");
    CAppView* view = View();
    QCOMPARE(view->PageLine(), QString("Rendering page 2..."));
    QTRY_VERIFY_WITH_TIMEOUT(!view->PageImage().isNull(), kRenderWaitMs);
    QVERIFY(Reddish(ColourAt(view->PageImage(), 60, 60)));
    // Leaving the page for its contents drops the render in flight.
    Select("Root/Pages/Kids/[0]");
    Select("Root/Pages/Kids/[0]/Contents");
    QVERIFY(view->PageLine().isEmpty());
    QVERIFY(!view->PageRenderer()->Busy());
    QTest::qWait(300);
    QVERIFY(view->PageLine().isEmpty());
    QVERIFY(view->PageImage().isNull());
  }

  void FailingRendererSaysSo_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("expect");
    QTest::newRow("missing") << "/nonexistent/quorvel-renderer"
                             << "The page could not be rendered: the renderer "
                                "'/nonexistent/quorvel-renderer' could not be started";
    QTest::newRow("fails") << "false"
                           << "The page could not be rendered: the renderer failed with exit "
                              "status 1";
    // Exits 0 without writing a picture.
    QTest::newRow("no picture") << "true"
                                << "The page could not be rendered: the renderer gave no picture";
  }

  void FailingRendererSaysSo() {
    QFETCH(QString, program);
    QFETCH(QString, expect);
    CPageRenderer::SetProgram(program);
    Open(pdf::Mode::kModern, file_.path());
    Select("Root/Pages/Kids/[0]");
    CAppView* view = View();
    QTRY_VERIFY_WITH_TIMEOUT(view->PageLine().startsWith("The page"), kRenderWaitMs);
    QVERIFY2(view->PageLine().startsWith(expect), qPrintable(view->PageLine()));
    QVERIFY(view->PageImage().isNull());
    QVERIFY(!view->PageRenderer()->Busy());
    Shoot(frame_.get(), "page-picture-failed");
  }

  // A renderer that hangs is killed at the time limit.
  void HangingRendererIsKilled() {
    TempFile script("#!/bin/sh\nexec sleep 60\n", ".sh");
    QVERIFY(QFile::setPermissions(QString::fromStdString(script.path()),
                                  QFile::ReadOwner | QFile::ExeOwner));
    CPageRenderer::SetProgram(QString::fromStdString(script.path()));
    CPageRenderer::SetTimeLimitMs(300);
    Open(pdf::Mode::kModern, file_.path());
    Select("Root/Pages/Kids/[0]");
    CAppView* view = View();
    QVERIFY(view->PageRenderer()->Busy());
    QTRY_VERIFY_WITH_TIMEOUT(!view->PageRenderer()->Busy(), kRenderWaitMs);
    QCOMPARE(view->PageLine(),
             QString("The page could not be rendered: the renderer took longer than 0.3 seconds"));
  }

  // The renderer runs under the memory limit: a script in its place reports
  // the limit it was given (in KiB) as its error.
  void RendererRunsUnderTheMemoryLimit() {
    TempFile script("#!/bin/sh\nulimit -v >&2\nexit 3\n", ".sh");
    QVERIFY(QFile::setPermissions(QString::fromStdString(script.path()),
                                  QFile::ReadOwner | QFile::ExeOwner));
    CPageRenderer::SetProgram(QString::fromStdString(script.path()));
    Open(pdf::Mode::kModern, file_.path());
    Select("Root/Pages/Kids/[0]");
    CAppView* view = View();
    QTRY_VERIFY_WITH_TIMEOUT(!view->PageRenderer()->Busy(), kRenderWaitMs);
    QCOMPARE(view->PageLine(), QString("The page could not be rendered: the renderer failed with "
                                       "exit status 3: 1048576"));
  }

  // The password that opened the file goes to the renderer too.
  void EncryptedPageRendersWithItsPassword() {
    TempFile encrypted("");
    QCOMPARE(EncryptWithQpdf(file_.path(), encrypted.path(), "user", "owner"), 0);
    doc_->SetOpenPassword("user");
    Open(pdf::Mode::kModern, encrypted.path());
    Select("Root/Pages/Kids/[0]");
    CAppView* view = View();
    QTRY_VERIFY_WITH_TIMEOUT(!view->PageLine().startsWith("Rendering"), kRenderWaitMs);
    QVERIFY2(!view->PageImage().isNull(), qPrintable(view->PageLine()));
    QVERIFY(Bluish(ColourAt(view->PageImage(), 60, 60)));
  }

  void ClassicModeShowsNoPicture() {
    Open(pdf::Mode::kClassic, file_.path());
    Select("Root/Pages/Kids/[0]");
    CAppView* view = View();
    QVERIFY(view->PageLine().isEmpty());
    QVERIFY(!view->PageRenderer()->Busy());
    QTest::qWait(200);
    QVERIFY(view->PageImage().isNull());
    QCOMPARE(view->TotalSize().height(), view->Extent().height());
  }
};

QTEST_MAIN(PagePictureTest)
#include "page_picture_guitest.moc"
