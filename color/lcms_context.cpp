#include "color/lcms_context.h"

namespace color {
namespace {

void DropMessage(cmsContext, cmsUInt32Number, const char*) {}

}  // namespace

cmsContext QuietLcmsContext() {
  // Made once and kept for the life of the process: transforms made in it may
  // live as long as any image.
  static const cmsContext context = [] {
    cmsContext made = cmsCreateContext(nullptr, nullptr);
    cmsSetLogErrorHandlerTHR(made, DropMessage);
    return made;
  }();
  return context;
}

}  // namespace color
