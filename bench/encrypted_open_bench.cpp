// What encryption costs a modern open: the large file in object streams as
// qpdf writes it, once encrypted (AES-256, revision 6, the empty user password,
// as producers leave it) and once in clear, each opened in modern mode with
// the four top-level items made, alternating, best of several rounds. The
// open must derive the key once and decipher only the object streams that
// the items need; a counting open checks both, untimed.
//
// Usage: encrypted_open_bench PLAIN.pdf ENCRYPTED.pdf
#include <algorithm>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_report.h"
#include "crypt/document_decryptor.h"
#include "describe/labels.h"
#include "describe/open_mode.h"
#include "describe/viewer_document.h"
#include "diag/messages.h"
#include "pdf/object_stream.h"

namespace {

constexpr int kRounds = 9;
constexpr double kMostDearer = 1.05;

int Quiet(const char*) {
  return 0;
}

// What the counting open saw the handler do.
struct Counts {
  int derivations = 0;  // handlers made, each deriving the key once
  long strings = 0;
  long streams = 0;
};
Counts g_counts;

class CountingDecryptor : public pdf::Decryptor {
 public:
  explicit CountingDecryptor(std::unique_ptr<pdf::Decryptor> inner) : inner_(std::move(inner)) {}
  bool DecryptString(int32_t number, int32_t generation,
                     std::vector<uint8_t>* bytes) const override {
    ++g_counts.strings;
    return inner_->DecryptString(number, generation, bytes);
  }
  bool DecryptStream(int32_t number, int32_t generation, pdf::Dictionary* stream,
                     std::span<const uint8_t> data, std::vector<uint8_t>* out,
                     std::string* why) const override {
    ++g_counts.streams;
    return inner_->DecryptStream(number, generation, stream, data, out, why);
  }
  std::unique_ptr<pdf::StreamPieces> DecryptStreamPieces(
      int32_t number, int32_t generation, pdf::Dictionary* stream,
      std::span<const uint8_t> data) const override {
    std::unique_ptr<pdf::StreamPieces> pieces =
        inner_->DecryptStreamPieces(number, generation, stream, data);
    g_counts.streams += pieces != nullptr ? 1 : 0;
    return pieces;
  }

 private:
  std::unique_ptr<pdf::Decryptor> inner_;
};

// The handler's maker in both forms: at once, and prepared for the job the
// open may run on a second thread while it reads the cross-reference stream.
pdf::DecryptorJob CountingPreparer(pdf::Object* encrypt, pdf::Object* id,
                                   std::string_view password) {
  return [job = pdfcrypt::PrepareDocumentDecryptor(encrypt, id, password)] {
    ++g_counts.derivations;
    pdf::DecryptorResult result = job();
    if (result.decryptor != nullptr) {
      result.decryptor = std::make_unique<CountingDecryptor>(std::move(result.decryptor));
    }
    return result;
  };
}

pdf::DecryptorResult CountingFactory(pdf::Object* encrypt, pdf::Object* id,
                                     std::string_view password) {
  return CountingPreparer(encrypt, id, password)();
}

// The page tree's root as the tree shows it, which only a correct key reads
// (qpdf adds Extensions to the catalog and Encrypt and ID to the trailer of
// the encrypted file, so the top-level items differ in their counts).
std::string ShownPages(ViewerDocument& doc) {
  std::string text;
  for (const TreeItem& item : ChildItems(doc.xref->trailer->Get("Root")->Get("Pages"))) {
    text += item.label + "\n";
  }
  return text;
}

// One timed open with the top-level items made; the document is freed
// untimed. False when the file does not open.
bool TimedOpen(const std::string& path, std::vector<double>* seconds, size_t* heap) {
  auto doc = std::make_unique<ViewerDocument>();
  bool ok = false;
  size_t items = 0;
  const size_t before = bench::HeapBytes();
  seconds->push_back(bench::Seconds([&] {
    ok = doc->Open(path.c_str(), OpenOptionsFor(pdf::Mode::kModern));
    items = ok ? TopLevelItems(*doc).size() : 0;
  }));
  *heap = bench::HeapBytes() - before;
  doc.reset();
  return ok && items == 4;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s PLAIN.pdf ENCRYPTED.pdf\n", argv[0]);
    return 2;
  }
  const std::string plain = argv[1];
  const std::string encrypted = argv[2];
  g_error_sink = Quiet;
  g_warning_sink = Quiet;
  g_trace_sink = Quiet;

  // Untimed: the counting open of the encrypted file, then the same items
  // from the file in clear.
  pdf::OpenOptions counting = OpenOptionsFor(pdf::Mode::kModern);
  counting.decryptor = CountingFactory;
  counting.prepare_decryptor = CountingPreparer;
  ViewerDocument doc;
  if (!doc.Open(encrypted.c_str(), counting) || !doc.Decrypting()) {
    fprintf(stderr, "%s: does not open as an encrypted file\n", encrypted.c_str());
    return 1;
  }
  TopLevelItems(doc);
  const Counts at_open = g_counts;
  const size_t decoded = doc.ObjectStreams().Decodings();
  const std::string shown = ShownPages(doc);
  doc.Close();
  ViewerDocument clear;
  if (!clear.Open(plain.c_str(), OpenOptionsFor(pdf::Mode::kModern)) || clear.Decrypting()) {
    fprintf(stderr, "%s: does not open as a file in clear\n", plain.c_str());
    return 1;
  }
  const bool same_items = !shown.empty() && ShownPages(clear) == shown;
  clear.Close();
  if (!same_items) {
    fprintf(stderr, "the encrypted file shows another page tree than the file in clear:\n%s",
            shown.c_str());
    return 1;
  }

  std::vector<double> plain_times;
  std::vector<double> encrypted_times;
  size_t plain_heap = 0;
  size_t encrypted_heap = 0;
  for (int round = 0; round <= kRounds; ++round) {  // round 0 warms up
    if (!TimedOpen(plain, &plain_times, &plain_heap) ||
        !TimedOpen(encrypted, &encrypted_times, &encrypted_heap)) {
      fprintf(stderr, "an open failed\n");
      return 1;
    }
    if (round == 0) {
      plain_times.clear();
      encrypted_times.clear();
    }
  }
  const double plain_best = *std::min_element(plain_times.begin(), plain_times.end());
  const double encrypted_best = *std::min_element(encrypted_times.begin(), encrypted_times.end());
  const double dearer = encrypted_best / plain_best;
  // Only what the items need is deciphered: every stream deciphered is an
  // object stream the open decoded.
  const bool lazy = at_open.derivations == 1 && at_open.streams == static_cast<long>(decoded);
  const double streams = static_cast<double>(at_open.streams);
  const double strings = static_cast<double>(at_open.strings);
  bench::Print(
      {"open the modern file encrypted (AES-256 R6, empty user password) + 4 top-level "
       "items, vs in clear",
       bench::Format("%.0f ms, %.3f x clear", encrypted_best * 1e3, dearer),
       bench::Format("in clear %.0f ms; key derived %.0f x, ", plain_best * 1e3,
                     at_open.derivations) +
           bench::Format("%.0f stream(s), %.0f string(s) deciphered", streams, strings),
       -1, bench::Format("encrypted / clear <= %.2f, key derived once", kMostDearer),
       dearer <= kMostDearer && lazy,
       bench::Format("heap %.1f MB (%.1f MB in clear)", encrypted_heap / 1e6, plain_heap / 1e6)});
  return lazy ? 0 : 1;
}
