// The sections as declared against the file: each fault written by hand into
// an otherwise sound file, and the finding it must give.
#include "analysis/xref_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "describe/open_mode.h"
#include "pdf/document.h"
#include "tests/support/pdf_builder.h"

namespace {

std::string Entry(long offset, int generation, char type) {
  char line[32];
  snprintf(line, sizeof line, "%010ld %05d %c \n", offset, generation, type);
  return line;
}

struct Row {
  const char* name;
  // The section's text from the offsets of objects 1 to 3 (and its own in 0).
  std::string (*section)(const std::vector<long>& offsets);
  const char* size;      // the trailer's Size
  const char* expected;  // a finding holds this; "" when none is expected
};

std::string Sound(const std::vector<long>& o) {
  return "xref\n0 4\n" + Entry(0, 65535, 'f') + Entry(o[1], 0, 'n') + Entry(o[2], 0, 'n') +
         Entry(o[3], 0, 'n');
}

std::string NearMiss(const std::vector<long>& o) {
  return "xref\n0 4\n" + Entry(0, 65535, 'f') + Entry(o[1], 0, 'n') + Entry(o[2] - 3, 0, 'n') +
         Entry(o[3], 0, 'n');
}

// Object 3 said to stand where the section itself begins (o[0]).
std::string Nowhere(const std::vector<long>& o) {
  return "xref\n0 4\n" + Entry(0, 65535, 'f') + Entry(o[1], 0, 'n') + Entry(o[2], 0, 'n') +
         Entry(o[0], 0, 'n');
}

std::string Twice(const std::vector<long>& o) {
  return Sound(o) + "2 1\n" + Entry(o[2], 0, 'n');
}

std::string BrokenFreeList(const std::vector<long>& o) {
  return "xref\n0 4\n" + Entry(2, 65535, 'f') + Entry(o[1], 0, 'n') + Entry(o[2], 0, 'n') +
         Entry(o[3], 0, 'n');
}

TEST(XRefCheckTest, FindsWhatTheSectionsGetWrong) {
  const Row rows[] = {
      {"a sound file", Sound, "4", ""},
      {"an offset three bytes short", NearMiss, "4", "object 2 is 3 bytes from its offset"},
      {"an offset to the section itself", Nowhere, "4",
       "1 objects are not where their offsets point: 3"},
      {"Size short of the numbers", Sound, "3", "Size 3 does not cover object 3"},
      {"a number in two subsections", Twice, "4", "1 numbers are listed twice"},
      {"a free list into an object in use", BrokenFreeList, "4",
       "the free list leads from object 0 to object 2"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PdfBuilder b;
    std::vector<long> offsets(4);
    offsets[1] = static_cast<long>(b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>"));
    offsets[2] = static_cast<long>(b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>"));
    offsets[3] = static_cast<long>(b.Object(3, "<< /Producer (check) >>"));
    // An object no section lists, in every file but the sound one.
    if (*row.expected != '\0') {
      b.Object(9, "(forgotten)");
    }
    const size_t xref = b.Size();
    offsets[0] = static_cast<long>(xref);
    b.Raw(row.section(offsets));
    b.Trailer(std::string("/Size ") + row.size + " /Root 1 0 R", xref);
    pdf::Document doc;
    const std::string& bytes = b.Bytes();
    ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "check.pdf",
                               OpenOptionsFor(pdf::Mode::kModern)));
    const std::vector<std::string> findings = CheckCrossReferences(doc);
    std::string all;
    for (const std::string& finding : findings) {
      all += finding + "\n";
    }
    if (*row.expected == '\0') {
      EXPECT_TRUE(findings.empty()) << all;
      continue;
    }
    EXPECT_NE(all.find(row.expected), std::string::npos) << all;
    EXPECT_NE(all.find("1 objects a scan of the file finds are listed by no section: 9"),
              std::string::npos)
        << all;
    EXPECT_NE(all.find("Section at offset " + std::to_string(xref) + " (revision 1)"),
              std::string::npos)
        << all;
  }
}

}  // namespace
