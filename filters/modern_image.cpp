// Modern mode's drawing of an image stream: the dictionary read, the samples
// decoded, the colour space and Decode array applied, masks laid over a
// checkerboard, huge pictures reduced.
#include "filters/modern_image.h"

#include <cstring>
#include <new>

#include "color/color_space.h"
#include "diag/format.h"
#include "filters/filter_chain.h"
#include "filters/image_canvas.h"
#include "filters/image_render.h"
#include "filters/image_samples.h"
#include "pdf/object.h"

namespace {

using Lines = std::vector<std::string>;

void Prefixed(const char* prefix, const Lines& from, Lines* to) {
  for (const std::string& line : from)
    to->push_back(prefix + line);
}

bool Inverted(pdf::Object* decode) {
  return decode->IsArray() && decode->Count() >= 1 && decode->Item(0)->RealValue() >= 0.5;
}

// The alpha plane of an SMask (soft: its gray levels) or of a Mask image
// (a stencil: opaque where it paints), at the mask's own size.
bool MaskPlane(pdf::Object* mask, bool soft, size_t max_pixels, std::vector<uint8_t>* plane,
               int* width, int* height, Lines* lines) {
  pdf::Dictionary* stream = mask->AsDictionary();
  if (stream == nullptr || !mask->IsStream())
    return false;
  ImageInfo info;
  if (!ReadImageInfo(stream, &info, lines))
    return false;
  ImageSamples samples;
  if (!LoadImageSamples(stream, info, /*components=*/1, max_pixels, &samples, lines))
    return false;
  const int step = ReductionStep(samples.width, samples.height, max_pixels);
  if (soft) {
    const std::vector<float> decode = samples.decode_from_codec
                                          ? std::vector<float>{0, 1}
                                          : DecodeArray(info.decode, 1, {0, 1}, lines);
    *plane = GrayPlane(samples, decode, step, width, height);
  } else {
    *plane = StencilPlane(samples, Inverted(info.decode), step, width, height);
  }
  return true;
}

void ApplyMasks(const ImageInfo& info, const ImageSamples& samples, size_t max_pixels,
                ImageCanvas* canvas, Lines* lines) {
  const bool soft = info.smask->IsStream();
  pdf::Object* mask = soft ? info.smask : info.mask->IsStream() ? info.mask : nullptr;
  if (mask != nullptr) {
    std::vector<uint8_t> plane;
    int width = 0;
    int height = 0;
    Lines mask_lines;
    if (MaskPlane(mask, soft, max_pixels, &plane, &width, &height, &mask_lines)) {
      ApplyAlphaPlane(canvas, plane, width, height);
      lines->push_back(soft ? "Soft mask (SMask): transparent parts drawn over a checkerboard"
                            : "Mask image: masked parts drawn as a checkerboard");
    } else {
      mask_lines.push_back("not applied");
    }
    Prefixed(soft ? "SMask: " : "Mask: ", mask_lines, lines);
    return;
  }
  if (info.smask_in_data != 0 && !samples.alpha.empty()) {
    ApplyAlphaPlane(canvas, samples.alpha, samples.width, samples.height);
    lines->push_back(
        "Alpha channel of the JPEG 2000 data (SMaskInData): transparent parts "
        "drawn over a checkerboard");
  }
}

void NoteReduction(int scale, const ImageCanvas& canvas, size_t max_pixels, Lines* lines) {
  if (scale <= 1)
    return;
  lines->push_back(
      FormatText("Drawn reduced to %d x %d (1/%d of each side): more than %zu "
                 "pixels",
                 canvas.width(), canvas.height(), scale, max_pixels));
}

void NoBitmap(int width, int height, Lines* lines) {
  lines->push_back(FormatText("No bitmap of %d x %d pixels could be made", width, height));
}

void DrawStencil(pdf::Dictionary* stream, const ImageInfo& info, size_t max_pixels,
                 ImageDrawing* drawing) {
  Lines* lines = &drawing->lines;
  lines->push_back(FormatText("Image mask: %d x %d pixels, drawn black where it paints", info.width,
                              info.height));
  ImageSamples samples;
  if (!LoadImageSamples(stream, info, /*components=*/1, max_pixels, &samples, lines))
    return;
  const int step = ReductionStep(samples.width, samples.height, max_pixels);
  int width = 0;
  int height = 0;
  const std::vector<uint8_t> plane =
      StencilPlane(samples, Inverted(info.decode), step, &width, &height);
  ImageCanvas canvas;
  if (!canvas.Create(width, height)) {
    NoBitmap(width, height, lines);
    return;
  }
  for (int y = 0; y < height; ++y) {
    uint8_t* out = canvas.Row(y);
    const uint8_t* paint = plane.data() + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x)
      std::memset(out + 3 * x, 255 - paint[x], 3);
  }
  if (samples.rows < samples.height) {
    lines->push_back(FormatText("The data end after %d of %d rows; the rest is left blank",
                                samples.rows, samples.height));
  }
  NoteReduction(step * samples.codec_scale, canvas, max_pixels, lines);
  drawing->dib = canvas.Finish();
}

// The colour space the samples are drawn in: the dictionary's when it fits
// the data, else what the codec says or the data length told.
std::unique_ptr<color::ColorSpace> ChooseSpace(std::unique_ptr<color::ColorSpace> named,
                                               ImageSamples* samples, Lines* lines) {
  if (named != nullptr && named->Components() == samples->components)
    return named;
  if (named != nullptr) {
    lines->push_back(FormatText("ColorSpace has %d components, the data %d; drawn as the data say",
                                named->Components(), samples->components));
  }
  if (samples->codec_space != nullptr)
    return std::move(samples->codec_space);
  return color::DeviceSpace(samples->components);
}

void DrawColour(pdf::Dictionary* stream, const ImageInfo& info, size_t max_pixels, bool with_masks,
                ImageDrawing* drawing) {
  Lines* lines = &drawing->lines;
  Lines notes;
  std::unique_ptr<color::ColorSpace> named;
  if (!info.color_space->IsNull()) {
    named = color::LoadColorSpace(info.color_space, DecodeStreamFully, &notes);
    if (named == nullptr)
      notes.push_back("ColorSpace unusable; drawn as the data length says");
  }
  ImageSamples samples;
  const bool loaded = LoadImageSamples(stream, info, named != nullptr ? named->Components() : 0,
                                       max_pixels, &samples, &notes);
  std::unique_ptr<color::ColorSpace> space;
  if (loaded)
    space = ChooseSpace(std::move(named), &samples, &notes);
  const bool from_codec = samples.decode_from_codec;
  const std::string described = space != nullptr ? space->Describe() : "no colour space";
  lines->push_back(from_codec ? FormatText("Image: %d x %d pixels, JPEG 2000, %s", info.width,
                                           info.height, described.c_str())
                              : FormatText("Image: %d x %d pixels, %d bits per component, %s",
                                           info.width, info.height, info.bits, described.c_str()));
  lines->insert(lines->end(), notes.begin(), notes.end());
  if (!loaded)
    return;
  if (space == nullptr) {
    lines->push_back(FormatText("No colour space for %d components", samples.components));
    return;
  }
  const std::vector<float> decode =
      from_codec
          ? space->DefaultDecode(8)
          : DecodeArray(info.decode, space->Components(), space->DefaultDecode(info.bits), lines);
  const int step = ReductionStep(samples.width, samples.height, max_pixels);
  const bool masked =
      with_masks && (info.smask->IsStream() || info.mask->IsStream() || info.mask->IsArray() ||
                     (info.smask_in_data != 0 && !samples.alpha.empty()));
  if (samples.components == 1 && samples.bits == 1 && step == 1 && !masked) {
    drawing->dib = BilevelDib(samples, *space, decode);
    if (samples.rows < samples.height) {
      lines->push_back(FormatText("The data end after %d of %d rows; the rest is left blank",
                                  samples.rows, samples.height));
    }
    if (drawing->dib == nullptr)
      NoBitmap(samples.width, samples.height, lines);
    return;
  }
  ImageCanvas canvas;
  if (!RenderColour(samples, *space, decode, with_masks ? info.mask : nullptr, step, &canvas,
                    lines)) {
    NoBitmap(static_cast<int>((static_cast<int64_t>(samples.width) + step - 1) / step),
             static_cast<int>((static_cast<int64_t>(samples.height) + step - 1) / step), lines);
    return;
  }
  if (with_masks)
    ApplyMasks(info, samples, max_pixels, &canvas, lines);
  NoteReduction(step * samples.codec_scale, canvas, max_pixels, lines);
  drawing->dib = canvas.Finish();
}

}  // namespace

ImageDrawing DrawImageStream(pdf::Dictionary* stream, size_t max_pixels, bool with_masks) {
  ImageDrawing drawing;
  if (stream == nullptr || !stream->IsStream()) {
    drawing.lines.push_back("not an image stream");
    return drawing;
  }
  try {
    ImageInfo info;
    if (!ReadImageInfo(stream, &info, &drawing.lines))
      return drawing;
    if (info.image_mask)
      DrawStencil(stream, info, max_pixels, &drawing);
    else
      DrawColour(stream, info, max_pixels, with_masks, &drawing);
  } catch (const std::bad_alloc&) {
    DibFree(drawing.dib);
    drawing.dib = nullptr;
    drawing.lines.push_back("Out of memory while drawing the picture");
  }
  return drawing;
}
