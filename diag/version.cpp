#include "diag/version.h"

#include "diag/format.h"

std::string VersionText(const char* name) {
  return FormatResourceText(IDS_VERSION_FORMAT, name, QUORVEL_VERSION_MAJOR, QUORVEL_VERSION_MINOR,
                            QUORVEL_VERSION_BUILD);
}
