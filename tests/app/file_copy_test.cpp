#include "app/file_copy.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/pdf_builder.h"

namespace {

const uint8_t* Bytes(const std::string& s) {
  return reinterpret_cast<const uint8_t*>(s.data());
}

TEST(FileCopy, WritesExactBytesOverAnExistingFile) {
  std::string data = MinimalPdf();
  data.push_back('\0');  // binary bytes survive
  data += "\r\n\xff";
  TempFile target("old contents");
  ErrorInfo result = WriteFileReplacing(target.path(), Bytes(data), data.size());
  EXPECT_EQ(result.code, 0);
  EXPECT_EQ(ReadAll(target.path()), data);
}

TEST(FileCopy, KeepsTheModeOfTheFileItReplaces) {
  TempFile target("old");
  chmod(target.path().c_str(), 0640);
  std::string data = "new";
  ASSERT_EQ(WriteFileReplacing(target.path(), Bytes(data), data.size()).code, 0);
  struct stat st;
  ASSERT_EQ(stat(target.path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(FileCopy, MissingFolderIsCode4AndWritesNothing) {
  std::string target = "/nonexistent-quorvel-dir/copy.pdf";
  std::string data = "x";
  ErrorInfo result = WriteFileReplacing(target, Bytes(data), data.size());
  EXPECT_EQ(result.code, 4);
  EXPECT_EQ(std::string(result.Message()).rfind("Unable to create file '" + target + "'.", 0), 0u)
      << result.Message();
  EXPECT_NE(access(target.c_str(), F_OK), 0);
}

TEST(FileCopy, SameFileFollowsLinks) {
  TempFile a("a");
  TempFile b("b");
  std::string link = a.path() + ".link";
  ASSERT_EQ(symlink(a.path().c_str(), link.c_str()), 0);
  EXPECT_TRUE(IsSameFile(a.path(), a.path()));
  EXPECT_TRUE(IsSameFile(a.path(), link));
  EXPECT_FALSE(IsSameFile(a.path(), b.path()));
  EXPECT_FALSE(IsSameFile(a.path(), a.path() + ".missing"));
  unlink(link.c_str());
}

}  // namespace
