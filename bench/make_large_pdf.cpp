// Writes the large file the benchmarks read: a classic PDF of exactly `objects`
// objects listed in one cross-reference subsection, with a balanced two-level
// page tree (the root's Kids are nodes of up to `kids` pages each) and one small
// Flate content stream per page. The first page's contents fill most of the
// viewer's 4095-byte text buffer, so that describing it is a real inflate.
//
// Usage: make_large_pdf OUT.pdf [OBJECTS [KIDS]]   (defaults 1000000 100000)
#include <zlib.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/synthetic_data.h"

namespace {

// Catalog, page tree root, info, font and shared resources.
constexpr long kFixedObjects = 5;
constexpr long kCatalog = 1;
constexpr long kPagesRoot = 2;
constexpr long kInfo = 3;
constexpr long kFont = 4;
constexpr long kResources = 5;
// Decoded size of the first page's contents: just under the 4095-byte buffer.
constexpr size_t kFirstContentsSize = 4000;

// Buffered output that knows its own offset.
class Writer {
 public:
  explicit Writer(FILE* file) : file_(file) { buffer_.reserve(kFlushAt + 4096); }
  void Put(const std::string& text) { Put(text.data(), text.size()); }
  void Put(const char* data, size_t size) {
    buffer_.append(data, size);
    offset_ += size;
    if (buffer_.size() >= kFlushAt) {
      Flush();
    }
  }
  void Printf(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    char line[256];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(line, sizeof line, format, args);
    va_end(args);
    Put(line, static_cast<size_t>(n));
  }
  bool Flush() {
    ok_ = ok_ && fwrite(buffer_.data(), 1, buffer_.size(), file_) == buffer_.size();
    buffer_.clear();
    return ok_;
  }
  long offset() const { return offset_; }

 private:
  static constexpr size_t kFlushAt = 1 << 20;
  FILE* file_;
  std::string buffer_;
  long offset_ = 0;
  bool ok_ = true;
};

// Small windows: each stream is tiny, and a full-size deflate state would make
// resetting it for half a million streams the slowest part of the generator.
class Deflater {
 public:
  Deflater() { deflateInit2(&z_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 12, 4, Z_DEFAULT_STRATEGY); }
  ~Deflater() { deflateEnd(&z_); }
  const std::string& Compress(const std::string& text) {
    deflateReset(&z_);
    out_.resize(deflateBound(&z_, text.size()));
    z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z_.avail_in = static_cast<uInt>(text.size());
    z_.next_out = reinterpret_cast<Bytef*>(out_.data());
    z_.avail_out = static_cast<uInt>(out_.size());
    deflate(&z_, Z_FINISH);
    out_.resize(z_.total_out);
    return out_;
  }

 private:
  z_stream z_{};
  std::string out_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: %s OUT.pdf [OBJECTS [KIDS]]\n", argv[0]);
    return 2;
  }
  const long objects = argc > 2 ? atol(argv[2]) : 1000000;
  const long kids = argc > 3 ? atol(argv[3]) : 100000;
  // Every page takes two objects (itself and its contents); nodes make up the rest.
  const long budget = objects - kFixedObjects;
  long nodes = 1;
  while (budget - nodes > 0 && (budget - nodes) / 2 > nodes * kids) {
    ++nodes;
  }
  const long pages = (budget - nodes) / 2;
  if (kids < 1 || pages < 1 || kFixedObjects + nodes + 2 * pages != objects) {
    fprintf(stderr, "cannot lay out %ld objects with %ld kids per node (try one more or less)\n",
            objects, kids);
    return 2;
  }
  FILE* file = fopen(argv[1], "wb");
  if (file == nullptr) {
    perror(argv[1]);
    return 1;
  }
  Writer out(file);
  Deflater deflater;
  std::vector<long> offsets(static_cast<size_t>(objects) + 1, 0);
  auto begin = [&](long number) {
    offsets[static_cast<size_t>(number)] = out.offset();
    out.Printf("%ld 0 obj\n", number);
  };
  const long first_node = kFixedObjects + 1;
  const long first_page = first_node + nodes;  // page i is first_page + 2i, its contents + 1

  out.Put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
  begin(kCatalog);
  out.Printf("<< /Type /Catalog /Pages %ld 0 R >>\nendobj\n", kPagesRoot);
  begin(kPagesRoot);
  out.Put("<< /Type /Pages /MediaBox [0 0 612 792] /Kids [");
  for (long n = 0; n < nodes; ++n) {
    out.Printf(n == 0 ? "%ld 0 R" : " %ld 0 R", first_node + n);
  }
  out.Printf("] /Count %ld /Resources %ld 0 R >>\nendobj\n", pages, kResources);
  begin(kInfo);
  out.Put("<< /Title (Quorvel benchmark file) /Producer (make_large_pdf) >>\nendobj\n");
  begin(kFont);
  out.Put("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>\nendobj\n");
  begin(kResources);
  out.Printf(
      "<< /Font << /F1 %ld 0 R /F2 %ld 0 R /F3 %ld 0 R /F4 %ld 0 R >> /ProcSet [/PDF /Text] "
      ">>\nendobj\n",
      kFont, kFont, kFont, kFont);
  for (long n = 0; n < nodes; ++n) {
    const long first = n * kids;
    const long last = std::min(pages, first + kids);
    begin(first_node + n);
    out.Printf("<< /Type /Pages /Parent %ld 0 R /Count %ld /Kids [", kPagesRoot, last - first);
    for (long i = first; i < last; ++i) {
      out.Printf(i == first ? "%ld 0 R" : " %ld 0 R", first_page + 2 * i);
    }
    out.Put("] >>\nendobj\n");
  }
  // Cut after the last whole text object, so the contents stay valid.
  const std::vector<uint8_t> content = MakeContentText(kFirstContentsSize, 7);
  std::string first_text(content.begin(), content.end());
  first_text.resize(first_text.rfind("ET\n") + 3);
  for (long i = 0; i < pages; ++i) {
    const long page = first_page + 2 * i;
    begin(page);
    out.Printf("<< /Type /Page /Parent %ld 0 R /Contents %ld 0 R >>\nendobj\n",
               first_node + i / kids, page + 1);
    std::string text = i == 0 ? first_text
                              : "BT /F1 24 Tf 72 712 Td (Page " + std::to_string(i + 1) +
                                    ") Tj ET\n0 0 1 RG 72 700 m 540 700 l S\n";
    const std::string& data = deflater.Compress(text);
    begin(page + 1);
    out.Printf("<< /Length %ld /Filter /FlateDecode >>\nstream\n", static_cast<long>(data.size()));
    out.Put(data);
    out.Put("\nendstream\nendobj\n");
  }
  const long xref = out.offset();
  out.Printf("xref\n0 %ld\n0000000000 65535 f \n", objects + 1);
  for (long n = 1; n <= objects; ++n) {
    out.Printf("%010ld 00000 n \n", offsets[static_cast<size_t>(n)]);
  }
  out.Printf("trailer\n<< /Size %ld /Root %ld 0 R /Info %ld 0 R", objects + 1, kCatalog, kInfo);
  out.Put(" /ID [<51756F7276656C2062656E6368> <51756F7276656C2062656E6368>] >>\n");
  out.Printf("startxref\n%ld\n%%%%EOF\n", xref);
  const bool written = out.Flush() && fclose(file) == 0;
  if (!written) {
    fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  printf("%s: %ld objects (%ld pages under %ld nodes of up to %ld), %.1f MB\n", argv[1], objects,
         pages, nodes, kids, out.offset() / 1e6);
  return 0;
}
