#include "crypt/protection.h"

namespace pdfcrypt {

namespace {

std::string CipherWithMethod(const Protection& protection) {
  switch (protection.algorithm) {
    case Algorithm::kRc4:
      return "RC4";
    case Algorithm::kAesV2:
      return "AES-128 (AESV2)";
    case Algorithm::kAesV3:
      return "AES-256 (AESV3)";
    case Algorithm::kIdentity:
      return "no cipher (Identity)";
    case Algorithm::kNone:
      break;
  }
  return "no cipher";
}

std::string OpenedText(OpenedWith opened) {
  switch (opened) {
    case OpenedWith::kEmptyUserPassword:
      return "Opened with the empty user password";
    case OpenedWith::kUserPassword:
      return "Opened with the user password";
    case OpenedWith::kOwnerPassword:
      return "Opened with the owner password";
    case OpenedWith::kNone:
      break;
  }
  return "Not opened: no password matched";
}

}  // namespace

std::string AlgorithmName(const Protection& protection) {
  switch (protection.algorithm) {
    case Algorithm::kRc4:
      return "RC4-" + std::to_string(protection.key_bits);
    case Algorithm::kAesV2:
      return "AES-128";
    case Algorithm::kAesV3:
      return "AES-256";
    case Algorithm::kIdentity:
      return "Identity";
    case Algorithm::kNone:
      break;
  }
  return "none";
}

std::vector<std::string> DescribeProtection(const Protection& protection) {
  std::vector<std::string> lines;
  lines.push_back(protection.handler + " security handler, revision " +
                  std::to_string(protection.r));
  lines.push_back(CipherWithMethod(protection) + ", " + std::to_string(protection.key_bits) +
                  "-bit key");
  lines.push_back(OpenedText(protection.opened_with));
  if (!protection.encrypt_metadata) {
    lines.push_back("Metadata left unencrypted");
  }
  // Bit numbers count from 1 as ISO 32000 Table 22 does. Revision 2 has only
  // bits 3 to 6; the later bits' permissions follow from them there.
  struct Permission {
    int bit;
    int revision2_bit;
    const char* name;
  };
  static constexpr Permission kPermissions[] = {
      {3, 3, "Print"},
      {4, 4, "Modify"},
      {5, 5, "Copy and extract text"},
      {6, 6, "Annotate"},
      {9, 6, "Fill forms"},
      {10, 5, "Extract for accessibility"},
      {11, 4, "Assemble"},
      {12, 3, "Print high quality"},
  };
  for (const Permission& permission : kPermissions) {
    const int bit = protection.r >= 3 ? permission.bit : permission.revision2_bit;
    bool allowed = (protection.permissions >> (bit - 1)) & 1u;
    lines.push_back(std::string(permission.name) + (allowed ? ": allowed" : ": not allowed"));
  }
  return lines;
}

std::string ProtectionSummary(const Protection& protection) {
  return AlgorithmName(protection) + ", revision " + std::to_string(protection.r);
}

}  // namespace pdfcrypt
