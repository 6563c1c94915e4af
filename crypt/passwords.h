// The password algorithms of the standard security handler (ISO 32000-2
// section 7.6.4): the file key from a user password, the check of a user or
// owner password, for revisions 2 to 4 (MD5 and RC4) and 5 and 6 (SHA-2 and
// AES).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace pdfcrypt {

// The entries of the Encrypt dictionary the algorithms read, already checked
// for their sizes.
struct PasswordData {
  int32_t r = 0;
  size_t key_bytes = 0;     // 5 to 16 for revisions 2 to 4, 32 after
  std::vector<uint8_t> o;   // 32 bytes (48 from revision 5)
  std::vector<uint8_t> u;   // 32 bytes (48 from revision 5)
  std::vector<uint8_t> oe;  // 32 bytes, revisions 5 and 6
  std::vector<uint8_t> ue;  // 32 bytes, revisions 5 and 6
  uint32_t p = 0;
  std::vector<uint8_t> id0;    // the first string of the trailer's ID
  std::vector<uint8_t> perms;  // revision 6: P enciphered under the file key, or empty
  bool encrypt_metadata = true;
};

// Revisions 2 to 4, Algorithms 2, 4 and 5: the file key if `password` is the
// user password, else empty.
std::vector<uint8_t> UserKeyR4(const PasswordData& data, std::span<const uint8_t> password);

// Revisions 2 to 4, Algorithm 7: the user password that `password` recovers
// from O when it is the owner password (to be checked as a user password).
std::vector<uint8_t> UserPasswordFromOwnerR4(const PasswordData& data,
                                             std::span<const uint8_t> password);

// Revisions 5 and 6, Algorithm 2.A: the file key if `password` is the user
// (owner == false) or the owner password, else empty.
std::vector<uint8_t> KeyR6(const PasswordData& data, std::span<const uint8_t> password, bool owner);

// Perms, enciphered and in clear.
inline constexpr size_t kPermsBytes = 16;

// Revision 6: Perms deciphered under the file key, 16 bytes; empty when it
// is missing or cannot be deciphered.
std::vector<uint8_t> DecipherPerms(const PasswordData& data, std::span<const uint8_t> key);
// P as Perms' first four bytes hold it, least significant first.
uint32_t PermsP(std::span<const uint8_t> perms);

// Algorithm 2.B (revision 6), or plain SHA-256 for revision 5: the 32-byte hash
// of the password with an 8-byte salt and the extra bytes (U for the owner).
std::vector<uint8_t> HashR6(int32_t r, std::span<const uint8_t> password,
                            std::span<const uint8_t> salt, std::span<const uint8_t> extra);

}  // namespace pdfcrypt
