// A typed password (UTF-8, as every Linux input gives it) as the bytes the
// handler's revision hashes: PDFDocEncoding up to revision 4, UTF-8 of at most
// 127 bytes from revision 5.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pdfcrypt {

// The byte strings to try, the typed bytes first; for revisions 2 to 4 also
// their PDFDocEncoding when the text is UTF-8 that encoding can represent.
std::vector<std::string> PasswordCandidates(std::string_view typed, int r);

}  // namespace pdfcrypt
