#include "crypt/encrypt_entries.h"

#include <cmath>
#include <cstdint>

#include "pdf/name_text.h"
#include "pdf/object.h"
#include "pdf/string_bytes.h"

namespace pdfcrypt {

namespace {

// RC4 keys of revisions 2 to 4 run from 40 to 128 bits in steps of 8.
constexpr int32_t kMinRc4KeyBits = 40;
constexpr int32_t kMaxRc4KeyBits = 128;
// A crypt filter's Length below this counts bytes (writers use 5 to 16), from
// it bits.
constexpr int32_t kLengthInBytesBelow = kMinRc4KeyBits;
// O and U hold a 32-byte hash until revision 4, 48 bytes (hash and two salts)
// after; OE and UE a 32-byte key; Perms one AES block.
constexpr size_t kHashBytesR4 = 32;
constexpr size_t kHashBytesR6 = 48;
constexpr size_t kWrappedKeyBytes = 32;

bool ReadInteger(pdf::Object* dict, const char* key, bool required, int32_t fallback, int32_t* out,
                 std::string* why) {
  pdf::Object* value = dict->Get(key)->Resolve();
  if (value == nullptr || value->IsNull()) {
    if (required) {
      *why = std::string("the Encrypt dictionary has no ") + key;
      return false;
    }
    *out = fallback;
    return true;
  }
  double number = value->RealValue();
  if (!value->IsNumber() || !std::isfinite(number) || number != std::floor(number) ||
      std::fabs(number) > 1e9) {
    *why = std::string(key) + " is not an integer";
    return false;
  }
  *out = static_cast<int32_t>(number);
  return true;
}

bool ReadBytes(pdf::Object* dict, const char* key, size_t size, std::vector<uint8_t>* out,
               std::string* why) {
  if (!pdf::StringBytes(dict->Get(key), out)) {
    *why = std::string("the Encrypt dictionary has no string ") + key;
    return false;
  }
  // Some writers pad these strings; the algorithms read the first bytes only.
  if (out->size() < size) {
    *why = std::string(key) + " has " + std::to_string(out->size()) + " bytes, not " +
           std::to_string(size);
    return false;
  }
  out->resize(size);
  return true;
}

bool Rc4KeyBits(int32_t bits, std::string* why) {
  if (bits < kMinRc4KeyBits || bits > kMaxRc4KeyBits || bits % 8 != 0) {
    *why = "Length " + std::to_string(bits) + " is not a key length";
    return false;
  }
  return true;
}

// The crypt filters of CF, V4 and V5.
bool ReadCryptFilters(pdf::Object* encrypt, EncryptEntries* entries, std::string* why) {
  entries->filters["Identity"] = CryptFilter{};
  pdf::Object* cf = encrypt->Get("CF")->Resolve();
  if (cf == nullptr || cf->AsDictionary() == nullptr) {
    return true;
  }
  pdf::Dictionary* filters = cf->AsDictionary();
  for (int i = 0; i < filters->Count(); ++i) {
    std::string name = filters->Key(i);
    pdf::Object* filter = filters->Item(i)->Resolve();
    if (name == "Identity" || filter == nullptr || !filter->IsDictionary()) {
      continue;  // Identity cannot be redefined
    }
    CryptFilter crypt;
    crypt.method = NameText(filter->Get("CFM"));
    if (crypt.method.empty() || crypt.method == "None") {
      crypt.algorithm = Algorithm::kIdentity;
    } else if (crypt.method == "V2") {
      crypt.algorithm = Algorithm::kRc4;
      int32_t length = 0;
      if (!ReadInteger(filter, "Length", false, 128, &length, why)) {
        return false;
      }
      // Only a positive count of bytes is scaled: a negative Length is refused
      // as it is written, not multiplied past the int range.
      int32_t bits = length > 0 && length < kLengthInBytesBelow ? length * 8 : length;
      if (!Rc4KeyBits(bits, why)) {
        return false;
      }
      crypt.key_bytes = static_cast<size_t>(bits / 8);
    } else if (crypt.method == "AESV2") {
      crypt.algorithm = Algorithm::kAesV2;
      crypt.key_bytes = 16;
    } else if (crypt.method == "AESV3") {
      crypt.algorithm = Algorithm::kAesV3;
      crypt.key_bytes = 32;
    } else {
      crypt.algorithm = Algorithm::kNone;
      crypt.known = false;
    }
    entries->filters[name] = crypt;
  }
  return true;
}

bool ChooseFilter(pdf::Object* encrypt, const char* key, const EncryptEntries& entries,
                  CryptFilter* out, std::string* why) {
  std::string name = NameText(encrypt->Get(key));
  if (name.empty()) {
    name = "Identity";
  }
  auto found = entries.filters.find(name);
  if (found == entries.filters.end()) {
    *why = std::string(key) + " names the crypt filter /" + name + ", which CF does not define";
    return false;
  }
  if (!found->second.known) {
    *why = "the crypt filter /" + name + " uses the method /" + found->second.method +
           ", which is not supported";
    return false;
  }
  *out = found->second;
  return true;
}

}  // namespace

std::string NameText(pdf::Object* object) {
  if (object == nullptr) {
    return std::string();
  }
  object = object->Resolve();
  if (object == nullptr || !object->IsName()) {
    return std::string();
  }
  std::string decoded;
  return pdf::DecodeNameEscapes(object->Text(), &decoded) ? decoded : std::string(object->Text());
}

bool ReadEncryptEntries(pdf::Object* encrypt, pdf::Object* id, EncryptEntries* entries,
                        std::string* why) {
  *entries = EncryptEntries{};
  encrypt = encrypt != nullptr ? encrypt->Resolve() : nullptr;
  if (encrypt == nullptr || !encrypt->IsDictionary()) {
    *why = "Encrypt is not a dictionary";
    return false;
  }
  Protection& protection = entries->protection;
  PasswordData& data = entries->passwords;
  protection.handler = NameText(encrypt->Get("Filter"));
  if (protection.handler != "Standard") {
    *why = protection.handler.empty()
               ? std::string("the Encrypt dictionary names no security handler")
               : "the security handler /" + protection.handler + " is not supported";
    return false;
  }
  int32_t v = 0;
  int32_t r = 0;
  int32_t p = 0;
  if (!ReadInteger(encrypt, "V", false, 0, &v, why) ||
      !ReadInteger(encrypt, "R", true, 0, &r, why)) {
    return false;
  }
  if (v != 1 && v != 2 && v != 4 && v != 5) {
    *why = "V " + std::to_string(v) + " is not a version of the standard security handler";
    return false;
  }
  if (r < 2 || r > 6) {
    *why = "R " + std::to_string(r) + " is not a revision of the standard security handler";
    return false;
  }
  if ((v == 5) != (r >= 5)) {
    *why = "V " + std::to_string(v) + " does not go with revision " + std::to_string(r);
    return false;
  }
  // P is a 32-bit field that writers give signed or unsigned: read it modulo
  // 2^32 rather than saturate it.
  pdf::Object* p_object = encrypt->Get("P")->Resolve();
  double p_value = p_object != nullptr ? p_object->RealValue() : 0.0;
  if (p_object == nullptr || !p_object->IsNumber() || !std::isfinite(p_value) ||
      std::fabs(p_value) > 4294967295.0) {
    *why = "P is not a 32-bit integer";
    return false;
  }
  p = static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(p_value)));
  protection.v = v;
  protection.r = r;
  protection.permissions = static_cast<uint32_t>(p);
  data.r = r;
  data.p = static_cast<uint32_t>(p);

  pdf::Object* metadata = encrypt->Get("EncryptMetadata")->Resolve();
  protection.encrypt_metadata =
      v < 4 || metadata == nullptr || !metadata->IsBoolean() || metadata->BoolValue();
  data.encrypt_metadata = protection.encrypt_metadata;

  size_t hash_bytes = r >= 5 ? kHashBytesR6 : kHashBytesR4;
  if (!ReadBytes(encrypt, "O", hash_bytes, &data.o, why) ||
      !ReadBytes(encrypt, "U", hash_bytes, &data.u, why)) {
    if (why->find(" bytes, not ") != std::string::npos) {
      *why += r >= 5 ? " (revision 5 and 6 need 48)" : "";
    }
    return false;
  }
  if (r >= 5 && (!ReadBytes(encrypt, "OE", kWrappedKeyBytes, &data.oe, why) ||
                 !ReadBytes(encrypt, "UE", kWrappedKeyBytes, &data.ue, why))) {
    return false;
  }
  if (r == 6) {
    std::string ignored;
    if (!ReadBytes(encrypt, "Perms", kPermsBytes, &data.perms, &ignored)) {
      data.perms.clear();
    }
  }

  pdf::Object* ids = id != nullptr ? id->Resolve() : nullptr;
  if (ids != nullptr && ids->IsArray() && ids->Count() >= 1) {
    entries->has_id = pdf::StringBytes(ids->Item(0), &data.id0);
  }

  int32_t length = 0;
  if (!ReadInteger(encrypt, "Length", false, v == 1 ? 40 : 0, &length, why)) {
    return false;
  }
  if (v == 1) {
    length = 40;
  }
  if (v < 4) {
    if (length == 0) {
      length = 40;
    }
    if (!Rc4KeyBits(length, why)) {
      return false;
    }
    CryptFilter rc4{Algorithm::kRc4, static_cast<size_t>(length / 8), "V2", true};
    entries->stream_filter = rc4;
    entries->string_filter = rc4;
  } else {
    if (!ReadCryptFilters(encrypt, entries, why) ||
        !ChooseFilter(encrypt, "StmF", *entries, &entries->stream_filter, why) ||
        !ChooseFilter(encrypt, "StrF", *entries, &entries->string_filter, why)) {
      return false;
    }
  }

  // The file key's size: 256 bits from revision 5; before, Length, or the
  // RC4 crypt filter's own, or 128 bits.
  if (r >= 5) {
    data.key_bytes = 32;
  } else if (length != 0) {
    if (!Rc4KeyBits(length, why)) {
      return false;
    }
    data.key_bytes = static_cast<size_t>(length / 8);
  } else if (entries->stream_filter.algorithm == Algorithm::kRc4) {
    data.key_bytes = entries->stream_filter.key_bytes;
  } else {
    data.key_bytes = 16;
  }
  const CryptFilter& shown = entries->stream_filter.algorithm != Algorithm::kIdentity
                                 ? entries->stream_filter
                                 : entries->string_filter;
  protection.algorithm = shown.algorithm;
  protection.key_bits = static_cast<int32_t>(
      (shown.algorithm == Algorithm::kRc4 ? shown.key_bytes : data.key_bytes) * 8);
  return true;
}

}  // namespace pdfcrypt
