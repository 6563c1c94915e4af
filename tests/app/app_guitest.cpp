// CApp: start-up, the recent-file list in the settings store, failed opens,
// New, Save and Save As.
#include <QtTest>

#include <QMenu>
#include <QMenuBar>

#include <QAction>
#include <QInputDialog>
#include <QLabel>
#include <QSettings>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/app.h"
#include "app/app_doc.h"
#include "app/commands.h"
#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/password_prompt.h"
#include "app/settings.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/modern_builder.h"
#include "tests/support/pdf_builder.h"

namespace {

QStringList StoredRecentFiles() {
  QSettings settings(kSettingsOrganisation, kSettingsApplication);
  settings.beginGroup(kRecentFileGroup);
  QStringList paths;
  for (int i = 1; i <= 9; ++i) {
    QString key = QString("File%1").arg(i);
    if (settings.contains(key)) {
      paths << key + "=" + settings.value(key).toString();
    }
  }
  return paths;
}

}  // namespace

class AppTest : public QObject {
  Q_OBJECT

 private:
  TempFile first_{MinimalPdf()};
  TempFile second_{MinimalPdf()};

 private slots:
  void initTestCase() {
    RecordedBoxes::Install();
    // The settings live under this program's own XDG_CONFIG_HOME.
    QVERIFY(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"));
  }

  void init() {
    RecordedBoxes::Texts().clear();
    QSettings(kSettingsOrganisation, kSettingsApplication).remove(kRecentFileGroup);
    QSettings(kSettingsOrganisation, kSettingsApplication).remove(kModernModeKey);
  }

  // A file with a cross-reference stream, which classic mode does not read.
  static std::string ModernFile() {
    ModernBuilder m;
    m.ObjectStream(10, {{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                        {2, "<< /Type /Pages /Kids [] /Count 0 >>"}});
    m.XRefStream(11, {{1, 2, 10, 0}, {2, 2, 10, 1}, m.InUse(10)},
                 "/Size 12 /Root 1 0 R /ID [<00> <00>]");
    return m.Bytes();
  }

  void ModernModeOfferedAfterAClassicFailure() {
    TempFile modern(ModernFile());
    struct Round {
      ModernAnswer answer;
      bool opens;
      const char* indicator;
      bool remembered;
    };
    const Round rounds[] = {{ModernAnswer::kNo, false, "Classic", false},
                            {ModernAnswer::kYes, true, "Modern", false},
                            {ModernAnswer::kAlways, true, "Modern", true}};
    for (const Round& round : rounds) {
      QSettings(kSettingsOrganisation, kSettingsApplication).remove(kModernModeKey);
      RecordedBoxes::Texts().clear();
      CApp app;
      QStringList asked;
      app.SetModernQuestion([&](const QString& question) {
        asked << question;
        return round.answer;
      });
      QVERIFY(app.InitInstance(QString()));
      QCOMPARE(app.OpenDocumentFile(Q(modern.path())), round.opens);
      // The written boxes first, then the question, once.
      QCOMPARE(RecordedBoxes::Texts().size(), size_t{2});
      QVERIFY(QString::fromStdString(RecordedBoxes::Texts()[0]).endsWith("Expected 'xref' at 11"));
      QCOMPARE(asked, QStringList{"This file uses features that classic mode does not read "
                                  "(cross-reference streams). Open it in modern mode?"});
      QCOMPARE(app.MainFrame()->ModeIndicator()->text(), QString(round.indicator));
      QCOMPARE(app.MainFrame()->Action(ID_VIEW_MODERN_MODE)->isChecked(), round.opens);
      QCOMPARE(LoadModernMode(), round.remembered);
      QCOMPARE(app.MainFrame()->LeftView()->topLevelItemCount(), round.opens ? 4 : 0);
    }
    // Remembered: the next start reads in modern mode and asks nothing.
    CApp again;
    again.SetModernQuestion(
        [](const QString&) -> ModernAnswer { qFatal("asked although modern mode was on"); });
    QVERIFY(again.InitInstance(Q(modern.path())));
    QCOMPARE(again.MainFrame()->ModeIndicator()->text(), QString("Modern"));
  }

  void ModernModeSwitchReopensAndIsRemembered() {
    CApp app;
    int asked = 0;
    app.SetModernQuestion([&](const QString&) {
      ++asked;
      return ModernAnswer::kYes;
    });
    QVERIFY(app.InitInstance(Q(first_.path())));
    CLeftView* tree = app.MainFrame()->LeftView();
    QCOMPARE(tree->topLevelItem(2)->childIndicatorPolicy(),
             QTreeWidgetItem::DontShowIndicatorWhenChildless);
    app.MainFrame()->Action(ID_VIEW_MODERN_MODE)->trigger();
    QVERIFY(app.ModernMode());
    QVERIFY(LoadModernMode());
    QCOMPARE(app.Document()->GetPathName(), Q(first_.path()));
    QCOMPARE(app.MainFrame()->ModeIndicator()->text(), QString("Modern"));
    // Modern mode lists the sections below XRefs.
    std::string error;
    QVERIFY(tree->SelectPath("XRefs", &error));
    QCOMPARE(tree->currentItem()->childCount(), 1);
    QVERIFY(tree->currentItem()->child(0)->text(0).startsWith("xref at "));
    // Back to classic: the file reads again as written, with no question.
    TempFile modern(ModernFile());
    QVERIFY(app.OpenDocumentFile(Q(modern.path())));
    app.MainFrame()->Action(ID_VIEW_MODERN_MODE)->trigger();
    QVERIFY(!app.ModernMode());
    QVERIFY(!LoadModernMode());
    QCOMPARE(asked, 0);
    QCOMPARE(tree->topLevelItemCount(), 0);  // classic mode does not read it
  }

  // Modern mode asks for the password of an encrypted file; a cancel or three
  // wrong passwords leave the document that was open, with its tree.
  void EncryptedFileAsksForItsPassword() {
    TempFile encrypted("");
    QCOMPARE(EncryptWithQpdf(first_.path(), encrypted.path(), "user", "owner"), 0);
    CApp app;
    std::vector<std::string> typed;
    std::vector<int> attempts;
    std::string protection;
    app.SetPasswordQuestion(
        [&](const QString&, const std::string& named, int attempt, std::string* password) {
          attempts.push_back(attempt);
          protection = named;
          if (typed.empty()) {
            return false;  // cancelled
          }
          *password = typed.front();
          typed.erase(typed.begin());
          return true;
        });
    QVERIFY(app.InitInstance(Q(first_.path()), /*modern=*/true));
    CLeftView* tree = app.MainFrame()->LeftView();
    std::string error;
    QVERIFY(tree->SelectPath("Root/Pages", &error));
    const std::string needs =
        "The file '" + encrypted.path() +
        "' is encrypted (Standard security handler, AES-256, revision 6) and ";
    struct Round {
      std::vector<std::string> typed;
      std::vector<int> attempts;
      bool opens;
      std::string box;  // "" for none
    };
    const Round rounds[] = {
        {{}, {1}, false, needs + "needs a password."},
        {{"a", "b", "c"}, {1, 2, 3}, false, needs + "the password given does not open it."},
        {{"wrong", "owner"}, {1, 2}, true, ""},
    };
    for (const Round& round : rounds) {
      typed = round.typed;
      attempts.clear();
      RecordedBoxes::Texts().clear();
      QCOMPARE(app.OpenDocumentFile(Q(encrypted.path())), round.opens);
      QCOMPARE(attempts, round.attempts);
      QCOMPARE(protection, std::string("Standard security handler, AES-256, revision 6"));
      if (!round.opens) {
        QCOMPARE(RecordedBoxes::Texts(),
                 std::vector<std::string>{"Velmora - PDF Module: " + round.box});
        QCOMPARE(app.Document()->GetPathName(), Q(first_.path()));
        QVERIFY(tree->currentItem() != nullptr);
        QCOMPARE(tree->currentItem()->text(0).left(5), QString("Pages"));
      }
    }
    QCOMPARE(app.Document()->GetPathName(), Q(encrypted.path()));
    // Opened with the owner password: its strings read in clear.
    QVERIFY(tree->SelectPath("Trailer/Encrypt", &error));
    QVERIFY(app.Document()->Decrypting());
  }

  // A file modern mode cannot read: one box, titled with the program's name,
  // and the document that was open is open again.
  void FailedModernOpenKeepsTheDocument() {
    TempFile broken("%PDF-1.4\nno structure at all\n");
    CApp app;
    QVERIFY(app.InitInstance(Q(first_.path()), /*modern=*/true));
    RecordedBoxes::Texts().clear();
    QVERIFY(!app.OpenDocumentFile(Q(broken.path())));
    QCOMPARE(RecordedBoxes::Texts().size(), size_t{1});
    QVERIFY2(QString::fromStdString(RecordedBoxes::Texts()[0]).startsWith("Quorvel: "),
             RecordedBoxes::Texts()[0].c_str());
    QVERIFY(QString::fromStdString(RecordedBoxes::Texts()[0]).contains("damaged"));
    QCOMPARE(app.Document()->GetPathName(), Q(first_.path()));
    QVERIFY(app.Document()->HasFile());
    QCOMPARE(app.MainFrame()->LeftView()->topLevelItemCount(), 4);
  }

  // The box hides what is typed, says what protects the file and which try
  // this is, and hands the text on as UTF-8.
  void PasswordBoxHidesWhatIsTyped() {
    QString label;
    QLineEdit::EchoMode echo = QLineEdit::Normal;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
      if (box == nullptr) {
        return;
      }
      label = box->labelText();
      echo = box->textEchoMode();
      box->setTextValue(QString::fromUtf8("s\xC3\xA9same"));
      box->accept();
    });
    std::string password;
    QVERIFY(AskPasswordInBox("/tmp/q/report.pdf", "Standard security handler, RC4-128, revision 3",
                             2, &password));
    QCOMPARE(password, std::string("s\xC3\xA9same"));
    QCOMPARE(label, QString("\"report.pdf\" is encrypted (Standard security handler, RC4-128, "
                            "revision 3).\nThat password does not open it (try 2 of 3).\n"
                            "User or owner password:"));
    QCOMPARE(echo, QLineEdit::Password);
  }

  void StartsUntitled() {
    CApp app;
    QVERIFY(app.InitInstance(QString()));
    QCOMPARE(app.MainFrame()->windowTitle(), QString("Untitled - Quorvel"));
    QCOMPARE(app.MainFrame()->LeftView()->topLevelItemCount(), 0);
    // Save and Save As are there untitled too; they name a file and write
    // nothing, so no file is replaced by empty contents.
    QVERIFY(app.MainFrame()->Action(ID_FILE_SAVE)->isEnabled());
    QVERIFY(app.MainFrame()->Action(ID_FILE_SAVE_AS)->isEnabled());
    TempFile kept(MinimalPdf());
    QStringList asked;
    app.SetFileQuestion([&](const QString& caption, const QString&, bool save) {
      asked << caption + (save ? " save" : " open");
      return Q(kept.path());
    });
    for (int id : {ID_FILE_SAVE, ID_FILE_SAVE_AS}) {
      RecordedBoxes::Texts().clear();
      app.MainFrame()->Action(id)->trigger();
      QCOMPARE(RecordedBoxes::Texts().size(), size_t{1});
      QVERIFY(RecordedBoxes::Texts()[0].find("No file is open") != std::string::npos);
    }
    QCOMPARE(asked, (QStringList{"Save As save", "Save As save"}));
    QCOMPARE(ReadAll(kept.path()), MinimalPdf());
    QCOMPARE(QCoreApplication::organizationName(), QString(kSettingsOrganisation));
  }

  void StartsWithTheNamedFile() {
    CApp app;
    QVERIFY(app.InitInstance(Q(first_.path())));
    QCOMPARE(app.MainFrame()->windowTitle(), QFileInfo(Q(first_.path())).fileName() + " - Quorvel");
    QCOMPARE(app.MainFrame()->LeftView()->topLevelItemCount(), 4);
    QVERIFY(app.MainFrame()->Action(ID_FILE_SAVE_AS)->isEnabled());
  }

  void StartUpFailsOnAMissingFile() {
    CApp app;
    QVERIFY(!app.InitInstance("/nonexistent/start.pdf"));
    QCOMPARE(RecordedBoxes::Texts().size(), size_t{1});
  }

  void RecentFilesMostRecentFirstAndStored() {
    {
      CApp app;
      QVERIFY(app.InitInstance(QString()));
      QVERIFY(app.OpenDocumentFile(Q(first_.path())));
      QVERIFY(app.OpenDocumentFile(Q(second_.path())));
      QVERIFY(app.OpenDocumentFile(Q(first_.path())));
      QCOMPARE(StoredRecentFiles(),
               (QStringList{"File1=" + Q(first_.path()), "File2=" + Q(second_.path())}));
      QAction* entry = app.MainFrame()->Action(ID_FILE_MRU_FILE1 + 1);
      QVERIFY(entry != nullptr);
      QVERIFY(entry->text().startsWith("&2 "));
      QCOMPARE(entry->statusTip(), QString("Open this document"));
    }
    CApp again;
    QVERIFY(again.InitInstance(QString()));
    QCOMPARE(again.RecentFiles().Size(), 2);
    QCOMPARE(again.RecentFiles().Entries()[0], first_.path());
  }

  // Two viewers share the list: what another one wrote since is kept when
  // this one adds its file.
  void RecentFilesAreSharedBetweenViewers() {
    CApp app;
    QVERIFY(app.InitInstance(QString()));
    QVERIFY(app.OpenDocumentFile(Q(first_.path())));
    const QString store = QSettings(kSettingsOrganisation, kSettingsApplication).fileName();
    QFile other(store);
    QVERIFY(other.open(QIODevice::WriteOnly | QIODevice::Truncate));
    other.write(("[" + QString(kRecentFileGroup) +
                 "]\nFile1=/elsewhere/other.pdf\nFile2=" + Q(first_.path()) + "\n")
                    .toUtf8());
    other.close();
    QVERIFY(app.OpenDocumentFile(Q(second_.path())));
    QCOMPARE(StoredRecentFiles(),
             (QStringList{"File1=" + Q(second_.path()), "File2=/elsewhere/other.pdf",
                          "File3=" + Q(first_.path())}));
    QCOMPARE(app.RecentFiles().Size(), 3);
  }

  // The desktop's keys: Ctrl+W leaves an untitled window, Ctrl+Q closes it;
  // Help has About Qt.
  void CloseAndQuitKeys() {
    CApp app;
    QVERIFY(app.InitInstance(Q(first_.path())));
    CMainFrame* frame = app.MainFrame();
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    QTest::keyClick(frame, Qt::Key_W, Qt::ControlModifier);
    QCOMPARE(app.Document()->GetPathName(), QString());
    QCOMPARE(frame->windowTitle(), QString("Untitled - Quorvel"));
    QAction* about_qt = frame->findChild<QAction*>("AboutQtAction");
    QVERIFY(about_qt != nullptr);
    QCOMPARE(frame->menuBar()->actions().last()->menu()->actions().last(), about_qt);
    QTest::keyClick(frame, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!frame->isVisible());
  }

  void FailedRecentOpenRemovesTheEntry() {
    auto gone = std::make_unique<TempFile>(MinimalPdf());
    std::string gone_path = gone->path();
    CApp app;
    QVERIFY(app.InitInstance(QString()));
    QVERIFY(app.OpenDocumentFile(Q(first_.path())));
    QVERIFY(app.OpenDocumentFile(Q(gone_path)));
    gone.reset();
    // A recent entry triggered from the menu, as the user would.
    app.MainFrame()->Action(ID_FILE_MRU_FILE1)->trigger();
    QCOMPARE(app.RecentFiles().Size(), 1);
    QCOMPARE(app.RecentFiles().Entries()[0], first_.path());
    QCOMPARE(StoredRecentFiles(), QStringList{"File1=" + Q(first_.path())});
    QCOMPARE(app.MainFrame()->windowTitle(), QString("Untitled - Quorvel"));
    QCOMPARE(app.MainFrame()->LeftView()->topLevelItemCount(), 0);
    QCOMPARE(RecordedBoxes::Texts().size(), size_t{1});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  void FailedOpenLeavesUntitledEmptyDocument() {
    CApp app;
    QVERIFY(app.InitInstance(Q(first_.path())));
    TempFile damaged("%PDF-1.4\nthis is not a PDF file\n");
    QVERIFY(!app.OpenDocumentFile(Q(damaged.path())));
    CAppDoc* doc = app.Document();
    QCOMPARE(doc->GetTitle(), QString("Untitled"));
    QVERIFY(!doc->IsModified());
    QCOMPARE(doc->GetSelection(), nullptr);
    QCOMPARE(app.MainFrame()->LeftView()->topLevelItemCount(), 0);
    QCOMPARE(app.MainFrame()->windowTitle(), QString("Untitled - Quorvel"));
    QVERIFY(app.MainFrame()->Action(ID_FILE_SAVE_AS)->isEnabled());
    QVERIFY(!app.MainFrame()->Action(ID_FILE_RELOAD)->isEnabled());
    QVERIFY(!RecordedBoxes::Texts().empty());
    QVERIFY(QString::fromStdString(RecordedBoxes::Texts().back())
                .endsWith("is damaged or not in expected format."));
    QCOMPARE(app.RecentFiles().Size(), 1);
  }

  void NewKeepsTreeAndRetitles() {
    CApp app;
    QVERIFY(app.InitInstance(Q(first_.path())));
    app.MainFrame()->Action(ID_FILE_NEW)->trigger();
    QCOMPARE(app.MainFrame()->windowTitle(), QString("Untitled - Quorvel"));
    QCOMPARE(app.MainFrame()->LeftView()->topLevelItemCount(), 4);
  }

  void SaveAsWritesAnExactCopy() {
    CApp app;
    QVERIFY(app.InitInstance(Q(first_.path())));
    QTemporaryDir dir;
    QString copy = dir.filePath("copy.pdf");
    QVERIFY(app.SaveCopyAs(copy));
    QCOMPARE(ReadAll(copy.toStdString()), MinimalPdf());
    // Over an existing file too.
    QVERIFY(app.SaveCopyAs(copy));
    QCOMPARE(ReadAll(copy.toStdString()), MinimalPdf());
    QVERIFY(RecordedBoxes::Texts().empty());
  }

  void SaveAsRefusesTheOpenFile() {
    CApp app;
    QVERIFY(app.InitInstance(Q(first_.path())));
    QVERIFY(!app.SaveCopyAs(Q(first_.path())));
    QCOMPARE(RecordedBoxes::Texts().size(), size_t{1});
    QCOMPARE(ReadAll(first_.path()), MinimalPdf());
    QVERIFY(!app.SaveCopyAs("/nonexistent-dir/copy.pdf"));
    QCOMPARE(RecordedBoxes::Texts().size(), size_t{2});
  }

  void SaveWritesNothing() {
    CApp app;
    QVERIFY(app.InitInstance(Q(first_.path())));
    QDateTime before = QFileInfo(Q(first_.path())).lastModified();
    app.MainFrame()->Action(ID_FILE_SAVE)->trigger();
    QCOMPARE(ReadAll(first_.path()), MinimalPdf());
    QCOMPARE(QFileInfo(Q(first_.path())).lastModified(), before);
    app.MainFrame()->Action(ID_FILE_NEW)->trigger();
    QVERIFY(!app.SaveCopyAs(QDir::temp().filePath("quorvel-untitled-copy.pdf")));
    QVERIFY(!QFile::exists(QDir::temp().filePath("quorvel-untitled-copy.pdf")));
  }

  void DroppedFileOpens() {
    CApp app;
    QVERIFY(app.InitInstance(QString()));
    emit app.MainFrame()->fileDropped(Q(second_.path()));
    QCOMPARE(app.Document()->GetPathName(), Q(second_.path()));
  }
};

QTEST_MAIN(AppTest)
#include "app_guitest.moc"
