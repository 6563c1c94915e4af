// The README's tour on the bundled sample, in modern mode: each stop sets the
// window up as a user would, checks what it shows, and (with QUORVEL_SHOT_DIR
// set, as `make tour` does) saves the picture the README shows.
#include <QtTest>

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QSplitter>
#include <QTreeWidget>

#include "app/app_doc.h"
#include "app/app_view.h"
#include "app/file_map_dock.h"
#include "app/left_pane.h"
#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/page_renderer.h"
#include "app/references_dock.h"
#include "app/revisions_view.h"
#include "app/space_dock.h"
#include "tests/app/gui_test_support.h"

namespace {

constexpr int kRenderWaitMs = 20000;

}  // namespace

class TourTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<CAppDoc> doc_;
  std::unique_ptr<CMainFrame> frame_;

  void Select(const char* path) {
    std::string error;
    frame_->LeftPane()->setCurrentWidget(frame_->LeftView());
    QVERIFY2(frame_->LeftView()->SelectPath(path, &error), error.c_str());
  }

 private slots:
  void initTestCase() {
    RecordedBoxes::Install();
    CPageRenderer::SetProgram("pdftoppm");
    CPageRenderer::SetTimeLimitMs(10000);
  }

  void init() {
    doc_ = std::make_unique<CAppDoc>();
    doc_->SetMode(pdf::Mode::kModern);
    frame_ = std::make_unique<CMainFrame>(doc_.get());
    frame_->ShowMode(true);
    frame_->resize(1100, 720);
    frame_->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
    QVERIFY(doc_->OnOpenDocument(SAMPLE_DIR "/sample.pdf"));
    doc_->UpdateAllViews(HINT_INITIAL_UPDATE);
    // Room for the tree's labels, as a user would drag the divider.
    frame_->Splitter()->setSizes({380, 720});
  }

  void cleanup() {
    frame_.reset();
    doc_.reset();
  }

  // The sample's update: the Revisions tab lists it, and an object it
  // changed shows as that revision wrote it.
  void Revisions() {
    CRevisionsView* revisions = frame_->LeftPane()->Revisions();
    frame_->LeftPane()->setCurrentWidget(revisions);
    QTRY_COMPARE(revisions->topLevelItemCount() >= 2, true);
    QTreeWidgetItem* update = revisions->topLevelItem(1);
    QVERIFY(update->text(0).startsWith("Revision 2"));
    revisions->expandItem(update);
    QTreeWidgetItem* object = nullptr;
    for (int i = 0; i < update->childCount() && object == nullptr; ++i) {
      QTreeWidgetItem* group = update->child(i);
      revisions->expandItem(group);
      if (group->childCount() > 0) {
        object = group->child(0);
      }
    }
    QVERIFY(object != nullptr);
    revisions->setCurrentItem(object);
    QVERIFY(doc_->GetSelection() != nullptr);
    Shoot(frame_.get(), "tour-revisions");
  }

  // Who refers to the first page, found by an index built in the background.
  void References() {
    Select("Root/Pages/Kids/[0]");
    const int32_t page = doc_->GetSelection()->number;
    CReferencesDock* dock = frame_->ReferencesDock();
    dock->ShowReferencesTo(page, 0);
    dock->Wait();
    QVERIFY(dock->List()->count() >= 1);
    QVERIFY(dock->List()->item(0)->text().contains("Kids"));
    Shoot(frame_.get(), "tour-references");
  }

  // The space each kind of object takes, as a table and a treemap.
  void Space() {
    CSpaceDock* dock = frame_->SpaceDock();
    dock->toggleViewAction()->trigger();
    dock->Wait();
    QVERIFY(dock->Table()->topLevelItemCount() > 0);
    QCOMPARE(dock->Table()->topLevelItem(0)->text(0), QString("image stream"));
    QTest::qWait(20);  // laid out
    Shoot(frame_.get(), "tour-space");
  }

  // The file's bytes by owner, with the selected image hatched, beside the
  // image's picture.
  void FileMapAndPage() {
    CFileMapDock* dock = frame_->FileMapDock();
    dock->toggleViewAction()->trigger();
    dock->Wait();
    Select("Root/Pages/Kids/[3]/Resources/XObject/JpegRgb");
    QVERIFY(dock->Status()->text().contains("image stream"));
    Shoot(frame_.get(), "tour-file-map");
    dock->hide();
    Select("Root/Pages/Kids/[0]");
    auto* view = qobject_cast<CAppView*>(frame_->RightPane());
    QVERIFY(view != nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(!view->PageImage().isNull(), kRenderWaitMs);
    QTest::qWait(50);
    Shoot(frame_.get(), "tour-page");
  }
};

QTEST_MAIN(TourTest)
#include "tour_guitest.moc"
