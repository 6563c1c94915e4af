#include "crypt/primitives.h"

#include <openssl/evp.h>

#include <cstdint>
#include <memory>

#include "pdf/prefault.h"

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
  // Stream data of a megabyte and more: its pages come in one call each way
  // rather than a fault per page, which on a virtual machine costs more than
  // the cipher.
  pdf::PrefaultRead(data.data(), data.size());
  out->reserve(data.size() + kAesBlock);
  pdf::PrefaultWrite(out->data(), out->capacity());
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

struct AesCbcDecrypter::State {
  CipherContext context{EVP_CIPHER_CTX_new()};
};

AesCbcDecrypter::AesCbcDecrypter() : state_(std::make_unique<State>()) {}

AesCbcDecrypter::~AesCbcDecrypter() = default;

bool AesCbcDecrypter::Start(std::span<const uint8_t> key, std::span<const uint8_t> iv) {
  if (!state_->context || iv.size() != kAesBlock || (key.size() != 16 && key.size() != 32)) {
    return false;
  }
  const EVP_CIPHER* cipher = key.size() == 32 ? EVP_aes_256_cbc() : EVP_aes_128_cbc();
  return EVP_DecryptInit_ex(state_->context.get(), cipher, nullptr, key.data(), iv.data()) == 1 &&
         EVP_CIPHER_CTX_set_padding(state_->context.get(), 0) == 1;
}

bool AesCbcDecrypter::Decrypt(std::span<const uint8_t> data, uint8_t* out) {
  int written = 0;
  // Callers hand over runs of a few dozen kilobytes.
  return data.size() % kAesBlock == 0 && data.size() <= INT32_MAX &&
         EVP_DecryptUpdate(state_->context.get(), out, &written, data.data(),
                           static_cast<int>(data.size())) == 1 &&
         static_cast<size_t>(written) == data.size();
}

bool Aes256EcbDecrypt(std::span<const uint8_t> key, std::span<const uint8_t> data,
                      std::vector<uint8_t>* out) {
  return RunCipher(EVP_aes_256_ecb(), false, key, nullptr, data, out);
}

}  // namespace pdfcrypt

namespace pdfcrypt {

struct RoundCiphers::State {
  CipherContext cipher{EVP_CIPHER_CTX_new()};
  MdContext md{EVP_MD_CTX_new()};
  EVP_CIPHER* aes = EVP_CIPHER_fetch(nullptr, "AES-128-CBC", nullptr);
  EVP_MD* sha[3] = {EVP_MD_fetch(nullptr, "SHA256", nullptr),
                    EVP_MD_fetch(nullptr, "SHA384", nullptr),
                    EVP_MD_fetch(nullptr, "SHA512", nullptr)};
  ~State() {
    EVP_CIPHER_free(aes);
    for (EVP_MD* md_type : sha) {
      EVP_MD_free(md_type);
    }
  }
};

RoundCiphers::RoundCiphers() : state_(std::make_unique<State>()) {}
RoundCiphers::~RoundCiphers() = default;

bool RoundCiphers::Aes128CbcEncrypt(std::span<const uint8_t> key, std::span<const uint8_t> iv,
                                    std::span<const uint8_t> data, std::vector<uint8_t>* out) {
  State& s = *state_;
  if (!s.cipher || s.aes == nullptr || key.size() != 16 || iv.size() != kAesBlock ||
      data.size() % kAesBlock != 0 ||
      EVP_EncryptInit_ex2(s.cipher.get(), s.aes, key.data(), iv.data(), nullptr) != 1 ||
      EVP_CIPHER_CTX_set_padding(s.cipher.get(), 0) != 1) {
    return false;
  }
  out->resize(data.size());
  int written = 0;
  return EVP_EncryptUpdate(s.cipher.get(), out->data(), &written, data.data(),
                           static_cast<int>(data.size())) == 1 &&
         static_cast<size_t>(written) == data.size();
}

bool RoundCiphers::Digest(pdfcrypt::Digest digest, std::span<const uint8_t> data,
                          std::vector<uint8_t>* out) {
  State& s = *state_;
  const int which = digest == Digest::kSha384 ? 1 : digest == Digest::kSha512 ? 2 : 0;
  out->resize(EVP_MAX_MD_SIZE);
  unsigned size = 0;
  if (!s.md || s.sha[which] == nullptr ||
      EVP_DigestInit_ex2(s.md.get(), s.sha[which], nullptr) != 1 ||
      EVP_DigestUpdate(s.md.get(), data.data(), data.size()) != 1 ||
      EVP_DigestFinal_ex(s.md.get(), out->data(), &size) != 1) {
    out->clear();
    return false;
  }
  out->resize(size);
  return true;
}

}  // namespace pdfcrypt
