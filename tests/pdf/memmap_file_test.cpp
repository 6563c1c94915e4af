#include "pdf/memmap_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "tests/support/pdf_builder.h"

namespace {

TEST(CMemMapFile, MapsTheWholeFileReadOnly) {
  TempFile file("%PDF-1.4\nhello");
  CMemMapFile map;
  ErrorInfo result = map.Open(file.path().c_str());
  ASSERT_EQ(result.code, 0);
  EXPECT_TRUE(map.IsOpen());
  ASSERT_EQ(map.Size(), 14);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(map.Data()), 14), "%PDF-1.4\nhello");
  EXPECT_EQ(map.Path(), file.path());
  map.Close();
  EXPECT_FALSE(map.IsOpen());
  EXPECT_EQ(map.Size(), 0);
  EXPECT_EQ(map.Data(), nullptr);
  EXPECT_EQ(map.Path(), "");
  map.Close();  // closing a closed file does nothing
  EXPECT_FALSE(map.IsOpen());
}

TEST(CMemMapFile, FailuresGiveCode5WithErrnoAndFullPath) {
  TempFile empty("");
  char dir_template[] = "/tmp/quorvel-dir-XXXXXX";
  ASSERT_NE(mkdtemp(dir_template), nullptr);
  std::string dir = dir_template;
  struct Case {
    const char* name;
    std::string path;
    int expect_errno;
  };
  const Case cases[] = {
      {"missing file", dir + "/missing.pdf", ENOENT},
      {"directory", dir, EISDIR},
      {"zero length", empty.path(), EINVAL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CMemMapFile map;
    ErrorInfo result = map.Open(c.path.c_str());
    EXPECT_EQ(result.code, 5);
    EXPECT_EQ(result.os_error, c.expect_errno);
    EXPECT_STREQ(result.subject, c.path.c_str());
    EXPECT_FALSE(map.IsOpen());
    EXPECT_EQ(map.Path(), "");
    std::string expect = "Unable to open file '" + c.path + "'. " + strerror(c.expect_errno) +
                         " (" + std::to_string(c.expect_errno) + ")";
    EXPECT_EQ(result.Message(), expect);
  }
  rmdir(dir.c_str());
}

TEST(CMemMapFile, UnreadableFileFailsUnlessRoot) {
  TempFile file("%PDF-1.4\n");
  chmod(file.path().c_str(), 0);
  CMemMapFile map;
  ErrorInfo result = map.Open(file.path().c_str());
  if (geteuid() == 0) {
    EXPECT_EQ(result.code, 0);  // root reads everything
  } else {
    EXPECT_EQ(result.code, 5);
    EXPECT_EQ(result.os_error, EACCES);
  }
}

TEST(CMemMapFile, FileOfTwoGibibytesIsRefused) {
  TempFile file("");
  ASSERT_EQ(truncate(file.path().c_str(), 0x80000000LL), 0);  // sparse, costs no disk
  CMemMapFile map;
  ErrorInfo result = map.Open(file.path().c_str());
  EXPECT_EQ(result.code, 5);
  EXPECT_EQ(result.os_error, EFBIG);
  EXPECT_FALSE(map.IsOpen());
}

TEST(CMemMapFile, SecondOpenReleasesTheFirst) {
  TempFile a("first file");
  TempFile b("second");
  CMemMapFile map;
  ASSERT_EQ(map.Open(a.path().c_str()).code, 0);
  ASSERT_EQ(map.Open(b.path().c_str()).code, 0);
  EXPECT_EQ(map.Size(), 6);
  EXPECT_EQ(map.Path(), b.path());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(map.Data()), 6), "second");
}

TEST(FullPath, RelativePathsBecomeAbsoluteLexically) {
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  std::string base = cwd;
  struct Case {
    const char* input;
    std::string expect;
  };
  const Case cases[] = {
      {"/a/b/../c/./d.pdf", "/a/c/d.pdf"},
      {"/../x", "/x"},
      {"//a//b", "/a/b"},
      {"/", "/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(FullPath(c.input), c.expect);
  }
  EXPECT_EQ(FullPath("no-such-file.pdf"), base + "/no-such-file.pdf");
}

TEST(CMemMapFile, RelativeMissingPathIsReportedInFull) {
  CMemMapFile map;
  ErrorInfo result = map.Open("no/such/dir/../file.pdf");
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(result.code, 5);
  EXPECT_STREQ(result.subject, (std::string(cwd) + "/no/such/file.pdf").c_str());
}

}  // namespace
