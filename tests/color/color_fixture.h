// Objects of a small PDF built at test time and opened in modern mode, for the
// colour space and function loaders; and Ghostscript as the oracle.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "filters/filter_chain.h"
#include "pdf/document.h"
#include "tests/support/pdf_builder.h"

class PdfObjects {
 public:
  PdfObjects() {
    b_.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    b_.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  }
  // Objects numbered 3 and up.
  void Object(int number, const std::string& body) { b_.Object(number, body); }
  void Stream(int number, const std::string& entries, const std::string& data) {
    b_.Stream(number, entries, data);
  }
  // Opens the file on first use; the objects live as long as this.
  pdf::Object* Get(int number) {
    if (!open_) {
      b_.Finish("/Root 1 0 R");
      bytes_ = b_.Bytes();
      pdf::OpenOptions options;
      options.mode = pdf::Mode::kModern;
      options.decoder = DecodeStreamFully;
      EXPECT_TRUE(
          doc_.OpenMemory(bytes_.data(), static_cast<int32_t>(bytes_.size()), "t.pdf", options));
      open_ = true;
    }
    return doc_.GetObject(number, 0);
  }

 private:
  PdfBuilder b_;
  std::string bytes_;
  pdf::Document doc_;
  bool open_ = false;
};

// What a shell command printed on its standard output.
inline std::string CommandOutput(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    return out;
  }
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
    out.append(buffer, n);
  }
  pclose(pipe);
  return out;
}
