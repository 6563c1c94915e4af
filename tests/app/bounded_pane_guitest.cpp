// The detail pane lays out only the lines it shows: the picture on the screen
// is the one the whole text laid out at once gives, the extent of a long text
// is the whole layout's, and printing a long item stops at the page bound (or
// at Cancel) with a line saying so.
#include <QtTest>

#include <QApplication>
#include <QPainter>
#include <QPrinter>
#include <QProgressDialog>
#include <QScrollBar>
#include <QTimer>

#include "app/app_doc.h"
#include "app/app_view.h"
#include "app/view_pages.h"
#include "app/view_text.h"
#include "pdf/object.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/pdf_builder.h"

namespace {

using namespace std::string_literals;

// The flags and rectangle the pane drew its whole text with before it drew
// line by line.
constexpr int kWholeTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs;
constexpr int kWholeTextLimit = 32767;

// Objects 3 to `objects` - 1 are small dictionaries, so that the XRefs item
// has that many lines and more.
std::string ManyObjectsPdf(int objects) {
  PdfBuilder b;
  b.Object(1,
           "<< /Type /Catalog /Pages 2 0 R /Dict << /A 1 /Bee (two) /C [1 2 3] >> "
           "/Tabs 3 0 R /Bytes 4 0 R /Lines 5 0 R /Terminator 6 0 R /Ends 7 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  b.Stream(3, "", "a\tb\tcc\tddd\n\tindented\ttwice\n12345678\tx\n");
  // A NUL would end the shown contents; 0x9C has a test of its own.
  std::string every_byte;
  for (int c = 1; c < 256; ++c) {
    every_byte += static_cast<char>(c == 0x9c ? ' ' : c);
    if (c % 32 == 31) {
      every_byte += '\n';
    }
  }
  b.Stream(4, "", every_byte);
  std::string lines;
  // Within the classic pane's 4095 bytes of contents.
  for (int i = 0; i < 60; ++i) {
    lines += "line " + std::to_string(i) + " of Wide Words and (parentheses) & ampersands\n";
  }
  b.Stream(5, "", lines);
  b.Stream(6, "", "before \x9c after\nsecond line\nthird line\n");
  b.Stream(7, "", "one\r\ntwo\rthree\nfour\r\r\nfive\n\rsix\r");
  for (int i = 8; i < objects; ++i) {
    b.Object(i, "<< /N " + std::to_string(i) + " >>");
  }
  b.Finish("/Root 1 0 R");
  return b.Bytes();
}

// What the viewport showed before: the whole text drawn at once.
QImage WholeTextPicture(CAppView& view) {
  QWidget* port = view.viewport();
  QImage image(port->size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(port->palette().color(QPalette::Base));
  QPainter painter(&image);
  painter.setPen(port->palette().color(port->foregroundRole()));
  painter.setFont(view.PaneFontForTest());
  painter.translate(-view.horizontalScrollBar()->value(), -view.verticalScrollBar()->value());
  const QRect extent = view.Extent();
  painter.drawText(QRect(0, 0, std::max(kWholeTextLimit, extent.width()),
                         std::max(kWholeTextLimit, extent.height())),
                   kWholeTextFlags, PaneText(view.Description()));
  return image;
}

QImage PanePicture(CAppView& view) {
  return view.viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

class BoundedPaneTest : public QObject {
  Q_OBJECT

 private:
  std::string bytes_ = ManyObjectsPdf(3000);
  TempFile file_{bytes_};
  CAppDoc doc_;

  pdf::Object* Entry(const char* key) { return doc_.xref->trailer->Get("Root")->Get(key); }

  // Shows the item at the top, the middle and the bottom of its text, and
  // compares each picture with the whole text's.
  void ComparePictures(CAppView& view, pdf::Object* item, const QString& name) {
    doc_.SetSelection(item);
    QScrollBar* bar = view.verticalScrollBar();
    const int places[] = {0, bar->maximum() / 2, bar->maximum()};
    for (int place : places) {
      bar->setValue(place);
      const QImage shown = PanePicture(view);
      const QImage whole = WholeTextPicture(view);
      if (shown != whole) {
        Shoot(&view, qPrintable("bounded-mismatch-" + name));
        whole.save(QDir::temp().filePath("bounded-whole-" + name + ".png"));
      }
      QVERIFY2(shown == whole, qPrintable(name + " at " + QString::number(place)));
    }
  }

 private slots:
  void initTestCase() {
    RecordedBoxes::Install();
    QVERIFY(doc_.OnOpenDocument(Q(file_.path())));
  }
  void init() { doc_.SetSelection(nullptr); }

  void PaintsWhatTheWholeTextLayoutPainted() {
    CAppView view(&doc_);
    view.resize(520, 360);
    view.show();
    const std::pair<const char*, pdf::Object*> items[] = {
        {"dictionary", Entry("Dict")},  {"tabs", Entry("Tabs")},
        {"every-byte", Entry("Bytes")}, {"lines", Entry("Lines")},
        {"line-ends", Entry("Ends")},   {"catalog", doc_.xref->trailer->Get("Root")},
        {"xrefs", doc_.xref},  // 3,000 lines: measured line by line
    };
    for (const auto& [name, item] : items) {
      QVERIFY2(item != nullptr, name);
      ComparePictures(view, item, name);
      Shoot(&view, qPrintable(QString("bounded-") + name));
    }
    // Scrolled sideways too.
    view.resize(240, 360);
    doc_.SetSelection(Entry("Lines"));
    view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
    QVERIFY2(
        view.horizontalScrollBar()->value() > 0,
        qPrintable(QString("%1 in %2").arg(view.Extent().width()).arg(view.viewport()->width())));
    QVERIFY(PanePicture(view) == WholeTextPicture(view));
  }

  void ByteStringTerminatorHidesNothing() {
    // Qt's text drawing ends a text at U+009C; the byte used to hide every
    // line after it.
    CAppView view(&doc_);
    view.resize(520, 360);
    view.show();
    doc_.SetSelection(Entry("Terminator"));
    Shoot(&view, "bounded-terminator");
    const QFontMetrics metrics(view.PaneFontForTest(), view.viewport());
    QVERIFY(view.Extent().height() >= 6 * metrics.height());  // stream, Length, blank, 3 lines
    QVERIFY(view.Extent().width() >= metrics.horizontalAdvance("before ? after"));
    // Ink on the last line, and the line itself as the text below it.
    const QImage shown = PanePicture(view);
    const int pitch = view.Extent().height() / 7;  // the six lines and the empty one after
    int ink = 0;
    for (int y = 5 * pitch; y < 6 * pitch; ++y) {
      for (int x = 0; x < 60; ++x) {
        ink += qGray(shown.pixel(x, y)) < 128 ? 1 : 0;
      }
    }
    QVERIFY2(ink > 20, qPrintable(QString::number(ink)));
    QCOMPARE(view.Extent().height(), 7 * pitch);
    // Modern mode copies it as the byte it is.
    CAppDoc modern;
    modern.SetMode(pdf::Mode::kModern);
    QVERIFY(modern.OnOpenDocument(Q(file_.path())));
    CAppView modern_view(&modern);
    modern.SetSelection(modern.xref->trailer->Get("Root")->Get("Terminator"));
    modern_view.SelectAll();
    QVERIFY2(
        modern_view.SelectedText().contains(QString("before ") + QChar(0x9c) + " after\nsecond"),
        qPrintable(modern_view.SelectedText()));
  }

  void LongTextHasTheWholeLayoutsExtent() {
    CAppView view(&doc_);
    view.resize(520, 360);
    doc_.SetSelection(doc_.xref);
    const QString text = PaneText(view.Description());
    QVERIFY(text.count('\n') > 3000);
    const QRect whole =
        QFontMetrics(view.PaneFontForTest(), view.viewport())
            .boundingRect(QRect(0, 0, kWholeTextLimit, kWholeTextLimit), kWholeTextFlags, text);
    QCOMPARE(view.Extent(), QRect(0, 0, whole.right() + 1, whole.bottom() + 1));
    // Classic steps, as for any item: a tenth of the size, a tenth of that.
    const QSize size(whole.right() + 1, whole.bottom() + 1);
    QCOMPARE(view.TotalSize(), size);
    QCOMPARE(view.PageStep(), QSize(size.width() / 10, size.height() / 10));
    QCOMPARE(view.LineStep(), QSize(size.width() / 100, size.height() / 100));
  }

  void LongPrintoutStopsAtTheBoundAndSaysWhere() {
    CAppView view(&doc_);
    doc_.SetSelection(doc_.xref);
    QTemporaryDir dir;
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("xrefs.pdf"));
    // A few lines a page, so that 3,000 lines need more than the bound.
    printer.setPageSize(QPageSize(QSizeF(300, 60), QPageSize::Point));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    const int pages = view.Print(&printer);
    QCOMPARE(pages, kMaxPrintedPages);
    static const QRegularExpression said(
        "^Printing stopped after 500 pages: the item has (\\d+) more lines\\.$");
    const QRegularExpressionMatch match = said.match(view.PrintNote());
    QVERIFY2(match.hasMatch(), qPrintable(view.PrintNote()));
    const int lines = static_cast<int>(PaneText(view.Description()).count('\n')) + 1;
    const int rest = match.captured(1).toInt();
    // Each page holds the same number of lines, the last one a line fewer.
    QVERIFY2(rest > 0 && (lines - rest + 1) % kMaxPrintedPages == 0,
             qPrintable(QString("%1 of %2").arg(rest).arg(lines)));
    QFile out(dir.filePath("xrefs.pdf"));
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(static_cast<int>(out.readAll().count("/Type /Page\n")), pages);
    // For a person to look at the last page, when pictures are asked for.
    const QString shots = qEnvironmentVariable("QUORVEL_SHOT_DIR");
    if (!shots.isEmpty()) {
      QFile::remove(shots + "/bounded-printout.pdf");
      QFile::copy(dir.filePath("xrefs.pdf"), shots + "/bounded-printout.pdf");
    }
  }

  void CancelStopsTheLongPrintout() {
    CAppView view(&doc_);
    view.SetPrintProgressDelay(0);
    doc_.SetSelection(doc_.xref);
    QTemporaryDir dir;
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("xrefs.pdf"));
    printer.setPageSize(QPageSize(QSizeF(300, 60), QPageSize::Point));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    // The user presses Cancel as soon as the progress dialog shows.
    bool saw_dialog = false;
    QTimer press;
    press.setInterval(0);
    connect(&press, &QTimer::timeout, [&] {
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* progress = qobject_cast<QProgressDialog*>(widget);
        if (progress != nullptr && progress->isVisible()) {
          saw_dialog = true;
          progress->cancel();
          press.stop();
        }
      }
    });
    press.start();
    const int pages = view.Print(&printer);
    press.stop();
    QVERIFY(saw_dialog);
    QVERIFY2(pages > 0 && pages < kMaxPrintedPages, qPrintable(QString::number(pages)));
    QVERIFY2(view.PrintNote().startsWith("Printing cancelled after "),
             qPrintable(view.PrintNote()));
    QVERIFY(view.PrintNote().endsWith(" of 500 pages."));
    // The dialog is gone with the printout.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      QVERIFY(qobject_cast<QProgressDialog*>(widget) == nullptr);
    }
  }

  void ShortPrintoutHasNoNote() {
    CAppView view(&doc_);
    doc_.SetSelection(Entry("Dict"));
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("dict.pdf"));
    QCOMPARE(view.Print(&printer), 1);
    QVERIFY(view.PrintNote().isEmpty());
  }

  void RoomForTheNoteEndsBetweenLines() {
    // 10 pages of 100 pixels, lines of 15: the last page ends a line early.
    std::vector<PageBand> pages(static_cast<size_t>(kMaxPrintedPages), PageBand{0, 90});
    pages.back() = {900, 990};
    QVERIFY(MakeRoomForNote(&pages, 1e6, 1e6, 15, 15));
    QCOMPARE(pages.back().bottom, 975.0);
    QCOMPARE(LinesAfter(975, 15, 100), int64_t{35});
    // Within a picture below the text: a note's height off, no lines.
    pages.back() = {900, 1000};
    QVERIFY(MakeRoomForNote(&pages, 1e6, 10, 15, 15));
    QCOMPARE(pages.back().bottom, 985.0);
    // A drawing that ends on the last page needs no note.
    pages.back() = {900, 1000};
    QVERIFY(!MakeRoomForNote(&pages, 1000, 1000, 10, 10));
    QCOMPARE(pages.back().bottom, 1000.0);
  }
};

QTEST_MAIN(BoundedPaneTest)
#include "bounded_pane_guitest.moc"
