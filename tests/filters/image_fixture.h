// Image streams built as objects for the image conversion tests, the bitmaps they
// give, and the pixel comparisons.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <initializer_list>
#include <list>
#include <string>
#include <vector>

#include "dib/dib.h"
#include "filters/image_stream.h"
#include "pdf/document.h"
#include "pdf/object.h"
#include "tests/support/sink_capture.h"
#include "tests/support/zlib_encoder.h"

// Owns a bitmap and keeps it locked while in scope.
class OwnedDib {
 public:
  explicit OwnedDib(HDIB handle) : handle_(handle) {
    if (handle_ != nullptr) {
      bmi_ = static_cast<BITMAPINFOHEADER*>(DibLock(handle_));
    }
  }
  ~OwnedDib() {
    if (handle_ != nullptr) {
      DibUnlock(handle_);
      DibFree(handle_);
    }
  }
  OwnedDib(const OwnedDib&) = delete;
  OwnedDib& operator=(const OwnedDib&) = delete;

  explicit operator bool() const { return bmi_ != nullptr; }
  HDIB handle() const { return handle_; }
  BITMAPINFOHEADER* bmi() const { return bmi_; }
  BITMAPINFOHEADER* operator->() const { return bmi_; }

  // The first `count` bytes of image row `row` (0 = top).
  std::vector<uint8_t> Row(int row, size_t count) const {
    const uint8_t* p = BmiRowPtr(bmi_, row);
    return p == nullptr ? std::vector<uint8_t>{} : std::vector<uint8_t>(p, p + count);
  }
  // All rows, top first, each cut to `count` bytes.
  std::vector<uint8_t> Rows(size_t count) const {
    std::vector<uint8_t> all;
    for (int r = 0; r < BmiHeightAbs(bmi_); ++r) {
      const std::vector<uint8_t> row = Row(r, count);
      all.insert(all.end(), row.begin(), row.end());
    }
    return all;
  }
  // The padding bytes after `used` in every row.
  std::vector<uint8_t> Padding(size_t used) const {
    std::vector<uint8_t> all;
    const size_t stride = static_cast<size_t>(BmiRowBytes(bmi_));
    for (int r = 0; r < BmiHeightAbs(bmi_); ++r) {
      const uint8_t* p = BmiRowPtr(bmi_, r);
      all.insert(all.end(), p + used, p + stride);
    }
    return all;
  }

 private:
  HDIB handle_ = nullptr;
  BITMAPINFOHEADER* bmi_ = nullptr;
};

inline std::string AsString(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// Samples that differ from pixel to pixel and row to row, so a row out of place
// or a shifted byte shows.
inline std::vector<uint8_t> Pattern(size_t size, uint32_t seed) {
  std::vector<uint8_t> bytes(size);
  uint32_t x = seed * 2654435761u + 12345u;
  for (uint8_t& b : bytes) {
    x = x * 1103515245u + 12345u;
    b = static_cast<uint8_t>(x >> 16);
  }
  return bytes;
}

// The lines a sink received, each ended by a line feed again, so a multi-line
// text can be matched whole.
inline std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) {
    all += line + "\n";
  }
  return all;
}

class ImageTest : public SinkTest {
 protected:
  pdf::Object* Name(const char* text) { return new pdf::Scalar(&doc_, text, pdf::TokenType::Name); }
  pdf::Object* Number(double value) { return new pdf::Scalar(&doc_, value); }
  pdf::Object* String(const std::string& text) {
    return new pdf::Scalar(&doc_, text.c_str(), pdf::TokenType::String);
  }
  pdf::Object* Boolean(bool value) {
    return new pdf::Scalar(&doc_, value ? "true" : "false", pdf::TokenType::Keyword);
  }
  pdf::Object* Array(std::initializer_list<pdf::Object*> items) {
    auto* array = new pdf::Array(&doc_);
    for (pdf::Object* item : items) {
      array->Append(item);
    }
    return array;
  }
  pdf::Object* Dict(std::initializer_list<std::pair<const char*, pdf::Object*>> entries) {
    auto* dict = new pdf::Dictionary(&doc_);
    for (const auto& [key, value] : entries) {
      dict->Set(key, value);
    }
    return dict;
  }
  // A stream holding `raw` as its data; the bytes live as long as the fixture.
  pdf::Dictionary* Stream(const std::string& raw) {
    storage_.push_back(raw);
    const std::string& kept = storage_.back();
    auto* stream = new pdf::Dictionary(&doc_);
    stream->Set("Length", static_cast<double>(kept.size()));
    stream->data = pdf::Token(kept.data(), kept.data() + kept.size(), pdf::TokenType::StreamData);
    return stream;
  }
  // An image stream; a null filter or colour space leaves the entry out.
  pdf::Dictionary* Image(pdf::Object* filter, pdf::Object* color_space, int width, int height,
                         int bits, const std::string& raw) {
    pdf::Dictionary* image = Stream(raw);
    image->Set("Type", "/XObject");
    image->Set("Subtype", "/Image");
    image->Set("Width", width);
    image->Set("Height", height);
    image->Set("BitsPerComponent", bits);
    if (color_space != nullptr) {
      image->Set("ColorSpace", color_space);
    }
    if (filter != nullptr) {
      image->Set("Filter", filter);
    }
    return image;
  }

  pdf::Document doc_;
  std::list<std::string> storage_;
};
