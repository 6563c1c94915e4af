#include "crypt/security_handler.h"

#include <algorithm>

#include "crypt/password_text.h"
#include "crypt/primitives.h"
#include "crypt/rc4.h"
#include "pdf/object.h"

namespace pdfcrypt {

namespace {

constexpr size_t kAesBlock = 16;
constexpr size_t kCacheLine = 64;
// Algorithm 1 keys are the file key and five bytes of object number and
// generation, hashed, and never longer than MD5's 16 bytes.
constexpr size_t kMaxObjectKeyBytes = 16;

std::span<const uint8_t> Bytes(std::string_view text) {
  return std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// AES-CBC with the IV in front and PKCS#5 padding behind.
bool AesDecrypt(std::span<const uint8_t> key, std::span<const uint8_t> data,
                std::vector<uint8_t>* out, std::string* why) {
  if (data.size() < kAesBlock) {
    *why = "the AES data has " + std::to_string(data.size()) + " bytes, fewer than its IV";
    return false;
  }
  std::span<const uint8_t> blocks = data.subspan(kAesBlock);
  size_t whole = blocks.size() - blocks.size() % kAesBlock;
  if (whole != blocks.size()) {
    *why = "the AES data is not a whole number of blocks; the last " +
           std::to_string(blocks.size() - whole) + " bytes are dropped";
  }
  if (!AesCbc(false, key, data.first(kAesBlock), blocks.first(whole), out)) {
    *why = "the AES decryption failed";
    return false;
  }
  if (out->empty()) {
    return true;
  }
  uint8_t pad = out->back();
  bool padded = pad >= 1 && pad <= kAesBlock && pad <= out->size() &&
                std::all_of(out->end() - pad, out->end(), [pad](uint8_t b) { return b == pad; });
  if (padded) {
    out->resize(out->size() - pad);
  } else {
    *why = "the AES padding is damaged; the last block is kept as it is";
  }
  return true;
}

// AES-CBC data deciphered a run of blocks at a time into one small buffer,
// with the same outcome as AesDecrypt on data of whole blocks.
class AesPieces : public pdf::StreamPieces {
 public:
  explicit AesPieces(std::span<const uint8_t> blocks) : blocks_(blocks) {}

  bool Start(std::span<const uint8_t> key, std::span<const uint8_t> iv) {
    FetchAhead();
    return decrypter_.Start(key, iv);
  }

  std::span<const uint8_t> Next() override {
    if (at_ == blocks_.size()) {
      return {};
    }
    const size_t run = std::min(SecurityHandler::kStreamPiece, blocks_.size() - at_);
    buffer_.resize(SecurityHandler::kStreamPiece);
    if (!decrypter_.Decrypt(blocks_.subspan(at_, run), buffer_.data())) {
      // libcrypto refused midway: what came before stands.
      remark_ = "the AES decryption failed after " + std::to_string(at_) + " bytes";
      at_ = blocks_.size();
      return {};
    }
    at_ += run;
    FetchAhead();
    size_t size = run;
    if (at_ == blocks_.size()) {
      const uint8_t pad = buffer_[run - 1];
      const bool padded = pad >= 1 && pad <= kAesBlock &&
                          std::all_of(buffer_.begin() + static_cast<ptrdiff_t>(run - pad),
                                      buffer_.begin() + static_cast<ptrdiff_t>(run),
                                      [pad](uint8_t b) { return b == pad; });
      if (padded) {
        size -= pad;
      } else {
        remark_ = "the AES padding is damaged; the last block is kept as it is";
      }
    }
    return std::span<const uint8_t>(buffer_.data(), size);
  }

  const std::string& Remark() const override { return remark_; }

 private:
  // The next piece is read from the file while the caller uses this one: the
  // cipher itself outruns the memory, and would wait on every line.
  void FetchAhead() const {
    const size_t ahead = std::min(SecurityHandler::kStreamPiece, blocks_.size() - at_);
    for (size_t line = 0; line < ahead; line += kCacheLine) {
      __builtin_prefetch(blocks_.data() + at_ + line);
    }
  }

  std::span<const uint8_t> blocks_;
  size_t at_ = 0;
  AesCbcDecrypter decrypter_;
  std::vector<uint8_t> buffer_;
  std::string remark_;
};

}  // namespace

std::unique_ptr<pdf::StreamPieces> SecurityHandler::DecryptStreamPieces(
    int32_t number, int32_t generation, pdf::Object* stream_dict,
    std::span<const uint8_t> data) const {
  CryptFilter filter;
  std::string why;
  // Whole blocks behind the IV only; anything else, RC4 and the identity take
  // the whole-data path, which also says what is wrong.
  if (!StreamFilter(stream_dict, &filter, &why) || data.size() < 2 * kAesBlock ||
      data.size() % kAesBlock != 0) {
    return nullptr;
  }
  std::vector<uint8_t> key;
  if (filter.algorithm == Algorithm::kAesV3) {
    key = key_;
  } else if (filter.algorithm == Algorithm::kAesV2 && entries_.protection.r < 5) {
    key = ObjectKey(number, generation, /*aes=*/true);
  } else {
    return nullptr;
  }
  auto pieces = std::make_unique<AesPieces>(data.subspan(kAesBlock));
  if (!pieces->Start(key, data.first(kAesBlock))) {
    return nullptr;
  }
  return pieces;
}

std::unique_ptr<SecurityHandler> SecurityHandler::Open(pdf::Object* encrypt_dict,
                                                       pdf::Object* id_array,
                                                       std::string_view password,
                                                       std::string* why) {
  bool wrong_password = false;
  return Open(encrypt_dict, id_array, password, why, &wrong_password);
}

std::unique_ptr<SecurityHandler> SecurityHandler::Open(pdf::Object* encrypt_dict,
                                                       pdf::Object* id_array,
                                                       std::string_view password, std::string* why,
                                                       bool* wrong_password) {
  why->clear();
  *wrong_password = false;
  EncryptEntries entries;
  if (!ReadEncryptEntries(encrypt_dict, id_array, &entries, why)) {
    return nullptr;
  }
  return Open(std::move(entries), password, why, wrong_password);
}

std::unique_ptr<SecurityHandler> SecurityHandler::Open(EncryptEntries read,
                                                       std::string_view password, std::string* why,
                                                       bool* wrong_password) {
  why->clear();
  *wrong_password = false;
  std::unique_ptr<SecurityHandler> handler(new SecurityHandler());
  handler->entries_ = std::move(read);
  EncryptEntries& entries = handler->entries_;
  const PasswordData& data = entries.passwords;
  OpenedWith user = password.empty() ? OpenedWith::kEmptyUserPassword : OpenedWith::kUserPassword;
  for (const std::string& candidate : PasswordCandidates(password, data.r)) {
    std::span<const uint8_t> typed = Bytes(candidate);
    if (data.r >= 5) {
      handler->key_ = KeyR6(data, typed, false);
      if (handler->key_.empty()) {
        handler->key_ = KeyR6(data, typed, true);
        user = OpenedWith::kOwnerPassword;
      }
    } else {
      handler->key_ = UserKeyR4(data, typed);
      if (handler->key_.empty()) {
        handler->key_ = UserKeyR4(data, UserPasswordFromOwnerR4(data, typed));
        user = OpenedWith::kOwnerPassword;
      }
    }
    if (!handler->key_.empty()) {
      break;
    }
    user = password.empty() ? OpenedWith::kEmptyUserPassword : OpenedWith::kUserPassword;
  }
  if (handler->key_.empty()) {
    *wrong_password = true;
    *why = "the password is not the user or owner password of the standard security handler";
    if (data.r < 5 && !entries.has_id) {
      *why += " (the trailer has no ID, which the key of revision " + std::to_string(data.r) +
              " depends on)";
    }
    return nullptr;
  }
  entries.protection.opened_with = user;
  handler->CheckPerms();
  return handler;
}

void SecurityHandler::CheckPerms() {
  if (entries_.protection.r != 6) {
    return;
  }
  const std::vector<uint8_t> perms = DecipherPerms(entries_.passwords, key_);
  if (perms.empty()) {
    warning_ = "Perms is missing or cannot be deciphered";
    return;
  }
  if (perms[9] != 'a' || perms[10] != 'd' || perms[11] != 'b' ||
      PermsP(perms) != entries_.protection.permissions) {
    warning_ = "Perms does not confirm P; P is shown as written";
  }
}

std::vector<uint8_t> SecurityHandler::ObjectKey(int32_t number, int32_t generation,
                                                bool aes) const {
  // Algorithm 1: the file key hashed with the object's number and generation.
  uint8_t object[5] = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                       static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(generation),
                       static_cast<uint8_t>(generation >> 8)};
  static constexpr uint8_t kSalt[4] = {'s', 'A', 'l', 'T'};
  std::vector<uint8_t> key =
      Hash(Digest::kMd5,
           {key_, object, aes ? std::span<const uint8_t>(kSalt) : std::span<const uint8_t>()});
  key.resize(std::min(key_.size() + 5, kMaxObjectKeyBytes));
  return key;
}

bool SecurityHandler::Decrypt(const CryptFilter& filter, int32_t number, int32_t generation,
                              std::span<const uint8_t> data, std::vector<uint8_t>* out,
                              std::string* why) const {
  switch (filter.algorithm) {
    case Algorithm::kIdentity:
      out->assign(data.begin(), data.end());
      return true;
    case Algorithm::kAesV3:
      return AesDecrypt(key_, data, out, why);
    case Algorithm::kRc4:
    case Algorithm::kAesV2:
      break;
    case Algorithm::kNone:
      *why = "the crypt filter's method /" + filter.method + " is not supported";
      return false;
  }
  if (entries_.protection.r >= 5) {
    // Revision 5 and 6 keys are 32 bytes; Algorithm 1 would cut them.
    *why = "a revision " + std::to_string(entries_.protection.r) +
           " document cannot use the crypt method /" + filter.method;
    return false;
  }
  bool aes = filter.algorithm == Algorithm::kAesV2;
  std::vector<uint8_t> key = ObjectKey(number, generation, aes);
  if (aes) {
    return AesDecrypt(key, data, out, why);
  }
  *out = Rc4(key, data);
  return true;
}

bool SecurityHandler::DecryptString(int32_t number, int32_t generation,
                                    std::vector<uint8_t>* bytes) const {
  std::vector<uint8_t> out;
  std::string why;
  if (!Decrypt(entries_.string_filter, number, generation, *bytes, &out, &why)) {
    return false;
  }
  *bytes = std::move(out);
  return true;
}

bool SecurityHandler::StreamFilter(pdf::Object* stream_dict, CryptFilter* filter,
                                   std::string* why) const {
  *filter = entries_.stream_filter;
  pdf::Object* stream = stream_dict != nullptr ? stream_dict->Resolve() : nullptr;
  if (stream == nullptr || stream->AsDictionary() == nullptr) {
    return true;
  }
  std::string type = NameText(stream->Get("Type"));
  if (type == "XRef") {  // cross-reference streams are never enciphered
    *filter = CryptFilter{};
    return true;
  }
  if (type == "Metadata" && !entries_.protection.encrypt_metadata) {
    *filter = CryptFilter{};
    return true;
  }
  // A Crypt filter comes first in the stream's Filter list; its Name chooses
  // the crypt filter, Identity when absent.
  pdf::Object* filters = stream->Get("Filter")->Resolve();
  pdf::Object* params = stream->Get("DecodeParms")->Resolve();
  if (filters != nullptr && filters->IsArray()) {
    filters = filters->Item(0);
    params = params != nullptr && params->IsArray() ? params->Item(0)->Resolve() : nullptr;
  }
  if (NameText(filters) != "Crypt" || entries_.protection.v < 4) {
    return true;
  }
  std::string name = params != nullptr ? NameText(params->Get("Name")) : std::string();
  if (name.empty()) {
    name = "Identity";
  }
  auto found = entries_.filters.find(name);
  if (found == entries_.filters.end()) {
    *why = "the stream's Crypt filter names /" + name + ", which CF does not define";
    return false;
  }
  *filter = found->second;
  return true;
}

bool SecurityHandler::DecryptStream(int32_t number, int32_t generation, pdf::Object* stream_dict,
                                    std::span<const uint8_t> data, std::vector<uint8_t>* out,
                                    std::string* why) const {
  why->clear();
  out->clear();
  CryptFilter filter;
  if (!StreamFilter(stream_dict, &filter, why)) {
    return false;
  }
  return Decrypt(filter, number, generation, data, out, why);
}

}  // namespace pdfcrypt
