// Offset, hex and ASCII of a run of bytes, sixteen to a line. Only the lines
// in view are laid out and painted, so a stream of a hundred megabytes
// scrolls as smoothly as one of a hundred bytes.
#pragma once

#include <QAbstractScrollArea>
#include <cstdint>
#include <span>
#include <vector>

class CHexView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit CHexView(QWidget* parent = nullptr);

  // Shows bytes the caller keeps alive until the next SetBytes or Clear.
  void SetBytes(std::span<const uint8_t> bytes);
  // Shows bytes the view keeps.
  void SetOwnedBytes(std::vector<uint8_t> bytes);
  void Clear();

  size_t LineCount() const;
  // The first line in view.
  size_t TopLine() const;
  // The text of line `line` as drawn.
  QString LineText(size_t line) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void UpdateScrollBars();
  int LineHeight() const;

  std::span<const uint8_t> bytes_;
  std::vector<uint8_t> owned_;
};
