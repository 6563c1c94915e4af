#include "diag/messages.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "diag/format.h"
#include "tests/support/sink_capture.h"

namespace {

using Lines = std::vector<std::string>;

TEST(TraceMessage, SplitsTextIntoLines) {
  struct Case {
    const char* name;
    const char* text;
    Lines expect;
  };
  const Case cases[] = {
      {"two feeds give an empty line", "a\n\nb", {"a", "", "b"}},
      {"trailing feed adds nothing", "a\n", {"a"}},
      {"empty text gives nothing", "", {}},
      {"last piece without feed", "x\ny", {"x", "y"}},
      {"single feed gives one empty line", "\n", {""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SinkCapture sinks;
    TraceMessage("%s", c.text);
    EXPECT_EQ(sinks.traces, c.expect);
  }
}

TEST(TraceMessage, DefaultSinkDoesNotFormat) {
  ASSERT_EQ(g_trace_sink, DiscardLine);
  // With missing arguments a formatting call would read garbage; the discard
  // short cut must return before formatting.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
#pragma GCC diagnostic ignored "-Wformat-security"
  TraceMessage("%s %s %s %s %n");
#pragma GCC diagnostic pop
  SUCCEED();
}

TEST(ErrorMessage, CutsLongTextAndPassesFormattedTextUnchanged) {
  SinkCapture sinks;
  std::string long_text(3000, 'x');
  ErrorMessage("%s", long_text.c_str());
  WarningMessage("%s", "100% sure %d");
  ASSERT_EQ(sinks.errors.size(), 1u);
  EXPECT_EQ(sinks.errors[0], std::string(2047, 'x'));
  ASSERT_EQ(sinks.warnings.size(), 1u);
  EXPECT_EQ(sinks.warnings[0], "100% sure %d");
}

TEST(ErrorMessage, LineFeedsReachTheSinkWhole) {
  SinkCapture sinks;
  ErrorMessage("%s - Unrecognized token\n", "p");
  ASSERT_EQ(sinks.errors.size(), 1u);
  EXPECT_EQ(sinks.errors[0], "p - Unrecognized token\n");
}

TEST(ErrorMessage, ReturnsTheSinkResult) {
  SinkCapture sinks;
  EXPECT_EQ(ErrorMessage("x"), 1);
}

TEST(FormatText, CutsAt399Characters) {
  std::string long_text(1000, 'y');
  std::string text = FormatText("string: %s", long_text.c_str());
  EXPECT_EQ(text.size(), 399u);
  EXPECT_EQ(text.substr(0, 8), "string: ");
}

TEST(FormatText, ResourceTexts) {
  EXPECT_EQ(FormatResourceText(IDS_ABOUT_CAPTION, "Quorvel"), "About Quorvel");
  EXPECT_EQ(FormatResourceText(IDS_VERSION_FORMAT, "Quorvel", 1, 2, 6), "Quorvel 1.02b6");
}

TEST(FormatText, NumbersIgnoreTheProcessLocale) {
  // Qt sets the process locale from the environment; a decimal comma must not
  // leak into PDF numbers or descriptions.
  const char* candidates[] = {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "C.UTF-8"};
  std::string previous = setlocale(LC_ALL, nullptr);
  for (const char* name : candidates) {
    if (setlocale(LC_ALL, name) != nullptr) {
      break;
    }
  }
  EXPECT_EQ(FormatText("%g", 0.5), "0.5");
  char buffer[32];
  FormatInto(buffer, sizeof buffer, "%0.5f", 12.5);
  EXPECT_STREQ(buffer, "12.50000");
  EXPECT_DOUBLE_EQ(ParseDouble("0.5", nullptr), 0.5);
  setlocale(LC_ALL, previous.c_str());
}

TEST(WarningBox, HandsCaptionAndTextToThePresenter) {
  static std::string caption, text;
  SetMessageBoxPresenter([](const char* c, const char* t) {
    caption = c;
    text = t;
    return 7;
  });
  EXPECT_EQ(WarningBox("hello"), 7);
  SetMessageBoxPresenter(nullptr);
  EXPECT_EQ(caption, "Velmora - PDF Module");
  EXPECT_EQ(text, "hello");
}

}  // namespace
