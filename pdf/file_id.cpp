// The MD5 file identifier, over libmd.
#include "pdf/file_id.h"

#include <md5.h>

#include <cstdint>
#include <cstring>

#include "diag/format.h"
#include "pdf/object.h"

namespace pdf {

std::string FileIdentifier(Object* info) {
  MD5_CTX context;
  MD5Init(&context);
  for (int i = 0; i < info->Count(); ++i) {
    Object* value = info->Item(i);
    if (!value->IsString()) {
      continue;
    }
    const char* text = value->Text();
    MD5Update(&context, reinterpret_cast<const uint8_t*>(text), strlen(text));
  }
  uint8_t digest[MD5_DIGEST_LENGTH];
  MD5Final(digest, &context);

  // Each digest byte goes over two of the x characters of the template.
  char text[] = "<xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx>";
  static_assert(sizeof text == 2 * MD5_DIGEST_LENGTH + 3);
  for (int i = 0; i < MD5_DIGEST_LENGTH; ++i) {
    char pair[3];
    FormatInto(pair, sizeof pair, "%02x", digest[i]);
    memcpy(text + 1 + 2 * i, pair, 2);
  }
  return text;
}

}  // namespace pdf
