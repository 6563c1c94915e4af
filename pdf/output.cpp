#include "pdf/output.h"

namespace pdf {

void Output::Close() {
  if (callbacks != nullptr) {
    OutputCallbacks* closing = callbacks;
    callbacks = nullptr;
    if (closing->close != nullptr) {
      closing->close(closing);
    }
  }
}

}  // namespace pdf
