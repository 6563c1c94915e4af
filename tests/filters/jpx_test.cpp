#include "filters/jpx.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Odd sizes, so sub-sampled and reduced sides round up.
constexpr int kWidth = 61;
constexpr int kHeight = 45;
constexpr size_t kAnyPixels = size_t{1} << 30;

// The known picture: component `c` of pixel (x, y).
uint8_t Sample(int x, int y, int c) {
  const int values[4] = {x * 13, y * 19 + x, (x / 8 + y / 8) % 2 * 180 + 40, x * y};
  return static_cast<uint8_t>(values[c]);
}

std::vector<uint8_t> Pattern(int components) {
  std::vector<uint8_t> s;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      for (int c = 0; c < components; ++c) {
        s.push_back(Sample(x, y, c));
      }
    }
  }
  return s;
}

// Named after the process: ctest runs tests of this file side by side.
std::string TempPath(const std::string& name) {
  return testing::TempDir() + "jpx_test_" + std::to_string(getpid()) + "_" + name;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
}

// The pattern as a netpbm file OpenJPEG's tools read: PGM, PPM, a 16-bit PGM
// (each sample times 257) or a PAM with alpha.
std::string Netpbm(int components, bool sixteen) {
  std::ostringstream file;
  if (components == 4) {
    file << "P7\nWIDTH " << kWidth << "\nHEIGHT " << kHeight
         << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  } else {
    file << (components == 1 ? "P5" : "P6") << "\n"
         << kWidth << " " << kHeight << "\n"
         << (sixteen ? 65535 : 255) << "\n";
  }
  for (uint8_t v : Pattern(components)) {
    file << static_cast<char>(v);
    if (sixteen) {
      file << static_cast<char>(v);  // v * 257, big-endian
    }
  }
  return file.str();
}

// opj_compress on the pattern; `output` names the format (.jp2 or .j2k).
std::vector<uint8_t> Compress(int components, bool sixteen, const std::string& output,
                              const std::string& options) {
  const std::string input = TempPath(components == 4   ? "in.pam"
                                     : components == 1 ? "in.pgm"
                                                       : "in.ppm");
  WriteFile(input, Netpbm(components, sixteen));
  const std::string out = TempPath(output);
  const std::string command = std::string(OPJ_COMPRESS_EXE) + " -i " + input + " -o " + out + " " +
                              options + " >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) {
    return {};
  }
  std::vector<uint8_t> file = ReadFile(out);
  std::remove(out.c_str());
  std::remove(input.c_str());
  return file;
}

// opj_decompress's samples of an 8-bit gray or RGB picture, reduced.
bool Decompress(const std::vector<uint8_t>& file, const std::string& name, int reduce, int* width,
                int* height, std::vector<uint8_t>* samples) {
  const std::string in = TempPath(name);
  const std::string out = TempPath("oracle.pnm");
  WriteFile(in, std::string(file.begin(), file.end()));
  const std::string command = std::string(OPJ_DECOMPRESS_EXE) + " -i " + in + " -o " + out +
                              " -r " + std::to_string(reduce) + " >/dev/null 2>&1";
  const bool ran = std::system(command.c_str()) == 0;
  const std::vector<uint8_t> pnm = ReadFile(out);
  std::remove(in.c_str());
  std::remove(out.c_str());
  if (!ran) {
    return false;
  }
  // "P5\n# comment\nW H\n255\n" as the tool writes it.
  std::istringstream header(std::string(pnm.begin(), pnm.end()));
  std::string magic;
  int maxval = 0;
  header >> magic;
  header >> std::ws;
  while (header.peek() == '#') {
    std::string comment;
    std::getline(header, comment);
  }
  header >> *width >> *height >> maxval;
  header.get();
  const size_t start = static_cast<size_t>(header.tellg());
  samples->assign(pnm.begin() + static_cast<long>(start), pnm.end());
  return maxval == 255;
}

TEST(DecodeJpx, LosslessFilesGiveThePattern) {
  struct Case {
    const char* name;
    int components;  // of the input; 4 is RGB with alpha
    bool sixteen;
    const char* output;
    const char* options;
    int scale;  // of the reference grid: sub-sampled components cover two grid points
    JpxImage::Space space;
  };
  const Case cases[] = {
      {"gray JP2", 1, false, "g.jp2", "-n 3", 1, JpxImage::Space::kGray},
      {"gray codestream", 1, false, "g.j2k", "-n 3", 1, JpxImage::Space::kGray},
      {"RGB JP2", 3, false, "c.jp2", "-n 3", 1, JpxImage::Space::kRgb},
      {"RGB codestream", 3, false, "c.j2k", "-n 3", 1, JpxImage::Space::kRgb},
      {"16-bit gray", 1, true, "w.j2k", "-n 3", 1, JpxImage::Space::kGray},
      {"RGB with alpha", 4, false, "a.jp2", "-n 3", 1, JpxImage::Space::kRgb},
      {"sub-sampled RGB", 3, false, "s.j2k", "-n 3 -s 2,2", 2, JpxImage::Space::kRgb},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> file = Compress(c.components, c.sixteen, c.output, c.options);
    ASSERT_FALSE(file.empty());
    JpxImage image;
    std::string error = "stale";
    ASSERT_TRUE(DecodeJpx(file, kAnyPixels, &image, &error)) << error;
    EXPECT_EQ(error, "");
    const int colours = c.components == 4 ? 3 : c.components;
    const int width = (kWidth - 1) * c.scale + 1;
    const int height = (kHeight - 1) * c.scale + 1;
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    EXPECT_EQ(image.full_width, width);
    EXPECT_EQ(image.reduction, 0);
    EXPECT_EQ(image.components, colours);
    EXPECT_EQ(image.space, c.space);
    ASSERT_EQ(image.samples.size(), static_cast<size_t>(width) * height * colours);
    ASSERT_EQ(image.alpha.size(), c.components == 4 ? static_cast<size_t>(width) * height : 0u);
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const size_t pixel = static_cast<size_t>(y) * width + x;
        for (int k = 0; k < colours; ++k) {
          wrong += image.samples[pixel * colours + k] != Sample(x / c.scale, y / c.scale, k);
        }
        if (!image.alpha.empty()) {
          wrong += image.alpha[pixel] != Sample(x, y, 3);
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

// Too many pixels: a resolution level dropped, as opj_decompress -r 1 decodes it.
TEST(DecodeJpx, ReducesToMaxPixels) {
  struct Case {
    const char* name;
    int components;
    const char* output;
    size_t max_pixels;
    int reduction;
  };
  const size_t all = static_cast<size_t>(kWidth) * kHeight;
  const Case cases[] = {
      {"gray, one pixel too many", 1, "r.j2k", all - 1, 1},
      {"RGB JP2, one level exactly", 3, "r.jp2", 31 * 23, 1},
      {"RGB, a pixel short of one level", 3, "r.j2k", 31 * 23 - 1, 2},
      {"RGB, two levels exactly", 3, "r.j2k", 16 * 12, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> lossy = Compress(c.components, false, c.output, "-n 3 -r 20");
    ASSERT_FALSE(lossy.empty());
    int width = 0, height = 0;
    std::vector<uint8_t> want;
    ASSERT_TRUE(Decompress(lossy, c.output, c.reduction, &width, &height, &want));
    JpxImage image;
    std::string error;
    ASSERT_TRUE(DecodeJpx(lossy, c.max_pixels, &image, &error)) << error;
    EXPECT_EQ(image.reduction, c.reduction);
    EXPECT_EQ(image.full_width, kWidth);
    EXPECT_EQ(image.full_height, kHeight);
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    EXPECT_LE(static_cast<size_t>(image.width) * image.height, c.max_pixels);
    EXPECT_TRUE(image.samples == want);
  }
}

TEST(DecodeJpx, RefusesHostileData) {
  const std::vector<uint8_t> jp2 = Compress(3, false, "h.jp2", "-n 3");
  const std::vector<uint8_t> j2k = Compress(3, false, "h.j2k", "-n 3");
  ASSERT_FALSE(jp2.empty());
  ASSERT_FALSE(j2k.empty());
  std::vector<uint8_t> scrambled = j2k;
  for (size_t i = 60; i < scrambled.size(); i += 7) {
    scrambled[i] = static_cast<uint8_t>(scrambled[i] * 31 + 17);
  }
  std::vector<uint8_t> huge = j2k;  // SIZ: Xsiz and Ysiz at 4 billion
  for (size_t i = 8; i < 16; ++i) {
    huge[i] = 0xFF;
  }
  struct Case {
    const char* name;
    std::vector<uint8_t> data;
    size_t max_pixels;
  };
  const Case cases[] = {
      {"empty", {}, kAnyPixels},
      {"not JPEG 2000", {'J', 'P', 'E', 'G', 0, 0, 0, 0}, kAnyPixels},
      {"the JP2 signature alone", std::vector<uint8_t>(jp2.begin(), jp2.begin() + 12), kAnyPixels},
      {"JP2 cut in its header", std::vector<uint8_t>(jp2.begin(), jp2.begin() + 60), kAnyPixels},
      {"codestream cut in its header", std::vector<uint8_t>(j2k.begin(), j2k.begin() + 20),
       kAnyPixels},
      {"4 billion pixels square", huge, kAnyPixels},
      {"more pixels than the lowest resolution has", j2k, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    JpxImage image;
    image.width = 3;
    std::string error;
    EXPECT_FALSE(DecodeJpx(c.data, c.max_pixels, &image, &error));
    EXPECT_NE(error, "");
    EXPECT_EQ(image.width, 0);
    EXPECT_TRUE(image.samples.empty());
  }
  // Damage inside the coded data: whatever OpenJPEG makes of it, the result is
  // either a failure with a reason or a whole picture.
  JpxImage image;
  std::string error;
  if (DecodeJpx(scrambled, kAnyPixels, &image, &error)) {
    EXPECT_EQ(image.samples.size(), static_cast<size_t>(kWidth) * kHeight * 3);
  } else {
    EXPECT_NE(error, "");
  }
}

// Data cut inside the coded data decode as far as they go, with a warning.
TEST(DecodeJpx, DataCutShortWarn) {
  const std::vector<uint8_t> jp2 = Compress(3, false, "t.jp2", "-n 3");
  const std::vector<uint8_t> j2k = Compress(1, false, "t.j2k", "-n 3");
  struct Case {
    const char* name;
    std::vector<uint8_t> data;
    int components;
  };
  const Case cases[] = {
      {"JP2 at three quarters", std::vector<uint8_t>(jp2.begin(), jp2.begin() + jp2.size() * 3 / 4),
       3},
      {"codestream at half", std::vector<uint8_t>(j2k.begin(), j2k.begin() + j2k.size() / 2), 1},
      {"whole JP2", jp2, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    JpxImage image;
    std::string error;
    ASSERT_TRUE(DecodeJpx(c.data, kAnyPixels, &image, &error));
    EXPECT_EQ(error, c.data.size() < jp2.size() ? "the data end before the codestream does" : "");
    EXPECT_EQ(image.samples.size(), static_cast<size_t>(kWidth) * kHeight * c.components);
  }
}

}  // namespace
