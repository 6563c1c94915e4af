// Writes the large file the benchmarks read: a classic PDF of exactly `objects`
// objects listed in one cross-reference subsection, with a balanced two-level
// page tree (the root's Kids are nodes of up to `kids` pages each) and one small
// Flate content stream per page. The first page's contents fill most of the
// viewer's 4095-byte text buffer, so that describing it is a real inflate.
// With --contents BYTES every page's contents are that much text instead (after
// its "(Page N)" line), for the benchmarks that search decoded streams.
//
// Usage: make_large_pdf [--modern] [--contents BYTES] OUT.pdf [OBJECTS [KIDS]]
//        (defaults 1000000 100000)
#include <zlib.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// Content streams get small windows: each is tiny, and a full-size deflate
// state would make resetting it for half a million streams the slowest part of
// the generator. Object and cross-reference streams are few and larger, and get
// the usual 32 KiB window.
class Deflater {
 public:
  explicit Deflater(int window_bits, int memory_level) {
    deflateInit2(&z_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, window_bits, memory_level,
                 Z_DEFAULT_STRATEGY);
  }
  ~Deflater() { deflateEnd(&z_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;
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

// Where each object lives, as a cross-reference stream row says it: type 1 at
// an offset, or type 2 at an index of an object stream.
struct Entry {
  uint8_t type = 0;
  uint32_t field2 = 0;  // offset, or the object stream's number
  uint16_t field3 = 0;  // generation, or the index in the object stream
};

// The objects of the body, written one by one. Classic: every object at its own
// offset. Modern: objects that are no streams gather into object streams of
// kPerObjectStream objects, numbered after the document's own objects, as
// pdfTeX and qpdf write them; streams stay plain objects.
class Body {
 public:
  Body(Writer* out, long objects, bool modern)
      : out_(out),
        modern_(modern),
        entries_(static_cast<size_t>(objects) + 1),
        next_container_(objects + 1),
        packer_(/*window_bits=*/15, /*memory_level=*/8) {}

  void Object(long number, const std::string& text) {
    if (!modern_) {
      Begin(number);
      out_->Put(text);
      out_->Put("\nendobj\n");
      return;
    }
    char pair[32];
    const int n = snprintf(pair, sizeof pair, "%ld %zu ", number, members_text_.size());
    members_index_.append(pair, static_cast<size_t>(n));
    members_text_ += text;
    members_text_ += '\n';
    members_.push_back(number);
    if (members_.size() == kPerObjectStream) {
      FlushObjectStream();
    }
  }

  void Stream(long number, const std::string& dictionary, const std::string& data) {
    Begin(number);
    out_->Put(dictionary);
    out_->Put("\nstream\n");
    out_->Put(data);
    out_->Put("\nendstream\nendobj\n");
  }

  // The cross-reference section or stream, the trailer and the end marker.
  void Finish(long catalog, long info) {
    static constexpr char kId[] = "/ID [<51756F7276656C2062656E6368> <51756F7276656C2062656E6368>]";
    if (!modern_) {
      const long objects = static_cast<long>(entries_.size()) - 1;
      const long xref = out_->offset();
      out_->Printf("xref\n0 %ld\n0000000000 65535 f \n", objects + 1);
      for (long n = 1; n <= objects; ++n) {
        out_->Printf("%010ld 00000 n \n",
                     static_cast<long>(entries_[static_cast<size_t>(n)].field2));
      }
      out_->Printf("trailer\n<< /Size %ld /Root %ld 0 R /Info %ld 0 R", objects + 1, catalog, info);
      out_->Printf(" %s >>\n", kId);
      out_->Printf("startxref\n%ld\n%%%%EOF\n", xref);
      return;
    }
    if (!members_.empty()) {
      FlushObjectStream();
    }
    const long self = next_container_++;
    const long xref = out_->offset();
    Entry& own = At(self);
    own.type = 1;
    own.field2 = static_cast<uint32_t>(xref);
    entries_[0] = {0, 0, 65535};  // the head of the free list
    const std::string& data = packer_.Compress(XRefRows());
    out_->Printf("%ld 0 obj\n<< /Type /XRef /Size %zu /W [1 %d %d] /Root %ld 0 R /Info %ld 0 R ",
                 self, entries_.size(), kField2Width, kField3Width, catalog, info);
    out_->Printf("%s /Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns %d >> ", kId,
                 kRowWidth);
    out_->Printf("/Length %zu >>\nstream\n", data.size());
    out_->Put(data);
    out_->Printf("\nendstream\nendobj\nstartxref\n%ld\n%%%%EOF\n", xref);
  }

  size_t ObjectStreams() const { return object_streams_; }
  size_t Size() const { return entries_.size(); }

 private:
  static constexpr size_t kPerObjectStream = 100;
  static constexpr int kField2Width = 4;
  static constexpr int kField3Width = 2;
  static constexpr int kRowWidth = 1 + kField2Width + kField3Width;

  Entry& At(long number) {
    if (static_cast<size_t>(number) >= entries_.size()) {
      entries_.resize(static_cast<size_t>(number) + 1);
    }
    return entries_[static_cast<size_t>(number)];
  }

  void Begin(long number) {
    Entry& entry = At(number);
    entry.type = 1;
    entry.field2 = static_cast<uint32_t>(out_->offset());
    out_->Printf("%ld 0 obj\n", number);
  }

  void FlushObjectStream() {
    const long number = next_container_++;
    for (size_t i = 0; i < members_.size(); ++i) {
      At(members_[i]) = {2, static_cast<uint32_t>(number), static_cast<uint16_t>(i)};
    }
    members_index_.back() = '\n';
    const size_t first = members_index_.size();
    const std::string& data = packer_.Compress(members_index_ + members_text_);
    char dictionary[160];
    snprintf(dictionary, sizeof dictionary,
             "<< /Type /ObjStm /N %zu /First %zu /Length %zu /Filter /FlateDecode >>",
             members_.size(), first, data.size());
    Stream(number, dictionary, data);
    members_.clear();
    members_index_.clear();
    members_text_.clear();
    ++object_streams_;
  }

  // Every entry as one row of big-endian fields, each row after the first
  // stored as its difference from the row above (PNG Up, filter byte 2): the
  // predictor makes the slowly growing offsets compress well.
  std::string XRefRows() const {
    std::string rows(entries_.size() * (kRowWidth + 1), '\0');
    uint8_t previous[kRowWidth] = {};
    for (size_t n = 0; n < entries_.size(); ++n) {
      const Entry& e = entries_[n];
      const uint8_t row[kRowWidth] = {e.type,
                                      static_cast<uint8_t>(e.field2 >> 24),
                                      static_cast<uint8_t>(e.field2 >> 16),
                                      static_cast<uint8_t>(e.field2 >> 8),
                                      static_cast<uint8_t>(e.field2),
                                      static_cast<uint8_t>(e.field3 >> 8),
                                      static_cast<uint8_t>(e.field3)};
      char* out = &rows[n * (kRowWidth + 1)];
      out[0] = 2;
      for (int i = 0; i < kRowWidth; ++i) {
        out[1 + i] = static_cast<char>(static_cast<uint8_t>(row[i] - previous[i]));
        previous[i] = row[i];
      }
    }
    return rows;
  }

  Writer* out_;
  bool modern_;
  std::vector<Entry> entries_;
  long next_container_;
  Deflater packer_;
  std::vector<long> members_;  // the numbers in the open object stream
  std::string members_index_;  // its "number offset" pairs
  std::string members_text_;   // its objects, one after the other
  size_t object_streams_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  bool modern = false;
  long contents_bytes = 0;
  std::vector<const char*> args;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--modern") == 0) {
      modern = true;
    } else if (strcmp(argv[i], "--contents") == 0 && i + 1 < argc) {
      contents_bytes = atol(argv[++i]);
    } else {
      args.push_back(argv[i]);
    }
  }
  if (args.empty()) {
    fprintf(stderr, "usage: %s [--modern] [--contents BYTES] OUT.pdf [OBJECTS [KIDS]]\n", argv[0]);
    return 2;
  }
  const long objects = args.size() > 1 ? atol(args[1]) : 1000000;
  const long kids = args.size() > 2 ? atol(args[2]) : 100000;
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
  FILE* file = fopen(args[0], "wb");
  if (file == nullptr) {
    perror(args[0]);
    return 1;
  }
  Writer out(file);
  Deflater deflater(/*window_bits=*/12, /*memory_level=*/4);
  Body body(&out, objects, modern);
  const long first_node = kFixedObjects + 1;
  const long first_page = first_node + nodes;  // page i is first_page + 2i, its contents + 1
  char line[256];
  auto text = [&line](const char* format, auto... values) {
    snprintf(line, sizeof line, format, values...);
    return std::string(line);
  };

  out.Put(modern ? "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n" : "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
  body.Object(kCatalog, text("<< /Type /Catalog /Pages %ld 0 R >>", kPagesRoot));
  std::string node = "<< /Type /Pages /MediaBox [0 0 612 792] /Kids [";
  for (long n = 0; n < nodes; ++n) {
    node += text(n == 0 ? "%ld 0 R" : " %ld 0 R", first_node + n);
  }
  node += text("] /Count %ld /Resources %ld 0 R >>", pages, kResources);
  body.Object(kPagesRoot, node);
  body.Object(kInfo, "<< /Title (Quorvel benchmark file) /Producer (make_large_pdf) >>");
  body.Object(kFont, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  body.Object(kResources,
              text("<< /Font << /F1 %ld 0 R /F2 %ld 0 R /F3 %ld 0 R /F4 %ld 0 R >> /ProcSet "
                   "[/PDF /Text] >>",
                   kFont, kFont, kFont, kFont));
  for (long n = 0; n < nodes; ++n) {
    const long first = n * kids;
    const long last = std::min(pages, first + kids);
    node = text("<< /Type /Pages /Parent %ld 0 R /Count %ld /Kids [", kPagesRoot, last - first);
    for (long i = first; i < last; ++i) {
      node += text(i == first ? "%ld 0 R" : " %ld 0 R", first_page + 2 * i);
    }
    node += "] >>";
    body.Object(first_node + n, node);
  }
  // Cut after the last whole text object, so the contents stay valid.
  const std::vector<uint8_t> content = MakeContentText(kFirstContentsSize, 7);
  std::string first_text(content.begin(), content.end());
  first_text.resize(first_text.rfind("ET\n") + 3);
  for (long i = 0; i < pages; ++i) {
    const long page = first_page + 2 * i;
    body.Object(page, text("<< /Type /Page /Parent %ld 0 R /Contents %ld 0 R >>",
                           first_node + i / kids, page + 1));
    const std::string title = "BT /F1 24 Tf 72 712 Td (Page " + std::to_string(i + 1) + ") Tj ET\n";
    std::string contents;
    if (contents_bytes > 0) {
      // Each page its own text, so that no two streams compress alike.
      const std::vector<uint8_t> body_text =
          MakeContentText(static_cast<size_t>(contents_bytes), static_cast<uint32_t>(i + 1));
      contents = title + std::string(body_text.begin(), body_text.end());
      contents.resize(contents.rfind("ET\n") + 3);
    } else {
      contents = i == 0 ? first_text : title + "0 0 1 RG 72 700 m 540 700 l S\n";
    }
    const std::string& data = deflater.Compress(contents);
    body.Stream(page + 1,
                text("<< /Length %ld /Filter /FlateDecode >>", static_cast<long>(data.size())),
                data);
  }
  body.Finish(kCatalog, kInfo);
  const bool written = out.Flush() && fclose(file) == 0;
  if (!written) {
    fprintf(stderr, "cannot write %s\n", args[0]);
    return 1;
  }
  printf("%s: %ld objects (%ld pages under %ld nodes of up to %ld)", args[0], objects, pages, nodes,
         kids);
  if (modern) {
    printf(", %zu object streams, one cross-reference stream (Size %zu)", body.ObjectStreams(),
           body.Size());
  }
  printf(", %.1f MB\n", out.offset() / 1e6);
  return 0;
}
