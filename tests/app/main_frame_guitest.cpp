// CMainFrame: commands, bars, splitter, pane switching, caption, About box,
// printing of the active pane.
#include <QtTest>

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QPrinter>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "app/about_box.h"
#include "app/app_doc.h"
#include "app/app_view.h"
#include "app/commands.h"
#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/toolbar_icons.h"
#include "describe/description.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/pdf_builder.h"

class MainFrameTest : public QObject {
  Q_OBJECT

 private:
  TempFile minimal_{MinimalPdf()};
  std::unique_ptr<CAppDoc> doc_;
  std::unique_ptr<CMainFrame> frame_;

 private slots:
  void initTestCase() { RecordedBoxes::Install(); }

  void init() {
    doc_ = std::make_unique<CAppDoc>();
    frame_ = std::make_unique<CMainFrame>(doc_.get());
    frame_->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
  }

  void cleanup() {
    frame_.reset();
    doc_.reset();
  }

  // The right pane is the detail pane and follows the tree's selection.
  void DetailPaneDescribesTheTreeSelection() {
    auto* view = frame_->findChild<CAppView*>("CAppView");
    QVERIFY(view != nullptr);
    QVERIFY(doc_->OnOpenDocument(QString::fromStdString(minimal_.path())));
    std::string error;
    QVERIFY2(frame_->LeftView()->SelectPath("Root/Pages/Kids/[0]/Contents", &error), error.c_str());
    QCOMPARE(view->Description(), DescribeObject(doc_->GetSelection()));
    QVERIFY(view->Description().rfind("stream\n", 0) == 0);
    QVERIFY(frame_->LeftView()->SelectPath("Root/Type", &error));
    QCOMPARE(view->Description(), std::string("name: Catalog"));
  }

  // In classic mode; modern mode enables Copy when something can be copied.
  void EditCommandsAlwaysDisabled() {
    QVERIFY(doc_->OnOpenDocument(Q(minimal_.path())));
    frame_->LeftView()->setCurrentItem(frame_->LeftView()->topLevelItem(1));
    for (int id : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE}) {
      QAction* action = frame_->Action(id);
      QVERIFY(action != nullptr);
      QVERIFY(!action->isEnabled());
      if (id != ID_EDIT_UNDO) {
        auto* button = qobject_cast<QToolButton*>(frame_->ToolBar()->widgetForAction(action));
        QVERIFY(button != nullptr && !button->isEnabled());
      }
    }
  }

  void ActionsCarryIdsTextsKeysAndTips() {
    for (const CommandInfo& info : Commands()) {
      if (info.id == ID_FILE_MRU_FILE1) {
        continue;
      }
      QAction* action = frame_->Action(info.id);
      QVERIFY(action != nullptr);
      QCOMPARE(action->data().toInt(), info.id);
      QCOMPARE(action->text(), QString(info.text));
      QCOMPARE(action->statusTip(), Q(StatusText(info)));
      if (*info.keys[0] != '\0') {
        QCOMPARE(action->shortcut(), QKeySequence(info.keys[0]));
      }
    }
    QCOMPARE(frame_->Action(ID_EDIT_CUT)->shortcuts(),
             (QList<QKeySequence>{QKeySequence("Ctrl+X"), QKeySequence("Shift+Del")}));
  }

  void MenusInOrder() {
    QStringList titles;
    for (QAction* menu : frame_->menuBar()->actions()) {
      titles << menu->text();
    }
    QCOMPARE(titles, (QStringList{"&File", "&Edit", "&View", "&Help"}));
    QMenu* file = frame_->menuBar()->actions()[0]->menu();
    QStringList entries;
    for (QAction* action : file->actions()) {
      if (!action->isSeparator() && action->isVisible()) {
        entries << action->text();
      }
    }
    QCOMPARE(entries,
             (QStringList{"&Open...", "&Reload", "&Save", "Save &As...", "Save S&tream As...",
                          "Save &Decoded Stream As...", "Save &Image As PNG...", "&Print...",
                          "Print Pre&view", "P&rint Setup...", "Recent File", "E&xit"}));
  }

  void ToolbarButtonsInOrder() {
    QToolBar* bar = frame_->ToolBar();
    QCOMPARE(bar->iconSize(), QSize(16, 15));
    QStringList shown;
    for (QAction* action : bar->actions()) {
      shown << (action->isSeparator() ? QString("|") : action->toolTip());
    }
    QCOMPARE(shown, (QStringList{"Open", "Save", "|", "Cut", "Copy", "Paste", "|", "Print", "|",
                                 "About"}));
    QVERIFY(!ToolbarIcon(ID_FILE_OPEN).isNull());
    QVERIFY(frame_->DialogStripText() != nullptr);
    QVERIFY(frame_->DialogStripText()->text().isEmpty());
  }

  void StatusBarReadyTipsAndIndicators() {
    QCOMPARE(frame_->statusBar()->currentMessage(), QString("Ready"));
    QStatusTipEvent tip(frame_->Action(ID_FILE_OPEN)->statusTip());
    QApplication::sendEvent(frame_.get(), &tip);
    QCOMPARE(frame_->statusBar()->currentMessage(), QString("Open an existing document"));
    QStatusTipEvent idle{QString()};
    QApplication::sendEvent(frame_.get(), &idle);
    QCOMPARE(frame_->statusBar()->currentMessage(), QString("Ready"));
    const char* texts[] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i) {
      QCOMPARE(frame_->Indicator(i)->text(), QString(texts[i]));
      QVERIFY(!frame_->Indicator(i)->isEnabled());  // the offscreen platform tells nothing
    }
  }

  void ViewTogglesHideBars() {
    frame_->Action(ID_VIEW_TOOLBAR)->trigger();
    QVERIFY(frame_->ToolBar()->isHidden());
    QVERIFY(!frame_->Action(ID_VIEW_TOOLBAR)->isChecked());
    frame_->Action(ID_VIEW_TOOLBAR)->trigger();
    QVERIFY(!frame_->ToolBar()->isHidden());
    frame_->Action(ID_VIEW_STATUS_BAR)->trigger();
    QVERIFY(frame_->statusBar()->isHidden());
  }

  void SplitterWidths() {
    QList<int> sizes = frame_->Splitter()->sizes();
    int ideal = 16 * frame_->style()->pixelMetric(QStyle::PM_SmallIconSize);
    QCOMPARE(sizes[0], ideal);
    QCOMPARE(frame_->LeftView()->minimumWidth(), 16);
    QCOMPARE(frame_->RightPane()->objectName(), QString("CAppView"));
    frame_->resize(frame_->width() + 100, frame_->height());
    QTRY_COMPARE(frame_->Splitter()->sizes()[1], sizes[1] + 100);
    QCOMPARE(frame_->Splitter()->sizes()[0], ideal);
  }

  void SplitMovesTheDividerByKeyboard() {
    int start = frame_->Splitter()->sizes()[0];
    frame_->Action(ID_WINDOW_SPLIT)->trigger();
    QWidget* handle = frame_->Splitter()->handle(1);
    QVERIFY(handle->hasFocus());
    QTest::keyClick(handle, Qt::Key_Right);
    QTest::keyClick(handle, Qt::Key_Right);
    QCOMPARE(frame_->Splitter()->sizes()[0], start + 16);
    QTest::keyClick(handle, Qt::Key_Escape);
    QCOMPARE(frame_->Splitter()->sizes()[0], start);
    frame_->Action(ID_WINDOW_SPLIT)->trigger();
    QTest::keyClick(handle, Qt::Key_Left);
    QTest::keyClick(handle, Qt::Key_Return);
    QCOMPARE(frame_->Splitter()->sizes()[0], start - 8);
    QVERIFY(!handle->hasFocus());
  }

  void F6SwitchesPanes() {
    frame_->activateWindow();
    QCOMPARE(frame_->ActivePane(), static_cast<QWidget*>(frame_->LeftView()));
    frame_->Action(ID_NEXT_PANE)->trigger();
    QCOMPARE(frame_->ActivePane(), frame_->RightPane());
    frame_->Action(ID_PREV_PANE)->trigger();
    QCOMPARE(frame_->ActivePane(), static_cast<QWidget*>(frame_->LeftView()));
  }

  void CaptionFollowsTheDocument() {
    QCOMPARE(frame_->windowTitle(), QString("Untitled - Quorvel"));
    QVERIFY(doc_->OnOpenDocument(Q(minimal_.path())));
    QCOMPARE(frame_->windowTitle(), QFileInfo(Q(minimal_.path())).fileName() + " - Quorvel");
    doc_->OnNewDocument();
    QCOMPARE(frame_->windowTitle(), QString("Untitled - Quorvel"));
  }

  void AboutBoxTexts() {
    CAboutBox box(frame_.get());
    QCOMPARE(box.windowTitle(), QString("About Quorvel"));
    QCOMPARE(box.VersionLabel()->text(), QString("Quorvel 1.02b6"));
    QVERIFY(!box.NoticeLabel()->text().isEmpty());
    QVERIFY(box.isModal());
  }

  void PrintsTheActivePane() {
    QVERIFY(doc_->OnOpenDocument(Q(minimal_.path())));
    QTemporaryDir dir;
    for (bool tree : {true, false}) {
      if (tree != (frame_->ActivePane() == frame_->LeftView())) {
        frame_->ActivateOtherPane();
      }
      QString path = dir.filePath(tree ? "tree.pdf" : "blank.pdf");
      QPrinter printer(QPrinter::HighResolution);
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(path);
      frame_->PrintActivePane(&printer);
      QFile out(path);
      QVERIFY(out.open(QIODevice::ReadOnly));
      QVERIFY(out.read(5) == "%PDF-");
    }
  }

  void DroppedFileIsOffered() {
    QSignalSpy dropped(frame_.get(), &CMainFrame::fileDropped);
    QMimeData mime;
    mime.setUrls({QUrl("https://example.org/x.pdf"), QUrl::fromLocalFile(Q(minimal_.path()))});
    QMimeData web;
    web.setUrls({QUrl("https://example.org/x.pdf")});
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame_.get(), &refused);
    QVERIFY(!refused.isAccepted());
    // Qt delivers a drop to the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame_.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame_.get(), &drop);
    QCOMPARE(dropped.count(), 1);
    QCOMPARE(dropped[0][0].toString(), Q(minimal_.path()));
  }
};

QTEST_MAIN(MainFrameTest)
#include "main_frame_guitest.moc"
