// CAppView: the description of each kind of selection, the picture below the
// text, the scroll sizes, the empty pane, the bitmap's release, and printing.
#include <QtTest>

#include <limits>

#include <zlib.h>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScrollBar>
#include <QSettings>

#include "app/app_doc.h"
#include "app/app_view.h"
#include "app/settings.h"
#include "app/view_pages.h"
#include "app/view_text.h"
#include "pdf/object.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/zlib_encoder.h"

namespace {

using namespace std::string_literals;

// `size` bytes of letters in lines of 16 bytes.
std::string TextLines(size_t size) {
  std::string text;
  for (size_t i = 0; i < size; ++i) {
    text += (i % 16 == 15) ? '\n' : static_cast<char>('a' + i % 26);
  }
  return text;
}

// A solid red picture, Flate-encoded RGB.
void RedImage(PdfBuilder& b, int number, int width, int height) {
  std::string pixels;
  for (int i = 0; i < width * height; ++i) {
    pixels += "\xff\x00\x00"s;
  }
  b.Stream(number,
           "/Type /XObject /Subtype /Image /Width " + std::to_string(width) + " /Height " +
               std::to_string(height) +
               " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode",
           Deflate(pixels, Z_BEST_COMPRESSION));
}

const std::string kS4095 = TextLines(4095);
const std::string kPage = "BT /F1 24 Tf 72 712 Td (Hello) Tj ET";

// The catalog points at one object of every kind the pane describes.
std::string KindsPdf(size_t* xref_offset) {
  PdfBuilder b;
  b.Object(1,
           "<< /Type /Catalog /Pages 2 0 R /Half 0.5 /Width 612 /Three << /A 1 /B 2 /C 3 >> "
           "/Empty << >> /Flag true /Name /Catalog /Text (a&b) /Arr [1 /X true] /S4095 5 0 R "
           "/S4096 6 0 R /Zero 7 0 R /Small 8 0 R /Wide 9 0 R /Flate 10 0 R /Lab 11 0 R "
           "/Tall 12 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  b.Stream(5, "", kS4095);
  b.Stream(6, "", TextLines(4096));
  b.Stream(7, "", "abc\0def"s);
  RedImage(b, 8, 4, 3);
  RedImage(b, 9, 2000, 2);
  b.Stream(10, "/Filter /FlateDecode", Deflate(kPage, Z_BEST_COMPRESSION));
  b.Stream(11, "/Subtype /Image /Width 1 /Height 1 /ColorSpace /Lab /BitsPerComponent 8", "abc");
  // No columns and 2^31 - 1 rows: a valid bitmap without pixels.
  b.Stream(12,
           "/Subtype /Image /Width 0 /Height 2147483647 /ColorSpace /DeviceGray "
           "/BitsPerComponent 8 /Filter /LZWDecode",
           "\x80\x40\x40"s);
  *xref_offset = b.Finish("/Root 1 0 R");
  return b.Bytes();
}

// The override cursor's shape while a message box was presented (-1: none).
int g_cursor_at_message = -2;
int RecordCursor(const char* caption, const char* text) {
  QCursor* cursor = QGuiApplication::overrideCursor();
  g_cursor_at_message = cursor ? cursor->shape() : -1;
  return RecordedBoxes::Present(caption, text);
}

bool IsRed(QRgb pixel) {
  return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}

}  // namespace

class AppViewTest : public QObject {
  Q_OBJECT

 private:
  size_t xref_offset_ = 0;
  std::string bytes_ = KindsPdf(&xref_offset_);
  TempFile file_{bytes_};
  CAppDoc doc_;

  pdf::Object* Entry(const char* key) { return doc_.xref->trailer->Get("Root")->Get(key); }

 private slots:
  void initTestCase() {
    RecordedBoxes::Install();
    QVERIFY(doc_.OnOpenDocument(Q(file_.path())));
  }
  void init() {
    RecordedBoxes::Texts().clear();
    doc_.SetSelection(nullptr);
  }

  void DescribesEachKind() {
    const std::string xref =
        bytes_.substr(xref_offset_, bytes_.find("trailer", xref_offset_) - xref_offset_);
    QVERIFY(xref.rfind("xref\n0 13\n", 0) == 0);
    const std::pair<pdf::Object*, std::string> cases[] = {
        {Entry("Half"), "number: 0.5"},
        {Entry("Width"), "number: 612"},
        {Entry("Three"), "dictionary, 3 entries"},
        {Entry("Empty"), "dictionary, 0 entries"},
        {Entry("Flag"), "boolean"},
        {Entry("Name"), "name: Catalog"},
        {Entry("Text"), "string: a&b"},
        {Entry("Arr"), "array [1, X, true]"},
        {Entry("Missing"), "null"},
        {Entry("S4095"), "stream\n  Length=4095\n\n" + kS4095},
        {Entry("S4096"), "stream\n  Length=4096\n\n"},
        {Entry("Zero"), "stream\n  Length=7\n\nabc"},
        {Entry("Flate"), "stream\n  Filter=FlateDecode\n  Length=" +
                             std::to_string(Deflate(kPage, Z_BEST_COMPRESSION).size()) + "\n\n" +
                             kPage},
        {doc_.header_object, "string: %PDF-1.4"},
        {doc_.xref, xref},  // up to "trailer", not including it
    };
    CAppView view(&doc_);
    for (const auto& [object, expected] : cases) {
      doc_.SetSelection(object);
      QCOMPARE(view.Description(), expected);
      QVERIFY(view.Image() == nullptr);
      QVERIFY(!view.Extent().isEmpty());
      QCOMPARE(view.TotalSize(), view.Extent().size());  // text alone
    }
    // The section is laid out one line per line: 2 heading lines and 12 entries.
    QVERIFY(view.Extent().height() >= 14 * (QFontMetrics(view.font()).height() - 2));
    QVERIFY(RecordedBoxes::Texts().empty());
  }

  void DrawsPictureBelowTextAndSizesScrolling() {
    CAppView view(&doc_);
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    doc_.SetSelection(Entry("Small"));  // 4 by 3, narrower than its text
    QVERIFY(view.Description().rfind("stream\n  Type=XObject\n  Subtype=Image\n  Width=4\n", 0) ==
            0);
    QVERIFY(view.Image() != nullptr);
    const QRect text = view.Extent();
    QCOMPARE(view.TotalSize(), QSize(text.width(), text.height() + 3));
    QImage shot = view.viewport()->grab().toImage();
    const int below = text.height();
    for (int y = below; y < below + 3; ++y) {
      for (int x = 0; x < 4; ++x) {
        QVERIFY2(IsRed(shot.pixel(x, y)), qPrintable(QString("%1,%2").arg(x).arg(y)));
      }
      QVERIFY(!IsRed(shot.pixel(4, y)));
    }
    QVERIFY(!IsRed(shot.pixel(0, below - 1)) && !IsRed(shot.pixel(0, below + 3)));
    // Scrolled down by two pixels, the picture moves up with the text.
    view.verticalScrollBar()->setMaximum(1000);
    view.verticalScrollBar()->setValue(2);
    shot = view.viewport()->grab().toImage();
    QVERIFY(IsRed(shot.pixel(0, below - 2)) && !IsRed(shot.pixel(0, below + 1)));

    doc_.SetSelection(Entry("Wide"));  // 2000 by 2, wider than its text
    const QSize total(2000, view.Extent().height() + 2);
    QCOMPARE(view.TotalSize(), total);
    QCOMPARE(view.PageStep(), QSize(200, total.height() / 10));  // cut down, not rounded
    QCOMPARE(view.LineStep(), QSize(20, total.height() / 10 / 10));
    QScrollBar* bar = view.horizontalScrollBar();
    QCOMPARE(bar->maximum(), 2000 - view.viewport()->width());
    // The thumb shows the visible share; a page moves by the page step.
    QCOMPARE(bar->pageStep(), view.viewport()->width());
    QCOMPARE(bar->singleStep(), 20);
    bar->setValue(0);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(bar->value(), 200);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    QCOMPARE(bar->value(), 0);
  }

  void EmptyAfterNew() {
    CAppView view(&doc_);
    view.resize(200, 100);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    doc_.SetSelection(Entry("Wide"));
    QVERIFY(doc_.OnNewDocument());
    QCOMPARE(view.Description(), std::string());
    QVERIFY(view.Image() == nullptr);
    QCOMPARE(view.TotalSize(), QSize(0, 0));
    QCOMPARE(view.horizontalScrollBar()->maximum(), 0);
    QCOMPARE(view.verticalScrollBar()->maximum(), 0);
    QImage shot = view.viewport()->grab().toImage();
    QImage blank(shot.size(), shot.format());
    blank.fill(QColor::fromRgba(shot.pixel(0, 0)));
    QCOMPARE(shot, blank);  // nothing drawn
  }

  void RebuildsOnSelectionBitAndInitialUpdate() {
    doc_.SetSelection(Entry("Half"));
    CAppView view(&doc_);  // made after the selection: nothing described yet
    doc_.UpdateAllViews(1);
    doc_.UpdateAllViews(4);
    QCOMPARE(view.Description(), std::string());
    doc_.UpdateAllViews(HINT_INITIAL_UPDATE);
    QCOMPARE(view.Description(), std::string("number: 0.5"));
    CAppView second(&doc_);
    doc_.UpdateAllViews(HINT_OPENED);
    QCOMPARE(second.Description(), std::string("number: 0.5"));
  }

  void FailedPictureShowsTextUnderWaitCursor() {
    SetMessageBoxPresenter(RecordCursor);
    CAppView view(&doc_);
    doc_.SetSelection(Entry("Lab"));
    RecordedBoxes::Install();
    QVERIFY(view.Image() == nullptr);
    QVERIFY(view.Description().rfind("stream\n  Subtype=Image\n", 0) == 0);
    QCOMPARE(view.TotalSize(), view.Extent().size());
    QCOMPARE(RecordedBoxes::Texts().size(), size_t{1});
    QVERIFY(RecordedBoxes::Texts()[0].find("can't get image, colorspace=Lab") != std::string::npos);
    QCOMPARE(g_cursor_at_message, static_cast<int>(Qt::WaitCursor));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
  }

  // Modern mode: the picture's lines follow the entries, a problem is a line of
  // the pane and never a box, and the picture is drawn below the lines.
  void ModernPaneSaysWhatThePictureIsWithoutBoxes() {
    CAppDoc modern;
    modern.SetMode(pdf::Mode::kModern);
    QVERIFY(modern.OnOpenDocument(Q(file_.path())));
    pdf::Object* root = modern.xref->trailer->Get("Root");
    CAppView view(&modern);
    view.resize(600, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    modern.SetSelection(root->Get("Lab"));  // a colour space name PDF does not have
    QVERIFY(view.Image() != nullptr);
    QVERIFY(view.Description().find("\n\nImage: 1 x 1 pixels, 8 bits per component") !=
            std::string::npos);
    QVERIFY(view.Description().find("\nColorSpace unusable") != std::string::npos);
    QVERIFY(RecordedBoxes::Texts().empty());

    modern.SetSelection(root->Get("Small"));
    QVERIFY(view.Description().find("\nImage: 4 x 3 pixels, 8 bits per component, DeviceRGB\n") !=
            std::string::npos);
    const QImage shot = view.viewport()->grab().toImage();
    const int below = view.Extent().height();
    QVERIFY(IsRed(shot.pixel(0, below)) && IsRed(shot.pixel(3, below + 2)));
    QVERIFY(!IsRed(shot.pixel(0, below - 1)) && !IsRed(shot.pixel(4, below)));
  }

  // The contents bound is a setting, read when a document opens.
  void ContentsBoundComesFromTheSettings() {
    QSettings(kSettingsOrganisation, kSettingsApplication).setValue(kContentsBoundKey, 10);
    CAppDoc modern;
    modern.SetMode(pdf::Mode::kModern);
    QVERIFY(modern.OnOpenDocument(Q(file_.path())));
    QSettings(kSettingsOrganisation, kSettingsApplication).remove(kContentsBoundKey);
    CAppView view(&modern);
    modern.SetSelection(modern.xref->trailer->Get("Root")->Get("S4096"));
    QVERIFY(view.Description().find("\n... (first 10 of 4,096 bytes)\n") != std::string::npos);
  }

  // The text's height plus 2^31 - 1 rows overflowed the scroll size.
  void TallEmptyPictureCapsTheScrollSize() {
    CAppView view(&doc_);
    doc_.SetSelection(Entry("Tall"));
    QVERIFY(view.Image() != nullptr);
    QCOMPARE(view.TotalSize().height(), std::numeric_limits<int>::max());
    QCOMPARE(view.TotalSize().width(), view.Extent().width());
  }

  void ReleasesPicture() {
    const int live = DibLiveCount();
    {
      CAppView view(&doc_);
      const std::pair<const char*, int> steps[] = {
          {"Small", 1}, {"Wide", 1}, {"Half", 0}, {"Small", 1}};
      for (const auto& [key, held] : steps) {
        doc_.SetSelection(Entry(key));
        QCOMPARE(DibLiveCount(), live + held);
      }
    }
    QCOMPARE(DibLiveCount(), live);  // and on destruction
  }

  void PaneFontIsVerdanaNormal() {
    CAppView view(&doc_);
    QFont bold = view.font();
    bold.setBold(true);
    view.setFont(bold);
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    view.SelectPaneFont(&painter);
    QCOMPARE(painter.font().family(), QString("Verdana"));
    QCOMPARE(painter.font().weight(), QFont::Normal);
    QCOMPARE(painter.font().pixelSize(), QFontInfo(view.font()).pixelSize());
  }

  void PrintsPagesToPdfAndPreview() {
    const std::pair<const char*, bool> cases[] = {
        {"Half", false}, {"Small", false}, {"Wide", false}, {"S4095", true}};
    CAppView view(&doc_);
    for (const auto& [key, many_pages] : cases) {
      doc_.SetSelection(Entry(key));
      QTemporaryDir dir;
      QPrinter printer(QPrinter::HighResolution);
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(dir.filePath("pane.pdf"));
      const int pages = view.Print(&printer);
      // 256 lines take a few pages at screen size, not one each.
      QVERIFY2(many_pages ? (pages > 1 && pages < 20) : pages == 1, key);
      QFile out(dir.filePath("pane.pdf"));
      QVERIFY(out.open(QIODevice::ReadOnly));
      const QByteArray pdf = out.readAll();
      QVERIFY(pdf.startsWith("%PDF-"));
      QCOMPARE(static_cast<int>(pdf.count("/Type /Page\n")), pages);

      QPrinter preview_printer(QPrinter::HighResolution);
      QPrintPreviewWidget preview(&preview_printer);
      connect(&preview, &QPrintPreviewWidget::paintRequested, &view, &CAppView::PrintPages);
      preview.updatePreview();
      QCOMPARE(preview.pageCount(), pages);
    }
  }

  void PaginatesBetweenLines() {
    struct Case {
      const char* name;
      double total, text, pitch, page;
      std::vector<std::pair<double, double>> expected;
    };
    const Case cases[] = {
        {"empty", 0, 0, 10, 100, {{0, 0}}},
        {"fits", 50, 50, 10, 100, {{0, 50}}},
        {"text", 250, 250, 15, 100, {{0, 90}, {90, 180}, {180, 250}}},
        {"picture below text", 300, 45, 15, 100, {{0, 100}, {100, 200}, {200, 300}}},
        {"line taller than page", 50, 50, 40, 30, {{0, 30}, {30, 50}}},
        {"no page height", 50, 50, 10, 0, {{0, 0}}},
    };
    for (const Case& c : cases) {
      std::vector<std::pair<double, double>> got;
      for (const PageBand& band : PaginateDrawing(c.total, c.text, c.pitch, c.page)) {
        got.emplace_back(band.top, band.bottom);
      }
      QVERIFY2(got == c.expected, c.name);
    }
    QCOMPARE(static_cast<int>(PaginateDrawing(1e9, 0, 10, 1).size()), kMaxPrintedPages);
  }

  void PaneTextKeepsEveryByteAndLine() {
    QCOMPARE(PaneText("a\r\nb\rc\nd x \r"), QString("a\nb\nc\nd x \n"));
    QCOMPARE(PaneText("\xe9&\t"), QString(QChar(0xe9)) + "&\t");
  }
};

QTEST_MAIN(AppViewTest)
#include "app_view_guitest.moc"
