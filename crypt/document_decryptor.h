// The security handler as the document loader sees it: made from the trailer's
// Encrypt dictionary for the open options of modern mode.
#pragma once

#include <string_view>

#include "pdf/decryptor.h"

namespace pdfcrypt {

// A pdf::DecryptorFactory: the handler when `password` opens the file, else
// why not, with the protection in words either way.
pdf::DecryptorResult OpenDocumentDecryptor(pdf::Object* encrypt, pdf::Object* id,
                                           std::string_view password);

// A pdf::DecryptorPreparer: reads the entries now, and leaves the password's
// work (the key derivation) to the job, which touches no document object.
pdf::DecryptorJob PrepareDocumentDecryptor(pdf::Object* encrypt, pdf::Object* id,
                                           std::string_view password);

}  // namespace pdfcrypt
