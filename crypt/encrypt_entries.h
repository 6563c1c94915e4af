// Reading the Encrypt dictionary of the standard security handler: every
// entry checked for its type and size before any algorithm sees it, so that a
// hostile dictionary is refused with a reason instead of read out of bounds.
#pragma once

#include <map>
#include <string>

#include "crypt/passwords.h"
#include "crypt/protection.h"

namespace pdf {
class Object;
}  // namespace pdf

namespace pdfcrypt {

// One crypt filter: how the strings or streams it is chosen for are enciphered.
struct CryptFilter {
  Algorithm algorithm = Algorithm::kIdentity;
  size_t key_bytes = 0;
  std::string method;  // the CFM name as written, for reasons
  bool known = true;   // false for a CFM this handler does not implement
};

struct EncryptEntries {
  PasswordData passwords;
  Protection protection;                       // all but opened_with
  std::map<std::string, CryptFilter> filters;  // V4 and V5: CF plus Identity
  CryptFilter stream_filter;
  CryptFilter string_filter;
  bool has_id = false;
};

// The entries of `encrypt` and the first ID string (`id` may be null or
// malformed); false with the reason in `why`.
bool ReadEncryptEntries(pdf::Object* encrypt, pdf::Object* id, EncryptEntries* entries,
                        std::string* why);

// The text of a name object ("" for anything else), #xx escapes decoded.
std::string NameText(pdf::Object* object);

}  // namespace pdfcrypt
