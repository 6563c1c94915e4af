#include "diag/error_info.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace {

TEST(ErrorInfo, MessageTable) {
  struct Case {
    int code;
    int os_error;
    const char* subject;
    std::string expect;
  };
  const std::string enoent = strerror(ENOENT);
  const Case cases[] = {
      {1, 0, "/a.pdf", "The file \"/a.pdf\" is marked read-only."},
      {2, 0, "/a.pdf", "This file does not exist: \"/a.pdf\""},
      {3, 0, "/a.pdf", "This device is full: /a.pdf"},
      {4, ENOENT, "/a.pdf", "Unable to create file '/a.pdf'. " + enoent + " (2)"},
      {5, ENOENT, "/a.pdf", "Unable to open file '/a.pdf'. " + enoent + " (2)"},
      {6, ENOENT, "/a.pdf", "Reading file '/a.pdf'. " + enoent + " (2)"},
      {7, 0, "x%d.pdf", "The file 'x%d.pdf' is damaged or not in expected format."},
      {8, ENOENT, "/a.pdf", "Error writing file '/a.pdf'. " + enoent + " (2)"},
      {9, 0, "/a.pdf", "There was insufficient memory. Perhaps a disk is full?"},
      {10, 0, "f", "I can't match any of the fields in \"f\""},
      {11, ENOENT, "/d", "Unable to create folder '/d'. " + enoent + " (2)"},
      {12, 0, "/a", "This file already exists: \"/a\""},
      {14, ENOENT, "/a", "Renaming to \"/a\" failed.\nBecause: \"" + enoent + "\" (2)"},
      {15, ENOENT, "/a", "Deleting \"/a\" failed.\nBecause: \"" + enoent + "\" (2)"},
      {16, 0, "/a", "Cancelled at your request."},
      {17, 0, "i", "There was an internal logic error: Index out of range. (i)"},
      {18, 0, "p", "There was an internal logic error: Null Pointer. (p)"},
      {19, 0, "n", "There was an internal logic error.\n\nNote: n"},
      {13, 0, "/a", "An unexpected internal error occurred - Code 13 (/a)"},
      {0, 0, "/a", "An unexpected internal error occurred - Code 0 (/a)"},
      {99, 0, "/a", "An unexpected internal error occurred - Code 99 (/a)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    ErrorInfo info(c.code, c.os_error, c.subject);
    EXPECT_EQ(info.Message(), c.expect);
  }
}

TEST(ErrorInfo, MessageIsBuiltOnceAndCopiesBuildTheirOwn) {
  ErrorInfo info(7, 0, "/x.pdf");
  const char* first = info.Message();
  EXPECT_EQ(info.Message(), first);
  ErrorInfo copy(info);
  EXPECT_EQ(copy.message, nullptr);
  EXPECT_NE(copy.subject, info.subject);
  EXPECT_STREQ(copy.Message(), first);
  EXPECT_NE(copy.Message(), first);

  ErrorInfo assigned;
  assigned = info;
  EXPECT_EQ(assigned.code, 7);
  EXPECT_EQ(assigned.message, nullptr);
  EXPECT_STREQ(assigned.Message(), first);
  assigned = assigned;  // self-assignment keeps the record
  EXPECT_STREQ(assigned.subject, "/x.pdf");
}

TEST(ErrorInfo, TakesErrnoWhenNotGiven) {
  errno = EACCES;
  ErrorInfo info(5, "/y");
  EXPECT_EQ(info.os_error, EACCES);
}

TEST(ErrorInfo, LongMessageIsCutTo1023) {
  std::string path(2000, 'p');
  ErrorInfo info(7, 0, path.c_str());
  EXPECT_EQ(strlen(info.Message()), 1023u);
}

TEST(SystemErrorText, UnknownNumberHasNoText) {
  EXPECT_STREQ(SystemErrorText(123456), "");
  ErrorInfo info(5, 123456, "/z.pdf");
  EXPECT_STREQ(info.Message(), "Unable to open file '/z.pdf'.  (123456)");
}

TEST(SystemErrorText, KnownNumberHasTextWithoutLineEnds) {
  std::string text = SystemErrorText(ENOENT);
  EXPECT_EQ(text, strerror(ENOENT));
  EXPECT_EQ(text.find('\n'), std::string::npos);
}

}  // namespace
