#include "app/window_state.h"

#include <QDockWidget>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>

#include "app/commands.h"
#include "app/left_pane.h"
#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/settings.h"

void SaveWindowState(CMainFrame* frame) {
  QSettings settings(kSettingsOrganisation, kSettingsApplication);
  settings.setValue(kWindowGeometryKey, frame->saveGeometry());
  settings.setValue(kWindowStateKey, frame->saveState());
  settings.setValue(kWindowDividerKey, frame->Splitter()->saveState());
  settings.setValue(kWindowStatusBarKey, !frame->statusBar()->isHidden());
}

bool RestoreWindowState(CMainFrame* frame) {
  QSettings settings(kSettingsOrganisation, kSettingsApplication);
  const QByteArray geometry = settings.value(kWindowGeometryKey).toByteArray();
  if (geometry.isEmpty() || !frame->restoreGeometry(geometry)) {
    return false;
  }
  frame->restoreState(settings.value(kWindowStateKey).toByteArray());
  // The docks keep their places but open with their commands: what they
  // held belonged to the file of the last run.
  for (QDockWidget* dock : frame->findChildren<QDockWidget*>()) {
    dock->hide();
  }
  frame->Splitter()->restoreState(settings.value(kWindowDividerKey).toByteArray());
  // The View menu's check marks: the toolbar was hidden by the state while
  // the window was not shown, which its visibility signal does not report;
  // the status bar is shown and hidden by its mark.
  frame->Action(ID_VIEW_TOOLBAR)->setChecked(!frame->ToolBar()->isHidden());
  frame->Action(ID_VIEW_STATUS_BAR)->setChecked(settings.value(kWindowStatusBarKey, true).toBool());
  return true;
}

void SizeToScreen(CMainFrame* frame) {
  QScreen* screen = frame->screen();
  if (screen == nullptr) {
    return;
  }
  const QRect available = screen->availableGeometry();
  const QSize size(static_cast<int>(available.width() * kFirstStartScreenShare),
                   static_cast<int>(available.height() * kFirstStartScreenShare));
  frame->resize(size.expandedTo(frame->minimumSizeHint()));
  frame->move(available.center() - frame->rect().center());
}

void FitTreePane(CMainFrame* frame) {
  QSplitter* splitter = frame->Splitter();
  CLeftView* tree = frame->LeftView();
  const QList<int> sizes = splitter->sizes();
  if (sizes.size() != 2) {
    return;
  }
  const int total = sizes[0] + sizes[1];
  // The labels' column (sized to its contents), the frame and a vertical
  // scroll bar's width.
  tree->resizeColumnToContents(0);  // the labels just expanded count too
  const int wanted = tree->header()->sectionSize(0) + 2 * tree->frameWidth() +
                     tree->verticalScrollBar()->sizeHint().width();
  const int widest = static_cast<int>(total * kFittedTreeShare);
  const int width = std::clamp(wanted, sizes[0], std::max(sizes[0], widest));
  splitter->setSizes({width, total - width});
}
