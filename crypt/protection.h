// What a document's encryption is, in the terms the detail pane shows: the
// handler, its version and revision, the cipher, the password that opened it
// and the permissions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pdfcrypt {

enum class Algorithm { kNone, kRc4, kAesV2, kAesV3, kIdentity };

enum class OpenedWith { kNone, kEmptyUserPassword, kUserPassword, kOwnerPassword };

struct Protection {
  std::string handler;  // the Filter name, "Standard"
  int32_t v = 0;
  int32_t r = 0;
  Algorithm algorithm = Algorithm::kNone;  // of the streams (strings when they differ)
  int32_t key_bits = 0;
  OpenedWith opened_with = OpenedWith::kNone;
  uint32_t permissions = 0;  // P as the bits it is
  bool encrypt_metadata = true;
};

// The cipher alone: "AES-256", "RC4-40".
std::string AlgorithmName(const Protection& protection);

// Lines for the detail pane: handler and revision, cipher and key, the
// password that opened the file, then one line per permission.
std::vector<std::string> DescribeProtection(const Protection& protection);

// "AES-256, revision 6": for the finding that names the encryption.
std::string ProtectionSummary(const Protection& protection);

}  // namespace pdfcrypt
