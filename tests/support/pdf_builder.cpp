#include "tests/support/pdf_builder.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

PdfBuilder::PdfBuilder(std::string_view header) : bytes_(header) {}

PdfBuilder& PdfBuilder::Raw(std::string_view bytes) {
  bytes_.append(bytes);
  return *this;
}

size_t PdfBuilder::Object(int number, std::string_view body, int generation) {
  size_t offset = bytes_.size();
  offsets_[number] = offset;
  bytes_ += std::to_string(number) + " " + std::to_string(generation) + " obj\n";
  bytes_.append(body);
  bytes_ += "\nendobj\n";
  return offset;
}

size_t PdfBuilder::Stream(int number, std::string_view entries, std::string_view data) {
  std::string body = "<< ";
  body.append(entries);
  body += " /Length " + std::to_string(data.size()) + " >>\nstream\n";
  body.append(data);
  body += "\nendstream";
  return Object(number, body);
}

size_t PdfBuilder::XrefSection(int first, int count) {
  size_t offset = bytes_.size();
  bytes_ += "xref\n" + std::to_string(first) + " " + std::to_string(count) + "\n";
  char line[32];
  for (int number = first; number < first + count; ++number) {
    auto it = offsets_.find(number);
    if (number == 0 || it == offsets_.end()) {
      snprintf(line, sizeof line, "%010d %05d f \n", 0, 65535);
    } else {
      snprintf(line, sizeof line, "%010zu %05d n \n", it->second, 0);
    }
    bytes_ += line;
  }
  return offset;
}

PdfBuilder& PdfBuilder::Trailer(std::string_view body, size_t xref_offset) {
  bytes_ += "trailer\n<< ";
  bytes_.append(body);
  bytes_ += " >>\nstartxref\n" + std::to_string(xref_offset) + "\n%%EOF\n";
  return *this;
}

size_t PdfBuilder::Finish(std::string_view entries) {
  int highest = offsets_.empty() ? 0 : offsets_.rbegin()->first;
  // An update's section lists only its own objects: one subsection from its
  // lowest to its highest number.
  int lowest = (last_section_ >= 0 && !offsets_.empty()) ? offsets_.begin()->first : 0;
  highest_ever_ = std::max(highest_ever_, highest);
  size_t offset = XrefSection(lowest, highest - lowest + 1);
  std::string body = "/Size " + std::to_string(highest_ever_ + 1) + " ";
  body.append(entries);
  if (last_section_ >= 0) {
    body += " /Prev " + std::to_string(last_section_);
  }
  Trailer(body, offset);
  last_section_ = static_cast<long>(offset);
  return offset;
}

size_t PdfBuilder::OffsetOf(int number) const {
  auto it = offsets_.find(number);
  return it == offsets_.end() ? 0 : it->second;
}

void PdfBuilder::WriteFile(const std::string& path) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes_.data(), static_cast<std::streamsize>(bytes_.size()));
  if (!out) {
    throw std::runtime_error("cannot write " + path);
  }
}

void PdfBuilder::StartUpdate() {
  offsets_.clear();
}

std::string MinimalPdf() {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [4 0 R] /Count 1 >>");
  b.Object(3, "<< /Title (Minimal) /Producer (Quorvel tests) >>");
  b.Object(4, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 5 0 R >>");
  b.Stream(5, "", "BT /F1 24 Tf 72 712 Td (Hello) Tj ET");
  b.Finish(
      "/Root 1 0 R /Info 3 0 R /ID [<00112233445566778899aabbccddeeff> "
      "<00112233445566778899aabbccddeeff>]");
  return b.Bytes();
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

TempFile::TempFile(std::string_view contents, std::string_view suffix) {
  const char* dir = getenv("TMPDIR");
  std::string pattern = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") +
                        "/quorvel-test-XXXXXX" + std::string(suffix);
  std::string buffer = pattern;
  int fd = mkstemps(buffer.data(), static_cast<int>(suffix.size()));
  if (fd < 0) {
    throw std::runtime_error("mkstemps failed");
  }
  size_t done = 0;
  while (done < contents.size()) {
    ssize_t n = write(fd, contents.data() + done, contents.size() - done);
    if (n <= 0) {
      close(fd);
      throw std::runtime_error("write failed");
    }
    done += static_cast<size_t>(n);
  }
  close(fd);
  path_ = buffer;
}

TempFile::~TempFile() {
  unlink(path_.c_str());
}
