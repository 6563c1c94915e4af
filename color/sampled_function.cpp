// Type 0 sampled functions: a table of samples over a grid, read once into
// floats, interpolated multilinearly (or by simplices when there are many
// inputs, where 2^inputs corners would cost too much).
#include <array>
#include <cmath>
#include <numeric>

#include "color/color_bounds.h"
#include "color/function_parts.h"
#include "color/pdf_values.h"
#include "pdf/object.h"

namespace color {
namespace {

class SampledFunction : public ClippedFunction {
 public:
  SampledFunction(std::vector<float> domain, std::vector<float> range, std::vector<int> size,
                  std::vector<float> encode, std::vector<float> samples)
      : ClippedFunction(std::move(domain), std::move(range)),
        size_(std::move(size)),
        encode_(std::move(encode)),
        samples_(std::move(samples)) {
    size_t stride = static_cast<size_t>(outputs_);
    for (int s : size_) {
      stride_.push_back(stride);
      stride *= static_cast<size_t>(s);
    }
  }

 protected:
  void Compute(const float* in, float* out) const override {
    const int m = inputs_;
    std::array<size_t, kMaxComponents> base{};
    std::array<float, kMaxComponents> fraction{};
    size_t origin = 0;
    for (int i = 0; i < m; ++i) {
      const float top = static_cast<float>(size_[i] - 1);
      float e = Interpolate(in[i], domain_[2 * i], domain_[2 * i + 1], encode_[2 * i],
                            encode_[2 * i + 1]);
      e = std::clamp(std::isnan(e) ? 0.0f : e, 0.0f, top);
      float whole = std::floor(e);
      if (whole >= top) {  // the last sample: no neighbour above
        whole = top;
      }
      base[i] = static_cast<size_t>(whole);
      fraction[i] = e - whole;
      origin += base[i] * stride_[i];
    }
    for (int j = 0; j < outputs_; ++j) {
      out[j] = 0.0f;
    }
    if (m <= kMaxMultilinearInputs) {
      for (unsigned corner = 0; corner < (1u << m); ++corner) {
        float weight = 1.0f;
        size_t at = origin;
        for (int i = 0; i < m && weight != 0.0f; ++i) {
          if (corner & (1u << i)) {
            weight *= fraction[i];
            at += stride_[i];
          } else {
            weight *= 1.0f - fraction[i];
          }
        }
        if (weight != 0.0f) {
          for (int j = 0; j < outputs_; ++j) {
            out[j] += weight * samples_[at + static_cast<size_t>(j)];
          }
        }
      }
      return;
    }
    // Simplex: walk from the base corner along the inputs by falling fraction.
    std::array<int, kMaxComponents> order{};
    std::iota(order.begin(), order.begin() + m, 0);
    std::sort(order.begin(), order.begin() + m,
              [&](int a, int b) { return fraction[a] > fraction[b]; });
    size_t at = origin;
    float previous = 1.0f;
    for (int k = 0; k <= m; ++k) {
      const float f = k < m ? fraction[order[k]] : 0.0f;
      const float weight = previous - f;
      for (int j = 0; j < outputs_; ++j) {
        out[j] += weight * samples_[at + static_cast<size_t>(j)];
      }
      if (k < m && f > 0.0f) {
        at += stride_[order[k]];
      }
      previous = f;
    }
  }

 private:
  std::vector<int> size_;
  std::vector<float> encode_;
  std::vector<float> samples_;  // decoded values, the first input varying fastest
  std::vector<size_t> stride_;
};

// Reads `bits` bits big-endian from `bytes` at bit `position`; 0 past the end.
uint32_t ReadBits(const std::vector<uint8_t>& bytes, uint64_t position, int bits) {
  uint32_t value = 0;
  for (int taken = 0; taken < bits;) {
    const uint64_t byte = position / 8;
    const int offset = static_cast<int>(position % 8);
    const int count = std::min(8 - offset, bits - taken);
    const uint32_t b = byte < bytes.size() ? bytes[byte] : 0;
    value = (value << count) | ((b >> (8 - offset - count)) & ((1u << count) - 1));
    taken += count;
    position += static_cast<uint64_t>(count);
  }
  return value;
}

}  // namespace

std::unique_ptr<Function> LoadSampled(pdf::Object* stream, std::vector<float> domain,
                                      std::vector<float> range, const LoadContext& context) {
  const size_t m = domain.size() / 2;
  const size_t n = range.size() / 2;
  if (!stream->IsStream() || n == 0 || n > kMaxComponents) {
    context.Note("type 0 function: not a stream, or Range missing");
    return nullptr;
  }
  std::vector<double> size_numbers;
  if (!ReadNumbers(stream->Get("Size"), kMaxComponents, &size_numbers) ||
      size_numbers.size() != m) {
    context.Note("type 0 function: Size missing or not one per input");
    return nullptr;
  }
  std::vector<int> size;
  size_t values = n;
  for (double s : size_numbers) {
    if (s < 1 || s != std::floor(s) || s > static_cast<double>(kMaxSampleValues) ||
        values * static_cast<size_t>(s) > kMaxSampleValues) {
      context.Note("type 0 function: Size wrong or the table larger than " +
                   std::to_string(kMaxSampleValues) + " values");
      return nullptr;
    }
    size.push_back(static_cast<int>(s));
    values *= static_cast<size_t>(s);
  }
  pdf::Object* bits_value = stream->Get("BitsPerSample");
  const int bits = bits_value->IsNumber() ? bits_value->IntValue() : 0;
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 12 && bits != 16 && bits != 24 &&
      bits != 32) {
    context.Note("type 0 function: BitsPerSample not 1, 2, 4, 8, 12, 16, 24 or 32");
    return nullptr;
  }
  std::vector<double> numbers;
  std::vector<float> encode, decode;
  pdf::Object* encode_value = stream->Get("Encode");
  if (encode_value->IsNull()) {
    for (int s : size) {
      encode.push_back(0.0f);
      encode.push_back(static_cast<float>(s - 1));
    }
  } else if (ReadNumbers(encode_value, 2 * m, &numbers) && numbers.size() == 2 * m) {
    encode.assign(numbers.begin(), numbers.end());
  } else {
    context.Note("type 0 function: Encode wrong");
    return nullptr;
  }
  pdf::Object* decode_value = stream->Get("Decode");
  if (decode_value->IsNull()) {
    decode = range;
  } else if (ReadNumbers(decode_value, 2 * n, &numbers) && numbers.size() == 2 * n) {
    decode.assign(numbers.begin(), numbers.end());
  } else {
    context.Note("type 0 function: Decode wrong");
    return nullptr;
  }
  const uint64_t needed = (static_cast<uint64_t>(values) * static_cast<uint64_t>(bits) + 7) / 8;
  std::vector<uint8_t> bytes;
  std::string error;
  // Some slack: files pad their tables, and the decoder refuses all past its limit.
  if (!StreamBytes(stream, context.decoder, static_cast<size_t>(needed) + kMaxSmallStreamBytes,
                   &bytes, &error) &&
      bytes.size() < needed) {
    context.Note("type 0 function: the samples cannot be decoded (" + error + ")");
    return nullptr;
  }
  if (bytes.size() < needed) {
    context.Note("type 0 function: " + std::to_string(bytes.size()) + " bytes of samples, not " +
                 std::to_string(needed) + "; the rest read as 0");
  }
  const double top = bits == 32 ? 4294967295.0 : static_cast<double>((1ull << bits) - 1);
  std::vector<float> samples(values);
  for (size_t i = 0; i < values; ++i) {
    const size_t j = i % n;
    const double s = ReadBits(bytes, static_cast<uint64_t>(i) * static_cast<uint64_t>(bits), bits);
    samples[i] = static_cast<float>(decode[2 * j] + s * (decode[2 * j + 1] - decode[2 * j]) / top);
  }
  return std::make_unique<SampledFunction>(std::move(domain), std::move(range), std::move(size),
                                           std::move(encode), std::move(samples));
}

}  // namespace color
