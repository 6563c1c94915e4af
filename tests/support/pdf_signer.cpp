#include "tests/support/pdf_signer.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/command_output.h"
#include "tests/support/pdf_builder.h"

namespace {

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

// The number after the last `key` of the file, as its newest trailer has it.
long long LastNumberAfter(const std::string& bytes, const std::string& key) {
  const size_t at = bytes.rfind(key);
  return at == std::string::npos ? -1 : std::strtoll(bytes.c_str() + at + key.size(), nullptr, 10);
}

}  // namespace

std::string WithUpdatedStream(const std::string& bytes, int number, std::string_view data) {
  PdfBuilder b("");
  b.Raw(bytes);
  b.StartUpdate();
  b.Stream(number, "", data);
  const size_t section = b.XrefSection(number, 1);
  b.Trailer("/Size " + std::to_string(LastNumberAfter(bytes, "/Size")) +
                " /Root 1 0 R /Info 3 0 R /Prev " +
                std::to_string(LastNumberAfter(bytes, "startxref")),
            section);
  return b.Bytes();
}

std::string MissingSigningTools() {
  std::string missing;
  for (const char* tool : {"openssl", "certutil", "pk12util", "pdfsig"}) {
    std::string out;
    if (!CaptureCommand(std::string("command -v ") + tool, &out)) {
      missing += missing.empty() ? tool : std::string(" ") + tool;
    }
  }
  return missing;
}

PdfSigner::PdfSigner() {
  const char* tmp = getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/quorvel-signer-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    return;
  }
  dir_ = pattern;
  // The database has no password; the .p12 has one because pk12util asks
  // for it otherwise.
  // In parentheses, so that the standard error of every step is discarded.
  const std::string command =
      "(cd " + Quoted(dir_) +
      " && openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 30"
      " -subj '/CN=Quorvel Test Signer'"
      " && openssl pkcs12 -export -in cert.pem -inkey key.pem -out signer.p12 -name signer"
      " -passout pass:pw"
      " && mkdir db && certutil -N -d sql:db --empty-password"
      " && pk12util -i signer.p12 -d sql:db -W pw)";
  std::string out;
  ready_ = CaptureCommand(command, &out);
}

PdfSigner::~PdfSigner() {
  if (!dir_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
}

bool PdfSigner::Sign(const std::string& unsigned_bytes, std::string* signed_bytes) {
  signed_bytes->clear();
  if (!ready_) {
    return false;
  }
  const std::string in = dir_ + "/in.pdf";
  const std::string out = dir_ + "/out.pdf";
  {
    std::ofstream file(in, std::ios::binary | std::ios::trunc);
    file.write(unsigned_bytes.data(), static_cast<std::streamsize>(unsigned_bytes.size()));
    if (!file) {
      return false;
    }
  }
  std::filesystem::remove(out);
  std::string ignored;
  if (!CaptureCommand("pdfsig -add-signature -nssdir sql:" + Quoted(dir_ + "/db") +
                          " -nick signer -kpw '' " + Quoted(in) + " " + Quoted(out),
                      &ignored)) {
    return false;
  }
  std::ifstream file(out, std::ios::binary);
  signed_bytes->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !signed_bytes->empty();
}

bool PdfSigner::Verify(const std::string& path, SignatureReport* report) {
  *report = SignatureReport{};
  std::string out;
  // pdfsig's exit status tells of the certificate's trust too; the report
  // is what is wanted here.
  CaptureCommand("pdfsig -nssdir sql:" + Quoted(dir_ + "/db") + " " + Quoted(path), &out);
  const size_t ranges = out.find("Signed Ranges:");
  if (ranges == std::string::npos) {
    return false;
  }
  long long a = 0;
  long long b = 0;
  long long c = 0;
  long long d = 0;
  if (sscanf(out.c_str() + ranges, "Signed Ranges: [%lld - %lld], [%lld - %lld]", &a, &b, &c, &d) !=
      4) {
    return false;
  }
  report->byte_range[0] = a;
  report->byte_range[1] = b - a;
  report->byte_range[2] = c;
  report->byte_range[3] = d - c;
  report->total = out.find("Total document signed") != std::string::npos &&
                  out.find("Not total document signed") == std::string::npos;
  return true;
}
