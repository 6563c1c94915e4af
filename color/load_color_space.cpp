// Which kind of space a ColorSpace value names, handed to the loader of that
// kind.
#include <string>

#include "color/color_bounds.h"
#include "color/pdf_values.h"
#include "color/space_parts.h"
#include "pdf/object.h"

namespace color {
namespace {

// Components of a device space's name, full or short (inline images); 0 for
// any other name.
int DeviceComponents(const std::string& name) {
  if (name == "DeviceGray" || name == "G") {
    return 1;
  }
  if (name == "DeviceRGB" || name == "RGB") {
    return 3;
  }
  if (name == "DeviceCMYK" || name == "CMYK") {
    return 4;
  }
  return 0;
}

}  // namespace

std::unique_ptr<ColorSpace> LoadSpaceAt(pdf::Object* space, const LoadContext& context, int depth) {
  if (depth > kMaxSpaceNesting) {
    context.Note("colour spaces nest more than " + std::to_string(kMaxSpaceNesting) +
                 " deep (a reference cycle?)");
    return nullptr;
  }
  if (space == nullptr) {
    context.Note("no colour space");
    return nullptr;
  }
  space = space->Resolve();
  pdf::Object* family = space;
  if (space->IsArray()) {
    if (space->Count() == 0) {
      context.Note("empty colour space array");
      return nullptr;
    }
    family = space->Item(0);
  }
  const std::string name = NameOf(family);
  if (name.empty()) {
    context.Note("colour space is neither a name nor an array starting with one");
    return nullptr;
  }
  if (int components = DeviceComponents(name); components > 0) {
    return DeviceSpace(components);
  }
  if (!space->IsArray()) {
    context.Note("colour space /" + name + " needs its parameters (or is not supported here)");
    return nullptr;
  }
  pdf::Object* first = space->Item(1);
  if (name == "CalGray") {
    return LoadCalGray(first, context);
  }
  if (name == "CalRGB") {
    return LoadCalRgb(first, context);
  }
  if (name == "Lab") {
    return LoadLab(first, context);
  }
  if (name == "ICCBased") {
    return LoadIccBased(first, context, depth);
  }
  if (name == "Indexed" || name == "I") {
    return LoadIndexed(space, context, depth);
  }
  if (name == "Separation") {
    return LoadSeparation(space, context, depth);
  }
  if (name == "DeviceN") {
    return LoadDeviceN(space, context, depth);
  }
  context.Note("colour space /" + name + " is not supported for images");
  return nullptr;
}

}  // namespace color
