// PDF functions: calculator programs against Ghostscript running the same
// PostScript, the other types on cases worked by hand, and hostile input.
#include "color/function.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "tests/color/color_fixture.h"

namespace {

std::vector<float> Evaluate(const color::Function& f, const std::vector<float>& in) {
  std::vector<float> out(static_cast<size_t>(f.Outputs()), -999.0f);
  f.Evaluate(in.data(), out.data());
  return out;
}

std::string Numbers(const std::vector<float>& values) {
  std::ostringstream s;
  for (float v : values) {
    s << v << ' ';
  }
  return s.str();
}

TEST(CalculatorFunction, MatchesGhostscript) {
  struct Case {
    std::vector<float> in;
    const char* program;
    int outputs;
  };
  const Case cases[] = {
      {{0.5f, 0.25f}, "{add}", 1},
      {{0.5f, 0.25f}, "{sub}", 1},
      {{-3.0f, 2.5f}, "{mul}", 1},
      {{7.5f, 2.0f}, "{div}", 1},
      {{7.5f, 2.0f}, "{cvi exch cvi exch idiv}", 1},
      {{-7.0f, 2.0f}, "{cvi exch cvi exch mod}", 1},
      {{-2.5f}, "{dup abs exch neg}", 2},
      {{-2.5f}, "{dup ceiling exch floor}", 2},
      {{-2.5f}, "{dup round exch truncate}", 2},
      {{2.5f}, "{dup round exch cvi}", 2},
      {{6.25f}, "{sqrt}", 1},
      {{30.0f}, "{dup sin exch cos}", 2},
      {{-1.0f, -1.0f}, "{atan}", 1},
      {{0.0f, 1.0f}, "{atan}", 1},
      {{2.0f, 0.5f}, "{exp}", 1},
      {{100.0f}, "{dup ln exch log}", 2},
      {{5.0f}, "{cvi dup 3 bitshift exch -1 bitshift}", 2},
      {{12.0f, 10.0f}, "{cvi exch cvi 2 copy and 3 1 roll 2 copy or 3 1 roll xor}", 3},
      {{5.0f}, "{cvi not}", 1},
      {{0.5f, 0.25f}, "{gt {1} {0} ifelse}", 1},
      {{0.25f, 0.5f}, "{2 copy lt {exch} if pop}", 1},
      {{0.5f, 0.5f}, "{2 copy eq 3 1 roll ne {2} {3} ifelse exch {4} {5} ifelse}", 2},
      {{0.5f, 0.5f}, "{2 copy ge 3 1 roll pop 0.4 le and not {7} {8} ifelse}", 1},
      {{1.0f, 2.0f, 3.0f}, "{3 1 roll}", 3},
      {{1.0f, 2.0f, 3.0f}, "{3 -1 roll}", 3},
      {{1.0f, 2.0f, 3.0f}, "{2 index 1 index 4 2 roll pop pop exch}", 3},
      {{0.3f}, "{true false xor {dup 0.5 gt {0.9} {dup 0.2 lt {0.1} {0.5} ifelse} ifelse} if}", 2},
      {{0.75f}, "{dup 0.5 sub 2 mul exch 1 exch sub cvr dup mul}", 2},
      {{0.75f, 0.25f}, "{exch dup 1 exch sub 3 1 roll exch 1.5 mul add 0 1 eq pop}", 2},
  };
  // One Ghostscript run evaluates every program: one line of results each.
  std::string script = "/t { exec count array astore {=only ( ) print} forall () = clear } def\n";
  PdfObjects pdf;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    std::string domain, range;
    for (float v : c.in) {
      std::ostringstream number;
      number.precision(9);
      number << std::showpoint << v;
      script += number.str() + " ";
      domain += "-1000 1000 ";
    }
    for (int j = 0; j < c.outputs; ++j) {
      range += "-1000 1000 ";
    }
    script += std::string(c.program) + " t\n";
    pdf.Stream(10 + static_cast<int>(i),
               "/FunctionType 4 /Domain [" + domain + "] /Range [" + range + "]", c.program);
  }
  const TempFile program(script, ".ps");
  std::istringstream lines(
      CommandOutput(std::string(GS_EXE) + " -q -dNODISPLAY -dBATCH -dNOPAUSE " + program.path()));
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.program);
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    std::istringstream fields(line);
    std::vector<float> expected;
    double v;
    while (fields >> v) {
      expected.push_back(static_cast<float>(v));
    }
    std::vector<std::string> notes;
    auto f = color::LoadFunction(pdf.Get(10 + static_cast<int>(i)), DecodeStreamFully, &notes);
    ASSERT_NE(f, nullptr) << (notes.empty() ? "" : notes[0]);
    ASSERT_EQ(f->Outputs(), c.outputs);
    // Ghostscript leaves the inputs below when a program consumes fewer:
    // the function's outputs are the top of the stack.
    ASSERT_GE(expected.size(), static_cast<size_t>(c.outputs)) << line;
    expected.erase(expected.begin(), expected.end() - c.outputs);
    const std::vector<float> got = Evaluate(*f, c.in);
    for (int j = 0; j < c.outputs; ++j) {
      EXPECT_NEAR(got[j], expected[j], 1e-4 + 1e-5 * std::fabs(expected[j]))
          << "gs: " << line << " ours: " << Numbers(got);
    }
  }
}

TEST(Function, HandWorkedTypes) {
  PdfObjects pdf;
  // Type 0 tables, first input fastest.
  pdf.Stream(10, "/FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 8",
             std::string("\x00\xff", 2));
  pdf.Stream(11, "/FunctionType 0 /Domain [0 1 0 1] /Range [0 1] /Size [2 2] /BitsPerSample 8",
             std::string("\x00\xff\xff\x00", 4));
  pdf.Stream(12, "/FunctionType 0 /Domain [0 1] /Range [0 1 0 1] /Size [2] /BitsPerSample 12",
             std::string("\x00\x0f\xff\xff\xf0\x00", 6));  // (0, 4095), (4095, 0)
  pdf.Stream(13,
             "/FunctionType 0 /Domain [0 1] /Range [0 10] /Decode [10 0] /Size [3] "
             "/BitsPerSample 16",
             std::string("\x00\x00\x80\x00\xff\xff", 6));
  pdf.Stream(14, "/FunctionType 0 /Domain [0 1] /Range [0 1] /Size [4] /BitsPerSample 1",
             std::string("\x50", 1));  // 0 1 0 1
  pdf.Stream(15, "/FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 32",
             std::string("\x00\x00\x00\x00\xff\xff\xff\xff", 8));
  pdf.Stream(16,
             "/FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 24 "
             "/Encode [1 0]",
             std::string("\x00\x00\x00\xff\xff\xff", 6));
  // Type 2, type 3 over two type 2 halves, and an array of type 2.
  pdf.Object(20, "<< /FunctionType 2 /Domain [0 1] /C0 [0 1] /C1 [1 0] /N 2 >>");
  pdf.Object(21, "<< /FunctionType 2 /Domain [0 1] /C0 [1] /C1 [0] /N 1 >>");
  pdf.Object(22,
             "<< /FunctionType 3 /Domain [0 1] /Functions [21 0 R 21 0 R] /Bounds [0.5] "
             "/Encode [0 1 1 0] >>");
  pdf.Object(23, "[21 0 R << /FunctionType 2 /Domain [0 1] /N 0.5 >>]");
  // Seven inputs: the simplex scheme (one corner each way).
  pdf.Stream(24,
             "/FunctionType 0 /Domain [0 1 0 1 0 1 0 1 0 1 0 1 0 1] /Range [0 1] "
             "/Size [2 1 1 1 1 1 1] /BitsPerSample 8",
             std::string("\x00\xff", 2));
  struct Case {
    const char* name;
    int object;
    std::vector<float> in;
    std::vector<float> out;
  };
  const Case cases[] = {
      {"1-D linear", 10, {0.25f}, {0.25f}},
      {"2-D bilinear centre", 11, {0.5f, 0.5f}, {0.5f}},
      {"2-D bilinear corner", 11, {1.0f, 0.0f}, {1.0f}},
      {"2-D bilinear edge", 11, {0.25f, 1.0f}, {0.75f}},
      {"12 bits, two outputs", 12, {0.5f}, {0.5f, 0.5f}},
      {"16 bits through Decode", 13, {0.5f}, {10.0f - 10.0f * 32768 / 65535}},
      {"1 bit", 14, {1.0f / 3}, {1.0f}},
      {"32 bits", 15, {0.75f}, {0.75f}},
      {"24 bits, Encode reversed", 16, {0.25f}, {0.75f}},
      {"input clipped to Domain", 10, {7.0f}, {1.0f}},
      {"exponential", 20, {0.5f}, {0.25f, 0.75f}},
      {"stitching, first half", 22, {0.25f}, {0.5f}},
      {"stitching, second half", 22, {0.75f}, {0.5f}},
      {"stitching at a bound", 22, {0.5f}, {0.0f}},
      {"array of functions", 23, {0.25f}, {0.75f, 0.5f}},
      {"simplex", 24, {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f}, {0.5f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> notes;
    auto f = color::LoadFunction(pdf.Get(c.object), DecodeStreamFully, &notes);
    ASSERT_NE(f, nullptr) << (notes.empty() ? "" : notes[0]);
    ASSERT_EQ(f->Outputs(), static_cast<int>(c.out.size()));
    const std::vector<float> got = Evaluate(*f, c.in);
    for (size_t j = 0; j < c.out.size(); ++j) {
      EXPECT_NEAR(got[j], c.out[j], 1e-5);
    }
  }
}

TEST(Function, HostileInputIsBounded) {
  PdfObjects pdf;
  std::string deep, many_dups = "{";
  for (int i = 0; i < 1000; ++i) {
    deep += "{true ";
  }
  deep += "1";
  for (int i = 0; i < 1000; ++i) {
    deep += "} if";
  }
  for (int i = 0; i < 150; ++i) {
    many_dups += " dup";
  }
  many_dups += "}";
  pdf.Stream(10,
             "/FunctionType 0 /Domain [0 1 0 1] /Range [0 1] /Size [100000 100000] "
             "/BitsPerSample 8",
             "x");
  pdf.Object(11,
             "<< /FunctionType 3 /Domain [0 1] /Functions [11 0 R] /Bounds [] "
             "/Encode [0 1] >>");
  pdf.Stream(12, "/FunctionType 4 /Domain [0 1] /Range [0.25 1]", deep);
  pdf.Stream(13, "/FunctionType 4 /Domain [0 1] /Range [0.25 1]", many_dups);
  pdf.Stream(14, "/FunctionType 4 /Domain [0 1] /Range [0.25 1]", "{pop pop pop}");
  pdf.Stream(15, "/FunctionType 4 /Domain [0 1] /Range [0.25 1]", "{1 0 div}");
  pdf.Stream(16, "/FunctionType 4 /Domain [0 1] /Range [0.25 1]", "{foo}");
  pdf.Stream(17, "/FunctionType 4 /Domain [0 1] /Range [0.25 1]", "{1 {2} }");
  pdf.Stream(18, "/FunctionType 0 /Domain [0 1] /Range [0 1] /Size [4] /BitsPerSample 8", "\x40");
  pdf.Object(19, "[19 0 R]");
  pdf.Object(20, "<< /FunctionType 7 /Domain [0 1] >>");
  pdf.Stream(21, "/FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 7", "ab");
  struct Case {
    const char* name;
    int object;
    bool loads;
    const char* note;  // in the first note
    float out;         // when it loads, at input 0.5
  };
  const Case cases[] = {
      {"huge Size", 10, false, "Size", 0},
      {"stitching that contains itself", 11, false, "nest", 0},
      {"blocks nested 1000 deep", 12, false, "nest more than", 0},
      {"stack overflow: low end of Range", 13, true, "", 0.25f},
      {"stack underflow: low end of Range", 14, true, "", 0.25f},
      {"division by zero: low end of Range", 15, true, "", 0.25f},
      {"unknown operator", 16, false, "unknown operator foo", 0},
      {"block without if", 17, false, "without if", 0},
      {"samples too short: the rest are 0", 18, true, "the rest read as 0", 0.0f},
      {"array that contains itself", 19, false, "nest", 0},
      {"unknown type", 20, false, "FunctionType 7", 0},
      {"7 bits per sample", 21, false, "BitsPerSample", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> notes;
    auto f = color::LoadFunction(pdf.Get(c.object), DecodeStreamFully, &notes);
    EXPECT_EQ(f != nullptr, c.loads);
    if (*c.note != '\0') {
      ASSERT_FALSE(notes.empty());
      EXPECT_NE(notes[0].find(c.note), std::string::npos) << notes[0];
    }
    if (f != nullptr) {
      EXPECT_FLOAT_EQ(Evaluate(*f, {0.5f})[0], c.out);
    }
  }
}

}  // namespace
