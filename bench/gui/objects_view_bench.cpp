// The Objects tab on the 1,000,000-object modern file: how long after the
// open's end its first paint comes (the listing of every object and the rows
// on screen loaded and labelled), against the open itself; then how much the
// resident set grows while the view walks the whole list: ranges spread over
// it opened, scrolled to and closed again, as a user browsing would, and the
// last one too. Each run opens the file afresh in its own document and view,
// offscreen.
//
// Usage: objects_view_bench MODERN.pdf
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app_doc.h"
#include "app/objects_model.h"
#include "app/objects_view.h"
#include "bench/bench_report.h"
#include "describe/open_mode.h"
#include "diag/messages.h"

namespace {

constexpr int kRuns = 7;
// Ranges opened between the top and the bottom.
constexpr int kScrollSteps = 200;
// A view that does not paint within this long has failed.
constexpr qint64 kPaintTimeoutMs = 20000;

int Quiet(const char*) {
  return 0;
}

double ResidentMb() {
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
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

// Counts the paints of its viewport, which is what the user sees.
class PaintedView : public CObjectsView {
 public:
  using CObjectsView::CObjectsView;
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent* event) override {
    CObjectsView::paintEvent(event);
    ++paints;
  }
};

// Processes events until the view has painted once more than `before`.
bool PaintedAfter(PaintedView& view, int before) {
  QElapsedTimer timer;
  timer.start();
  while (view.paints <= before) {
    if (timer.elapsed() > kPaintTimeoutMs) {
      return false;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

struct Run {
  double open = 0;   // seconds in Document::Open
  double paint = 0;  // seconds from the open's end to the first paint
  double scroll = 0;
  double resident_before = 0;  // MB after the first paint
  double resident_after = 0;   // MB at the end of the list
  int64_t loads = 0;           // top-level objects the view asked for
  int64_t objects = 0;
  int rows = 0;
  bool at_end = false;
};

bool Measure(const char* path, Run* run) {
  CAppDoc doc;
  doc.SetMode(pdf::Mode::kModern);
  PaintedView view(&doc);
  view.resize(800, 600);
  view.show();
  if (!PaintedAfter(view, 0)) {
    return false;
  }
  const pdf::OpenOptions options = OpenOptionsFor(pdf::Mode::kModern);
  bool opened = false;
  run->open = bench::Seconds([&] { opened = doc.Open(path, options); });
  if (!opened) {
    return false;
  }
  // What CAppDoc::OnOpenDocument does after its open: every pane rebuilds.
  const int before = view.paints;
  bool painted = false;
  run->paint = bench::Seconds([&] {
    doc.UpdateAllViews(HINT_OPENED);
    painted = PaintedAfter(view, before);
  });
  if (!painted) {
    return false;
  }
  CObjectsModel* model = view.Model();
  run->rows = model->rowCount();
  run->objects = static_cast<int64_t>(model->Listed().size());
  run->resident_before = ResidentMb();
  bool scrolled = true;
  run->scroll = bench::Seconds([&] {
    for (int step = 1; step <= kScrollSteps && scrolled; ++step) {
      const QModelIndex range = model->index(
          static_cast<int>(static_cast<int64_t>(run->rows - 1) * step / kScrollSteps), 0);
      const int paints = view.paints;
      view.expand(range);
      view.scrollTo(model->index(model->rowCount(range) / 2, 0, range));
      scrolled = PaintedAfter(view, paints);
      view.collapse(range);
    }
    const QModelIndex last = model->index(run->rows - 1, 0);
    view.expand(last);
    const int paints = view.paints;
    view.scrollToBottom();
    scrolled = scrolled && PaintedAfter(view, paints);
  });
  run->resident_after = ResidentMb();
  run->loads = model->Loads();
  QScrollBar* bar = view.verticalScrollBar();
  run->at_end = scrolled && bar->value() == bar->maximum() && bar->maximum() > 0;
  return scrolled;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s MODERN.pdf\n", argv[0]);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  g_error_sink = Quiet;
  g_warning_sink = Quiet;
  g_trace_sink = Quiet;
  QApplication app(argc, argv);
  std::vector<double> opens;
  std::vector<double> paints;
  std::vector<double> scrolls;
  std::vector<double> growth;
  Run run;
  for (int i = 0; i <= kRuns; ++i) {  // run 0 warms up
    run = Run();
    if (!Measure(argv[1], &run) || !run.at_end) {
      fprintf(stderr, "%s: the Objects tab did not paint or scroll to its end\n", argv[1]);
      return 1;
    }
    if (i > 0) {
      opens.push_back(run.open);
      paints.push_back(run.paint);
      scrolls.push_back(run.scroll);
      growth.push_back(run.resident_after - run.resident_before);
    }
  }
  const double open = bench::Median(opens);
  const double paint = bench::Median(paints);
  const double factor = (open + paint) / open;
  bench::Print({bench::Format("Objects tab on %.0f objects in object streams (%.0f ranges): "
                              "open, then first paint (list + rows on screen)",
                              static_cast<double>(run.objects), static_cast<double>(run.rows)),
                bench::Duration(paint) + " after the open" +
                    bench::Format(" (open + paint %.2f x open)", factor),
                "Document::Open " + bench::Duration(open), -1, "open + paint <= 1.20 x open",
                factor <= 1.2, ""});
  const double grown = bench::Median(growth);
  bench::Print({bench::Format("same, %.0f ranges across the list opened, scrolled to and closed, "
                              "then the last one to its end",
                              static_cast<double>(kScrollSteps)),
                bench::Format("+%.1f MB resident", grown) + " (" +
                    bench::Duration(bench::Median(scrolls)) +
                    bench::Format(", %.0f objects loaded)", static_cast<double>(run.loads)),
                "-", -1, "<= 16 MB growth", grown <= 16,
                bench::Format("RSS %.1f -> %.1f MB", run.resident_before, run.resident_after)});
  return 0;
}
