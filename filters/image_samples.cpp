// An image stream's samples: JPEG 2000 and JPEG through their codecs (at a
// reduced size for huge pictures), everything else through the filter chain.
#include "filters/image_samples.h"

#include <algorithm>

#include "diag/format.h"
#include "filters/filter_chain.h"
#include "filters/image_bounds.h"
#include "filters/jpx.h"
#include "jpeg/jpeg_samples.h"
#include "pdf/object.h"

namespace {

size_t RowBytes(int width, int components, int bits) {
  return (static_cast<size_t>(width) * components * bits + 7) / 8;
}

pdf::Object* LastFilter(pdf::Dictionary* stream) {
  pdf::Object* filter = stream->Get("Filter");
  if (filter->IsArray() && filter->Count() > 0)
    return filter->Item(filter->Count() - 1);
  return filter;
}

bool Fail(std::vector<std::string>* lines, std::string text) {
  lines->push_back(std::move(text));
  return false;
}

std::unique_ptr<color::ColorSpace> SpaceOfJpx(JpxImage& jpx, std::vector<std::string>* lines) {
  if (jpx.space == JpxImage::Space::kIcc) {
    auto space = color::IccSpace(jpx.icc_profile, jpx.components, lines);
    if (space != nullptr)
      return space;
  }
  return color::DeviceSpace(jpx.components);
}

bool LoadJpx(const std::vector<uint8_t>& coded, size_t max_pixels, ImageSamples* samples,
             std::vector<std::string>* lines) {
  JpxImage jpx;
  std::string error;
  if (!DecodeJpx(coded, max_pixels, &jpx, &error))
    return Fail(lines, "JPXDecode: " + error);
  if (!error.empty())
    lines->push_back("JPXDecode: " + error);
  samples->width = jpx.width;
  samples->height = jpx.height;
  samples->components = jpx.components;
  samples->bits = 8;
  samples->stride = RowBytes(jpx.width, jpx.components, 8);
  samples->codec_scale = 1 << std::min(jpx.reduction, 30);
  samples->codec_space = SpaceOfJpx(jpx, lines);
  samples->alpha = std::move(jpx.alpha);
  samples->decode_from_codec = true;
  samples->data = std::move(jpx.samples);
  samples->rows =
      samples->stride == 0
          ? 0
          : static_cast<int>(std::min<size_t>(samples->data.size() / samples->stride, jpx.height));
  return true;
}

// The smallest of the codec's scale factors that brings the picture within
// the bound (the rest, if any, is left to sampling).
int JpegScale(const ImageInfo& info, size_t max_pixels) {
  for (int scale : {1, 2, 4, 8}) {
    const size_t w = (static_cast<size_t>(info.width) + scale - 1) / scale;
    const size_t h = (static_cast<size_t>(info.height) + scale - 1) / scale;
    if (w * h <= max_pixels)
      return scale;
  }
  return 8;
}

bool LoadJpeg(const std::vector<uint8_t>& coded, pdf::Object* parms, const ImageInfo& info,
              size_t max_pixels, ImageSamples* samples, std::vector<std::string>* lines) {
  int transform = -1;
  if (parms != nullptr && parms->Get("ColorTransform")->IsNumber())
    transform = parms->Get("ColorTransform")->IntValue() != 0 ? 1 : 0;
  const int scale = JpegScale(info, max_pixels);
  JpegSamples jpeg;
  std::string error;
  if (!DecodeJpegSamples(coded, transform, scale, kMaxImageDataBytes, &jpeg, &error))
    return Fail(lines, "DCTDecode: " + error);
  if (!error.empty())
    lines->push_back("DCTDecode: " + error);
  samples->width = jpeg.width;
  samples->height = jpeg.height;
  samples->components = jpeg.components;
  samples->bits = 8;
  samples->stride = RowBytes(jpeg.width, jpeg.components, 8);
  samples->codec_scale = scale;
  samples->codec_space = color::DeviceSpace(jpeg.components);
  samples->data = std::move(jpeg.samples);
  samples->rows =
      samples->stride == 0
          ? 0
          : static_cast<int>(std::min<size_t>(samples->data.size() / samples->stride, jpeg.height));
  return true;
}

// Without a colour space the data length tells the component count: the
// largest of 4, 3 and 1 whose rows the data fill.
int ComponentsFromLength(const ImageInfo& info, size_t length) {
  for (int n : {4, 3, 1}) {
    if (RowBytes(info.width, n, info.bits) * info.height <= length)
      return n;
  }
  return 1;
}

bool LoadThroughChain(pdf::Dictionary* stream, const ImageInfo& info, int components,
                      ImageSamples* samples, std::vector<std::string>* lines) {
  const int assumed = components > 0 ? components : 4;
  const size_t expected = RowBytes(info.width, assumed, info.bits) * info.height;
  if (expected > kMaxImageDataBytes) {
    return Fail(lines, FormatText("the samples would take %zu bytes, more than the %zu an image "
                                  "may take",
                                  expected, kMaxImageDataBytes));
  }
  std::string error;
  if (!DecodeStreamFully(stream, expected + kImageDataSlack, &samples->data, &error))
    return Fail(lines, error);
  if (!error.empty())
    lines->push_back(error);
  if (components == 0) {
    components = ComponentsFromLength(info, samples->data.size());
    lines->push_back(FormatText("%d component%s per pixel, as the data length says", components,
                                components == 1 ? "" : "s"));
    samples->codec_space = color::DeviceSpace(components);
  }
  samples->width = info.width;
  samples->height = info.height;
  samples->components = components;
  samples->bits = info.bits;
  samples->stride = RowBytes(info.width, components, info.bits);
  samples->rows = static_cast<int>(
      std::min<size_t>(samples->data.size() / samples->stride, static_cast<size_t>(info.height)));
  return true;
}

}  // namespace

bool ReadImageInfo(pdf::Dictionary* stream, ImageInfo* info, std::vector<std::string>* lines) {
  pdf::Object* width = stream->Get("Width");
  pdf::Object* height = stream->Get("Height");
  info->image_mask = stream->Get("ImageMask")->BoolValue();
  info->color_space = stream->Get("ColorSpace");
  info->decode = stream->Get("Decode");
  info->smask = stream->Get("SMask");
  info->mask = stream->Get("Mask");
  info->smask_in_data = stream->Get("SMaskInData")->IntValue();
  // JPEG 2000 and JPEG data say their own depth; producers leave the entry out.
  pdf::Object* last = LastFilter(stream);
  const bool codec = last->IsName("JPXDecode") || last->IsName("DCTDecode");
  pdf::Object* bits = stream->Get("BitsPerComponent");
  info->bits = info->image_mask ? 1 : bits->IsNumber() ? bits->IntValue() : codec ? 8 : 0;
  const double w = width->RealValue();
  const double h = height->RealValue();
  if (!width->IsNumber() || !height->IsNumber() || w < 1 || h < 1 ||
      w > static_cast<double>(kMaxImageSide) || h > static_cast<double>(kMaxImageSide)) {
    return Fail(lines, FormatText("Width %s and Height %s are no picture size", width->Text(),
                                  height->Text()));
  }
  info->width = static_cast<int>(w);
  info->height = static_cast<int>(h);
  if (info->bits != 1 && info->bits != 2 && info->bits != 4 && info->bits != 8 &&
      info->bits != 16) {
    return Fail(lines,
                FormatText("BitsPerComponent %s is none of 1, 2, 4, 8 and 16", bits->Text()));
  }
  return true;
}

bool LoadImageSamples(pdf::Dictionary* stream, const ImageInfo& info, int components,
                      size_t max_pixels, ImageSamples* samples, std::vector<std::string>* lines) {
  pdf::Object* last = LastFilter(stream);
  const bool jpx = last->IsName("JPXDecode");
  const bool jpeg = last->IsName("DCTDecode");
  if (!jpx && !jpeg)
    return LoadThroughChain(stream, info, components, samples, lines);

  std::vector<uint8_t> coded;
  std::string error;
  pdf::Object* last_filter = nullptr;
  pdf::Object* last_parms = nullptr;
  if (!DecodeStreamBeforeLast(stream, kMaxImageDataBytes, &coded, &error, &last_filter,
                              &last_parms)) {
    return Fail(lines, error);
  }
  if (!error.empty())
    lines->push_back(error);
  return jpx ? LoadJpx(coded, max_pixels, samples, lines)
             : LoadJpeg(coded, last_parms, info, max_pixels, samples, lines);
}

void UnpackSamples(const ImageSamples& samples, int row, int x0, int step, int count,
                   uint16_t* out) {
  const int n = samples.components;
  const uint8_t* data = samples.data.data() + static_cast<size_t>(row) * samples.stride;
  const size_t pixel_step = static_cast<size_t>(step) * n;
  size_t index = static_cast<size_t>(x0) * n;  // sample index within the row
  switch (samples.bits) {
    case 8:
      for (int i = 0; i < count; ++i, index += pixel_step) {
        for (int c = 0; c < n; ++c)
          *out++ = data[index + c];
      }
      return;
    case 16:
      for (int i = 0; i < count; ++i, index += pixel_step) {
        for (int c = 0; c < n; ++c) {
          const uint8_t* p = data + 2 * (index + c);
          *out++ = static_cast<uint16_t>(p[0] << 8 | p[1]);
        }
      }
      return;
    default: {
      const int bits = samples.bits;
      const unsigned mask = (1u << bits) - 1;
      for (int i = 0; i < count; ++i, index += pixel_step) {
        for (int c = 0; c < n; ++c) {
          const size_t bit = (index + c) * bits;
          *out++ = static_cast<uint16_t>((data[bit >> 3] >> (8 - bits - (bit & 7))) & mask);
        }
      }
    }
  }
}
