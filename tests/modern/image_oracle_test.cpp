// Modern mode's pictures against poppler's image extractor: whole files made
// at test time by real producers (img2pdf, tiff2pdf, Ghostscript) from
// pictures ImageMagick, libtiff's tools and OpenJPEG make, every image of each
// file drawn by us and extracted by `pdfimages -png`, compared pixel for pixel.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "describe/open_mode.h"
#include "dib/dib.h"
#include "dib/dib_rgb_rows.h"
#include "filters/modern_image.h"
#include "pdf/document.h"
#include "pdf/object.h"
#include "tests/modern/object_json.h"

namespace {

struct Rgb {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // R, G, B
};

bool ReadPngRgb(const std::string& path, Rgb* out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str()))
    return false;
  image.format = PNG_FORMAT_RGB;
  out->width = static_cast<int>(image.width);
  out->height = static_cast<int>(image.height);
  out->pixels.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, out->pixels.data(), 0, nullptr) != 0;
}

Rgb FromDib(HDIB dib) {
  Rgb out;
  DibRgbRows rows(dib, /*channels=*/3);
  if (!rows.ok())
    return out;
  out.width = rows.width();
  out.height = rows.height();
  for (int y = 0; y < rows.height(); ++y) {
    const uint8_t* row = rows.Row(y);
    out.pixels.insert(out.pixels.end(), row, row + static_cast<size_t>(rows.width()) * 3);
  }
  return out;
}

// The largest difference of one sample, or -1 when the sizes differ.
int MaxDifference(const Rgb& a, const Rgb& b) {
  if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size())
    return -1;
  int worst = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i)
    worst = std::max(worst, std::abs(a.pixels[i] - b.pixels[i]));
  return worst;
}

// One row of `pdfimages -list`: the image's place in the output and its object.
struct Listed {
  std::string type;  // image, smask, mask, stencil
  std::string encoding;
  int number = 0;
  int generation = 0;
};

std::vector<Listed> ListImages(const std::string& pdf) {
  std::vector<Listed> rows;
  const std::string list = pdf + ".list";
  if (std::system(("pdfimages -list '" + pdf + "' > '" + list + "' 2>/dev/null").c_str()) != 0)
    return rows;
  std::ifstream in(list);
  std::string line;
  std::getline(in, line);
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string page, num, type, width, height, color, comp, bpc, enc, interp, object, id;
    fields >> page >> num >> type >> width >> height >> color >> comp >> bpc >> enc >> interp >>
        object >> id;
    rows.push_back({type, enc, std::atoi(object.c_str()), std::atoi(id.c_str())});
  }
  return rows;
}

// Which reader's extraction is the oracle: poppler's, or mutool's where
// poppler is wrong (16-bit PNG predictors: its first row comes out black).
enum class Oracle { kPoppler, kMutool };

// mutool writes object N as image-NNNN.png, or .jpg for JPEG data, which
// ImageMagick (libjpeg underneath) turns into a PNG.
bool MutoolPng(const std::string& dir, const std::string& pdf, int number, std::string* png) {
  char base[32];
  snprintf(base, sizeof base, "image-%04d", number);
  const std::string stem = dir + "/" + base;
  if (std::system(("cd '" + dir + "' && mutool extract -r '" + pdf + "' " + std::to_string(number) +
                   " >/dev/null 2>&1")
                      .c_str()) != 0) {
    return false;
  }
  if (std::ifstream(stem + ".png").good()) {
    *png = stem + ".png";
    return true;
  }
  *png = stem + "-jpg.png";
  return std::system(
             ("/usr/bin/convert-im6.q16 '" + stem + ".jpg' '" + *png + "' 2>/dev/null").c_str()) ==
         0;
}

class ImageOracleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quorvel-images-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { RunCommand("rm -rf '" + dir_ + "'"); }

  // Makes the file with `recipe` ({d} is the work folder, the file is
  // {d}/out.pdf) and compares every image poppler lists.
  void CheckFile(const std::string& recipe, Oracle oracle_kind, int tolerance,
                 int expected_images) {
    std::string command = recipe;
    for (size_t at; (at = command.find("{d}")) != std::string::npos;)
      command.replace(at, 3, dir_);
    ASSERT_EQ(std::system(("(" + command + ") >/dev/null 2>&1").c_str()), 0) << command;
    const std::string pdf = dir_ + "/out.pdf";
    const std::vector<Listed> listed = ListImages(pdf);
    ASSERT_EQ(static_cast<int>(listed.size()), expected_images);
    ASSERT_EQ(std::system(("pdfimages -png '" + pdf + "' '" + dir_ + "/x' 2>/dev/null").c_str()),
              0);
    pdf::Document doc;
    ASSERT_TRUE(doc.Open(pdf.c_str(), OpenOptionsFor(pdf::Mode::kModern)));
    for (size_t i = 0; i < listed.size(); ++i) {
      SCOPED_TRACE("image " + std::to_string(i) + " (" + listed[i].type + ", " +
                   listed[i].encoding + ", object " + std::to_string(listed[i].number) + ")");
      char name[32];
      snprintf(name, sizeof name, "/x-%03zu.png", i);
      std::string oracle_png = dir_ + name;
      if (oracle_kind == Oracle::kMutool) {
        ASSERT_TRUE(MutoolPng(dir_, pdf, listed[i].number, &oracle_png));
      }
      Rgb oracle;
      ASSERT_TRUE(ReadPngRgb(oracle_png, &oracle));
      pdf::Object* object = doc.GetObject(listed[i].number, listed[i].generation);
      ASSERT_TRUE(object != nullptr && object->IsStream());
      ImageDrawing drawing = DrawImageStream(object->AsDictionary(), /*max_pixels=*/size_t{1} << 30,
                                             /*with_masks=*/false);
      std::string said;
      for (const std::string& line : drawing.lines)
        said += line + "\n";
      ASSERT_NE(drawing.dib, nullptr) << said;
      const Rgb ours = FromDib(drawing.dib);
      DibFree(drawing.dib);
      const int difference = MaxDifference(ours, oracle);
      EXPECT_GE(difference, 0) << "ours " << ours.width << "x" << ours.height << ", poppler's "
                               << oracle.width << "x" << oracle.height << "\n"
                               << said;
      EXPECT_LE(difference, tolerance) << said;
    }
  }

  std::string dir_;
};

// ImageMagick makes the pictures; its PDF writer is barred by Debian's policy.
#define IM "/usr/bin/convert-im6.q16 "

struct Case {
  const char* name;
  const char* recipe;
  const char* postscript;  // written to {d}/in.ps when not null
  Oracle oracle;
  int tolerance;  // of one 8-bit sample
  int images;     // as pdfimages lists them
};

#define IMG2PDF " {d}/in.png && img2pdf {d}/in.png -o {d}/out.pdf"
#define IMG2PDF_JPEG " && img2pdf {d}/in.jpg -o {d}/out.pdf"
// Ghostscript keeps colour spaces, functions and lossless data as they are
// and writes every image as an XObject.
#define GS_PDFWRITE                                                                             \
  "gs -q -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -dMaxInlineImageSize=0 "                           \
  "-dAutoFilterColorImages=false -dColorImageFilter=/FlateEncode -dAutoFilterGrayImages=false " \
  "-dGrayImageFilter=/FlateEncode -dDownsampleColorImages=false -dDownsampleGrayImages=false "  \
  "-dDownsampleMonoImages=false -dColorConversionStrategy=/LeaveColorUnchanged "                \
  "-sOutputFile={d}/out.pdf {d}/in.ps"

#define GS_PDFWRITE_DCT                                                                         \
  "gs -q -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -dMaxInlineImageSize=0 -dASCII85EncodePages=true " \
  "-dAutoFilterColorImages=false -dColorImageFilter=/DCTEncode -dDownsampleColorImages=false "  \
  "-dColorConversionStrategy=/LeaveColorUnchanged -sOutputFile={d}/out.pdf {d}/in.ps"

// A 64 x 48 page filled by one image; `data` holds 64 * 48 * 4 varied bytes.
constexpr char kPostScriptPrologue[] =
    "%!PS\n<< /PageSize [64 48] >> setpagedevice\n"
    "/data 64 48 mul 4 mul string def\n"
    "0 1 64 48 mul 4 mul 1 sub { dup dup dup mul 7 mul exch 3 mul add 255 and data 3 1 roll put } "
    "for\n"
    "64 48 scale\n";
#define PS_IMAGE(bits, decode)                                                        \
  "<< /ImageType 1 /Width 64 /Height 48 /BitsPerComponent " #bits " /Decode [" decode \
  "] "                                                                                \
  "/ImageMatrix [64 0 0 -48 0 48] /DataSource data >> image"
#define ICC_DIR GS_ICC_DIR "/"
#define POPPLER Oracle::kPoppler
#define MUTOOL Oracle::kMutool

const Case kCases[] = {
    {"RGB 8 bits, PNG predictors",
     IM "-size 61x37 gradient:red-blue -depth 8 -define png:color-type=2" IMG2PDF, nullptr, POPPLER,
     0, 1},
    {"RGB 16 bits, PNG predictors",
     IM "-size 61x37 gradient:red-blue -depth 16 -define png:color-type=2" IMG2PDF, nullptr, MUTOOL,
     1, 1},
    {"gray 8 bits", IM "-size 61x37 gradient:white-black -depth 8 -define png:color-type=0" IMG2PDF,
     nullptr, POPPLER, 0, 1},
    {"gray 16 bits",
     IM "-size 61x37 gradient:white-black -depth 16 -define png:color-type=0" IMG2PDF, nullptr,
     MUTOOL, 1, 1},
    {"gray 4 bits",
     IM "-size 61x37 gradient:white-black -depth 4 -define png:color-type=0 -define "
        "png:bit-depth=4" IMG2PDF,
     nullptr, POPPLER, 0, 1},
    {"gray 2 bits",
     IM "-size 61x37 gradient:white-black -depth 2 -define png:color-type=0 -define "
        "png:bit-depth=2" IMG2PDF,
     nullptr, POPPLER, 0, 1},
    {"gray 1 bit",
     IM "-size 61x37 pattern:checkerboard -monochrome -define png:color-type=0 -define "
        "png:bit-depth=1" IMG2PDF,
     nullptr, POPPLER, 0, 1},
    {"Indexed RGB, 4 bits",
     IM "-size 61x37 plasma:fractal -seed 7 -colors 12 -define png:color-type=3" IMG2PDF, nullptr,
     POPPLER, 0, 1},
    {"Indexed RGB, 8 bits",
     IM "-size 61x37 plasma:fractal -seed 7 -colors 200 -define png:color-type=3" IMG2PDF, nullptr,
     POPPLER, 0, 1},
    {"ICCBased RGB (Adobe RGB profile)",
     IM "-size 61x37 gradient:red-blue -depth 8 -define png:color-type=2 -profile " ICC_DIR
        "a98.icc" IMG2PDF,
     nullptr, POPPLER, 2, 1},
    {"ICCBased gray",
     IM "-size 61x37 gradient:white-black -depth 8 -define png:color-type=0 -profile " ICC_DIR
        "sgray.icc" IMG2PDF,
     nullptr, POPPLER, 2, 1},
    {"JPEG RGB", IM "-size 64x48 plasma:fractal -seed 5 -quality 85 {d}/in.jpg" IMG2PDF_JPEG,
     nullptr, POPPLER, 0, 1},
    {"JPEG gray",
     IM "-size 64x48 plasma:fractal -seed 5 -colorspace Gray -quality 85 {d}/in.jpg" IMG2PDF_JPEG,
     nullptr, POPPLER, 0, 1},
    {"JPEG CMYK with an Adobe marker, Decode [1 0 1 0 1 0 1 0]",
     IM "-size 64x48 plasma:fractal -seed 5 -colorspace CMYK -quality 85 {d}/in.jpg" IMG2PDF_JPEG,
     nullptr, MUTOOL, 0, 1},
    {"JPEG 2000 RGB",
     IM "-size 64x48 plasma:fractal -seed 5 -depth 8 {d}/in.ppm && opj_compress -i {d}/in.ppm -o "
        "{d}/in.jp2 && img2pdf {d}/in.jp2 -o {d}/out.pdf",
     nullptr, POPPLER, 0, 1},
    {"JPEG 2000 gray codestream",
     IM "-size 64x48 plasma:fractal -seed 5 -colorspace Gray -depth 8 {d}/in.pgm && opj_compress "
        "-i {d}/in.pgm -o {d}/in.j2k && img2pdf {d}/in.j2k -o {d}/out.pdf",
     nullptr, POPPLER, 0, 1},
    {"ASCII85 then DCT", GS_PDFWRITE_DCT, "/DeviceRGB setcolorspace " PS_IMAGE(8, "0 1 0 1 0 1"),
     POPPLER, 0, 1},
    {"no filter, CalRGB (tiff2pdf)",
     IM "-size 61x37 plasma:fractal -seed 4 -depth 8 -compress none {d}/in.tif && tiff2pdf -o "
        "{d}/out.pdf {d}/in.tif",
     nullptr, POPPLER, 3, 1},
    {"CCITT G4, BlackIs1 (tiff2pdf)",
     IM "-size 203x37 plasma:fractal -seed 4 -monochrome -depth 1 -compress none {d}/in.tif && "
        "tiffcp -c g4 {d}/in.tif {d}/g4.tif && tiff2pdf -o {d}/out.pdf {d}/g4.tif",
     nullptr, POPPLER, 0, 1},
    {"CCITT G4 (img2pdf)",
     IM "-size 203x37 plasma:fractal -seed 4 -monochrome -depth 1 -compress none {d}/in.tif && "
        "tiffcp -c g4 {d}/in.tif {d}/g4.tif && img2pdf {d}/g4.tif -o {d}/out.pdf",
     nullptr, POPPLER, 0, 1},
    {"Separation over DeviceRGB, PostScript function", GS_PDFWRITE,
     "[/Separation /Spot /DeviceRGB {dup 1 exch sub exch dup 0.5 mul exch 0.2 mul}] "
     "setcolorspace " PS_IMAGE(8, "0 1"),
     POPPLER, 1, 1},
    {"DeviceN of two inks over DeviceRGB", GS_PDFWRITE,
     "[/DeviceN [/A /B] /DeviceRGB {2 copy mul 3 1 roll 1 exch sub exch}] setcolorspace " PS_IMAGE(
         8, "0 1 0 1"),
     POPPLER, 1, 1},
    {"gray inverted by Decode [1 0], 4 bits", GS_PDFWRITE,
     "/DeviceGray setcolorspace " PS_IMAGE(4, "1 0"), POPPLER, 0, 1},
    {"Indexed over DeviceGray, 2 bits", GS_PDFWRITE,
     "[/Indexed /DeviceGray 3 <00 55 c0 ff>] setcolorspace " PS_IMAGE(2, "0 3"), POPPLER, 0, 1},
};

class ImageOracleCases : public ImageOracleTest, public ::testing::WithParamInterface<Case> {};

TEST_P(ImageOracleCases, DrawsWhatPopplerExtracts) {
  const Case& c = GetParam();
  if (c.postscript != nullptr) {
    std::ofstream(dir_ + "/in.ps") << kPostScriptPrologue << c.postscript << "\nshowpage\n";
  }
  CheckFile(c.recipe, c.oracle, c.tolerance, c.images);
}

INSTANTIATE_TEST_SUITE_P(Producers, ImageOracleCases, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           std::string name;
                           for (const char* p = info.param.name; *p != '\0'; ++p)
                             name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                           return name;
                         });

}  // namespace
