// The report sinks silenced for a probe that must not talk to the user.
#pragma once

#include "diag/messages.h"

// Every sink silenced while it lives; the previous ones come back after.
class QuietSinks : public ScopedSinks {
 public:
  QuietSinks() : ScopedSinks(DiscardLine, DiscardLine, DiscardLine) {}
};
