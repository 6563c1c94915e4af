// Writes small classic PDF files with exact byte offsets, for tests, samples and
// benchmarks: indirect objects, streams, cross-reference sections with one
// subsection, trailers, and incremental updates (further sections with Prev).
#pragma once

#include <map>
#include <string>
#include <string_view>

class PdfBuilder {
 public:
  // The header line goes first, exactly as given (pass "" for none).
  explicit PdfBuilder(std::string_view header = "%PDF-1.4\n");

  // Appends bytes as they are.
  PdfBuilder& Raw(std::string_view bytes);

  // "N G obj\n" body "\nendobj\n"; records the offset of the header line for N and
  // returns it.
  size_t Object(int number, std::string_view body, int generation = 0);

  // A stream object: "N 0 obj\n<< entries /Length len >>\nstream\n" data
  // "\nendstream\nendobj\n". `entries` are the other dictionary entries.
  size_t Stream(int number, std::string_view entries, std::string_view data);

  // Writes "xref\nFIRST COUNT\n" and one 20-byte entry per number: in use with the
  // recorded offset, or free ("0000000000 65535 f") when nothing was recorded.
  // Object 0 is always free. Returns the section's offset.
  size_t XrefSection(int first, int count);

  // "trailer\n<< body >>\nstartxref\nOFFSET\n%%EOF\n".
  PdfBuilder& Trailer(std::string_view body, size_t xref_offset);

  // Section covering 0 .. highest recorded number (after StartUpdate: the lowest
  // to the highest number recorded since), then a trailer whose body is "/Size N "
  // (N one above the highest number ever recorded) followed by `entries`, and
  // " /Prev P" when an earlier section was written by Finish. Returns the
  // section's offset.
  size_t Finish(std::string_view entries);

  // Offset recorded for an object number (0 when none).
  size_t OffsetOf(int number) const;
  size_t Size() const { return bytes_.size(); }
  const std::string& Bytes() const { return bytes_; }
  // Writes the bytes to a file; throws std::runtime_error on failure.
  void WriteFile(const std::string& path) const;

  // Forget the offsets recorded so far (start of an incremental update whose
  // section should only list its own objects).
  void StartUpdate();

 private:
  std::string bytes_;
  std::map<int, size_t> offsets_;
  long last_section_ = -1;
  int highest_ever_ = 0;
};

// A small valid document: catalog 1, page tree root 2, info 3, one page 4 with a
// content stream 5; trailer with Size, Root, Info and ID.
std::string MinimalPdf();

// The whole file's bytes ("" when it cannot be read).
std::string ReadAll(const std::string& path);

// A temporary file removed when the object dies.
class TempFile {
 public:
  explicit TempFile(std::string_view contents, std::string_view suffix = ".pdf");
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};
