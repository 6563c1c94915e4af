// The digests and AES modes the standard security handler needs, over
// libcrypto's EVP interface. Each call is self-contained: no state is kept.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace pdfcrypt {

enum class Digest { kMd5, kSha256, kSha384, kSha512 };

// The digest of the concatenated parts.
std::vector<uint8_t> Hash(Digest digest, std::initializer_list<std::span<const uint8_t>> parts);

// AES in CBC mode without padding over whole 16-byte blocks; the key's size
// (16 or 32 bytes) picks AES-128 or AES-256. False when libcrypto refuses or
// `data` is not a whole number of blocks.
bool AesCbc(bool encrypt, std::span<const uint8_t> key, std::span<const uint8_t> iv,
            std::span<const uint8_t> data, std::vector<uint8_t>* out);

// The inner rounds of revision 6's password hash: AES-128-CBC encryption and
// a SHA-2 digest, dozens of times over a few kilobytes. One object keeps its
// contexts and algorithms across the rounds, which halves the hash's time.
class RoundCiphers {
 public:
  RoundCiphers();
  ~RoundCiphers();
  RoundCiphers(const RoundCiphers&) = delete;
  RoundCiphers& operator=(const RoundCiphers&) = delete;

  // False when libcrypto refuses; `data` is a whole number of blocks.
  bool Aes128CbcEncrypt(std::span<const uint8_t> key, std::span<const uint8_t> iv,
                        std::span<const uint8_t> data, std::vector<uint8_t>* out);
  // `digest` is SHA-256, SHA-384 or SHA-512.
  bool Digest(Digest digest, std::span<const uint8_t> data, std::vector<uint8_t>* out);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// AES-CBC decryption of whole blocks, a run of them at a time, the chain
// carried from one run to the next; the key's size picks AES-128 or AES-256.
class AesCbcDecrypter {
 public:
  AesCbcDecrypter();
  ~AesCbcDecrypter();
  AesCbcDecrypter(const AesCbcDecrypter&) = delete;
  AesCbcDecrypter& operator=(const AesCbcDecrypter&) = delete;
  // False when libcrypto refuses the key (16 or 32 bytes) or IV (16 bytes).
  bool Start(std::span<const uint8_t> key, std::span<const uint8_t> iv);
  // `data` is a whole number of blocks; `out` has room for as many bytes.
  bool Decrypt(std::span<const uint8_t> data, uint8_t* out);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// AES-256 in ECB mode, decrypting whole blocks without padding.
bool Aes256EcbDecrypt(std::span<const uint8_t> key, std::span<const uint8_t> data,
                      std::vector<uint8_t>* out);

}  // namespace pdfcrypt
