// Our RC4 against libcrypto's, which OpenSSL 3 keeps in its legacy provider.
#include "crypt/rc4.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Pattern(size_t size, unsigned seed) {
  std::vector<uint8_t> out(size);
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    out[i] = static_cast<uint8_t>(seed >> 16);
  }
  return out;
}

// libcrypto's RC4, or false when the legacy provider is not there.
bool OpenSslRc4(const std::vector<uint8_t>& key, const std::vector<uint8_t>& data,
                std::vector<uint8_t>* out) {
  static OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
  static OSSL_PROVIDER* base = OSSL_PROVIDER_load(nullptr, "default");
  EVP_CIPHER* cipher =
      legacy != nullptr && base != nullptr ? EVP_CIPHER_fetch(nullptr, "RC4", nullptr) : nullptr;
  if (cipher == nullptr) {
    return false;
  }
  std::unique_ptr<EVP_CIPHER, decltype(&EVP_CIPHER_free)> owned(cipher, EVP_CIPHER_free);
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                          EVP_CIPHER_CTX_free);
  out->resize(data.size() + 16);
  int written = 0;
  int last = 0;
  bool ok = EVP_EncryptInit_ex2(context.get(), cipher, nullptr, nullptr, nullptr) == 1 &&
            EVP_CIPHER_CTX_set_key_length(context.get(), static_cast<int>(key.size())) == 1 &&
            EVP_EncryptInit_ex2(context.get(), nullptr, key.data(), nullptr, nullptr) == 1 &&
            EVP_EncryptUpdate(context.get(), out->data(), &written, data.data(),
                              static_cast<int>(data.size())) == 1 &&
            EVP_EncryptFinal_ex(context.get(), out->data() + written, &last) == 1;
  out->resize(static_cast<size_t>(written + last));
  return ok;
}

struct Case {
  const char* name;
  size_t key_size;
  size_t data_size;
};

TEST(Rc4Test, MatchesLibcrypto) {
  const Case kCases[] = {
      {"40-bit key, one byte", 5, 1},
      {"40-bit key, a page", 5, 4096},
      {"128-bit key", 16, 1000},
      {"object key of a 40-bit file", 10, 333},
      {"longest key RC4 takes", 256, 700},
      {"one-byte key", 1, 64},
      {"empty data", 16, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> key = Pattern(c.key_size, 7);
    std::vector<uint8_t> data = Pattern(c.data_size, 11);
    std::vector<uint8_t> expected;
    if (!OpenSslRc4(key, data, &expected)) {
      GTEST_SKIP() << "libcrypto's legacy provider (RC4) is not available";
    }
    EXPECT_EQ(pdfcrypt::Rc4(key, data), expected);
  }
}

}  // namespace
