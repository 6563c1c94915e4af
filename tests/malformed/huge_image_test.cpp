// Image dictionaries whose Width or Height is 2^31 (or -2^31): numbers that do
// not fit the 32 bits the bitmap sizes use. Each conversion is refused with
// its message, or gives an empty bitmap, and never allocates what it cannot use.
#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "describe/description.h"
#include "dib/dib.h"
#include "tests/malformed/malformed_files.h"
#include "tests/malformed/open_check.h"

namespace {

// HugeImagePdf's image streams: from object 6, four shapes for each of five
// codings, in this order.
constexpr int kFirstImage = 6;
constexpr int kShapes = 5;
const char* const kCodings[] = {"Flate", "Lzw", "Ccitt", "Dct", "IndexedFlate"};

struct Expect {
  const char* message;  // the last message, or "" for none
  bool bitmap;
};

// Shapes: Width 2^31 Height 8; Width 8 Height 2^31; Width -2^31 Height 8;
// Width 2^31 Height -8; Width 0 Height 2^31. A row of 2^31 8-bit pixels alone
// is more than the 2 GiB a bitmap may hold, with or without rows; a negative
// size becomes 0, which leaves nothing to decode into. Rows without pixels cost
// no memory, so 2^31 of them make a bitmap; no decoding step may visit them
// one by one.
const Expect kExpect[][kShapes] = {
    // Flate: an empty bitmap takes no rows, so the data never end.
    {{"PDF BmiCreateDib failed.", false},
     {"PDF BmiCreateDib failed.", false},
     {"flate decoding error", false},
     {"PDF BmiCreateDib failed.", false},
     {"flate decoding error", false}},
    // LZW: an empty bitmap is returned empty; the decoder has no room.
    {{"PDF BmiCreateDib failed.", false},
     {"PDF BmiCreateDib failed.", false},
     {"", true},
     {"PDF BmiCreateDib failed.", false},
     {"", true}},
    // CCITT: likewise, with no line to decode; a 1-bit row of 2^31 pixels fits,
    // and without rows so does the bitmap.
    {{"PDF BmiCreateDib failed.", false},
     {"PDF BmiCreateDib failed.", false},
     {"", true},
     {"", true},
     {"", true}},
    // JPEG: the picture's own size counts, and these bytes hold no picture.
    {{"PDF JPEG decode failed.", false},
     {"PDF JPEG decode failed.", false},
     {"PDF JPEG decode failed.", false},
     {"PDF JPEG decode failed.", false},
     {"PDF JPEG decode failed.", false}},
    // Indexed, Flate rows.
    {{"PDF BmiCreateDib failed.", false},
     {"PDF BmiCreateDib failed.", false},
     {"flate decoding error", false},
     {"PDF BmiCreateDib failed.", false},
     {"flate decoding error", false}},
};

TEST(HugeImage, EachConversionIsRefusedOrEmpty) {
  const std::string bytes = HugeImagePdf();
  UserMessages messages;
  ViewerDocument doc;
  ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), kMalformedName));
  const int live_before = DibLiveCount();
  for (int coding = 0; coding < static_cast<int>(std::size(kCodings)); ++coding) {
    for (int shape = 0; shape < kShapes; ++shape) {
      SCOPED_TRACE(std::string(kCodings[coding]) + " shape " + std::to_string(shape));
      const Expect& expect = kExpect[coding][shape];
      pdf::Object* stream = doc.GetObject(kFirstImage + coding * kShapes + shape, 0);
      ASSERT_TRUE(IsImageStream(stream));
      messages.texts.clear();
      HDIB dib = stream->AsDictionary()->ToDib();
      EXPECT_EQ(dib != nullptr, expect.bitmap);
      const std::string last = messages.texts.empty() ? "" : messages.texts.back();
      EXPECT_EQ(last, expect.message);
      if (dib != nullptr) {
        EXPECT_EQ(DIB_GetWidth(dib) * DIB_GetHeight(dib), 0);
        DibFree(dib);
      }
    }
  }
  EXPECT_EQ(DibLiveCount(), live_before);
}

TEST(HugeImage, WalkSkipsOnlyWhatItsBudgetExcludes) {
  const OpenOutcome outcome = OpenAndWalk(HugeImagePdf());
  ASSERT_TRUE(outcome.opened);
  // The two huge shapes of every coding are above the walk's budget (for JPEG
  // too: the estimate reads the dictionary); the negative and empty ones are not.
  EXPECT_EQ(outcome.counts.skipped_images, 2 * static_cast<int>(std::size(kCodings)));
  EXPECT_EQ(outcome.counts.images,
            static_cast<int>(std::size(kCodings)) * kShapes - outcome.counts.skipped_images);
}

}  // namespace
