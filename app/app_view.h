// The object detail pane: the selected object described in a few lines of text,
// and for an image stream its picture drawn below the text. The description is
// built once per selection change and kept; painting only replays it.
#pragma once

#include <QAbstractScrollArea>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "app/printable_pane.h"
#include "dib/dib.h"

class CAppDoc;
class CPageRenderer;
class QPainter;
namespace pdf {
class Object;
}

class CAppView : public QAbstractScrollArea, public CPrintablePane {
  Q_OBJECT

 public:
  explicit CAppView(CAppDoc* doc, QWidget* parent = nullptr);
  ~CAppView() override;
  CAppView(const CAppView&) = delete;
  CAppView& operator=(const CAppView&) = delete;

  // Rebuilds on every hint with the bit value 2 (a new selection, an opened
  // file) and on the initial update that follows a new or opened document.
  void OnUpdate(int hint);
  void OnInitialUpdate();

  // Describes the document's selection again: text, picture and scroll sizes.
  void RebuildDescription();
  // Paints the description and the picture in the painter's current colours;
  // the same for the screen, printing and print preview. Only the text lines
  // that meet `exposed` (in the pane's pixels) are laid out and drawn, so a
  // description of a million lines paints as fast as a short one.
  void Draw(QPainter* painter, const QRectF& exposed);
  // Creates the pane's font on first use and selects it into the painter.
  void SelectPaneFont(QPainter* painter);

  // Prints the pane at the screen's size, shrunk to the page width when wider,
  // continuing on further pages, at most kMaxPrintedPages of them. Many pages
  // show a progress dialog whose Cancel stops the printout.
  void PrintPages(QPrinter* printer) override;
  // The same, returning the number of pages painted (0 when the printer fails).
  int Print(QPrinter* printer);
  // The line the last printout ended with when it did not show everything
  // (stopped at the bound or cancelled); empty when it was whole.
  const QString& PrintNote() const { return print_note_; }
  // How long a long printout runs before its progress dialog shows.
  static constexpr int kPrintProgressDelayMs = 400;
  void SetPrintProgressDelay(int ms) { progress_delay_ms_ = ms; }

  const std::string& Description() const { return description_; }
  // In modern mode the text can be selected with the mouse (Ctrl+A: all of
  // it). The selected characters, or empty when none are.
  QString SelectedText() const;
  void SelectAll();
  HDIB Image() const { return image_; }
  // Modern mode, a page selected: the line below the description (rendering,
  // or why it failed) and the rendered page once it has come.
  const QString& PageLine() const { return page_line_; }
  const QImage& PageImage() const { return page_image_; }
  CPageRenderer* PageRenderer() const { return renderer_; }
  // The laid-out text: left and top 0, right and bottom its width and height.
  QRect Extent() const { return extent_; }
  QSize TotalSize() const { return total_; }
  QSize PageStep() const { return page_step_; }
  QSize LineStep() const { return line_step_; }
  const QFont& PaneFontForTest() { return PaneFont(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  const QFont& PaneFont();
  bool Modern() const;
  void ReleaseImage();
  void SetScrollSizes(QSize total);
  // The scroll sizes for the text, a picture and a page below it.
  QSize ContentSize();
  void StartPagePicture(pdf::Object* selection);
  void OnPageRendered(const QImage& image);
  void OnPageFailed(const QString& why);
  // Where the page's line and picture go: below the text, the picture fitted
  // to the pane's width. Empty rectangles when there is nothing to show.
  QRect PageLineRect();
  QRect PageImageRect();
  void UpdateScrollBars();
  // A place in the text: line and character, from a point of the viewport.
  struct TextPlace {
    int line = 0;
    int column = 0;
    bool operator<(const TextPlace& other) const {
      return line != other.line ? line < other.line : column < other.column;
    }
    bool operator==(const TextPlace& other) const = default;
  };
  TextPlace PlaceAt(QPoint point);
  void DrawSelection(QPainter* painter);
  // The text's lines, without their line feeds.
  int LineCount() const { return static_cast<int>(line_starts_.size()) - 1; }
  QString Line(int index) const;
  // Where a line's bytes end in description_, before its line end.
  size_t LineEnd(int index) const;
  // The laid-out text's size, from the lines one by one.
  void MeasureText();

  CAppDoc* doc_;
  std::optional<QFont> font_;  // none until first used, and again once printing begins
  bool font_modern_ = false;   // the mode the font was made for
  QRect extent_;
  std::string description_;
  // Where each line of description_ starts, and one past its end: the lines
  // are drawn, measured and selected one by one.
  std::vector<size_t> line_starts_;
  bool selectable_ = false;  // the text can be selected (modern mode)
  QString print_note_;
  int progress_delay_ms_ = kPrintProgressDelayMs;
  TextPlace anchor_;      // where the selection started
  TextPlace caret_;       // where it ends; equal to anchor_: nothing selected
  HDIB image_ = nullptr;  // owned
  CPageRenderer* renderer_;
  int page_number_ = 0;
  QString page_line_;
  QImage page_image_;
  QSize total_;
  QSize page_step_;
  QSize line_step_;
};
