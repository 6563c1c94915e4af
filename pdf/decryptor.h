// What modern mode needs to read an encrypted file: a security handler made
// from the trailer's Encrypt dictionary, supplied from outside the core (the
// core links no cipher), and the way to ask for another password.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pdf {

class Dictionary;
class Object;

// A stream's data deciphered a piece at a time, for a reader that consumes
// them as they come (an inflater): the plain data never stand whole in fresh
// memory, which on a large object stream costs more than the cipher.
class StreamPieces {
 public:
  virtual ~StreamPieces() = default;
  // The next piece, valid until the next call; empty at the end.
  virtual std::span<const uint8_t> Next() = 0;
  // Once the end is reached: a remark on the data (a damaged padding kept
  // as it is), or "".
  virtual const std::string& Remark() const = 0;
};

class Decryptor {
 public:
  virtual ~Decryptor() = default;
  // Deciphers the bytes of a string of object `number` in place; false when
  // they cannot be deciphered, the bytes then unchanged.
  virtual bool DecryptString(int32_t number, int32_t generation,
                             std::vector<uint8_t>* bytes) const = 0;
  // The deciphered data of a stream; false with the reason in `why` when
  // nothing usable came out. `why` may carry a remark on success too.
  virtual bool DecryptStream(int32_t number, int32_t generation, Dictionary* stream,
                             std::span<const uint8_t> data, std::vector<uint8_t>* out,
                             std::string* why) const = 0;
  // The same data in pieces; null when this stream's cipher or data do not
  // allow it, and DecryptStream then serves (and says what is wrong).
  virtual std::unique_ptr<StreamPieces> DecryptStreamPieces(
      int32_t /*number*/, int32_t /*generation*/, Dictionary* /*stream*/,
      std::span<const uint8_t> /*data*/) const {
    return nullptr;
  }
};

enum class DecryptorStatus {
  kOpened,         // the password opened it
  kWrongPassword,  // a known handler, but the password is neither of its two
  kUnusable,       // an unknown handler or entries nothing can be derived from
};

struct DecryptorResult {
  DecryptorStatus status = DecryptorStatus::kUnusable;
  std::unique_ptr<Decryptor> decryptor;  // when opened
  std::string handler;                   // "Standard security handler"
  std::string summary;                   // "AES-256, revision 6"; "" when unknown
  std::string opened_with;               // "the empty user password"
  std::string why;                       // the reason it did not open, or a remark
  std::vector<std::string> lines;        // the protection in words, for the pane
};

// Made by the crypt library; `id` is the trailer's ID (may be null).
using DecryptorFactory = DecryptorResult (*)(Object* encrypt, Object* id,
                                             std::string_view password);
// The same in two steps: the entries are read at once, and the job does the
// password's work without touching the document, on whatever thread.
using DecryptorJob = std::function<DecryptorResult()>;
using DecryptorPreparer = DecryptorJob (*)(Object* encrypt, Object* id, std::string_view password);

// Asked for another password after the last one failed (`attempt` counts from
// 1); false gives up. `protection` names the handler and cipher.
using PasswordPrompt =
    std::function<bool(const std::string& protection, int attempt, std::string* password)>;

// The tries a prompt gets after the first password failed.
inline constexpr int kMaxPasswordTries = 3;

}  // namespace pdf
