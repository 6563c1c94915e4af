#include "crypt/passwords.h"

#include <algorithm>
#include <array>

#include "crypt/primitives.h"
#include "crypt/rc4.h"

namespace pdfcrypt {

namespace {

// Algorithm 2's padding, which also fills short passwords.
constexpr std::array<uint8_t, 32> kPadding = {
    0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E, 0x56, 0xFF, 0xFA, 0x01, 0x08,
    0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68, 0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};

// Revisions 5 and 6 use at most this many bytes of a UTF-8 password.
constexpr size_t kMaxPasswordR6 = 127;
// Algorithm 2.B runs at least 64 rounds, then until the last byte of E is at
// most the round number minus 32; a byte is at most 255, so round 288 always
// ends it. The bound is named so that no data can make the loop run longer.
constexpr int kMinHashRounds = 64;
constexpr int kMaxHashRounds = 64 + 256;
// Algorithm 2 and 3 hash the key 50 more times from revision 3.
constexpr int kKeyRehashes = 50;

std::vector<uint8_t> Padded(std::span<const uint8_t> password) {
  std::vector<uint8_t> out(password.begin(),
                           password.begin() + std::min(password.size(), kPadding.size()));
  out.insert(out.end(), kPadding.begin(), kPadding.begin() + (kPadding.size() - out.size()));
  return out;
}

std::vector<uint8_t> XorKey(std::span<const uint8_t> key, uint8_t value) {
  std::vector<uint8_t> out(key.begin(), key.end());
  for (uint8_t& byte : out) {
    byte ^= value;
  }
  return out;
}

std::span<const uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t first, size_t count) {
  return std::span<const uint8_t>(bytes).subspan(first, count);
}

// Algorithm 2: the file key that a (padded) user password gives.
std::vector<uint8_t> FileKeyR4(const PasswordData& data, std::span<const uint8_t> password) {
  std::vector<uint8_t> padded = Padded(password);
  uint8_t p[4] = {static_cast<uint8_t>(data.p), static_cast<uint8_t>(data.p >> 8),
                  static_cast<uint8_t>(data.p >> 16), static_cast<uint8_t>(data.p >> 24)};
  static constexpr uint8_t kNoMetadata[4] = {0xff, 0xff, 0xff, 0xff};
  std::span<const uint8_t> metadata;
  if (data.r >= 4 && !data.encrypt_metadata) {
    metadata = kNoMetadata;
  }
  std::vector<uint8_t> key =
      Hash(Digest::kMd5, {padded, Slice(data.o, 0, 32), p, data.id0, metadata});
  size_t n = data.r == 2 ? 5 : data.key_bytes;
  if (data.r >= 3) {
    for (int i = 0; i < kKeyRehashes; ++i) {
      key = Hash(Digest::kMd5, {Slice(key, 0, n)});
    }
  }
  key.resize(n);
  return key;
}

}  // namespace

std::vector<uint8_t> UserKeyR4(const PasswordData& data, std::span<const uint8_t> password) {
  std::vector<uint8_t> key = FileKeyR4(data, password);
  if (data.r == 2) {
    // Algorithm 4: U is the padding enciphered under the key.
    std::vector<uint8_t> u = Rc4(key, kPadding);
    return std::equal(u.begin(), u.end(), data.u.begin()) ? key : std::vector<uint8_t>();
  }
  // Algorithm 5: the first 16 bytes of U are the hash of padding and ID, then
  // twenty rounds of RC4 under keys varied by the round number.
  std::vector<uint8_t> u = Rc4(key, Hash(Digest::kMd5, {kPadding, data.id0}));
  for (uint8_t i = 1; i <= 19; ++i) {
    u = Rc4(XorKey(key, i), u);
  }
  return std::equal(u.begin(), u.begin() + 16, data.u.begin()) ? key : std::vector<uint8_t>();
}

std::vector<uint8_t> UserPasswordFromOwnerR4(const PasswordData& data,
                                             std::span<const uint8_t> password) {
  // Algorithm 3's key from the owner password deciphers O.
  std::vector<uint8_t> key = Hash(Digest::kMd5, {Padded(password)});
  size_t n = data.r == 2 ? 5 : data.key_bytes;
  if (data.r >= 3) {
    for (int i = 0; i < kKeyRehashes; ++i) {
      key = Hash(Digest::kMd5, {key});
    }
  }
  key.resize(n);
  std::vector<uint8_t> user(data.o.begin(), data.o.begin() + 32);
  if (data.r == 2) {
    return Rc4(key, user);
  }
  for (int i = 19; i >= 0; --i) {
    user = Rc4(XorKey(key, static_cast<uint8_t>(i)), user);
  }
  return user;
}

std::vector<uint8_t> HashR6(int32_t r, std::span<const uint8_t> password,
                            std::span<const uint8_t> salt, std::span<const uint8_t> extra) {
  std::vector<uint8_t> k = Hash(Digest::kSha256, {password, salt, extra});
  if (r < 6) {
    return k;
  }
  RoundCiphers ciphers;
  std::vector<uint8_t> k1;
  std::vector<uint8_t> e;
  for (int round = 0; round < kMaxHashRounds; ++round) {
    // K1: the password, K and the extra bytes, 64 times over.
    const size_t unit = password.size() + k.size() + extra.size();
    k1.resize(unit * 64);
    uint8_t* at = k1.data();
    for (int i = 0; i < 64; ++i) {
      at = std::copy(password.begin(), password.end(), at);
      at = std::copy(k.begin(), k.end(), at);
      at = std::copy(extra.begin(), extra.end(), at);
    }
    if (k.size() < 32 || !ciphers.Aes128CbcEncrypt(Slice(k, 0, 16), Slice(k, 16, 16), k1, &e)) {
      return {};
    }
    int sum = 0;
    for (size_t i = 0; i < 16; ++i) {
      sum += e[i];
    }
    static constexpr Digest kNext[3] = {Digest::kSha256, Digest::kSha384, Digest::kSha512};
    if (!ciphers.Digest(kNext[sum % 3], e, &k)) {
      return {};
    }
    if (round + 1 >= kMinHashRounds && e.back() <= round + 1 - 32) {
      break;
    }
  }
  k.resize(32);
  return k;
}

namespace {

// Revision 6: a file key that deciphers Perms into P, the metadata flag and
// "adb" is the file's key; a wrong one does so once in 2^64.
bool PermsConfirm(const PasswordData& data, std::span<const uint8_t> key) {
  const std::vector<uint8_t> perms = DecipherPerms(data, key);
  return !perms.empty() && PermsP(perms) == data.p &&
         perms[8] == (data.encrypt_metadata ? 'T' : 'F') && perms[9] == 'a' && perms[10] == 'd' &&
         perms[11] == 'b';
}

}  // namespace

std::vector<uint8_t> DecipherPerms(const PasswordData& data, std::span<const uint8_t> key) {
  std::vector<uint8_t> perms;
  if (data.perms.size() != kPermsBytes || !Aes256EcbDecrypt(key, data.perms, &perms) ||
      perms.size() != kPermsBytes) {
    return {};
  }
  return perms;
}

uint32_t PermsP(std::span<const uint8_t> perms) {
  return static_cast<uint32_t>(perms[0]) | static_cast<uint32_t>(perms[1]) << 8 |
         static_cast<uint32_t>(perms[2]) << 16 | static_cast<uint32_t>(perms[3]) << 24;
}

std::vector<uint8_t> KeyR6(const PasswordData& data, std::span<const uint8_t> password,
                           bool owner) {
  password = password.first(std::min(password.size(), kMaxPasswordR6));
  const std::vector<uint8_t>& hash_entry = owner ? data.o : data.u;
  std::span<const uint8_t> extra;
  if (owner) {
    extra = Slice(data.u, 0, 48);
  }
  static constexpr uint8_t kZeroIv[16] = {};
  auto unwrap = [&](const std::vector<uint8_t>& intermediate) {
    std::vector<uint8_t> key;
    if (intermediate.size() != 32 ||
        !AesCbc(false, intermediate, kZeroIv, owner ? data.oe : data.ue, &key)) {
      key.clear();
    }
    return key;
  };
  auto key_hash = [&] { return HashR6(data.r, password, Slice(hash_entry, 40, 8), extra); };
  std::vector<uint8_t> intermediate = key_hash();
  // Perms confirms the key without the check hash, which costs as much again:
  // opening a file costs one hash, not two.
  if (std::vector<uint8_t> key = unwrap(intermediate); !key.empty() && PermsConfirm(data, key)) {
    return key;
  }
  std::vector<uint8_t> check = HashR6(data.r, password, Slice(hash_entry, 32, 8), extra);
  if (check.size() != 32 || !std::equal(check.begin(), check.end(), hash_entry.begin())) {
    return {};
  }
  return unwrap(intermediate);
}

}  // namespace pdfcrypt
