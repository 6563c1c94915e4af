// Time and memory of opening a large classic file: 1,000,000 objects listed in
// one cross-reference subsection. The file is written to a temporary file
// first, object by object, so that building it does not inflate the figures.
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "pdf/document.h"

namespace {

constexpr int kObjects = 1000000;

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Returns false when the file cannot be written.
bool WriteLargeFile(const std::string& path, long* size) {
  FILE* out = fopen(path.c_str(), "wb");
  if (out == nullptr) {
    return false;
  }
  std::vector<long> offsets(kObjects + 1, 0);
  fputs("%PDF-1.4\n", out);
  for (int n = 1; n <= kObjects; ++n) {
    offsets[n] = ftell(out);
    if (n == 1) {
      fputs("1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n", out);
    } else if (n == 2) {
      fputs("2 0 obj\n<< /Type /Pages /Kids [] /Count 0 >>\nendobj\n", out);
    } else if (n == 3) {
      fputs("3 0 obj\n<< /Title (Large) >>\nendobj\n", out);
    } else {
      fprintf(out, "%d 0 obj\n<< /Type /Thing /Index %d >>\nendobj\n", n, n);
    }
  }
  long xref = ftell(out);
  fprintf(out, "xref\n0 %d\n0000000000 65535 f \n", kObjects + 1);
  for (int n = 1; n <= kObjects; ++n) {
    fprintf(out, "%010ld 00000 n \n", offsets[n]);
  }
  fprintf(out,
          "trailer\n<< /Size %d /Root 1 0 R /Info 3 0 R /ID [<00> <00>] >>\n"
          "startxref\n%ld\n%%%%EOF\n",
          kObjects + 1, xref);
  *size = ftell(out);
  return fclose(out) == 0;
}

}  // namespace

int main() {
  const char* dir = getenv("TMPDIR");
  std::string path = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") +
                     "/quorvel-open-bench-" + std::to_string(getpid()) + ".pdf";
  long size = 0;
  if (!WriteLargeFile(path, &size)) {
    fprintf(stderr, "cannot write %s\n", path.c_str());
    return 1;
  }
  long peak_before = PeakKilobytes();
  size_t heap_before = mallinfo2().uordblks + mallinfo2().hblkhd;

  pdf::Document doc;
  auto start = std::chrono::steady_clock::now();
  bool opened = doc.Open(path.c_str());
  auto stop = std::chrono::steady_clock::now();

  struct mallinfo2 heap = mallinfo2();
  long peak_after = PeakKilobytes();
  unlink(path.c_str());
  if (!opened) {
    fprintf(stderr, "open failed\n");
    return 1;
  }
  printf("file: %d objects, %.1f MB, one subsection\n", kObjects, size / 1e6);
  printf("Document::Open: %.1f ms\n",
         std::chrono::duration<double, std::milli>(stop - start).count());
  printf("entries read: %d\n", doc.xref->EntryCount());
  printf("heap in use after open: %.1f MB\n",
         static_cast<double>(heap.uordblks + heap.hblkhd - heap_before) / 1e6);
  printf("peak resident set: %.1f MB before open, %.1f MB after (mapped file pages included)\n",
         peak_before / 1e3, peak_after / 1e3);
  return 0;
}
