// An encrypted file around the input: its first bytes choose the password and
// the trailer's ID, then come the Encrypt dictionary's text and the enciphered
// content stream (see modern_inputs.h). The handler is made directly from the
// dictionary as stored, and every string and stream the file holds goes
// through it; then the file is opened in modern mode with the same password
// and walked, which deciphers whatever the walk reaches.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "crypt/security_handler.h"
#include "fuzz/fuzz_sinks.h"
#include "fuzz/modern_inputs.h"
#include "fuzz/modern_walk.h"
#include "pdf/document.h"
#include "pdf/string_bytes.h"

namespace {

// Strings and streams of objects 1 to 7 through the handler, as the document
// would hand them over; the results are thrown away.
void DecipherEverything(pdf::Document& doc, const pdfcrypt::SecurityHandler& handler) {
  // Lengths around the AES block and IV sizes, under numbers and generations
  // that the object key truncates.
  for (size_t size : {0, 1, 15, 16, 17, 31, 32, 33, 48}) {
    std::vector<uint8_t> bytes(size, static_cast<uint8_t>(size));
    handler.DecryptString(static_cast<int32_t>(size) << 20, -1, &bytes);
  }
  for (int32_t number = 1; number <= kSecurityContentObject + 1; ++number) {
    pdf::Object* object = doc.GetObject(number, 0);
    for (int i = 0; i < object->Count(); ++i) {
      std::vector<uint8_t> bytes;
      if (pdf::StringBytes(object->Item(i), &bytes)) {
        handler.DecryptString(number, 0, &bytes);
      }
    }
    pdf::Dictionary* stream = object->AsDictionary();
    if (stream == nullptr || !stream->IsStream()) {
      continue;
    }
    pdf::Token data;
    stream->GetStreamData(data);
    if (!data.IsStreamData() || data.length < 0) {
      continue;
    }
    std::vector<uint8_t> out;
    std::string why;
    handler.DecryptStream(number, 0, stream,
                          std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(data.text),
                                                   static_cast<size_t>(data.length)),
                          &out, &why);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  DiscardAllMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kSecurityHeaderBytes) {
    return 0;
  }
  const SecurityInput parts = SplitSecurityInput(std::span<const uint8_t>(data, size));
  const std::string file = SecurityHandlerFile(parts);

  // The objects as stored: the handler sees the dictionary the loader would.
  pdf::OpenOptions stored = OpenOptionsFor(pdf::Mode::kModern);
  stored.decryptor = nullptr;
  pdf::Document doc;
  if (doc.OpenMemory(file.data(), static_cast<int32_t>(file.size()), "fuzz.pdf", stored) &&
      doc.xref != nullptr && doc.xref->trailer != nullptr) {
    std::string why;
    bool wrong_password = false;
    std::unique_ptr<pdfcrypt::SecurityHandler> handler = pdfcrypt::SecurityHandler::Open(
        doc.xref->trailer->Get("Encrypt"), doc.xref->trailer->Get("ID"), parts.password, &why,
        &wrong_password);
    if (handler != nullptr) {
      DecipherEverything(doc, *handler);
    }
  }

  OpenAndWalkModern(file, parts.password);
  return 0;
}
