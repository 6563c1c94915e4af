// The open file changed by another program: the status bar says so, the panes
// stop showing what the stale mapping holds, Save As refuses the copy, and
// File > Reload (F5) reads the new contents with the selection kept.
#include <QtTest>

#include <QAction>
#include <QLabel>
#include <QStatusBar>
#include <QTreeWidgetItem>

#include <unistd.h>

#include "app/app.h"
#include "app/app_doc.h"
#include "app/app_view.h"
#include "app/commands.h"
#include "app/detail_tabs.h"
#include "app/hex_view.h"
#include "app/left_pane.h"
#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/objects_model.h"
#include "app/objects_view.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/pdf_builder.h"

namespace {

// A document of `pages` pages, each with a content stream of 64 KB, so that a
// truncation takes whole mapped pages away.
std::string Pages(int pages) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  std::string kids;
  for (int i = 0; i < pages; ++i) {
    kids += std::to_string(3 + 2 * i) + " 0 R ";
  }
  b.Object(2, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
  for (int i = 0; i < pages; ++i) {
    const int page = 3 + 2 * i;
    b.Object(page, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents " +
                       std::to_string(page + 1) + " 0 R >>");
    b.Stream(page + 1, "", std::string(64 * 1024, ' '));
  }
  b.Finish("/Root 1 0 R /ID [<01> <01>]");
  return b.Bytes();
}

QTreeWidgetItem* TopLevel(CLeftView* tree, const QString& label) {
  for (int i = 0; i < tree->topLevelItemCount(); ++i) {
    if (tree->topLevelItem(i)->text(0) == label) {
      return tree->topLevelItem(i);
    }
  }
  return nullptr;
}

}  // namespace

class FileChangeTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { RecordedBoxes::Install(); }

  void TruncatedThenReloadedWithF5() {
    TempFile file(Pages(1));
    const QString path = Q(file.path());
    CApp app;
    QVERIFY(app.InitInstance(path));
    CMainFrame* frame = app.MainFrame();
    frame->show();
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame));
    QVERIFY(frame->Action(ID_FILE_RELOAD)->isEnabled());
    QCOMPARE(frame->statusBar()->currentMessage(), QString("Ready"));

    std::string error;
    QVERIFY2(frame->LeftView()->SelectPath("Root/Pages", &error), error.c_str());
    auto* view = frame->findChild<CAppView*>("CAppView");
    QVERIFY(view != nullptr);
    QVERIFY(view->Description() != kFileChangedLine);

    QCOMPARE(truncate(file.path().c_str(), 1000), 0);
    QTRY_COMPARE_WITH_TIMEOUT(frame->statusBar()->currentMessage(), QString(kFileChangedLine),
                              5000);
    QVERIFY(frame->Action(ID_FILE_RELOAD)->isEnabled());

    // What would now be read from the lost pages is not shown.
    QTreeWidgetItem* xrefs = TopLevel(frame->LeftView(), "XRefs");
    QVERIFY(xrefs != nullptr);
    frame->LeftView()->setCurrentItem(xrefs);
    QCOMPARE(view->Description(), std::string(kFileChangedLine));
    frame->LeftView()->expandItem(xrefs);
    QCOMPARE(xrefs->childCount(), 1);
    QCOMPARE(xrefs->child(0)->text(0), QString(kFileChangedLine));

    // A copy of the stale mapping would not be the file that was opened.
    RecordedBoxes::Texts().clear();
    TempFile target("old copy");
    QVERIFY(!app.SaveCopyAs(Q(target.path())));
    QCOMPARE(RecordedBoxes::Texts().size(), size_t{1});
    QVERIFY2(RecordedBoxes::Texts()[0].find("changed on disk") != std::string::npos,
             RecordedBoxes::Texts()[0].c_str());

    // The other program writes the file anew; F5 reads it, selection kept.
    frame->LeftView()->SelectPath("Root/Pages", &error);
    PdfBuilder("").Raw(Pages(3)).WriteFile(file.path());
    QTest::keyClick(frame, Qt::Key_F5);
    QCOMPARE(frame->statusBar()->currentMessage(), QString("Ready"));
    QCOMPARE(frame->LeftView()->SelectedPath(), std::string("Root/Pages"));
    QVERIFY(!app.Document()->FileChanged());
    QVERIFY2(frame->LeftView()->SelectPath("Root/Pages/Kids/[2]", &error), error.c_str());
    QVERIFY(view->Description() != kFileChangedLine);
    QVERIFY(app.SaveCopyAs(Q(target.path())));
  }

  // Modern mode: the Hex tab showed the stored bytes straight from the mapping
  // and the Objects tab loads rows as they are painted; neither may show what
  // the mapping now holds. F5 on an encrypted file reuses its password.
  void ModernTabsAndEncryptedReload() {
    TempFile plain(Pages(2));
    TempFile file("");
    QCOMPARE(EncryptWithQpdf(plain.path(), file.path(), "user", "owner"), 0);
    const std::string original = ReadAll(file.path());
    CApp app;
    std::vector<int> asked;
    app.SetPasswordQuestion(
        [&](const QString&, const std::string&, int attempt, std::string* typed) {
          asked.push_back(attempt);
          *typed = "user";
          return true;
        });
    QVERIFY(app.InitInstance(Q(file.path()), /*modern=*/true));
    QCOMPARE(asked, std::vector<int>{1});
    CMainFrame* frame = app.MainFrame();
    frame->show();
    std::string error;
    QVERIFY2(frame->LeftView()->SelectPath("Root/Pages/Kids/[0]/Contents", &error), error.c_str());
    CDetailTabs* tabs = frame->DetailTabs();
    tabs->setCurrentIndex(CDetailTabs::kHex);
    QVERIFY(tabs->HexView()->LineCount() > 0);
    CObjectsModel* objects = frame->LeftPane()->Objects()->Model();
    const QModelIndex row = objects->IndexOfNumber(4);
    QVERIFY(row.isValid());
    QVERIFY(objects->data(row, Qt::DisplayRole).toString().startsWith("4 0 obj"));

    QCOMPARE(truncate(file.path().c_str(), 1000), 0);
    QTRY_COMPARE_WITH_TIMEOUT(frame->statusBar()->currentMessage(), QString(kFileChangedLine),
                              5000);
    QCOMPARE(tabs->HexView()->LineCount(), size_t{0});
    QCOMPARE(tabs->HexCaption()->text(), QString(kFileChangedLine));
    QCOMPARE(objects->data(objects->IndexOfNumber(6), Qt::DisplayRole).toString(),
             QString("6 0 obj  ") + kFileChangedLine);
    QCOMPARE(objects->data(row, Qt::DisplayRole).toString(),
             QString("4 0 obj  ") + kFileChangedLine);
    QVERIFY(!objects->hasChildren(row));
    frame->LeftPane()->setCurrentWidget(frame->LeftPane()->Objects());
    Shoot(frame, "file-changed-modern");

    PdfBuilder("").Raw(original).WriteFile(file.path());
    QTest::keyClick(frame, Qt::Key_F5);
    QCOMPARE(frame->statusBar()->currentMessage(), QString("Ready"));
    QCOMPARE(asked, std::vector<int>{1});  // not asked again
    QVERIFY(app.Document()->Decrypting());
    QCOMPARE(frame->LeftView()->SelectedPath(), std::string("Root/Pages/Kids/[0]/Contents"));
    QVERIFY(objects->data(objects->IndexOfNumber(6), Qt::DisplayRole).toString() !=
            QString("6 0 obj  ") + kFileChangedLine);

    // Rewritten with another password, the reload asks for it.
    TempFile other("");
    QCOMPARE(EncryptWithQpdf(plain.path(), other.path(), "other", "other"), 0);
    PdfBuilder("").Raw(ReadAll(other.path())).WriteFile(file.path());
    QTRY_COMPARE_WITH_TIMEOUT(frame->statusBar()->currentMessage(), QString(kFileChangedLine),
                              5000);
    QTest::keyClick(frame, Qt::Key_F5);
    QCOMPARE(asked, (std::vector<int>{1, 1, 2, 3}));  // "user" three times, then the box
    QCOMPARE(app.Document()->GetPathName(), Q(file.path()));
  }

  void RenamedOverIsWatchedAgain() {
    TempFile file(Pages(1));
    const QString path = Q(file.path());
    CApp app;
    QVERIFY(app.InitInstance(path));
    CMainFrame* frame = app.MainFrame();
    // Saved by writing a new file and renaming it over the old: the watcher
    // loses the path, and must still notice this change and the next one.
    const std::string other = file.path() + ".new";
    PdfBuilder("").Raw(Pages(2)).WriteFile(other);
    QCOMPARE(rename(other.c_str(), file.path().c_str()), 0);
    QTRY_COMPARE_WITH_TIMEOUT(frame->statusBar()->currentMessage(), QString(kFileChangedLine),
                              5000);
    frame->Action(ID_FILE_RELOAD)->trigger();
    QCOMPARE(frame->statusBar()->currentMessage(), QString("Ready"));
    std::string error;
    QVERIFY2(frame->LeftView()->SelectPath("Root/Pages/Kids/[1]", &error), error.c_str());

    PdfBuilder("").Raw(Pages(2)).WriteFile(other);
    QCOMPARE(rename(other.c_str(), file.path().c_str()), 0);
    QTRY_COMPARE_WITH_TIMEOUT(frame->statusBar()->currentMessage(), QString(kFileChangedLine),
                              5000);
  }

  void NoReloadWithoutAFile() {
    CApp app;
    QVERIFY(app.InitInstance(QString()));
    QVERIFY(!app.MainFrame()->Action(ID_FILE_RELOAD)->isEnabled());
  }
};

QTEST_MAIN(FileChangeTest)
#include "file_change_guitest.moc"
