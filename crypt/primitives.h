// The digests and AES modes the standard security handler needs, over
// libcrypto's EVP interface. Each call is self-contained: no state is kept.
#pragma once

#include <cstdint>
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

// AES-256 in ECB mode, decrypting whole blocks without padding.
bool Aes256EcbDecrypt(std::span<const uint8_t> key, std::span<const uint8_t> data,
                      std::vector<uint8_t>* out);

}  // namespace pdfcrypt
