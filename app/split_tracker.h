// Moves the divider between the two panes with the keyboard (View Split): the
// divider takes the focus, the arrow keys move it, Enter keeps the new place
// and Escape puts it back.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QSplitter;
class QWidget;

class CSplitTracker : public QObject {
  Q_OBJECT

 public:
  // Pixels the divider moves per arrow key press; with Ctrl, eight times as far.
  static constexpr int kStep = 8;
  static constexpr int kFastFactor = 8;

  explicit CSplitTracker(QSplitter* splitter);

  void Start();
  bool Tracking() const { return tracking_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Move(int delta);
  void Finish(bool keep);

  QSplitter* splitter_;
  QList<int> saved_sizes_;
  QPointer<QWidget> saved_focus_;
  bool tracking_ = false;
};
