// The one LittleCMS context of colour management here: its error handler drops
// every message, as library code never talks to the user (failures surface as
// null handles, which the callers turn into notes).
#pragma once

#include <lcms2.h>

#include <memory>

namespace color {

cmsContext QuietLcmsContext();

struct ProfileCloser {
  void operator()(void* profile) const { cmsCloseProfile(profile); }
};
struct TransformDeleter {
  void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using ProfileHandle = std::unique_ptr<void, ProfileCloser>;
using TransformHandle = std::unique_ptr<void, TransformDeleter>;

}  // namespace color
