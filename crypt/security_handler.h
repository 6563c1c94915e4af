// The standard security handler of ISO 32000: opens an encrypted document with
// a password and deciphers its strings and streams object by object, so that
// the document loader can call it as it reads.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "crypt/encrypt_entries.h"
#include "crypt/protection.h"
#include "pdf/decryptor.h"

namespace pdf {
class Object;
}  // namespace pdf

namespace pdfcrypt {

class SecurityHandler {
 public:
  // Tries `password` (UTF-8 as typed; "" is the empty password) as the user
  // password, then as the owner password. Null with the reason in `why` when
  // neither matches or the Encrypt dictionary cannot be used.
  static std::unique_ptr<SecurityHandler> Open(pdf::Object* encrypt_dict, pdf::Object* id_array,
                                               std::string_view password, std::string* why);
  // The same, saying in `wrong_password` whether the entries were usable and
  // only the password failed.
  static std::unique_ptr<SecurityHandler> Open(pdf::Object* encrypt_dict, pdf::Object* id_array,
                                               std::string_view password, std::string* why,
                                               bool* wrong_password);
  // The same from entries already read: touches no object of the document,
  // so it may run on another thread while the document is read on.
  static std::unique_ptr<SecurityHandler> Open(EncryptEntries entries, std::string_view password,
                                               std::string* why, bool* wrong_password);

  // Deciphers the bytes of a string of object `number` in place. False, the
  // bytes unchanged, when they cannot be deciphered (AES data shorter than its
  // IV).
  bool DecryptString(int32_t number, int32_t generation, std::vector<uint8_t>* bytes) const;

  // The deciphered data of the stream of object `number`, still filtered
  // otherwise. Cross-reference streams, metadata left in clear and streams
  // whose Crypt filter is Identity come out unchanged. False with the reason
  // in `why` when nothing usable came out; `why` may also carry a warning on
  // success (a bad AES padding kept as is).
  bool DecryptStream(int32_t number, int32_t generation, pdf::Object* stream_dict,
                     std::span<const uint8_t> data, std::vector<uint8_t>* out,
                     std::string* why) const;

  // The same for AES data of whole blocks, kStreamPiece bytes at a time (a
  // piece stays in the cache and costs few fresh pages); null for anything
  // else, which DecryptStream then serves.
  static constexpr size_t kStreamPiece = size_t{32} << 10;
  std::unique_ptr<pdf::StreamPieces> DecryptStreamPieces(int32_t number, int32_t generation,
                                                         pdf::Object* stream_dict,
                                                         std::span<const uint8_t> data) const;

  const Protection& protection() const { return entries_.protection; }
  // A remark from the open, such as Perms disagreeing with P; "" when none.
  const std::string& warning() const { return warning_; }

 private:
  SecurityHandler() = default;

  // Algorithm 1's key of one object, for RC4 and AESV2.
  std::vector<uint8_t> ObjectKey(int32_t number, int32_t generation, bool aes) const;
  bool Decrypt(const CryptFilter& filter, int32_t number, int32_t generation,
               std::span<const uint8_t> data, std::vector<uint8_t>* out, std::string* why) const;
  // The crypt filter a stream asks for by its own Crypt filter, or the
  // document's; false with the reason when it names an unusable one.
  bool StreamFilter(pdf::Object* stream_dict, CryptFilter* filter, std::string* why) const;
  void CheckPerms();

  EncryptEntries entries_;
  std::vector<uint8_t> key_;
  std::string warning_;
};

}  // namespace pdfcrypt
