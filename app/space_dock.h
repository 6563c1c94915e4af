// Space: a dock with the file's bytes by kind of object (a table) and a
// treemap of them: one tile per kind, and inside it the largest objects of
// that kind (the rest as one tile). Clicking an object's tile selects it. The
// sizes are measured on a thread of its own over a document of its own, the
// first time the dock is shown for a file.
#pragma once

#include <QDockWidget>
#include <QWidget>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "analysis/space_tiles.h"

class CAppDoc;
class QLabel;
class QSplitter;
class QTimer;
class QTreeWidget;

class CTreemapView : public QWidget {
  Q_OBJECT

 public:
  explicit CTreemapView(QWidget* parent = nullptr);
  void SetSummary(std::shared_ptr<const SpaceSummary> summary);
  // The object whose tile holds the point, or 0.
  int32_t ObjectAt(QPoint point, int32_t* generation) const;

 signals:
  void objectChosen(int number, int generation);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  struct Tile {
    QRectF rect;
    int kind = 0;
    int32_t number = 0;  // 0: the rest of a kind, or the kind's own frame
    int32_t generation = 0;
    int64_t bytes = 0;
  };
  void Layout();
  const Tile* TileAt(QPointF point) const;

  std::shared_ptr<const SpaceSummary> summary_;
  std::vector<Tile> tiles_;  // kinds' frames first, then their objects
};

class CSpaceDock : public QDockWidget {
  Q_OBJECT

 public:
  CSpaceDock(CAppDoc* doc, QWidget* parent = nullptr);
  ~CSpaceDock() override;

  // Measures the open file unless it is measured already.
  void Measure();
  // Waits until a measure ends and is shown (tests).
  void Wait();

  QTreeWidget* Table() const { return table_; }
  CTreemapView* Treemap() const { return treemap_; }
  QLabel* Status() const { return status_; }

 signals:
  void objectChosen(int number, int generation);

 private:
  struct Job {
    std::atomic<bool> done{false};
    std::shared_ptr<SpaceSummary> summary;
    std::string error;
  };
  void Poll();
  void Show();
  void Drop();

  CAppDoc* doc_;
  QLabel* status_;
  QTreeWidget* table_;
  QSplitter* split_;
  CTreemapView* treemap_;
  QTimer* poll_;
  std::shared_ptr<Job> job_;
  std::thread worker_;
  std::shared_ptr<const SpaceSummary> summary_;
};
