// Writing a whole document. Not wired up yet: the slot exists so that the
// writer can fill it without changing the class layout.
#include "pdf/document.h"

namespace pdf {

void Document::Write(Output&) {}

}  // namespace pdf
