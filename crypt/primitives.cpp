#include "crypt/primitives.h"

#include <openssl/evp.h>

#include <memory>

namespace pdfcrypt {

namespace {

constexpr size_t kAesBlock = 16;

struct MdContextFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
struct CipherContextFree {
  void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using MdContext = std::unique_ptr<EVP_MD_CTX, MdContextFree>;
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

const EVP_MD* DigestOf(Digest digest) {
  switch (digest) {
    case Digest::kMd5:
      return EVP_md5();
    case Digest::kSha256:
      return EVP_sha256();
    case Digest::kSha384:
      return EVP_sha384();
    case Digest::kSha512:
      return EVP_sha512();
  }
  return EVP_sha256();
}

bool RunCipher(const EVP_CIPHER* cipher, bool encrypt, std::span<const uint8_t> key,
               const uint8_t* iv, std::span<const uint8_t> data, std::vector<uint8_t>* out) {
  out->clear();
  if (data.size() % kAesBlock != 0 ||
      key.size() != static_cast<size_t>(EVP_CIPHER_get_key_length(cipher))) {
    return false;
  }
  CipherContext context(EVP_CIPHER_CTX_new());
  if (!context ||
      EVP_CipherInit_ex(context.get(), cipher, nullptr, key.data(), iv, encrypt ? 1 : 0) != 1 ||
      EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1) {
    return false;
  }
  out->resize(data.size() + kAesBlock);
  int written = 0;
  int last = 0;
  // EVP counts in int: callers hand over at most a stream, which the document
  // already bounds to the int32 range of its file.
  if (EVP_CipherUpdate(context.get(), out->data(), &written, data.data(),
                       static_cast<int>(data.size())) != 1 ||
      EVP_CipherFinal_ex(context.get(), out->data() + written, &last) != 1) {
    out->clear();
    return false;
  }
  out->resize(static_cast<size_t>(written + last));
  return true;
}

}  // namespace

std::vector<uint8_t> Hash(Digest digest, std::initializer_list<std::span<const uint8_t>> parts) {
  MdContext context(EVP_MD_CTX_new());
  std::vector<uint8_t> out(EVP_MAX_MD_SIZE);
  unsigned size = 0;
  if (!context || EVP_DigestInit_ex(context.get(), DigestOf(digest), nullptr) != 1) {
    return {};
  }
  for (std::span<const uint8_t> part : parts) {
    if (EVP_DigestUpdate(context.get(), part.data(), part.size()) != 1) {
      return {};
    }
  }
  if (EVP_DigestFinal_ex(context.get(), out.data(), &size) != 1) {
    return {};
  }
  out.resize(size);
  return out;
}

bool AesCbc(bool encrypt, std::span<const uint8_t> key, std::span<const uint8_t> iv,
            std::span<const uint8_t> data, std::vector<uint8_t>* out) {
  if (iv.size() != kAesBlock) {
    out->clear();
    return false;
  }
  const EVP_CIPHER* cipher = key.size() == 32 ? EVP_aes_256_cbc() : EVP_aes_128_cbc();
  return RunCipher(cipher, encrypt, key, iv.data(), data, out);
}

bool Aes256EcbDecrypt(std::span<const uint8_t> key, std::span<const uint8_t> data,
                      std::vector<uint8_t>* out) {
  return RunCipher(EVP_aes_256_ecb(), false, key, nullptr, data, out);
}

}  // namespace pdfcrypt
