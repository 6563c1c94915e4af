// File Map: a strip of the whole file, byte 0 at the top left and the end at
// the bottom right, each byte coloured by what owns it (the header, objects by
// kind, earlier versions, sections, trailers, bytes nothing owns, bytes after
// the last %%EOF). Clicking a byte selects its owner; the selected object's
// range is highlighted. The map is made on a thread of its own over a
// document of its own, the first time the dock is shown for a file.
#pragma once

#include <QDockWidget>
#include <QImage>
#include <QWidget>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "analysis/file_map.h"

class CAppDoc;
class QLabel;
class QTimer;

// What a range is drawn as: one colour each.
enum class MapColour : int {
  kHeader,
  kStructure,  // catalog, page tree, pages
  kFont,
  kImage,
  kContent,  // page contents and forms
  kOtherStream,
  kOtherObject,
  kEarlier,
  kSection,
  kTrailer,
  kUnowned,
  kAfterEnd,
  kCount,
};

MapColour ColourOf(const FileMap& map, const MapRange& range);
QColor ColourValue(MapColour colour);

class CFileMapView : public QWidget {
  Q_OBJECT

 public:
  explicit CFileMapView(QWidget* parent = nullptr);
  void SetMap(std::shared_ptr<const FileMap> map);
  // Highlights the bytes [from, to); an empty range highlights nothing.
  void SetHighlight(int64_t from, int64_t to);
  // The range drawn at the point, or null.
  const MapRange* RangeAt(QPoint point) const;
  // Where the byte is drawn (its pixel's centre).
  QPoint PointOf(int64_t offset) const;
  // The colour the picture shows at the point (tests).
  QColor ColourAt(QPoint point) const;

 signals:
  void rangeChosen(const MapRange& range);
  void rangeHovered(const MapRange& range);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  QRect Area() const;
  int64_t PixelOf(int64_t offset) const;
  void Render();

  std::shared_ptr<const FileMap> map_;
  QImage picture_;
  int64_t highlight_from_ = 0;
  int64_t highlight_to_ = 0;
};

class CFileMapDock : public QDockWidget {
  Q_OBJECT

 public:
  CFileMapDock(CAppDoc* doc, QWidget* parent = nullptr);
  ~CFileMapDock() override;

  // Maps the open file unless it is mapped already.
  void Map();
  // Waits until a map is made and shown (tests).
  void Wait();

  CFileMapView* View() const { return view_; }
  QLabel* Status() const { return status_; }

 signals:
  void objectChosen(int number, int generation);
  // A top-level item of the structure tree: "Header", "XRefs", "Trailer".
  void itemChosen(const QString& path);

 private:
  struct Job {
    std::atomic<bool> done{false};
    std::shared_ptr<FileMap> map;
    std::string error;
  };
  void Poll();
  void Drop();
  void ShowSelection();
  void Choose(const MapRange& range);
  void Describe(const MapRange& range);

  CAppDoc* doc_;
  QLabel* status_;
  CFileMapView* view_;
  QTimer* poll_;
  std::shared_ptr<Job> job_;
  std::thread worker_;
  std::shared_ptr<const FileMap> map_;
};
