// Signing test files with poppler's pdfsig, from a self-signed certificate
// that openssl makes and an NSS database that certutil and pk12util fill,
// all in a directory of its own that goes with the object.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The names of the programs signing needs that are not installed; empty
// when all are.
std::string MissingSigningTools();

// `bytes` with an incremental update after them that rewrites object
// `number` as a stream of `data`; its trailer keeps the newest one's Size
// and has Root 1 0 R and Info 3 0 R (as MinimalPdf's).
std::string WithUpdatedStream(const std::string& bytes, int number, std::string_view data);

// What pdfsig's verification says of a file's first signature.
struct SignatureReport {
  int64_t byte_range[4] = {0, 0, 0, 0};  // from its "Signed Ranges" line
  bool total = false;                    // "Total document signed"
};

class PdfSigner {
 public:
  // Makes the certificate and the database; ready() tells whether it could.
  PdfSigner();
  ~PdfSigner();
  PdfSigner(const PdfSigner&) = delete;
  PdfSigner& operator=(const PdfSigner&) = delete;
  bool ready() const { return ready_; }

  // The file `unsigned_bytes` signed by pdfsig, an incremental update of it.
  bool Sign(const std::string& unsigned_bytes, std::string* signed_bytes);
  // pdfsig's verification of the file at `path`; false when it reports no
  // signature or its ranges cannot be read.
  bool Verify(const std::string& path, SignatureReport* report);

 private:
  std::string dir_;
  bool ready_ = false;
};
