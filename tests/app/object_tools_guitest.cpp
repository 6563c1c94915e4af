// The tools around the selected object: Find over a thread of its own, Copy
// of labels, paths and values, and saving a stream's bytes or an image.
#include <QtTest>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>
#include <fstream>
#include <sstream>

#include "app/app_doc.h"
#include "app/app_view.h"
#include "app/commands.h"
#include "app/file_map_dock.h"
#include "app/find_dock.h"
#include "app/left_pane.h"
#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/object_commands.h"
#include "app/problems_dock.h"
#include "app/references_dock.h"
#include "app/space_dock.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/modern_builder.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/zlib_encoder.h"

namespace {

const char kContent[] = "BT /F1 12 Tf 72 700 Td (Find me here) Tj ET\n";

// Objects 1 to 5 in an object stream, a content stream and a 2 x 1 gray image.
std::string ToolsFile() {
  ModernBuilder m;
  m.Classic().Stream(6, "/Filter /FlateDecode", Deflate(std::string(kContent)));
  m.Classic().Stream(7,
                     "/Type /XObject /Subtype /Image /Width 2 /Height 1 /ColorSpace /DeviceGray "
                     "/BitsPerComponent 8",
                     std::string("\x00\xff", 2));
  m.ObjectStream(10, {{1, "<< /Type /Catalog /Pages 2 0 R /Names << /JavaScript 4 0 R >> >>"},
                      {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
                      {3,
                       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 6 0 R "
                       "/Resources << /XObject << /Im0 7 0 R >> >> >>"},
                      {4, "<< /Names [(init) 5 0 R] >>"},
                      {5, "<< /S /JavaScript /JS (app.alert\\(1\\)) >>"}});
  m.XRefStream(11,
               {{1, 2, 10, 0},
                {2, 2, 10, 1},
                {3, 2, 10, 2},
                {4, 2, 10, 3},
                {5, 2, 10, 4},
                m.InUse(6),
                m.InUse(7),
                m.InUse(10)},
               "/Size 12 /Root 1 0 R /ID [<00> <00>]");
  return m.Bytes();
}

}  // namespace

class ObjectToolsTest : public QObject {
  Q_OBJECT

 private:
  TempFile file_{ToolsFile()};
  std::unique_ptr<CAppDoc> doc_;
  std::unique_ptr<CMainFrame> frame_;

 private slots:
  void initTestCase() { RecordedBoxes::Install(); }

  void init() {
    RecordedBoxes::Texts().clear();
    doc_ = std::make_unique<CAppDoc>();
    doc_->SetMode(pdf::Mode::kModern);
    frame_ = std::make_unique<CMainFrame>(doc_.get());
    frame_->ShowMode(true);
    frame_->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
    QVERIFY(doc_->OnOpenDocument(QString::fromStdString(file_.path())));
    doc_->UpdateAllViews(HINT_INITIAL_UPDATE);
  }

  void cleanup() {
    frame_.reset();
    doc_.reset();
  }

  void FindListsMatchesAndShowsThem() {
    CFindDock* find = frame_->FindDock();
    QVERIFY(!find->isVisible());
    frame_->Action(ID_EDIT_FIND)->trigger();
    QVERIFY(find->isVisible());
    struct Case {
      const char* text;
      bool regex;
      bool in_streams;
      QStringList rows;  // "object | path | text"
    };
    const Case cases[] = {
        {"/JavaScript",
         false,
         false,
         {"1 0 | Names/JavaScript | /JavaScript", "5 0 | S | /JavaScript"}},
        {"find me", false, false, {}},
        {"find me", false, true, {"6 0 |  | BT /F1 12 Tf 72 700 Td (Find me here) Tj ET "}},
        {"^(5|7) 0 R$",
         true,
         false,
         {"4 0 | Names/[1] | 5 0 R", "3 0 | Resources/XObject/Im0 | 7 0 R"}},
    };
    for (const Case& c : cases) {
      find->Query()->setText(c.text);
      find->RegexOption()->setChecked(c.regex);
      find->StreamsOption()->setChecked(c.in_streams);
      QVERIFY(find->Start());
      find->Wait();
      QVERIFY(!find->Running());
      QStringList rows;
      for (int i = 0; i < find->Results()->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = find->Results()->topLevelItem(i);
        rows << item->text(0) + " | " + item->text(1) + " | " + item->text(2);
      }
      rows.sort();
      QStringList expected = c.rows;
      expected.sort();
      QCOMPARE(rows, expected);
      QVERIFY2(find->Status()->text().endsWith("9 of 9 objects searched"),
               qPrintable(find->Status()->text()));
    }
    // F3 goes through the results, selecting each object.
    QVERIFY(frame_->Action(ID_EDIT_FIND_NEXT)->isEnabled());
    frame_->Action(ID_EDIT_FIND_NEXT)->trigger();
    QVERIFY(doc_->GetSelection() != nullptr);
    const int first = doc_->GetSelection()->number;
    frame_->Action(ID_EDIT_FIND_NEXT)->trigger();
    QVERIFY(doc_->GetSelection()->number != first);
    QVERIFY(first == 4 || first == 3);
    // A bad expression is refused in words, nothing runs.
    find->Query()->setText("(");
    find->RegexOption()->setChecked(true);
    QVERIFY(!find->Start());
    QVERIFY(find->Status()->text().startsWith("the regular expression does not compile"));
  }

  // Findings of the open and of later loads are listed; one naming an object
  // selects it.
  void ProblemsListFindingsAndSelectTheirObjects() {
    QCOMPARE(CProblemsDock::ObjectOf("Warning: Object 12 was found 3 bytes from where"), 12);
    QCOMPARE(CProblemsDock::ObjectOf("Warning: 7 0 R not found"), 7);
    QCOMPARE(CProblemsDock::ObjectOf("Warning: No 'Info' entry in Trailer"), 0);
    // Object 3's offset misses its header by two bytes: a finding when loaded.
    CProblemsDock* problems = frame_->ProblemsDock();
    QVERIFY(problems->List()->count() > 0);  // the tools file has no Info
    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.Object(3, "<< /Type /Page /Parent 2 0 R >>");
    pdf.Finish("/Root 1 0 R /ID [<00> <00>]");
    std::string text = pdf.Bytes();
    const size_t at = text.find("3 0 obj");
    text.insert(at, "xx");  // the table now points two bytes early
    const size_t xref = text.find("xref\n");
    text.replace(text.find("startxref\n") + 10, std::to_string(xref - 2).size(),
                 std::to_string(xref));
    TempFile shifted(text);
    QVERIFY(doc_->OnOpenDocument(QString::fromStdString(shifted.path())));
    doc_->UpdateAllViews(HINT_OPENED);
    std::string error;
    QVERIFY(frame_->LeftView()->SelectPath("Root/Pages/Kids/[0]", &error));
    QListWidget* list = problems->List();
    QStringList rows;
    for (int i = 0; i < list->count(); ++i) {
      rows << list->item(i)->text();
    }
    const QString shift =
        "Warning: Object 3 was found 2 bytes from where the cross-reference table puts it";
    QVERIFY2(rows.contains(shift), qPrintable(rows.join('\n')));
    // The open replaced the old file's findings, and modern mode shows them.
    QCOMPARE(rows.filter("Object 3 was found").size(), 1);
    QVERIFY(problems->isVisible());
    doc_->SetSelection(nullptr);
    emit list->itemClicked(list->item(static_cast<int>(rows.indexOf(shift))));
    QVERIFY(doc_->GetSelection() != nullptr);
    QCOMPARE(doc_->GetSelection()->number, 3);
  }

  void CopyLabelPathAndValue() {
    CLeftView* tree = frame_->LeftView();
    std::string error;
    QVERIFY(tree->SelectPath("Root/Pages/Kids/[0]/Contents", &error));
    tree->setFocus();
    QApplication::processEvents();
    CObjectCommands* commands = frame_->ObjectCommands();
    QVERIFY(frame_->Action(ID_EDIT_COPY)->isEnabled());
    frame_->Action(ID_EDIT_COPY)->trigger();
    QCOMPARE(QApplication::clipboard()->text(), tree->currentItem()->text(0));
    QCOMPARE(commands->CopyText(CObjectCommands::What::kPath),
             QString("Root/Pages/Kids/[0]/Contents"));
    QCOMPARE(commands->CopyText(CObjectCommands::What::kValue), QString("6 0 R"));
    QVERIFY(tree->SelectPath("Root/Pages/Kids/[0]/MediaBox/[2]", &error));
    QCOMPARE(commands->CopyText(CObjectCommands::What::kValue), QString("612"));
    QVERIFY(tree->SelectPath("Root/Type", &error));
    QCOMPARE(commands->CopyText(CObjectCommands::What::kValue), QString("/Catalog"));
  }

  void DescriptionTextIsSelectable() {
    std::string error;
    QVERIFY(frame_->LeftView()->SelectPath("Root/Pages/Kids/[0]/Contents", &error));
    auto* pane = static_cast<CAppView*>(frame_->RightPane());
    pane->setFocus();
    const QStringList lines = QString::fromUtf8(pane->Description().c_str()).split('\n');
    const int line = static_cast<int>(lines.indexOf(QString(kContent).trimmed()));
    QVERIFY2(line > 0, pane->Description().c_str());
    // Drag over the line's "Find me": its text starts at "(".
    const QFontMetrics metrics(pane->PaneFontForTest());
    const int column = static_cast<int>(lines[line].indexOf("(Find"));
    const int y = static_cast<int>((line + 0.5) * pane->LineStep().height());
    auto x = [&](int characters) {
      return metrics.horizontalAdvance(lines[line].left(column + characters));
    };
    QWidget* viewport = pane->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(x(1) + 1, y));
    QMouseEvent move(QEvent::MouseMove, QPointF(x(8) + 1, y),
                     viewport->mapToGlobal(QPointF(x(8) + 1, y)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(x(8) + 1, y));
    QCOMPARE(pane->SelectedText(), QString("Find me"));
    frame_->Action(ID_EDIT_COPY)->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QString("Find me"));
    Shoot(frame_.get(), "description-selection");
    // Ctrl+A takes every line; a new selection drops the old one.
    QTest::keyClick(pane, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(pane->SelectedText(), QString::fromUtf8(pane->Description().c_str()));
    QVERIFY(frame_->LeftView()->SelectPath("Root/Type", &error));
    QVERIFY(pane->SelectedText().isEmpty());
  }

  void ReferencesAndOrphansComeFromABackgroundIndex() {
    CReferencesDock* dock = frame_->ReferencesDock();
    QVERIFY(!dock->isVisible());
    dock->ShowReferencesTo(2, 0);
    QVERIFY(dock->isVisible());
    dock->Wait();
    QStringList rows;
    for (int row = 0; row < dock->List()->count(); ++row) {
      rows << dock->List()->item(row)->text();
    }
    QCOMPARE(rows, (QStringList{"1 0 obj  Pages", "3 0 obj  Parent"}));
    QCOMPARE(dock->Status()->text(), QString("References to 2 0 obj: 2 objects"));
    QTest::mouseClick(dock->List()->viewport(), Qt::LeftButton, {},
                      dock->List()->visualItemRect(dock->List()->item(1)).center());
    QCOMPARE(doc_->GetSelection()->number, 3);
    Shoot(frame_.get(), "references");

    // A file with an object nothing refers to, and one only it refers to.
    PdfBuilder b;
    b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    b.Object(3, "<< /Type /Annot /Subtype /Text /Rect [0 0 1 1] /Popup 4 0 R >>");
    b.Object(4, "<< /Type /Annot /Subtype /Popup /Rect [0 0 1 1] >>");
    b.Finish("/Root 1 0 R");
    TempFile orphans(b.Bytes());
    QVERIFY(doc_->OnOpenDocument(QString::fromStdString(orphans.path())));
    QCOMPARE(dock->List()->count(), 0);  // the last file's list went with it
    QAction* action = frame_->findChild<QAction*>("OrphansAction");
    QVERIFY(action != nullptr);
    action->trigger();
    dock->Wait();
    rows.clear();
    for (int row = 0; row < dock->List()->count(); ++row) {
      rows << dock->List()->item(row)->text();
    }
    QCOMPARE(rows, (QStringList{"3 0 obj  Annot", "4 0 obj  Annot"}));
    QVERIFY(dock->Status()->text().startsWith("Orphans: 2 of 4 objects"));
  }

  void SpaceTableAndTreemap() {
    CSpaceDock* dock = frame_->SpaceDock();
    dock->toggleViewAction()->trigger();
    QVERIFY(dock->isVisible());
    dock->Wait();
    QMap<QString, QString> objects;
    for (int row = 0; row < dock->Table()->topLevelItemCount(); ++row) {
      objects[dock->Table()->topLevelItem(row)->text(0)] =
          dock->Table()->topLevelItem(row)->text(1);
    }
    QCOMPARE(objects.value("image stream"), QString("1"));
    QCOMPARE(objects.value("page content stream"), QString("1"));
    QCOMPARE(objects.value("Page"), QString("1"));
    // Somewhere in the treemap is the image's tile; a click selects it.
    CTreemapView* treemap = dock->Treemap();
    treemap->resize(400, 200);
    QPoint image;
    for (int y = 0; y < treemap->height() && image.isNull(); y += 2) {
      for (int x = 0; x < treemap->width() && image.isNull(); x += 2) {
        int32_t generation = -1;
        if (treemap->ObjectAt(QPoint(x, y), &generation) == 7) {
          image = QPoint(x, y);
        }
      }
    }
    QVERIFY(!image.isNull());
    QTest::mouseClick(treemap, Qt::LeftButton, {}, image);
    QCOMPARE(doc_->GetSelection()->number, 7);
    QTest::qWait(20);
    QVERIFY(!dock->visibleRegion().isEmpty());  // raised over the other docks
    Shoot(frame_.get(), "space");
  }

  void FileMapShowsAndSelectsOwners() {
    CFileMapDock* dock = frame_->FileMapDock();
    dock->toggleViewAction()->trigger();
    QVERIFY(dock->isVisible());
    dock->Wait();
    CFileMapView* view = dock->View();
    QVERIFY(view->width() > 20 && view->height() > 20);
    const std::string bytes = ReadAll(file_.path());
    const auto offset = [&](const char* header) {
      return static_cast<int64_t>(bytes.find(header));
    };
    // The image is drawn in the images' colour; a click selects it.
    const QPoint image = view->PointOf(offset("7 0 obj") + 1);
    QCOMPARE(view->ColourAt(image), ColourValue(MapColour::kImage));
    QCOMPARE(view->ColourAt(view->PointOf(offset("6 0 obj") + 1)),
             ColourValue(MapColour::kContent));
    QTest::mouseClick(view, Qt::LeftButton, {}, image);
    QCOMPARE(doc_->GetSelection()->number, 7);
    QVERIFY(dock->Status()->text().contains("object 7 0, image stream"));
    // An object in an object stream highlights the stream that holds it.
    QVERIFY(frame_->LeftPane()->GoToObject(3, 0));
    QVERIFY(dock->Status()->text().startsWith("Object 3 is in object stream 10"));
    const QPoint stream = view->PointOf(offset("10 0 obj") + 1);
    // Drawn over: some pixels about it differ from the map's own.
    const QImage shown = view->grab().toImage();
    int differ = 0;
    for (int dy = -4; dy <= 4; ++dy) {
      for (int dx = -4; dx <= 4; ++dx) {
        const QPoint at = stream + QPoint(dx, dy);
        differ += shown.pixelColor(at * view->devicePixelRatioF()) != view->ColourAt(at) ? 1 : 0;
      }
    }
    QVERIFY(differ > 0);
    Shoot(frame_.get(), "file-map");
    // The header and the trailer select their items in the structure tree.
    QTest::mouseClick(view, Qt::LeftButton, {}, view->PointOf(0));
    QCOMPARE(frame_->LeftView()->currentItem()->text(0), QString("Header"));
    QTest::mouseClick(view, Qt::LeftButton, {},
                      view->PointOf(static_cast<int64_t>(bytes.size()) - 2));
    QCOMPARE(frame_->LeftView()->currentItem()->text(0), QString("Trailer"));
    QVERIFY(dock->Status()->text().contains("trailer"));
  }

  // Classic mode maps what it reads: both sections of an update, the version
  // it replaced, and bytes nothing owns.
  void FileMapOfAnUpdateInClassicMode() {
    PdfBuilder b;
    b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    const size_t stray = b.Size();
    b.Raw("% a comment nothing owns\n");
    const size_t first = b.Object(3, "<< /Producer (first) >>");
    const size_t section = b.Finish("/Root 1 0 R /Info 3 0 R");
    b.StartUpdate();
    b.Object(3, "<< /Producer (second) >>");
    b.Finish("/Root 1 0 R /Info 3 0 R");
    TempFile file(b.Bytes());
    frame_.reset();
    doc_ = std::make_unique<CAppDoc>();
    frame_ = std::make_unique<CMainFrame>(doc_.get());
    frame_->resize(900, 700);
    frame_->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
    QVERIFY(doc_->OnOpenDocument(QString::fromStdString(file.path())));
    doc_->UpdateAllViews(HINT_INITIAL_UPDATE);
    CFileMapDock* dock = frame_->FileMapDock();
    dock->toggleViewAction()->trigger();
    dock->Wait();
    CFileMapView* view = dock->View();
    struct Case {
      size_t at;
      MapColour colour;
      const char* status;
      const char* item;  // the structure tree's current item after the click
    };
    const Case cases[] = {
        {stray + 2, MapColour::kUnowned, "unowned", ""},
        {first + 2, MapColour::kEarlier, "earlier object 3 0. An update replaced it", ""},
        {section + 2, MapColour::kSection, "cross-reference section, xref table", "XRefs"},
    };
    for (const Case& c : cases) {
      const QPoint at = view->PointOf(static_cast<int64_t>(c.at));
      QCOMPARE(view->ColourAt(at), ColourValue(c.colour));
      QTest::mouseClick(view, Qt::LeftButton, {}, at);
      QVERIFY2(dock->Status()->text().contains(c.status), qPrintable(dock->Status()->text()));
      if (*c.item != '\0') {
        QCOMPARE(frame_->LeftView()->currentItem()->text(0), QString(c.item));
      }
    }
    Shoot(frame_.get(), "file-map-classic");
  }

  void SaveStreamAndImage() {
    CLeftView* tree = frame_->LeftView();
    CObjectCommands* commands = frame_->ObjectCommands();
    std::string error;
    QVERIFY(tree->SelectPath("Root/Type", &error));
    QVERIFY(!frame_->Action(ID_FILE_SAVE_STREAM)->isEnabled());
    QVERIFY(!frame_->Action(ID_FILE_SAVE_IMAGE)->isEnabled());
    QVERIFY(tree->SelectPath("Root/Pages/Kids/[0]/Contents", &error));
    QVERIFY(frame_->Action(ID_FILE_SAVE_STREAM)->isEnabled());
    QVERIFY(!frame_->Action(ID_FILE_SAVE_IMAGE)->isEnabled());
    TempFile raw("", ".bin");
    TempFile decoded("", ".bin");
    QVERIFY(commands->SaveStream(false, QString::fromStdString(raw.path())));
    QVERIFY(commands->SaveStream(true, QString::fromStdString(decoded.path())));
    QCOMPARE(ReadAll(raw.path()), Deflate(std::string(kContent)));
    QCOMPARE(ReadAll(decoded.path()), std::string(kContent));

    QVERIFY(tree->SelectPath("Root/Pages/Kids/[0]/Resources/XObject/Im0", &error));
    QVERIFY(frame_->Action(ID_FILE_SAVE_IMAGE)->isEnabled());
    TempFile png("", ".png");
    QVERIFY(commands->SaveImage(QString::fromStdString(png.path())));
    QImage image(QString::fromStdString(png.path()));
    QCOMPARE(image.size(), QSize(2, 1));
    QCOMPARE(qGray(image.pixel(0, 0)), 0);
    QCOMPARE(qGray(image.pixel(1, 0)), 255);
    // A file that cannot be written says so.
    QVERIFY(!commands->SaveImage("/nonexistent/dir/x.png"));
    QCOMPARE(RecordedBoxes::Texts().size(), size_t{1});
  }
};

QTEST_MAIN(ObjectToolsTest)
#include "object_tools_guitest.moc"
