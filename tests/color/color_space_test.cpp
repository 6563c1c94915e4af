// Colour spaces against LittleCMS 2 run by the test itself (ICC, Lab, CalRGB,
// CalGray) and Ghostscript rendering the same spaces (Separation, DeviceN),
// plus the fallbacks and hostile input.
#include "color/color_space.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cstdlib>
#include <fstream>
#include <functional>

#include "tests/color/color_fixture.h"

namespace {

std::string ProfileBytes(cmsHPROFILE profile) {
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::string bytes(size, '\0');
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

// An input profile from CMYK to Lab made of a 2-point grid: ink darkens.
std::string CmykProfile() {
  cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
  cmsSetDeviceClass(profile, cmsSigInputClass);
  cmsSetColorSpace(profile, cmsSigCmykData);
  cmsSetPCS(profile, cmsSigLabData);
  cmsSetProfileVersion(profile, 2.1);
  cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, 4, 3);
  cmsStage* clut = cmsStageAllocCLut16bit(nullptr, 2, 4, 3, nullptr);
  cmsStageSampleCLut16bit(
      clut,
      [](const cmsUInt16Number in[], cmsUInt16Number out[], void*) -> cmsInt32Number {
        cmsCIELab lab;
        const double ink = (in[0] + in[1] + in[2]) / 3.0 / 65535.0;
        lab.L = 100.0 * (1 - 0.8 * ink) * (1 - 0.9 * in[3] / 65535.0);
        lab.a = 40.0 * (in[1] - in[0]) / 65535.0;
        lab.b = 40.0 * (in[1] - in[2]) / 65535.0;
        cmsFloat2LabEncoded(out, &lab);
        return 1;
      },
      nullptr, 0);
  cmsPipelineInsertStage(pipeline, cmsAT_END, clut);
  cmsWriteTag(profile, cmsSigAToB0Tag, pipeline);
  cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
  cmsPipelineFree(pipeline);
  return ProfileBytes(profile);
}

std::string RgbProfile() {
  cmsCIExyY white{0.3127, 0.3290, 1.0};
  cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
  cmsToneCurve* gamma = cmsBuildGamma(nullptr, 1.8);
  cmsToneCurve* curves[3] = {gamma, gamma, gamma};
  cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
  cmsFreeToneCurve(gamma);
  return ProfileBytes(profile);
}

std::string GrayProfile() {
  cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
  cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), gamma);
  cmsFreeToneCurve(gamma);
  return ProfileBytes(profile);
}

// What lcms2 makes of samples in the profile, to sRGB.
std::vector<uint8_t> LcmsRgb(const std::string& profile_bytes, cmsUInt32Number format,
                             const void* samples, size_t pixels) {
  cmsHPROFILE in = cmsOpenProfileFromMem(profile_bytes.data(),
                                         static_cast<cmsUInt32Number>(profile_bytes.size()));
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHTRANSFORM t =
      cmsCreateTransform(in, format, srgb, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0);
  std::vector<uint8_t> rgb(pixels * 3);
  cmsDoTransform(t, samples, rgb.data(), static_cast<cmsUInt32Number>(pixels));
  cmsDeleteTransform(t);
  cmsCloseProfile(in);
  cmsCloseProfile(srgb);
  return rgb;
}

void ExpectNear(const std::vector<uint8_t>& got, const std::vector<uint8_t>& want, int tolerance) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_NEAR(got[i], want[i], tolerance) << "byte " << i;
  }
}

TEST(IccSpace, MatchesLcms) {
  struct Case {
    const char* name;
    std::string profile;
    int n;
    cmsUInt32Number format;
    cmsUInt32Number float_format;
    const char* describe;
  };
  const Case cases[] = {
      {"sRGB", ProfileBytes(cmsCreate_sRGBProfile()), 3, TYPE_RGB_8, TYPE_RGB_FLT,
       "ICCBased, 3 components (sRGB"},
      {"RGB gamma 1.8", RgbProfile(), 3, TYPE_RGB_8, TYPE_RGB_FLT, "ICCBased, 3 components"},
      {"gray", GrayProfile(), 1, TYPE_GRAY_8, TYPE_GRAY_FLT, "ICCBased, 1 component"},
      {"CMYK", CmykProfile(), 4, TYPE_CMYK_8, TYPE_CMYK_FLT, "ICCBased, 4 components"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PdfObjects pdf;
    pdf.Stream(10, "/N " + std::to_string(c.n), c.profile);
    pdf.Object(11, "[/ICCBased 10 0 R]");
    std::vector<std::string> notes;
    auto space = color::LoadColorSpace(pdf.Get(11), DecodeStreamFully, &notes);
    ASSERT_NE(space, nullptr) << (notes.empty() ? "" : notes[0]);
    EXPECT_TRUE(notes.empty()) << notes[0];
    EXPECT_EQ(space->Describe().rfind(c.describe, 0), 0u) << space->Describe();
    const size_t pixels = 64;
    std::vector<uint8_t> samples(pixels * static_cast<size_t>(c.n));
    for (size_t i = 0; i < samples.size(); ++i) {
      samples[i] = static_cast<uint8_t>(i * 37 + i / 5);
    }
    const std::vector<uint8_t> want = LcmsRgb(c.profile, c.format, samples.data(), pixels);
    std::vector<uint8_t> fast(pixels * 3), general(pixels * 3);
    ASSERT_TRUE(space->ToRgb8(samples.data(), pixels, fast.data()));
    ExpectNear(fast, want, 0);
    std::vector<float> values(samples.begin(), samples.end());
    for (float& v : values) {
      v /= 255.0f;
    }
    space->ToRgb(values.data(), pixels, general.data());
    // lcms2 takes CMYK floats from 0 to 100.
    std::vector<float> lcms_values = values;
    for (float& v : lcms_values) {
      v *= c.n == 4 ? 100.0f : 1.0f;
    }
    ExpectNear(general, LcmsRgb(c.profile, c.float_format, lcms_values.data(), pixels), 0);
  }
}

TEST(IccSpace, UnusableProfileFallsBack) {
  struct Case {
    const char* name;
    std::string entries;
    std::string profile;
    const char* describe;
    const char* note;  // in the first note
  };
  const Case cases[] = {
      {"unreadable, Alternate", "/N 3 /Alternate /DeviceRGB", "not a profile", "DeviceRGB",
       "cannot be read; Alternate used"},
      {"RGB profile for 4 components", "/N 4 /Alternate /DeviceCMYK",
       ProfileBytes(cmsCreate_sRGBProfile()), "DeviceCMYK", "3 components, not 4"},
      {"no Alternate: device space", "/N 1", "junk", "DeviceGray", "DeviceGray used"},
      {"Alternate of other components", "/N 3 /Alternate /DeviceGray", "junk", "DeviceRGB",
       "Alternate used"},
      // A colour space signature no ICC version defines (found by fuzzing).
      {"unknown colour space", "/N 3 /Alternate /DeviceRGB",
       ProfileBytes(cmsCreate_sRGBProfile()).replace(16, 4, "\xb9\xadTY"), "DeviceRGB",
       "Alternate used"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PdfObjects pdf;
    pdf.Stream(10, c.entries, c.profile);
    pdf.Object(11, "[/ICCBased 10 0 R]");
    std::vector<std::string> notes;
    testing::internal::CaptureStderr();
    auto space = color::LoadColorSpace(pdf.Get(11), DecodeStreamFully, &notes);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // lcms2 stays silent
    ASSERT_NE(space, nullptr);
    EXPECT_EQ(space->Describe(), c.describe);
    ASSERT_FALSE(notes.empty());
    EXPECT_NE(notes[0].find(c.note), std::string::npos) << notes[0];
  }
}

// Lab, CalRGB and CalGray against the same colours through lcms2 profiles.
TEST(CieSpaces, MatchLcms) {
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  // CalRGB: the standard's example, whose Matrix columns are primaries whose
  // sum is the white point, as lcms2 builds them from chromaticities.
  const double m[9] = {0.4497, 0.2446, 0.0252, 0.3163, 0.6720, 0.1412, 0.1845, 0.0833, 0.9227};
  auto xy = [](double x, double y, double z) {
    return cmsCIExyY{x / (x + y + z), y / (x + y + z), y};
  };
  cmsCIExyY white = xy(0.9505, 1.0, 1.0890);
  cmsCIExyYTRIPLE primaries{xy(m[0], m[1], m[2]), xy(m[3], m[4], m[5]), xy(m[6], m[7], m[8])};
  cmsToneCurve* gamma18 = cmsBuildGamma(nullptr, 1.8);
  cmsToneCurve* curves[3] = {gamma18, gamma18, gamma18};
  cmsHPROFILE cal_rgb = cmsCreateRGBProfile(&white, &primaries, curves);
  cmsToneCurve* gamma22 = cmsBuildGamma(nullptr, 2.2);
  cmsHPROFILE cal_gray = cmsCreateGrayProfile(&white, gamma22);
  cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
  struct Case {
    const char* name;
    std::string space;
    cmsHPROFILE profile;
    cmsUInt32Number format;
    std::vector<double> values;  // three per pixel (one for gray)
  };
  const Case cases[] = {
      {"Lab",
       "[/Lab << /WhitePoint [0.9642 1 0.8249] /Range [-128 127 -128 127] >>]",
       lab,
       TYPE_Lab_DBL,
       {50, 0, 0, 75, 20, -30, 30, -40, 60, 100, 0, 0, 10, 5, 5, 90, -60, 80}},
      {"CalRGB",
       "[/CalRGB << /WhitePoint [0.9505 1 1.0890] /Gamma [1.8 1.8 1.8] /Matrix [0.4497 0.2446 "
       "0.0252 0.3163 0.6720 0.1412 0.1845 0.0833 0.9227] >>]",
       cal_rgb,
       TYPE_RGB_DBL,
       {0.5, 0.5, 0.5, 1, 0, 0, 0.2, 0.7, 0.4, 0.9, 0.9, 0.1, 0, 0, 1}},
      {"CalGray",
       "[/CalGray << /WhitePoint [0.9505 1 1.0890] /Gamma 2.2 >>]",
       cal_gray,
       TYPE_GRAY_DBL,
       {0, 0.1, 0.25, 0.5, 0.8, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PdfObjects pdf;
    pdf.Object(10, c.space);
    std::vector<std::string> notes;
    auto space = color::LoadColorSpace(pdf.Get(10), DecodeStreamFully, &notes);
    ASSERT_NE(space, nullptr);
    EXPECT_EQ(space->Describe(), c.name);
    const size_t n = static_cast<size_t>(space->Components());
    const size_t pixels = c.values.size() / n;
    cmsHTRANSFORM t =
        cmsCreateTransform(c.profile, c.format, srgb, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0);
    // lcms2 takes doubles for RGB and gray from 0 to 1, but its Lab as is.
    std::vector<uint8_t> want(pixels * 3), got(pixels * 3);
    cmsDoTransform(t, c.values.data(), want.data(), static_cast<cmsUInt32Number>(pixels));
    cmsDeleteTransform(t);
    const std::vector<float> values(c.values.begin(), c.values.end());
    space->ToRgb(values.data(), pixels, got.data());
    ExpectNear(got, want, 2);
  }
  cmsFreeToneCurve(gamma18);
  cmsFreeToneCurve(gamma22);
  for (cmsHPROFILE p : {srgb, cal_rgb, cal_gray, lab}) {
    cmsCloseProfile(p);
  }
}

// Ghostscript fills one 10-point square per colour at 72 dpi; the centre of
// each square is the colour it drew.
std::vector<uint8_t> GhostscriptColours(const std::string& space, int components,
                                        const std::vector<float>& values,
                                        const std::function<void(PdfBuilder&)>& objects) {
  const size_t squares = values.size() / static_cast<size_t>(components);
  std::string content;
  for (size_t i = 0; i < squares; ++i) {
    content += "/CS0 cs ";
    for (int c = 0; c < components; ++c) {
      content += std::to_string(values[i * components + c]) + " ";
    }
    content += "sc " + std::to_string(i * 10) + " 0 10 10 re f\n";
  }
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + std::to_string(squares * 10) +
                  " 10] /Contents 4 0 R /Resources << /ColorSpace << /CS0 " + space + " >> >> >>");
  b.Stream(4, "", content);
  objects(b);
  b.Finish("/Root 1 0 R");
  const TempFile pdf(b.Bytes());
  const TempFile ppm("", ".ppm");
  std::system((std::string(GS_EXE) + " -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=ppmraw -r72 -o " +
               ppm.path() + " " + pdf.path() + " >/dev/null 2>&1")
                  .c_str());
  std::ifstream in(ppm.path(), std::ios::binary);
  std::string magic;
  int width = 0, height = 0, max = 0;
  in >> magic;
  while (in >> std::ws && in.peek() == '#') {  // Ghostscript names itself in a comment
    std::getline(in, magic);
  }
  in >> width >> height >> max;
  in.get();
  std::vector<uint8_t> image(static_cast<size_t>(width * height * 3));
  in.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(image.size()));
  std::vector<uint8_t> colours;
  for (size_t i = 0; i < squares && width >= static_cast<int>(squares * 10); ++i) {
    const size_t at = (5 * static_cast<size_t>(width) + i * 10 + 5) * 3;
    colours.insert(colours.end(), image.begin() + at, image.begin() + at + 3);
  }
  return colours;
}

TEST(TintSpaces, MatchGhostscript) {
  const std::string exponential =
      "<< /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [0.2 0.4 0.9] /N 1 >>";
  struct Case {
    const char* name;
    std::string space;
    int components;
    std::vector<float> values;
    const char* describe;
  };
  const Case cases[] = {
      {"Separation, type 2 tint",
       "[/Separation /Spot#20Blue /DeviceRGB " + exponential + "]",
       1,
       {0, 0.25f, 0.5f, 1},
       "Separation /Spot Blue -> DeviceRGB"},
      {"Separation, type 4 tint",
       "[/Separation /Orange /DeviceRGB 5 0 R]",
       1,
       {0, 0.3f, 0.6f, 1},
       "Separation /Orange -> DeviceRGB"},
      {"Separation /All",
       "[/Separation /All /DeviceRGB " + exponential + "]",
       1,
       {0, 0.5f, 1},
       "Separation /All"},
      {"Separation /None",
       "[/Separation /None /DeviceRGB " + exponential + "]",
       1,
       {0, 1},
       "Separation /None"},
      {"DeviceN, type 4 tint",
       "[/DeviceN [/Cyanish /Magentaish] /DeviceRGB 6 0 R]",
       2,
       {0, 0, 1, 0, 0.5f, 0.5f, 0.2f, 0.9f},
       "DeviceN (2 inks) -> DeviceRGB"},
      {"DeviceN to gray",
       "[/DeviceN [/A] /DeviceGray 7 0 R]",
       1,
       {0, 0.4f, 1},
       "DeviceN (1 ink) -> DeviceGray"},
  };
  const std::string orange = "{dup 0.1 mul 1 exch sub exch dup 0.6 mul 1 exch sub exch 1 exch sub}";
  const std::string inks = "{2 copy add 2 div 1 exch sub 3 1 roll 1 exch sub exch 1 exch sub}";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The functions live in objects 5 to 7 in both files.
    auto with_functions = [&](auto& b) {
      b.Stream(5, "/FunctionType 4 /Domain [0 1] /Range [0 1 0 1 0 1]", orange);
      b.Stream(6, "/FunctionType 4 /Domain [0 1 0 1] /Range [0 1 0 1 0 1]", inks);
      b.Stream(7, "/FunctionType 4 /Domain [0 1] /Range [0 1]", "{dup mul 1 exch sub}");
    };
    PdfObjects pdf;
    with_functions(pdf);
    pdf.Object(10, c.space);
    std::vector<std::string> notes;
    auto space = color::LoadColorSpace(pdf.Get(10), DecodeStreamFully, &notes);
    ASSERT_NE(space, nullptr) << (notes.empty() ? "" : notes[0]);
    EXPECT_EQ(space->Describe(), c.describe);
    // Ghostscript's file carries the same functions as objects 5 to 7.
    const std::vector<uint8_t> want =
        GhostscriptColours(c.space, c.components, c.values, with_functions);
    const size_t pixels = c.values.size() / static_cast<size_t>(c.components);
    std::vector<uint8_t> got(pixels * 3);
    space->ToRgb(c.values.data(), pixels, got.data());
    ExpectNear(got, want, 3);
  }
}

TEST(ColorSpaces, DeviceAndHostile) {
  PdfObjects pdf;
  pdf.Object(10, "[/Indexed /DeviceRGB 1000 <" + std::string(3 * 300 * 2, 'a') + ">]");
  pdf.Object(11, "[/Indexed /DeviceRGB 9 <ff0000 00ff00>]");
  pdf.Object(12, "[/Indexed 12 0 R 1 <0001>]");
  pdf.Object(13, "[/Separation /X /DeviceRGB << /FunctionType 2 /Domain [0 1] /N 1 >>]");
  pdf.Object(14, "/Pattern");
  pdf.Object(15, "/CMYK");
  pdf.Object(16, "[/Indexed /DeviceGray 3 <00>]");
  struct Case {
    const char* name;
    int object;
    const char* describe;  // "" when nothing is usable
    const char* note;      // in the first note, or "" for none
    std::vector<uint8_t> sample;
    std::vector<uint8_t> rgb;  // by the standard's formulas, or the lookup
  };
  const Case cases[] = {
      {"hival 1000 cut to 255",
       10,
       "Indexed DeviceRGB, 256 colours",
       "hival 1000 cut to 255",
       {255},
       {0xaa, 0xaa, 0xaa}},
      {"lookup too short", 11, "Indexed DeviceRGB, 2 colours", "hival cut to 1", {5}, {0, 255, 0}},
      {"Indexed based on itself", 12, "", "nest", {}, {}},
      {"tint of 1 output for 3 components",
       13,
       "Separation /X (as gray ink)",
       "drawn as gray ink",
       {64},
       {191, 191, 191}},
      {"Pattern", 14, "", "not supported", {}, {}},
      {"CMYK short name", 15, "DeviceCMYK", "", {10, 20, 30, 40}, {205, 195, 185}},
      {"lookup without a whole colour",
       16,
       "Indexed DeviceGray, 1 colour",
       "hival cut to 0",
       {2},
       {0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> notes;
    auto space = color::LoadColorSpace(pdf.Get(c.object), DecodeStreamFully, &notes);
    EXPECT_EQ(space ? space->Describe() : "", c.describe);
    if (*c.note != '\0') {
      ASSERT_FALSE(notes.empty());
      EXPECT_NE(notes[0].find(c.note), std::string::npos) << notes[0];
    } else {
      EXPECT_TRUE(notes.empty());
    }
    if (space != nullptr) {
      std::vector<uint8_t> rgb(3);
      ASSERT_TRUE(space->ToRgb8(c.sample.data(), 1, rgb.data()));
      EXPECT_EQ(rgb, c.rgb);
    }
  }
}

}  // namespace
