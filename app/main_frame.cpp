#include "app/main_frame.h"

#include "app/app_view.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "analysis/xref_check.h"
#include "app/about_box.h"
#include "app/app_doc.h"
#include "app/app_view.h"
#include "app/commands.h"
#include "app/detail_tabs.h"
#include "app/file_map_dock.h"
#include "app/find_dock.h"
#include "app/print_setup_dialog.h"
#include "app/problems_dock.h"
#include "app/references_dock.h"
#include "app/space_dock.h"
#include "app/status_progress.h"
#include "app/wait_cursor.h"

#include <QListWidget>
#include "app/left_pane.h"
#include "app/left_view.h"
#include "app/lock_state.h"
#include "app/manual_page.h"
#include "app/object_commands.h"
#include "app/objects_view.h"
#include "app/printable_pane.h"
#include "app/split_tracker.h"
#include "app/toolbar_icons.h"
#include "app/window_state.h"
#include "describe/object_list.h"
#include "diag/format.h"
#include "diag/messages.h"

namespace {

const char kReady[] = "Ready";
const char* const kIndicatorTexts[] = {"CAP", "NUM", "SCRL"};
// The tree pane's ideal width, in small-icon widths, and its least width in pixels.
constexpr int kLeftPaneIcons = 16;
constexpr int kLeftPaneMinimum = 16;
// The dialog strip's empty text field, in dialog units.
constexpr int kStripTextWidth = 300;
constexpr int kStripTextHeight = 8;
constexpr QSize kInitialSize(1024, 700);

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.c_str());
}

}  // namespace

CMainFrame::CMainFrame(CAppDoc* doc, QWidget* parent) : QMainWindow(parent), doc_(doc) {
  setObjectName("CMainFrame");
  setWindowIcon(ApplicationIcon());
  setAcceptDrops(true);
  CreateActions();
  CreateMenus();
  CreateToolBars();
  CreateStatusBar();
  CreateClientArea();
  CreateFindDock();
  object_commands_ = new CObjectCommands(doc_, this);
  connect(doc_, &CAppDoc::titleChanged, this, &CMainFrame::OnCaptionChanged);
  OnCaptionChanged(doc_->GetTitle());
  resize(kInitialSize);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (remember_window_) {
    SaveWindowState(this);
  }
  QMainWindow::closeEvent(event);
}

CMainFrame::~CMainFrame() {
  // QWidget's destructor still closes the window, which moves the focus and
  // delivers application events; by then this frame's members are gone.
  disconnect(qApp, &QApplication::focusChanged, this, nullptr);
  disconnect(qApp, &QApplication::focusChanged, object_commands_, nullptr);
  qApp->removeEventFilter(this);
}

QAction* CMainFrame::Action(int id) const {
  if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_LAST) {
    int index = id - ID_FILE_MRU_FILE1;
    return index < recent_actions_.size() ? recent_actions_[index] : nullptr;
  }
  return actions_.value(id, nullptr);
}

void CMainFrame::CreateActions() {
  for (const CommandInfo& info : Commands()) {
    if (info.id == ID_FILE_MRU_FILE1) {
      continue;  // made per entry by SetRecentFiles
    }
    auto* action = new QAction(FromUtf8(info.text), this);
    action->setData(info.id);
    action->setStatusTip(FromUtf8(StatusText(info)));
    std::string tip = ToolTipText(info);
    if (!tip.empty()) {
      action->setToolTip(FromUtf8(tip));
      action->setIcon(ToolbarIcon(info.id));
    }
    QList<QKeySequence> keys;
    for (const char* key : info.keys) {
      if (*key != '\0') {
        keys.append(QKeySequence(key, QKeySequence::PortableText));
      }
    }
    action->setShortcuts(keys);
    // Keys work whether or not the menus and the toolbar show the command.
    addAction(action);
    actions_[info.id] = action;
    if (IsAlwaysDisabled(info.id)) {
      action->setEnabled(false);  // no handler, ever
    }
  }

  actions_[ID_VIEW_MODERN_MODE]->setCheckable(true);
  for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_RELOAD, ID_FILE_SAVE, ID_FILE_SAVE_AS,
                 ID_VIEW_MODERN_MODE}) {
    connect(actions_[id], &QAction::triggered, this, [this, id] { emit command(id); });
  }
  connect(actions_[ID_FILE_PRINT], &QAction::triggered, this, &CMainFrame::OnFilePrint);
  connect(actions_[ID_FILE_PRINT_PREVIEW], &QAction::triggered, this,
          &CMainFrame::OnFilePrintPreview);
  connect(actions_[ID_FILE_PRINT_SETUP], &QAction::triggered, this, &CMainFrame::OnFilePrintSetup);
  connect(actions_[ID_APP_EXIT], &QAction::triggered, this, &QWidget::close);
  connect(actions_[ID_APP_ABOUT], &QAction::triggered, this, &CMainFrame::OnAppAbout);
  connect(actions_[ID_GO_TO_OBJECT], &QAction::triggered, this, &CMainFrame::OnGoToObject);
  connect(actions_[ID_GO_BACK], &QAction::triggered, this, [this] { left_pane_->Back(); });
  connect(actions_[ID_GO_FORWARD], &QAction::triggered, this, [this] { left_pane_->Forward(); });
  connect(actions_[ID_NEXT_PANE], &QAction::triggered, this, &CMainFrame::ActivateOtherPane);
  connect(actions_[ID_PREV_PANE], &QAction::triggered, this, &CMainFrame::ActivateOtherPane);
  connect(actions_[ID_WINDOW_SPLIT], &QAction::triggered, this,
          [this] { split_tracker_->Start(); });
  for (int id : {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR}) {
    actions_[id]->setCheckable(true);
    actions_[id]->setChecked(true);
  }
  // The desktop's own keys, beside the commands' written ones: Ctrl+Q quits,
  // Ctrl+W closes the document (what New leaves: an untitled window).
  actions_[ID_APP_EXIT]->setShortcuts(actions_[ID_APP_EXIT]->shortcuts()
                                      << QKeySequence("Ctrl+Q", QKeySequence::PortableText));
  auto* close_document = new QAction("Close", this);
  close_document->setObjectName("CloseDocumentAction");
  close_document->setShortcut(QKeySequence("Ctrl+W", QKeySequence::PortableText));
  addAction(close_document);
  connect(close_document, &QAction::triggered, this, [this] { emit command(ID_FILE_NEW); });
}

void CMainFrame::CreateMenus() {
  for (Menu which : {Menu::kFile, Menu::kEdit, Menu::kView, Menu::kHelp}) {
    QMenu* menu = menuBar()->addMenu(MenuTitle(which));
    if (which == Menu::kFile) {
      file_menu_ = menu;
    }
    for (int id : MenuLayout(which)) {
      if (id == kSeparator) {
        menu->addSeparator();
      } else if (id == kRecentFilesSlot) {
        recent_anchor_ = new QAction(this);
        recent_anchor_->setVisible(false);
        menu->addAction(recent_anchor_);
      } else {
        menu->addAction(actions_[id]);
      }
    }
  }
  SetRecentFiles(RecentFileList());
  QMenu* help = menuBar()->actions().last()->menu();
  QAction* manual = help->addAction("Quorvel &Manual", this, [this] { ShowManual(this); });
  manual->setObjectName("ManualAction");
  manual->setShortcut(QKeySequence("F1", QKeySequence::PortableText));
  manual->setStatusTip("Show the manual page");
  addAction(manual);  // F1 works while the menu bar is hidden too
  QAction* about_qt =
      menuBar()->actions().last()->menu()->addAction("About &Qt", qApp, &QApplication::aboutQt);
  about_qt->setObjectName("AboutQtAction");
  about_qt->setStatusTip("Display the version of Qt this program uses");
}

void CMainFrame::SetRecentFiles(const RecentFileList& list) {
  for (QAction* action : recent_actions_) {
    file_menu_->removeAction(action);
    // The list changes while one of these actions is still delivering its signal.
    action->deleteLater();
  }
  recent_actions_.clear();
  QString home = QDir::homePath();
  const std::string home_path = QFile::encodeName(home).toStdString();
  for (int i = 0; i < list.Size(); ++i) {
    const std::string& path = list.Entries()[i];
    auto* action =
        new QAction(QString::fromLocal8Bit(RecentFileMenuText(i, path, home_path).c_str()), this);
    int id = ID_FILE_MRU_FILE1 + i;
    action->setData(id);
    action->setStatusTip(FromUtf8(StatusText(*FindCommand(id))));
    connect(action, &QAction::triggered, this, [this, id] { emit command(id); });
    file_menu_->insertAction(recent_anchor_, action);
    recent_actions_.append(action);
  }
  if (recent_actions_.isEmpty()) {
    // An empty list still shows where the recent files will appear.
    auto* placeholder = new QAction("Recent File", this);
    placeholder->setEnabled(false);
    file_menu_->insertAction(recent_anchor_, placeholder);
    recent_actions_.append(placeholder);
  }
}

void CMainFrame::CreateToolBars() {
  toolbar_ = new QToolBar("Toolbar", this);
  toolbar_->setObjectName("toolbar");
  toolbar_->setIconSize(kToolbarButtonSize);
  toolbar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
  toolbar_->setFloatable(false);
  for (int id : ToolbarLayout()) {
    if (id == kSeparator) {
      toolbar_->addSeparator();
    } else {
      toolbar_->addAction(actions_[id]);
    }
  }
  addToolBar(Qt::TopToolBarArea, toolbar_);

  navigation_bar_ = new QToolBar("Navigation", this);
  navigation_bar_->setObjectName("navigationBar");
  navigation_bar_->setIconSize(kToolbarButtonSize);
  navigation_bar_->setFloatable(false);
  for (int id : NavigationToolbarLayout()) {
    navigation_bar_->addAction(actions_[id]);
  }
  addToolBar(Qt::TopToolBarArea, navigation_bar_);

  dialog_strip_ = new QToolBar("Dialog Bar", this);
  dialog_strip_->setObjectName("dialogStrip");
  dialog_strip_->setFloatable(false);
  dialog_text_ = new QLabel(dialog_strip_);
  QFontMetrics metrics(dialog_text_->font());
  dialog_text_->setFixedSize(kStripTextWidth * metrics.averageCharWidth() / 4,
                             std::max(kStripTextHeight * metrics.height() / 8, metrics.height()));
  dialog_strip_->addWidget(dialog_text_);
  addToolBar(Qt::TopToolBarArea, dialog_strip_);

  // The View menu's check marks follow the bars however they were hidden.
  connect(actions_[ID_VIEW_TOOLBAR], &QAction::toggled, toolbar_, &QWidget::setVisible);
  connect(toolbar_, &QToolBar::visibilityChanged, this,
          [this] { actions_[ID_VIEW_TOOLBAR]->setChecked(!toolbar_->isHidden()); });
}

void CMainFrame::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  idle_message_ = kReady;
  bar->showMessage(idle_message_);
  mode_label_ = new QLabel(bar);
  mode_label_->setObjectName("modeIndicator");
  mode_label_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  mode_label_->setAlignment(Qt::AlignCenter);
  mode_label_->setMinimumWidth(mode_label_->fontMetrics().horizontalAdvance("Classic") + 8);
  bar->addPermanentWidget(mode_label_);
  ShowMode(false);
  for (int i = 0; i < 3; ++i) {
    auto* label = new QLabel(kIndicatorTexts[i], bar);
    label->setObjectName(QString("indicator") + kIndicatorTexts[i]);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance("SCRL") + 8);
    label->setEnabled(false);
    bar->addPermanentWidget(label);
    indicators_[i] = label;
  }
  bar->insertPermanentWidget(0, new CStatusProgress(bar));  // hidden until long work runs
  connect(actions_[ID_VIEW_STATUS_BAR], &QAction::toggled, bar, &QWidget::setVisible);
  LockState state;
  if (ReadLockState(&state)) {
    // The lock keys change on key presses and, while another window has the
    // keyboard, before this one is activated again.
    qApp->installEventFilter(this);
    UpdateIndicators();
  }
}

void CMainFrame::ShowMode(bool modern) {
  if (detail_tabs_ != nullptr) {  // the status bar is made before the panes
    detail_tabs_->SetModern(modern);
  }
  mode_label_->setText(modern ? "Modern" : "Classic");
  mode_label_->setToolTip(modern ? "Modern mode: cross-reference and object streams, repair"
                                 : "Classic mode: the written behaviour");
  QAction* action = actions_.value(ID_VIEW_MODERN_MODE, nullptr);
  if (action != nullptr) {
    // The check mark follows the mode; the click itself goes to the application.
    QSignalBlocker block(action);
    action->setChecked(modern);
  }
}

void CMainFrame::UpdateIndicators() {
  LockState state;
  ReadLockState(&state);
  indicators_[0]->setEnabled(state.caps);
  indicators_[1]->setEnabled(state.num);
  indicators_[2]->setEnabled(state.scroll);
}

void CMainFrame::CreateClientArea() {
  splitter_ = new QSplitter(Qt::Horizontal, this);
  splitter_->setObjectName("splitter");
  splitter_->setChildrenCollapsible(false);
  left_pane_ = new CLeftPane(doc_, splitter_);
  left_pane_->setMinimumWidth(kLeftPaneMinimum);
  left_view_ = left_pane_->Structure();
  left_view_->setMinimumWidth(kLeftPaneMinimum);
  connect(left_pane_, &CLeftPane::historyChanged, this, &CMainFrame::UpdateHistoryCommands);
  UpdateHistoryCommands();
  right_pane_ = CreateDetailPane();
  splitter_->addWidget(left_pane_);
  splitter_->addWidget(detail_tabs_);
  // Resizing the window resizes the right pane only.
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  int ideal = kLeftPaneIcons * style()->pixelMetric(QStyle::PM_SmallIconSize);
  int rest = std::max(kInitialSize.width() - ideal - splitter_->handleWidth(), 0);
  splitter_->resize(kInitialSize);
  splitter_->setSizes({ideal, rest});
  setCentralWidget(splitter_);
  split_tracker_ = new CSplitTracker(splitter_);
  active_pane_ = left_view_;
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    for (QWidget* pane : {static_cast<QWidget*>(left_view_),
                          static_cast<QWidget*>(left_pane_->Objects()), right_pane_}) {
      if (now != nullptr && (now == pane || pane->isAncestorOf(now))) {
        active_pane_ = pane;
      }
    }
  });
  left_view_->setFocus();
}

// The docks' height when they first show.
constexpr int kDockHeight = 140;

void CMainFrame::CreateFindDock() {
  find_dock_ = new CFindDock(doc_, this);
  addDockWidget(Qt::BottomDockWidgetArea, find_dock_);
  find_dock_->hide();  // until Ctrl+F
  connect(actions_[ID_EDIT_FIND], &QAction::triggered, find_dock_, &CFindDock::FocusQuery);
  connect(actions_[ID_EDIT_FIND_NEXT], &QAction::triggered, find_dock_, &CFindDock::ChooseNext);
  connect(find_dock_, &CFindDock::objectChosen, this,
          [this](int number, int generation) { left_pane_->GoToObject(number, generation); });

  problems_dock_ = new CProblemsDock(doc_, this);
  addDockWidget(Qt::BottomDockWidgetArea, problems_dock_);
  tabifyDockWidget(find_dock_, problems_dock_);
  problems_dock_->hide();
  connect(problems_dock_, &CProblemsDock::objectChosen, this,
          [this](int number, int generation) { left_pane_->GoToObject(number, generation); });
  // Modern mode shows what an open found; classic mode keeps its window as
  // it was, the list a View menu command away.
  connect(doc_, &CAppDoc::updated, this, [this](int hint) {
    if (hint == HINT_OPENED && doc_->GetMode() == pdf::Mode::kModern &&
        problems_dock_->List()->count() > 0) {
      const bool shown = problems_dock_->isVisible();
      problems_dock_->show();
      problems_dock_->raise();
      if (!shown) {
        // A few rows high, once laid out: the panes stay the main content.
        QTimer::singleShot(0, this,
                           [this] { resizeDocks({problems_dock_}, {kDockHeight}, Qt::Vertical); });
      }
    }
  });
  references_dock_ = new CReferencesDock(doc_, this);
  addDockWidget(Qt::BottomDockWidgetArea, references_dock_);
  tabifyDockWidget(find_dock_, references_dock_);
  references_dock_->hide();  // until asked for
  connect(references_dock_, &CReferencesDock::objectChosen, this,
          [this](int number, int generation) { left_pane_->GoToObject(number, generation); });
  space_dock_ = new CSpaceDock(doc_, this);
  addDockWidget(Qt::BottomDockWidgetArea, space_dock_);
  tabifyDockWidget(find_dock_, space_dock_);
  space_dock_->hide();  // until View > Space
  connect(space_dock_, &CSpaceDock::objectChosen, this,
          [this](int number, int generation) { left_pane_->GoToObject(number, generation); });
  file_map_dock_ = new CFileMapDock(doc_, this);
  addDockWidget(Qt::RightDockWidgetArea, file_map_dock_);
  file_map_dock_->hide();  // until View > File Map
  connect(file_map_dock_, &CFileMapDock::objectChosen, this,
          [this](int number, int generation) { left_pane_->GoToObject(number, generation); });
  connect(file_map_dock_, &CFileMapDock::itemChosen, this, [this](const QString& path) {
    left_pane_->setCurrentWidget(left_view_);
    std::string error;
    left_view_->SelectPath(path.toStdString(), &error);
  });
  for (QAction* menu : menuBar()->actions()) {
    if (menu->text() == MenuTitle(Menu::kView)) {
      menu->menu()->addSeparator();
      menu->menu()->addAction(problems_dock_->toggleViewAction());
      menu->menu()->addAction(find_dock_->toggleViewAction());
      menu->menu()->addAction(references_dock_->toggleViewAction());
      QAction* orphans = menu->menu()->addAction("Orphans");
      orphans->setObjectName("OrphansAction");
      orphans->setStatusTip("List the objects nothing reachable from the trailer refers to");
      connect(orphans, &QAction::triggered, references_dock_, &CReferencesDock::ShowOrphans);
      menu->menu()->addAction(space_dock_->toggleViewAction());
      menu->menu()->addAction(file_map_dock_->toggleViewAction());
      QAction* check = menu->menu()->addAction("Check Cross-Reference Sections");
      check->setObjectName("CheckSectionsAction");
      check->setStatusTip(
          "Check each cross-reference section against the file; the findings "
          "go to the Problems list");
      connect(check, &QAction::triggered, this, &CMainFrame::CheckSections);
    }
  }
}

void CMainFrame::CheckSections() {
  if (!doc_->HasFile()) {
    return;
  }
  std::vector<std::string> findings;
  {
    CWaitCursor wait;
    findings = CheckCrossReferences(*doc_);
  }
  for (const std::string& finding : findings) {
    emit doc_->finding(QString::fromStdString("Check: " + finding));
  }
  if (findings.empty()) {
    emit doc_->finding("Check: the cross-reference sections agree with the file");
  }
  problems_dock_->show();
  problems_dock_->raise();
}

QWidget* CMainFrame::CreateDetailPane() {
  auto* pane = new CAppView(doc_, splitter_);
  pane->setObjectName("CAppView");
  detail_tabs_ = new CDetailTabs(doc_, pane, splitter_);
  detail_tabs_->SetModern(false);
  return pane;
}

QWidget* CMainFrame::ActivePane() const {
  return active_pane_;
}

void CMainFrame::ActivateOtherPane() {
  QWidget* other = ActivePane() != right_pane_ ? right_pane_ : left_pane_->currentWidget();
  if (other == right_pane_) {
    detail_tabs_->setCurrentIndex(CDetailTabs::kDescription);
  }
  other->setFocus(Qt::ShortcutFocusReason);
  active_pane_ = other;
}

void CMainFrame::SetIdleMessage(const QString& text) {
  idle_message_ = text.isEmpty() ? QString(kReady) : text;
  statusBar()->showMessage(idle_message_);
}

void CMainFrame::OnCaptionChanged(const QString& title) {
  setWindowTitle(title + " - " + ResourceString(AFX_IDS_APP_TITLE));
}

bool CMainFrame::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    // Idle, the message pane says "Ready" (or the idle message) rather than nothing.
    QString tip = static_cast<QStatusTipEvent*>(event)->tip();
    statusBar()->showMessage(tip.isEmpty() ? idle_message_ : tip);
    return true;
  }
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ThemeChange) {
    // The shipped images are drawn in the palette's ink: a dark theme
    // chosen while running gets light outlines.
    for (QAction* action : std::as_const(actions_)) {
      if (!action->icon().isNull()) {
        action->setIcon(ToolbarIcon(action->data().toInt()));
      }
    }
  }
  if (event->type() == QEvent::WindowActivate && indicators_[0] != nullptr) {
    LockState state;
    if (ReadLockState(&state)) {
      UpdateIndicators();
    }
  }
  return QMainWindow::event(event);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyRelease) {
    UpdateIndicators();
  }
  return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) {
      event->acceptProposedAction();
      return;
    }
  }
}

void CMainFrame::dropEvent(QDropEvent* event) {
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) {
      event->acceptProposedAction();
      emit fileDropped(url.toLocalFile());
      return;  // one document at a time: the first file wins
    }
  }
}

QPrinter* CMainFrame::Printer() {
  if (!printer_) {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  }
  return printer_.get();
}

void CMainFrame::PrintActivePane(QPrinter* printer) {
  if (auto* pane = dynamic_cast<CPrintablePane*>(ActivePane())) {
    pane->PrintPages(printer);
    return;
  }
  QPainter blank(printer);
}

void CMainFrame::OnFilePrint() {
  QPrintDialog dialog(Printer(), this);
  if (dialog.exec() == QDialog::Accepted) {
    PrintActivePane(Printer());
  }
}

void CMainFrame::OnFilePrintPreview() {
  QPrintPreviewDialog dialog(Printer(), this);
  connect(&dialog, &QPrintPreviewDialog::paintRequested, this, &CMainFrame::PrintActivePane);
  dialog.exec();
}

void CMainFrame::OnFilePrintSetup() {
  CPrintSetupDialog dialog(Printer(), this);
  dialog.exec();
}

void CMainFrame::UpdateHistoryCommands() {
  actions_[ID_GO_BACK]->setEnabled(left_pane_->CanGoBack());
  actions_[ID_GO_FORWARD]->setEnabled(left_pane_->CanGoForward());
}

void CMainFrame::OnGoToObject() {
  bool ok = false;
  const QString text = QInputDialog::getText(
      this, "Go to Object", "Object number (and generation):", QLineEdit::Normal, QString(), &ok);
  if (!ok) {
    return;
  }
  int32_t number = 0;
  int32_t generation = -1;
  if (!ParseObjectNumber(text.toStdString(), &number, &generation)) {
    WarningMessage("'%s' is not an object number", text.toUtf8().constData());
    return;
  }
  left_pane_->GoToObject(number, generation);
}

void CMainFrame::OnAppAbout() {
  CAboutBox box(this);
  box.exec();
}
