#include "filters/decode_stream.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <list>
#include <string>

#include "pdf/document.h"
#include "pdf/object.h"
#include "tests/support/sink_capture.h"
#include "tests/support/zlib_encoder.h"

namespace {

// Twelve-bit LZW is not needed here: the codes 256, 65, 66, 257 at nine bits.
const std::string kLzwAB = std::string("\x80\x10\x48\x50\x10", 5) + std::string("\x00", 1);

class DecodeStreamTest : public SinkTest {
 protected:
  // A stream whose data are `raw`, with the given Filter (none when null).
  pdf::Dictionary* MakeStream(const std::string& raw, pdf::Object* filter) {
    storage_.push_back(raw);
    const std::string& kept = storage_.back();
    auto* stream = new pdf::Dictionary(&doc_);
    if (filter != nullptr) {
      stream->Set("Filter", filter);
    }
    stream->Set("Length", static_cast<double>(kept.size()));
    stream->data = pdf::Token(kept.data(), kept.data() + kept.size(), pdf::TokenType::StreamData);
    return stream;
  }
  pdf::Object* Name(const char* text) { return new pdf::Scalar(&doc_, text, pdf::TokenType::Name); }

  pdf::Document doc_;
  std::list<std::string> storage_;
};

TEST_F(DecodeStreamTest, UnfilteredDataIsCopiedWhenItFits) {
  char out[4096];
  char error[kDecodeErrorTextSize];
  std::string exact(4095, 'a');
  EXPECT_EQ(MakeStream(exact, nullptr)->Decode(out, 4095, error), 4095);
  EXPECT_EQ(std::string(out, 4095), exact);
  EXPECT_STREQ(error, "");
  EXPECT_EQ(MakeStream(exact + "b", nullptr)->Decode(out, 4095, error), 0);
  EXPECT_STREQ(error, "");
}

TEST_F(DecodeStreamTest, FlateOutcomes) {
  const std::string text = "BT /F1 24 Tf 72 712 Td (Hello) Tj ET";
  const std::string packed = Deflate(text);
  struct Case {
    const char* name;
    std::string raw;
    int capacity;
    int expect;
    const char* error;
  };
  const Case cases[] = {
      {"whole stream", packed, 4095, static_cast<int>(text.size()), ""},
      {"output larger than the capacity", Deflate(std::string(5000, 'x')), 4095, 0,
       "flate decoding error"},
      {"data stop before the end code", packed.substr(0, packed.size() - 6), 4095, 0,
       "flate decoding error"},
      {"corrupt data", "not zlib at all", 4095, 0, "flate decoding error"},
      {"empty data", "", 4095, 0, "flate decoding error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char out[8192];
    char error[kDecodeErrorTextSize] = "stale";
    int n = MakeStream(c.raw, Name("FlateDecode"))->Decode(out, c.capacity, error);
    EXPECT_EQ(n, c.expect);
    EXPECT_STREQ(error, c.error);
    if (c.expect > 0) {
      EXPECT_EQ(std::string(out, static_cast<size_t>(n)), text);
    }
  }
}

TEST_F(DecodeStreamTest, PredictorIsNotApplied) {
  const std::string text = "\x02\x01\x01\x01";
  pdf::Dictionary* stream = MakeStream(Deflate(text), Name("FlateDecode"));
  auto* parms = new pdf::Dictionary(&doc_);
  parms->Set("Predictor", 12);
  stream->Set("DecodeParms", parms);
  char out[64];
  char error[kDecodeErrorTextSize];
  ASSERT_EQ(stream->Decode(out, 63, error), 4);
  EXPECT_EQ(std::string(out, 4), text);
}

TEST_F(DecodeStreamTest, LzwGoesThroughTheDecoder) {
  char out[64];
  char error[kDecodeErrorTextSize];
  EXPECT_EQ(MakeStream(kLzwAB, Name("LZWDecode"))->Decode(out, 63, error), 2);
  EXPECT_EQ(std::string(out, 2), "AB");
  EXPECT_STREQ(error, "");
}

TEST_F(DecodeStreamTest, UnsupportedFiltersAreNamed) {
  auto* array = new pdf::Array(&doc_);
  array->Append(Name("FlateDecode"));
  std::string long_name(400, 'N');
  struct Case {
    const char* name;
    pdf::Object* filter;
    std::string expect;
  };
  const Case cases[] = {
      {"array holding FlateDecode", array, "unsupported filter type: <array>"},
      {"other filter", Name("DCTDecode"), "unsupported filter type: DCTDecode"},
      {"case differs", Name("flatedecode"), "unsupported filter type: flatedecode"},
      {"long name is cut to the buffer", Name(long_name.c_str()),
       ("unsupported filter type: " + long_name).substr(0, kDecodeErrorTextSize - 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char out[64];
    char error[kDecodeErrorTextSize];
    EXPECT_EQ(MakeStream(Deflate("x"), c.filter)->Decode(out, 63, error), 0);
    EXPECT_EQ(std::string(error), c.expect);
  }
}

}  // namespace
