// The classic file's long items in the viewer's panes, offscreen:
//  - selecting the XRefs item (one line per object) in the detail pane, with
//    its first paint, against describing it alone;
//  - scroll steps of that pane, each painted at once (repaint);
//  - the print preview of that item (every page painted, as the preview
//    dialog asks);
//  - expanding a Kids array of 100,000 page references in the structure tree:
//    resident and heap growth per item, the document's share (the page
//    dictionaries the labels load) and the tree's own.
// For comparison, what the pane did before it laid out only the lines it
// shows: the whole text measured and painted at once.
//
// Usage: detail_pane_bench CLASSIC.pdf
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app_doc.h"
#include "app/app_view.h"
#include "app/left_view.h"
#include "app/view_text.h"
#include "bench/bench_report.h"
#include "describe/description.h"
#include "describe/labels.h"
#include "diag/messages.h"
#include "dib/dib.h"
#include "pdf/object.h"

namespace {

constexpr int kRuns = 3;
constexpr int kScrollSteps = 100;
constexpr char kNodePath[] = "Root/Pages/Kids/[0]";
// The whole-text measure and paint of before, as the pane did them.
constexpr int kWholeTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs;
constexpr int kWholeTextLimit = 32767;

int Quiet(const char*) {
  return 0;
}

double ResidentBytes() {
  long pages = 0;
  long resident = 0;
  FILE* statm = fopen("/proc/self/statm", "r");
  if (statm == nullptr) {
    return 0;
  }
  if (fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
    resident = 0;
  }
  fclose(statm);
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

struct PaneRun {
  double describe = 0;  // seconds to describe the XRefs item alone
  double select = 0;    // seconds from the selection to the end of the first paint
  std::vector<double> steps;
  double preview = 0;
  int preview_pages = 0;
  double preview_growth = 0;  // resident bytes
  int lines = 0;
  double whole_measure = 0;  // before: the whole text's bounding rectangle
  double whole_paint = 0;    // before: one paint of the whole text
};

bool MeasurePane(const char* path, bool whole_too, PaneRun* run) {
  CAppDoc doc;
  CAppView view(&doc);
  view.resize(900, 700);
  view.show();
  if (!doc.OnOpenDocument(QString::fromLocal8Bit(path)) || doc.xref == nullptr) {
    return false;
  }
  QCoreApplication::processEvents();
  run->describe = bench::Seconds([&] {
    HDIB image = nullptr;
    const std::string text = DescribeWithPicture(doc.xref, &image);
    if (image != nullptr) {
      DibFree(image);
    }
    run->lines = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  });
  run->select = bench::Seconds([&] {
    doc.SetSelection(doc.xref);
    view.viewport()->repaint();
  });
  QScrollBar* bar = view.verticalScrollBar();
  if (bar->maximum() <= 0) {
    return false;
  }
  for (int i = 0; i < kScrollSteps; ++i) {
    run->steps.push_back(bench::Seconds([&] {
      bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
      view.viewport()->repaint();
    }));
  }
  // From the middle on, line by line... and a jump to the very end.
  run->steps.push_back(bench::Seconds([&] {
    bar->setValue(bar->maximum());
    view.viewport()->repaint();
  }));

  const double before = ResidentBytes();
  {
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewWidget preview(&printer);
    QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, &view, &CAppView::PrintPages);
    run->preview = bench::Seconds([&] { preview.updatePreview(); });
    run->preview_pages = preview.pageCount();
    run->preview_growth = ResidentBytes() - before;
  }

  if (whole_too) {
    const QString text = PaneText(view.Description());
    QFontMetrics metrics(view.PaneFontForTest(), view.viewport());
    QRect bounds;
    run->whole_measure = bench::Seconds([&] {
      bounds = metrics.boundingRect(QRect(0, 0, kWholeTextLimit, kWholeTextLimit), kWholeTextFlags,
                                    text);
    });
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    run->whole_paint = bench::Seconds([&] {
      QPainter painter(&image);
      painter.setFont(view.PaneFontForTest());
      painter.translate(0, -bar->value());
      painter.drawText(QRect(0, 0, std::max(kWholeTextLimit, bounds.width()),
                             std::max(kWholeTextLimit, bounds.height())),
                       kWholeTextFlags, text);
    });
  }
  return true;
}

struct TreeRun {
  int items = 0;
  double seconds = 0;
  double resident = 0;  // bytes grown
  double heap = 0;
};

// Expands the Kids of the first page tree node. With `preload` the page
// dictionaries are loaded first, so that what grows is the tree's alone.
bool MeasureTree(const char* path, bool preload, TreeRun* run) {
  CAppDoc doc;
  CLeftView tree(&doc);
  tree.resize(400, 700);
  tree.show();
  if (!doc.OnOpenDocument(QString::fromLocal8Bit(path))) {
    return false;
  }
  std::string error;
  if (!tree.SelectPath(kNodePath, &error)) {
    fprintf(stderr, "%s: %s\n", path, error.c_str());
    return false;
  }
  QTreeWidgetItem* node = tree.currentItem();
  QTreeWidgetItem* kids = nullptr;
  for (int i = 0; node != nullptr && i < node->childCount(); ++i) {
    if (node->child(i)->data(0, CLeftView::kKeyRole).toString() == "Kids") {
      kids = node->child(i);
    }
  }
  if (kids == nullptr) {
    return false;
  }
  if (preload) {
    const std::vector<TreeItem> children = ChildItems(CLeftView::ItemObject(kids));
  }
  QCoreApplication::processEvents();
  malloc_trim(0);
  const double resident = ResidentBytes();
  const double heap = static_cast<double>(bench::HeapBytes());
  run->seconds = bench::Seconds([&] {
    tree.expandItem(kids);
    tree.viewport()->repaint();
  });
  run->items = kids->childCount();
  malloc_trim(0);
  run->resident = ResidentBytes() - resident;
  run->heap = static_cast<double>(bench::HeapBytes()) - heap;
  return run->items > 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s CLASSIC.pdf\n", argv[0]);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  g_error_sink = Quiet;
  g_warning_sink = Quiet;
  g_trace_sink = Quiet;
  QApplication app(argc, argv);
  const char* path = argv[1];

  std::vector<double> describes, selects, steps, worst_steps, previews, growths, measures, paints;
  PaneRun pane;
  for (int i = 0; i < kRuns; ++i) {
    pane = PaneRun();
    if (!MeasurePane(path, i == 0, &pane)) {
      fprintf(stderr, "%s: the XRefs item did not show or scroll\n", path);
      return 1;
    }
    describes.push_back(pane.describe);
    selects.push_back(pane.select);
    steps.push_back(bench::Median(pane.steps));
    worst_steps.push_back(*std::max_element(pane.steps.begin(), pane.steps.end()));
    previews.push_back(pane.preview);
    growths.push_back(pane.preview_growth);
    if (i == 0) {
      measures.push_back(pane.whole_measure);
      paints.push_back(pane.whole_paint);
    }
  }
  const double describe = bench::Median(describes);
  const double select = bench::Median(selects);
  const double step = bench::Median(steps);
  const double worst = bench::Median(worst_steps);
  const double preview = bench::Median(previews);
  const double lines = pane.lines;
  bench::Print(
      {bench::Format("detail pane: select XRefs of %.0f lines, first paint included", lines),
       bench::Duration(select) + " (describing it alone " + bench::Duration(describe) + ")",
       "before: whole-text measure " + bench::Duration(measures[0]), -1, "< 0.50 s", select < 0.5,
       ""});
  bench::Print(
      {bench::Format("same, scroll step with repaint (%.0f steps)", kScrollSteps),
       bench::Format("%.2f ms median, ", step * 1e3) + bench::Format("%.2f ms worst", worst * 1e3),
       "before: whole-text paint " + bench::Duration(paints[0]), -1, "< 16 ms", worst < 0.016, ""});
  bench::Print({bench::Format("same, print preview (%.0f pages, bounded)", pane.preview_pages),
                bench::Duration(preview), "-", -1, "< 30 s", preview < 30,
                bench::Format("+%.0f MB resident", bench::Median(growths) / 1e6)});

  std::vector<double> tree_total, tree_heap, tree_own, tree_seconds;
  TreeRun tree;
  for (int i = 0; i < kRuns; ++i) {
    TreeRun whole;
    TreeRun own;
    if (!MeasureTree(path, false, &whole) || !MeasureTree(path, true, &own)) {
      fprintf(stderr, "%s: the Kids of %s did not expand\n", path, kNodePath);
      return 1;
    }
    tree = whole;
    tree_total.push_back(whole.resident / whole.items);
    tree_heap.push_back(whole.heap / whole.items);
    tree_own.push_back(own.heap / own.items);
    tree_seconds.push_back(whole.seconds);
  }
  const double per_item = bench::Median(tree_total);
  bench::Print({bench::Format("tree: expand Kids of %.0f page references", tree.items),
                bench::Format("%.0f B/item resident", per_item) +
                    bench::Format(" (heap %.0f B/item, ", bench::Median(tree_heap)) +
                    bench::Format("tree's own %.0f B/item), ", bench::Median(tree_own)) +
                    bench::Duration(bench::Median(tree_seconds)),
                "-", -1, "< 1024 B/item", per_item < 1024,
                bench::Format("+%.1f MB resident", per_item * tree.items / 1e6)});
  return 0;
}
