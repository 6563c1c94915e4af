// The Objects tab: objects listed by number with their labels, selection,
// Go to Object, following references, Back and Forward across both tabs, and a
// million rows that cost only the rows on screen.
#include <QtTest>

#include <QAction>
#include <QInputDialog>
#include <QListWidget>
#include <QTreeWidget>

#include "app/app_doc.h"
#include "app/commands.h"
#include "app/left_pane.h"
#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/objects_model.h"
#include "app/objects_view.h"
#include "app/tree_lines_style.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/modern_builder.h"
#include "tests/support/pdf_builder.h"

namespace {

// A page tree in an object stream, a number beside it, and a content stream
// written as a plain object.
std::string ModernFile() {
  ModernBuilder m;
  m.Classic().Stream(4, "", "BT ET");
  m.ObjectStream(10,
                 {{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                  {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
                  {3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>"},
                  {5, "42"}});
  m.XRefStream(
      11, {{1, 2, 10, 0}, {2, 2, 10, 1}, {3, 2, 10, 2}, m.InUse(4), {5, 2, 10, 3}, m.InUse(10)},
      "/Size 12 /Root 1 0 R");
  return m.Bytes();
}

QStringList Labels(const CObjectsModel& model, const QModelIndex& parent = {}) {
  QStringList labels;
  for (int row = 0; row < model.rowCount(parent); ++row) {
    labels << model.index(row, 0, parent).data().toString();
  }
  return labels;
}

QModelIndex Child(const CObjectsModel& model, const QModelIndex& parent, const QString& label) {
  for (int row = 0; row < model.rowCount(parent); ++row) {
    QModelIndex child = model.index(row, 0, parent);
    if (child.data().toString() == label) {
      return child;
    }
  }
  return {};
}

// Whether anything but the connecting lines is drawn left of the row's text,
// where the view draws a row's expander.
bool ExpanderDrawn(QTreeView* view, const QModelIndex& row) {
  const QImage image = view->viewport()->grab().toImage();
  const QRect text = view->visualRect(row);
  const double scale = image.devicePixelRatio();
  const QRgb background = image.pixel(0, static_cast<int>(text.top() * scale));
  const QRgb line = CTreeLinesStyle::LineColor(view->palette()).rgb();
  for (int y = text.top(); y <= text.bottom(); ++y) {
    for (int x = 0; x < text.left(); ++x) {
      const QRgb pixel = image.pixel(static_cast<int>(x * scale), static_cast<int>(y * scale));
      if (pixel != background && pixel != line) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

class ObjectsViewTest : public QObject {
  Q_OBJECT

 private:
  TempFile modern_{ModernFile()};
  std::unique_ptr<CAppDoc> doc_;
  std::unique_ptr<CMainFrame> frame_;

  CLeftPane* Pane() { return frame_->LeftPane(); }
  CObjectsView* Objects() { return Pane()->Objects(); }
  CObjectsModel& Model() { return *Objects()->Model(); }
  int32_t SelectedNumber() { return doc_->GetSelection() ? doc_->GetSelection()->number : -1; }

 private slots:
  void initTestCase() { RecordedBoxes::Install(); }

  void init() {
    RecordedBoxes::Texts().clear();
    doc_ = std::make_unique<CAppDoc>();
    doc_->SetMode(pdf::Mode::kModern);
    frame_ = std::make_unique<CMainFrame>(doc_.get());
    frame_->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
    QVERIFY(doc_->OnOpenDocument(Q(modern_.path())));
  }

  void cleanup() {
    frame_.reset();
    doc_.reset();
  }

  void ListsEveryObjectByNumber() {
    QCOMPARE(Pane()->tabText(0), QString("Structure"));
    QCOMPARE(Pane()->tabText(1), QString("Objects"));
    // The compressed objects too; the cross-reference stream is not listed.
    QCOMPARE(Labels(Model()),
             (QStringList{"1 0 obj  Catalog", "2 0 obj  Pages", "3 0 obj  Page", "4 0 obj  stream",
                          "5 0 obj  number", "10 0 obj  ObjStm", "11 0 obj  XRef"}));
  }

  void OnlyRowsWithChildrenExpand() {
    struct Case {
      int32_t number;
      bool expands;
    };
    // Rows not loaded yet show an expander; painting them settles it.
    Pane()->setCurrentWidget(Objects());
    QTest::qWait(20);
    const Case cases[] = {{1, true}, {4, true}, {5, false}};
    for (const Case& c : cases) {
      const QModelIndex row = Model().IndexOfNumber(c.number);
      QCOMPARE(Model().hasChildren(row), c.expands);
      QCOMPARE(ExpanderDrawn(Objects(), row), c.expands);
    }
    Shoot(frame_.get(), "objects-small");
  }

  void DamagedObjectsGoToTheProblemsList() {
    // Classic mode reports a damaged object when it is loaded; the tab loads
    // every row it lays out, so the reports must not come as boxes.
    PdfBuilder b;
    b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    b.Object(3, "[ 1 ) ]");
    b.Object(4, "<< /B ) >>");
    b.Finish("/Root 1 0 R");
    TempFile damaged(b.Bytes());
    doc_->SetMode(pdf::Mode::kClassic);
    QVERIFY(doc_->OnOpenDocument(Q(damaged.path())));
    RecordedBoxes::Texts().clear();
    Pane()->setCurrentWidget(Objects());
    QTest::qWait(20);
    QCOMPARE(Labels(Model()).size(), 4);
    QVERIFY(RecordedBoxes::Texts().empty());
    auto* problems = frame_->findChild<QListWidget*>("ProblemsList");
    QStringList lines;
    for (int row = 0; row < problems->count(); ++row) {
      lines << problems->item(row)->text();
    }
    for (const char* object : {"^Object 3 0: \\) - Unrecognized token$", "^Object 4 0: "}) {
      QVERIFY2(lines.filter(QRegularExpression(object)).size() == 1, qPrintable(lines.join('|')));
    }
  }

  void ChildrenShowReferencedNumbers() {
    struct Case {
      int32_t number;
      QStringList labels;
    };
    const Case cases[] = {
        {2, {"Type= Pages", "Kids= array", "Count= 1"}},
        {3,
         {"Type= Page", "Parent= 2 0 R <<...>>", "MediaBox= array [0, 0, 612, 792]",
          "Contents= 4 0 R"}},
    };
    for (const Case& c : cases) {
      QCOMPARE(Labels(Model(), Model().IndexOfNumber(c.number)), c.labels);
    }
    QModelIndex kids = Child(Model(), Model().IndexOfNumber(2), "Kids= array");
    QCOMPARE(Labels(Model(), kids), QStringList{"[0]= 3 0 R <<...>>"});
  }

  void SelectingARowDescribesItsObject() {
    Pane()->setCurrentWidget(Objects());
    Objects()->setCurrentIndex(Model().IndexOfNumber(3));
    QCOMPARE(SelectedNumber(), 3);
    QVERIFY(doc_->GetSelection()->Get("Type")->IsName("Page"));
    QModelIndex media =
        Child(Model(), Model().IndexOfNumber(3), "MediaBox= array [0, 0, 612, 792]");
    Objects()->setCurrentIndex(media);
    QVERIFY(doc_->GetSelection()->IsArray());
    QCOMPARE(doc_->GetSelection()->Count(), 4);
  }

  void GoToObjectSelectsOrSaysWhy() {
    struct Case {
      int32_t number;
      int32_t generation;
      bool found;
    };
    const Case cases[] = {{5, -1, true}, {3, 0, true}, {99, -1, false}, {3, 7, false}};
    for (const Case& c : cases) {
      Pane()->setCurrentIndex(0);
      RecordedBoxes::Texts().clear();
      QCOMPARE(Pane()->GoToObject(c.number, c.generation), c.found);
      if (c.found) {
        QCOMPARE(Pane()->currentWidget(), static_cast<QWidget*>(Objects()));
        QCOMPARE(SelectedNumber(), c.number);
        QVERIFY(RecordedBoxes::Texts().empty());
      } else {
        QCOMPARE(RecordedBoxes::Texts().size(), size_t{1});
        QVERIFY(RecordedBoxes::Texts()[0].find("not in the cross-reference table") !=
                std::string::npos);
      }
    }
  }

  void GoToObjectCommandAsksForTheNumber() {
    QTimer::singleShot(0, [] {
      auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      dialog->setTextValue("3 0");
      dialog->accept();
    });
    frame_->Action(ID_GO_TO_OBJECT)->trigger();
    QCOMPARE(SelectedNumber(), 3);
    QCOMPARE(frame_->Action(ID_GO_TO_OBJECT)->shortcut(), QKeySequence("Ctrl+G"));
  }

  void EnterAndDoubleClickFollowReferences() {
    Pane()->GoToObject(3, -1);
    QModelIndex parent = Child(Model(), Model().IndexOfNumber(3), "Parent= 2 0 R <<...>>");
    Objects()->setCurrentIndex(parent);
    QTest::keyClick(Objects(), Qt::Key_Return);
    QCOMPARE(Objects()->currentIndex(), Model().IndexOfNumber(2));
    QCOMPARE(SelectedNumber(), 2);

    Objects()->expand(Model().IndexOfNumber(2));
    QModelIndex kids = Child(Model(), Model().IndexOfNumber(2), "Kids= array");
    Objects()->expand(kids);
    QModelIndex first = Model().index(0, 0, kids);
    Objects()->setCurrentIndex(first);
    Objects()->scrollTo(first);
    const QPoint at = Objects()->visualRect(first).center();
    QTest::mouseDClick(Objects()->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(Objects()->currentIndex(), Model().IndexOfNumber(3));
    QCOMPARE(SelectedNumber(), 3);
    // An item that is no reference stays where it is.
    QModelIndex type = Child(Model(), Model().IndexOfNumber(3), "Type= Page");
    Objects()->setCurrentIndex(type);
    QVERIFY(!Objects()->FollowReference());
    QCOMPARE(Objects()->currentIndex(), type);
  }

  void BackAndForwardWalkBothTabs() {
    QAction* back = frame_->Action(ID_GO_BACK);
    QAction* forward = frame_->Action(ID_GO_FORWARD);
    QCOMPARE(back->shortcut(), QKeySequence("Alt+Left"));
    QCOMPARE(forward->shortcut(), QKeySequence("Alt+Right"));
    QVERIFY(!back->isEnabled());
    std::string error;
    QVERIFY(frame_->LeftView()->SelectPath("Root", &error));
    QTreeWidgetItem* root = frame_->LeftView()->currentItem();
    Pane()->GoToObject(3, -1);
    Objects()->setCurrentIndex(Child(Model(), Model().IndexOfNumber(3), "Parent= 2 0 R <<...>>"));
    Objects()->FollowReference();
    QCOMPARE(SelectedNumber(), 2);

    struct Step {
      QAction* action;
      QWidget* tab;
      int32_t selected;
    };
    const Step steps[] = {
        {back, Objects(), 2},           // the Parent entry of 3, which is 2
        {back, Objects(), 3},           // row 3
        {back, frame_->LeftView(), 1},  // Root in the structure tree
        {forward, Objects(), 3},       {forward, Objects(), 2}, {forward, Objects(), 2},  // row 2
    };
    for (const Step& step : steps) {
      step.action->trigger();
      QCOMPARE(Pane()->currentWidget(), step.tab);
      QCOMPARE(SelectedNumber(), step.selected);
    }
    QVERIFY(!forward->isEnabled());
    QVERIFY(back->isEnabled());
    back->trigger();
    back->trigger();
    back->trigger();
    QCOMPARE(frame_->LeftView()->currentItem(), root);
    QVERIFY(!back->isEnabled());
    // A new selection drops what lay ahead.
    Pane()->GoToObject(5, -1);
    QVERIFY(!forward->isEnabled());
  }

  void AMillionRowsCostOnlyTheRowsShown() {
    constexpr int kObjects = 1000000;
    std::vector<XRefRow> rows;
    rows.reserve(kObjects + 1);
    ModernBuilder m;
    m.ObjectStream(10, {{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                        {2, "<< /Type /Pages /Kids [] /Count 0 >>"}});
    for (int number = 1; number <= kObjects; ++number) {
      rows.push_back(number == 10 ? m.InUse(10) : XRefRow{number, 2, 10, number - 1});
    }
    m.XRefStream(kObjects + 1, rows, "/Size 1000002 /Root 1 0 R");
    TempFile large(m.Bytes());
    QVERIFY(doc_->OnOpenDocument(Q(large.path())));
    Pane()->setCurrentWidget(Objects());
    QTest::qWait(50);
    // Grouped by the thousand (the cross-reference stream is the last object).
    QCOMPARE(Model().rowCount(), 1001);
    QCOMPARE(Model().index(0, 0).data().toString(), QString("Objects 1 to 1000"));
    QCOMPARE(Model().index(1000, 0).data().toString(), QString("Object 1000001"));
    QVERIFY(Model().Loads() == 0);
    QVERIFY(Pane()->GoToObject(1, 0));
    QCOMPARE(Objects()->currentIndex().data().toString(), QString("1 0 obj  Catalog"));
    QVERIFY(Objects()->isExpanded(Model().index(0, 0)));
    const int64_t shown = Model().Loads();
    QVERIFY2(shown > 0 && shown < 500, QByteArray::number(static_cast<qlonglong>(shown)));
    QVERIFY(Pane()->GoToObject(kObjects, 0));
    QCOMPARE(Objects()->currentIndex().data().toString(), QString("%1 0 obj  null").arg(kObjects));
    QCOMPARE(Objects()->currentIndex().parent().row(), 999);
    QVERIFY(Objects()->visualRect(Objects()->currentIndex()).isValid());
    Objects()->scrollToBottom();
    QTest::qWait(50);
    Shoot(frame_.get(), "objects-million");
    QVERIFY(Model().Loads() - shown < 500);
    // A range has no object of its own and no part in an item's path.
    Objects()->setCurrentIndex(Model().index(3, 0));
    QVERIFY(doc_->GetSelection() == nullptr);
    QVERIFY(Model().IsRange(Model().index(3, 0)));
    QVERIFY(Model().ListedAt(Model().index(3, 0)) == nullptr);
  }
};

QTEST_MAIN(ObjectsViewTest)
#include "objects_view_guitest.moc"
