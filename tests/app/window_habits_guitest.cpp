// The window as a desktop user expects it: it reopens as it was closed, a
// first start fits the screen and the tree's labels, labels scroll instead of
// being cut, an empty window says how to open a file, and the toolbar images
// follow the palette.
#include <QtTest>

#include <QDockWidget>
#include <QHeaderView>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBrowser>
#include <QToolBar>

#include "app/app.h"
#include "app/command_line.h"
#include "app/commands.h"
#include "app/left_pane.h"
#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/manual_page.h"
#include "app/objects_view.h"
#include "app/problems_dock.h"
#include "app/settings.h"
#include "app/toolbar_icons.h"
#include "app/window_state.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/pdf_builder.h"

namespace {

// A catalog with a value far wider than the tree pane's first width.
std::string LongLabelPdf() {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R /Long /" + std::string(120, 'W') + " >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  b.Finish("/Root 1 0 R");
  return b.Bytes();
}

// The share of an image's opaque pixels whose lightness is above half.
double LightShare(const QImage& image) {
  int opaque = 0;
  int light = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.alpha() > 200) {
        ++opaque;
        light += c.lightness() > 128 ? 1 : 0;
      }
    }
  }
  return opaque == 0 ? 0.0 : static_cast<double>(light) / opaque;
}

QPalette DarkPalette() {
  QPalette dark;
  dark.setColor(QPalette::Window, QColor(40, 40, 40));
  dark.setColor(QPalette::WindowText, QColor(235, 235, 235));
  dark.setColor(QPalette::Base, QColor(30, 30, 30));
  dark.setColor(QPalette::Text, QColor(235, 235, 235));
  dark.setColor(QPalette::PlaceholderText, QColor(160, 160, 160));
  dark.setColor(QPalette::Button, QColor(50, 50, 50));
  dark.setColor(QPalette::ButtonText, QColor(235, 235, 235));
  return dark;
}

}  // namespace

class WindowHabitsTest : public QObject {
  Q_OBJECT

  TempFile file_{LongLabelPdf()};

 private slots:
  void initTestCase() {
    RecordedBoxes::Install();
    QVERIFY(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"));
  }

  void init() { QSettings(kSettingsOrganisation, kSettingsApplication).remove("Window"); }

  void WindowReopensAsClosed() {
    {
      CApp app;
      QVERIFY(app.InitInstance(Q(file_.path())));
      CMainFrame* frame = app.MainFrame();
      QVERIFY(!RestoreWindowState(frame));  // nothing kept yet
      frame->RememberWindowState();
      frame->resize(900, 640);
      frame->show();
      QVERIFY(QTest::qWaitForWindowExposed(frame));
      frame->Splitter()->setSizes({333, 900 - 333});
      frame->Action(ID_VIEW_TOOLBAR)->trigger();
      frame->Action(ID_VIEW_STATUS_BAR)->trigger();
      QVERIFY(frame->ToolBar()->isHidden());
      frame->ProblemsDock()->show();
      frame->close();
    }
    CApp app;
    QVERIFY(app.InitInstance(Q(file_.path())));
    CMainFrame* frame = app.MainFrame();
    QVERIFY(RestoreWindowState(frame));
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    QCOMPARE(frame->size(), QSize(900, 640));
    QCOMPARE(frame->Splitter()->sizes().first(), 333);
    QVERIFY(frame->ToolBar()->isHidden());
    QVERIFY(!frame->Action(ID_VIEW_TOOLBAR)->isChecked());
    QVERIFY(frame->statusBar()->isHidden());
    QVERIFY(!frame->Action(ID_VIEW_STATUS_BAR)->isChecked());
    QVERIFY(!frame->NavigationBar()->isHidden());
    // Docks keep their places but wait for their commands.
    QVERIFY(frame->ProblemsDock()->isHidden());
  }

  void MaximisedStateIsKept() {
    {
      CApp app;
      QVERIFY(app.InitInstance(QString()));
      app.MainFrame()->RememberWindowState();
      app.MainFrame()->showMaximized();
      QVERIFY(QTest::qWaitForWindowExposed(app.MainFrame()));
      QTRY_VERIFY(app.MainFrame()->isMaximized());
      app.MainFrame()->close();
    }
    CApp app;
    QVERIFY(app.InitInstance(QString()));
    QVERIFY(RestoreWindowState(app.MainFrame()));
    app.MainFrame()->show();
    QTRY_VERIFY(app.MainFrame()->isMaximized());
  }

  void WindowsNotAskedToRememberLeaveNoTrace() {
    CApp app;
    QVERIFY(app.InitInstance(QString()));
    app.MainFrame()->show();
    app.MainFrame()->close();
    QVERIFY(!QSettings(kSettingsOrganisation, kSettingsApplication).contains(kWindowGeometryKey));
  }

  void FirstStartFitsScreenAndLabels() {
    CApp app;
    QVERIFY(app.InitInstance(Q(file_.path())));
    CMainFrame* frame = app.MainFrame();
    SizeToScreen(frame);
    const QRect screen = frame->screen()->availableGeometry();
    QCOMPARE(frame->width(), std::max(static_cast<int>(screen.width() * kFirstStartScreenShare),
                                      frame->minimumSizeHint().width()));
    QVERIFY(screen.contains(frame->frameGeometry().center()));
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    std::string error;
    QVERIFY2(frame->LeftView()->SelectPath("Root/Long", &error), error.c_str());
    const int before = frame->Splitter()->sizes().first();
    FitTreePane(frame);
    const QList<int> sizes = frame->Splitter()->sizes();
    // The label is wider than half the window: the pane takes that half.
    QVERIFY(sizes.first() > before);
    QVERIFY(qAbs(sizes.first() - (sizes[0] + sizes[1]) / 2) <= 1);
  }

  void LongLabelsScrollInsteadOfBeingCut() {
    CApp app;
    QVERIFY(app.InitInstance(Q(file_.path()), /*modern=*/true));
    CMainFrame* frame = app.MainFrame();
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    std::string error;
    QVERIFY2(frame->LeftView()->SelectPath("Root/Long", &error), error.c_str());
    QVERIFY(frame->LeftPane()->GoToObject(1, 0));
    CObjectsView* objects = frame->LeftPane()->Objects();
    QTRY_VERIFY(objects->currentIndex().isValid());
    const QFontMetrics metrics(objects->font());
    // The Long entry under object 1's row.
    objects->expand(objects->currentIndex());
    QTRY_VERIFY(objects->model()->rowCount(objects->currentIndex()) > 0);
    QModelIndex objects_long;
    for (int row = 0; row < objects->model()->rowCount(objects->currentIndex()); ++row) {
      const QModelIndex child = objects->model()->index(row, 0, objects->currentIndex());
      if (child.data().toString().startsWith("Long")) {
        objects_long = child;
      }
    }
    QVERIFY(objects_long.isValid());
    objects->setCurrentIndex(objects_long);
    for (QTreeView* view :
         {static_cast<QTreeView*>(frame->LeftView()), static_cast<QTreeView*>(objects)}) {
      frame->LeftPane()->setCurrentWidget(view);
      QTRY_VERIFY(view->isVisible());
      const QModelIndex index = view->currentIndex();
      QVERIFY(index.data().toString().contains("WWWW"));
      const int text = metrics.horizontalAdvance(index.data().toString());
      QTRY_VERIFY2(view->header()->sectionSize(0) >= text, qPrintable(view->objectName()));
      QTRY_VERIFY2(view->horizontalScrollBar()->maximum() > 0, qPrintable(view->objectName()));
    }
    Shoot(frame, "window-long-labels");
  }

  void EmptyWindowSaysHowToOpen() {
    CApp app;
    QVERIFY(app.InitInstance(QString()));
    CMainFrame* frame = app.MainFrame();
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    CLeftView* tree = frame->LeftView();
    // The hint's colour made unmistakable: red, where labels are black.
    QPalette palette = tree->palette();
    palette.setColor(QPalette::PlaceholderText, Qt::red);
    tree->setPalette(palette);
    auto inked = [tree] {
      const QImage image = tree->viewport()->grab().toImage();
      int count = 0;
      for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
          const QColor c = image.pixelColor(x, y);
          count += c.red() > 150 && c.green() < 100 && c.blue() < 100 ? 1 : 0;
        }
      }
      return count;
    };
    QVERIFY(inked() > 20);
    Shoot(frame, "window-empty");
    QVERIFY(app.OpenDocumentFile(Q(file_.path())));
    QCOMPARE(inked(), 0);
  }

  void ToolbarImagesFollowThePalette() {
    const QPalette light = QApplication::palette();
    const QPalette dark = DarkPalette();
    for (int id : ToolbarLayout()) {
      if (id == kSeparator) {
        continue;
      }
      const QIcon on_light = FallbackToolbarIcon(id, light);
      QVERIFY2(!on_light.isNull(), qPrintable(QString::number(id)));
      // Drawn for the scale, not blown up from 1x.
      for (qreal ratio : {1.0, 1.5, 2.0}) {
        const QPixmap pixmap = on_light.pixmap(kToolbarButtonSize, ratio);
        QCOMPARE(pixmap.width(), qCeil(kToolbarButtonSize.width() * ratio));
      }
      const QImage a = on_light.pixmap(kToolbarButtonSize, 2.0).toImage();
      const QImage b = FallbackToolbarIcon(id, dark).pixmap(kToolbarButtonSize, 2.0).toImage();
      QVERIFY2(LightShare(b) > LightShare(a), qPrintable(QString::number(id)));
    }
    for (int id : NavigationToolbarLayout()) {
      QVERIFY(!FallbackToolbarIcon(id, light).isNull());
    }
    QVERIFY(FallbackToolbarIcon(ID_FILE_NEW, light).isNull());
    QVERIFY(!ApplicationIcon().pixmap(256, 256).isNull());
  }

  void ManualOnF1() {
    // The macros the pages use, as a reader sees them.
    QCOMPARE(ManualHtml(".TH X 1\n.SH OPTIONS\n.TP\n.BI \\-\\-select \" PATH\"\nExpand "
                        "\\fIPATH\\fR & more.\n"),
             QString("<html><body><h1>x</h1><h2>OPTIONS</h2><dl><dt><b>--select</b><i> PATH</i>"
                     "</dt><dd>Expand <i>PATH</i> &amp; more. </dd></dl></body></html>"));
    CApp app;
    QVERIFY(app.InitInstance(QString()));
    CMainFrame* frame = app.MainFrame();
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    QTest::keyClick(frame, Qt::Key_F1);
    auto* manual = frame->findChild<QTextBrowser*>("ManualText");
    QVERIFY(manual != nullptr);
    QTRY_VERIFY(manual->isVisible());
    const QString text = manual->toPlainText();
    for (const char* heading : {"SYNOPSIS", "DESCRIPTION", "OPTIONS", "KEYS", "SEE ALSO"}) {
      QVERIFY2(text.contains(heading), heading);
    }
    // Every option the usage text names, and no troff left over.
    const QString usage = UsageText();
    static const QRegularExpression option("--[a-z][a-z-]*");
    for (auto match = option.globalMatch(usage); match.hasNext();) {
      const QString name = match.next().captured();
      QVERIFY2(text.contains(name), qPrintable(name));
    }
    QVERIFY(!text.contains("\\f") && !text.contains("\\(") && !text.contains("\n."));
    Shoot(manual->window(), "manual");
  }

  // Pictures in light and dark for a person to look at (QUORVEL_SHOT_DIR;
  // run with QT_SCALE_FACTOR=2 for the 2x ones).
  void LightAndDarkPictures() {
    for (bool is_dark : {false, true}) {
      const QPalette saved = QApplication::palette();
      if (is_dark) {
        QApplication::setPalette(DarkPalette());
      }
      {
        CApp app;
        QVERIFY(app.InitInstance(Q(file_.path()), /*modern=*/true));
        CMainFrame* frame = app.MainFrame();
        frame->resize(900, 500);
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        std::string error;
        QVERIFY(frame->LeftView()->SelectPath("Root/Pages", &error));
        // The toolbar's images are drawn in the palette's ink.
        const QImage cut = frame->Action(ID_EDIT_CUT)->icon().pixmap(kToolbarButtonSize).toImage();
        const auto drawn = [](const QPalette& palette) {
          return FallbackToolbarIcon(ID_EDIT_CUT, palette).pixmap(kToolbarButtonSize).toImage();
        };
        QCOMPARE(cut, drawn(QApplication::palette()));
        QCOMPARE(cut == drawn(saved), !is_dark);
        Shoot(frame, is_dark ? "window-dark" : "window-light");
      }
      QApplication::setPalette(saved);
    }
  }
};

QTEST_MAIN(WindowHabitsTest)
#include "window_habits_guitest.moc"
