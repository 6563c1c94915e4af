// Long work in the main window's status bar: what runs, a progress bar and
// Cancel. It shows only while some long work runs, and only once that work
// has run for a short while, so that quick work does not flicker; hidden
// otherwise. Several pieces of work may run at once (a search on its thread
// while the reference index is built on another): the newest one that has
// run past the delay is shown, and Cancel stops that one.
//
// Work on the window's own thread (an open, a printout) reports through
// CProgressTask and lets events through itself; while such work runs, what
// the user does to the window (and to a modal dialog the work began under)
// is held back, Cancel and Esc aside, so that nothing reads the document it
// is building or the pane it is printing. Boxes and dialogs that the work
// itself shows get their events.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

class CStatusProgress : public QWidget {
  Q_OBJECT

 public:
  explicit CStatusProgress(QWidget* parent = nullptr);
  ~CStatusProgress() override;

  // How long work runs before the bar shows, as printing's progress dialog.
  static constexpr int kDefaultDelayMs = 400;
  void SetDelay(int ms) { delay_ms_ = ms; }
  int Delay() const { return delay_ms_; }

  // The status progress of the main window that holds `widget` (a dock even
  // when floating, a pane, the window itself); null when there is none.
  static CStatusProgress* Of(const QWidget* widget);

  // Work begins: `text` says what it is, `cancel` is called when Cancel is
  // pressed while it is shown. `blocking`: it runs on this thread (see
  // above). Returns its id, never 0.
  int Begin(const QString& text, std::function<void()> cancel, bool blocking = false);
  // `done` of `total` (total 0: how far is not known); the text may change.
  void Report(int id, int64_t done, int64_t total, const QString& text = QString());
  // The work ended, finished or cancelled.
  void End(int id);
  // Whether Cancel was pressed for the work.
  bool Cancelled(int id) const;
  // Presses Cancel for the work shown, as the button does.
  void CancelShown();
  int Running() const { return static_cast<int>(works_.size()); }

  QLabel* Label() const { return label_; }
  QProgressBar* Bar() const { return bar_; }
  QPushButton* CancelButton() const { return cancel_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Work {
    int id = 0;
    QString text;
    std::function<void()> cancel;
    int64_t done = 0;
    int64_t total = 0;
    QElapsedTimer started;
    bool blocking = false;
    bool cancelled = false;
    // Blocking work begun under a modal dialog (a printout from the print
    // preview): the user's events to that dialog are held back too.
    QPointer<QWidget> modal;
  };
  Work* Find(int id);
  const Work* Find(int id) const;
  // Shows the work to show, or hides.
  void Refresh();
  void UpdateBlocking();

  QLabel* label_;
  QProgressBar* bar_;
  QPushButton* cancel_;
  QTimer* delay_timer_;
  std::vector<Work> works_;
  int shown_ = 0;  // the id of the work shown, 0 for none
  int next_id_ = 1;
  int delay_ms_ = kDefaultDelayMs;
  bool filtering_ = false;
};

// One piece of long work in the status bar of a widget's window, from Begin
// until End or the task's end. Without a status progress (a pane made alone
// in a test) it does nothing and is never cancelled.
class CProgressTask {
 public:
  CProgressTask() = default;
  ~CProgressTask() { End(); }
  CProgressTask(const CProgressTask&) = delete;
  CProgressTask& operator=(const CProgressTask&) = delete;

  // Ends the work begun before, if any. `cancel` is called when Cancel is
  // pressed (after Cancelled() has become true).
  void Begin(QWidget* where, const QString& text, std::function<void()> cancel = {},
             bool blocking = false);
  void Report(int64_t done, int64_t total, const QString& text = QString());
  // Report, then the events that came meanwhile (repaints, Cancel): for work
  // on the window's own thread. False once cancelled.
  bool Step(int64_t done, int64_t total, const QString& text = QString());
  void End();
  bool Active() const { return progress_ != nullptr && id_ != 0; }
  bool Cancelled() const { return cancelled_; }

 private:
  QPointer<CStatusProgress> progress_;
  int id_ = 0;
  bool cancelled_ = false;
};
