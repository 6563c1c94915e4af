// Find as the viewer's Find dock runs it, each run opening the file afresh in
// modern mode, listing its objects and searching them all (FindInObjects) for
// a string that occurs once.
//
// Keys and values of the 1,000,000 objects of each large file, against
// `mutool show F grep`, which prints every object on one line each (what one
// would pipe into grep), its output thrown away.
//
// The decoded contents of every stream of a file of many Flate content
// streams, against zlib alone inflating the same streams one after the other;
// both throughputs count the same decoded bytes.
//
// Usage: find_bench MODERN.pdf LARGE.pdf STREAMS.pdf STREAMS_NEEDLE
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_report.h"
#include "bench/process_timing.h"
#include "describe/find.h"
#include "describe/object_list.h"
#include "describe/open_mode.h"
#include "diag/messages.h"
#include "pdf/document.h"
#include "pdf/object.h"

namespace {

// mutool takes tens of seconds a run over a large file.
constexpr int kObjectRounds = 3;
constexpr int kStreamRuns = 7;

int Quiet(const char*) {
  return 0;
}

struct FindRun {
  bool opened = false;
  size_t objects = 0;
  int64_t hits = 0;
};

// Open, list, search: everything the Find dock's thread does for one search.
FindRun Find(const char* path, const std::string& needle, bool in_streams) {
  FindRun run;
  pdf::Document doc;
  if (!doc.Open(path, OpenOptionsFor(pdf::Mode::kModern))) {
    return run;
  }
  run.opened = true;
  const std::vector<ListedObject> objects = ListObjects(doc);
  run.objects = objects.size();
  FindQuery query;
  query.text = needle;
  query.in_streams = in_streams;
  FindMatcher matcher;
  std::string error;
  if (!matcher.Compile(query, &error)) {
    return run;
  }
  run.hits = FindInObjects(
      doc, objects, matcher, [](const FindHit&) {}, nullptr, nullptr);
  return run;
}

// mutool's peak resident set on the file, from one run made before any search
// of ours: wait4 also counts our peak at the spawn, as the child shares our
// memory until it executes. The run also brings the file into the page cache.
double MutoolPeakKb(const char* path) {
  double seconds = 0;
  double peak_kb = 0;
  return bench::RunOnce({"mutool", "show", path, "grep"}, &seconds, &peak_kb) ? peak_kb : 0;
}

bool KeysAndValues(const char* path, const char* what, double mutool_peak_kb) {
  const std::string needle = "/Catalog";
  FindRun run;
  bench::Tool mutool("mutool", {"mutool", "show", path, "grep"});
  std::vector<double> ours;
  run = Find(path, needle, false);  // warms up
  for (int round = 1; round <= kObjectRounds; ++round) {
    ours.push_back(bench::Seconds([&] { run = Find(path, needle, false); }));
    bench::Round(mutool);
  }
  if (!run.opened || run.hits != 1) {
    fprintf(stderr, "%s: %s found %lld times, not once\n", path, needle.c_str(),
            static_cast<long long>(run.hits));
    return false;
  }
  if (!mutool.ok) {
    fprintf(stderr, "mutool show %s grep failed\n", path);
    return false;
  }
  const double t_ours = bench::Median(ours);
  const double t_mutool = bench::Median(mutool.seconds);
  bench::PrintRatioRow(bench::Format("find \"/Catalog\" in the keys and values of %.0f objects",
                                     static_cast<double>(run.objects)) +
                           what + ", open included, vs mutool show grep",
                       bench::Duration(t_ours), "mutool " + bench::Duration(t_mutool),
                       t_mutool / t_ours, 1.0,
                       bench::Format("process peak %.1f MB (mutool %.1f MB)",
                                     bench::PeakRssKb() / 1024.0, mutool_peak_kb / 1024.0));
  return true;
}

// The raw data of every Flate stream of the file, as the file holds them.
std::vector<std::string> FlateStreams(const char* path) {
  std::vector<std::string> streams;
  pdf::Document doc;
  if (!doc.Open(path, OpenOptionsFor(pdf::Mode::kModern))) {
    return streams;
  }
  for (const ListedObject& listed : ListObjects(doc)) {
    pdf::Object* object = doc.GetObject(listed.number, listed.generation);
    if (object == nullptr || !object->IsStream()) {
      continue;
    }
    pdf::Object* filter = object->Get("Filter");
    if (filter == nullptr || !filter->IsName("FlateDecode")) {
      continue;
    }
    pdf::Token raw;
    object->GetStreamData(raw);
    streams.emplace_back(raw.text, raw.length);
  }
  return streams;
}

// Every stream inflated whole with one z_stream, reset between streams; the
// decoded bytes in total, or 0 when one does not inflate.
size_t InflateAll(const std::vector<std::string>& streams, std::vector<uint8_t>* buffer) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) {
    return 0;
  }
  size_t total = 0;
  for (const std::string& data : streams) {
    inflateReset(&z);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    int status = Z_OK;
    size_t produced = 0;
    while (status == Z_OK) {
      if (produced == buffer->size()) {
        buffer->resize(buffer->size() * 2);
      }
      z.next_out = buffer->data() + produced;
      z.avail_out = static_cast<uInt>(buffer->size() - produced);
      status = inflate(&z, Z_FINISH);
      produced = buffer->size() - z.avail_out;
      if (status == Z_BUF_ERROR && z.avail_out == 0) {
        status = Z_OK;  // more room needed
      }
    }
    if (status != Z_STREAM_END) {
      inflateEnd(&z);
      return 0;
    }
    total += produced;
  }
  inflateEnd(&z);
  return total;
}

bool DecodedStreams(const char* path, const std::string& needle) {
  const std::vector<std::string> streams = FlateStreams(path);
  std::vector<uint8_t> buffer(size_t{64} << 10);
  size_t decoded = 0;
  FindRun run;
  const bench::PairTimes t = bench::TimePair(
      kStreamRuns, [&] { run = Find(path, needle, true); },
      [&] { decoded = InflateAll(streams, &buffer); });
  if (!run.opened || run.hits != 1 || decoded == 0) {
    fprintf(stderr, "%s: %s found %lld times, not once (or the streams do not inflate)\n", path,
            needle.c_str(), static_cast<long long>(run.hits));
    return false;
  }
  size_t coded = 0;
  for (const std::string& data : streams) {
    coded += data.size();
  }
  const double mb = static_cast<double>(decoded) / 1e6;
  bench::PrintRatioRow(
      "find \"" + needle + "\" in the decoded contents of " +
          bench::Format("%.0f Flate streams (%.1f MB -> %.1f MB), open included",
                        static_cast<double>(streams.size()), coded / 1e6, mb),
      bench::Format("%.0f MB/s", mb / t.ours) + " (" + bench::Duration(t.ours) + ")",
      bench::Format("zlib inflate %.0f MB/s", mb / t.theirs), t.theirs / t.ours, 0.5, "");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: %s MODERN.pdf LARGE.pdf STREAMS.pdf STREAMS_NEEDLE\n", argv[0]);
    return 2;
  }
  g_error_sink = Quiet;
  g_warning_sink = Quiet;
  g_trace_sink = Quiet;
  const double modern_peak_kb = MutoolPeakKb(argv[1]);
  const double classic_peak_kb = MutoolPeakKb(argv[2]);
  const bool ok = KeysAndValues(argv[1], " in object streams", modern_peak_kb) &&
                  KeysAndValues(argv[2], ", classic file", classic_peak_kb) &&
                  DecodedStreams(argv[3], argv[4]);
  return ok ? 0 : 1;
}
