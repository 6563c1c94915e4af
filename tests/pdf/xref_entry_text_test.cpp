// Entries in the 20-byte form are read straight from the bytes; every other
// form goes through the tokens. Both must give the same table and messages.
#include "pdf/xref_entry_text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "pdf/document.h"
#include "tests/pdf/object_dump.h"
#include "tests/support/sink_capture.h"

namespace pdf {
namespace {

TEST(XRefEntryTextTest, OnlyTheExactFormIsTakenFromTheBytes) {
  struct Case {
    std::string bytes;
    bool taken;
    int32_t offset;
    int32_t generation;
    char type;
  };
  const Case cases[] = {
      {"0000000017 00000 n \n", true, 17, 0, 'n'},
      {"0000000000 65535 f\r\n", true, 0, 65535, 'f'},
      {"1234567890 12345 n\t", true, 1234567890, 12345, 'n'},
      {"2147483647 99999 n\n", true, INT32_MAX, 99999, 'n'},
      {"0000000009 00001 f \r", true, 9, 1, 'f'},
      {"2147483648 00000 n \n", false, 0, 0, 0},  // not a 32-bit integer
      {"9999999999 00000 n \n", false, 0, 0, 0},
      {"000000017 00000 n \n", false, 0, 0, 0},  // nine digits
      {"00000000170 0000 n \n", false, 0, 0, 0},
      {"0000000017\t00000 n \n", false, 0, 0, 0},
      {"0000000017  00000 n\n", false, 0, 0, 0},
      {"0000000017 00000 nx\n", false, 0, 0, 0},
      {"0000000017 00000 N \n", false, 0, 0, 0},
      {"0000000017 00000 n%\n", false, 0, 0, 0},
      {"0000000017 0000a n \n", false, 0, 0, 0},
      {"000000001: 00000 n \n", false, 0, 0, 0},
      {"000000/017 00000 n \n", false, 0, 0, 0},
      {"0000000017 0000/ n \n", false, 0, 0, 0},
      {"0000000017 00000 n", false, 0, 0, 0},  // nothing after the letter
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    XRefEntryText entry{-1, -1, '?'};
    const bool taken = ReadEntryText(c.bytes.data(), c.bytes.data() + c.bytes.size(), &entry);
    EXPECT_EQ(taken, c.taken);
    if (taken && c.taken) {
      EXPECT_EQ(entry.offset, c.offset);
      EXPECT_EQ(entry.generation, c.generation);
      EXPECT_EQ(entry.type, c.type);
    }
  }
}

class EntryRunTest : public SinkTest {
 protected:
  // Reads `section` (which starts with "xref") as the file's only section.
  bool Read(const std::string& section) {
    sinks.Clear();
    doc.Reset();
    std::string bytes = "%PDF-1.4\n1 0 obj\n1\nendobj\n";
    section_at_ = bytes.size();
    bytes += section + "\nstartxref\n" + std::to_string(section_at_) + "\n%%EOF\n";
    input_ = std::make_unique<Input>(bytes);
    return doc.ReadFileStructure(input_->begin(), input_->end());
  }
  // "offset generation type" per entry of the newest table.
  std::vector<std::string> Entries() {
    std::vector<std::string> lines;
    XRefTable* table = doc.xref;
    for (int i = 0; table != nullptr && i < table->EntryCount(); ++i) {
      const XRefEntry& e = table->entries[i];
      lines.push_back(std::to_string(e.offset) + " " + std::to_string(e.generation) + " " +
                      std::string(1, e.type == 0 ? '0' : e.type));
    }
    return lines;
  }
  Document doc;
  std::unique_ptr<Input> input_;
  size_t section_at_ = 0;
};

TEST_F(EntryRunTest, MixedFormsGiveTheSameEntries) {
  struct Case {
    const char* name;
    std::string entries;  // between "xref\n0 N\n" and "trailer"
    std::vector<std::string> expect;
  };
  const Case cases[] = {
      {"all in the 20-byte form",
       "0000000000 65535 f \n0000000009 00000 n \n0000000123 00002 n \n",
       {"0 65535 f", "9 0 n", "123 2 n"}},
      {"line ends of every kind",
       "0000000000 65535 f\r\n0000000009 00000 n\r0000000123 00002 n\n\n",
       {"0 65535 f", "9 0 n", "123 2 n"}},
      {"other separators between the forms",
       "0000000000 65535 f \n0000000009  00000 n \n0000000123 00002 n \n0000000200\t00000 f\n",
       {"0 65535 f", "9 0 n", "123 2 n", "200 0 f"}},
      {"comments between entries",
       "0000000000 65535 f \n% a comment\n0000000009 00000 n \n0000000123 00002 n %x\n"
       "0000000200 00000 n \n",
       {"0 65535 f", "9 0 n", "123 2 n", "200 0 n"}},
      {"letters glued to the next entry",
       "0000000000 65535 f0000000009 00000 n \n",
       {"0 65535 f", "9 0 n"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string section = "xref\n0 " + std::to_string(c.expect.size()) + "\n" + c.entries;
    ASSERT_TRUE(Read(section + "trailer\n<< /Size 9 >>"));
    EXPECT_TRUE(sinks.errors.empty());
    EXPECT_EQ(Entries(), c.expect);
    EXPECT_EQ(doc.xref->text_length, static_cast<int>(section.size()));
  }
}

TEST_F(EntryRunTest, MessagesAfterARunAreThoseOfTheTokens) {
  const std::string run = "xref\n0 3\n0000000000 65535 f \n0000000009 00000 n \n";
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {run + "000000009 00000 n \ntrailer\n<< >>", {"Expected 10-digit byte offset"}},
      {run + "2147483648 00000 n \ntrailer\n<< >>", {"Expected integer"}},
      {run + "0000000009 0000 n \ntrailer\n<< >>", {"Expected 5-digit number"}},
      {run + "0000000009 00000 nx \ntrailer\n<< >>", {"Expected 'f' or 'n'"}},
      {run + "trailer\n<< >>", {"Expected integer"}},  // fewer entries than counted
      // More entries than counted: the section ends at the third entry's offset.
      {run + "0000000009 00000 n \n0000000009 00000 n \ntrailer\n<< >>", {"trailer not found"}},
  };
  for (const auto& [section, errors] : cases) {
    SCOPED_TRACE(section);
    EXPECT_FALSE(Read(section));
    EXPECT_EQ(sinks.errors, errors);
  }
}

TEST_F(EntryRunTest, TableGrowsAsEntryByEntry) {
  for (int count : {1, 16, 17, 32, 33, 1000, 70000}) {
    SCOPED_TRACE(count);
    std::string section = "xref\n0 " + std::to_string(count) + "\n";
    Document other;
    auto* one_by_one = new XRefTable(&other, 0);  // owned by `other`
    for (int i = 0; i < count; ++i) {
      section += "0000000009 00000 n \n";
      one_by_one->SetEntry(i, 0, 9, 'n');
    }
    const int expected_capacity = one_by_one->capacity;
    ASSERT_TRUE(Read(section + "trailer\n<< >>"));
    EXPECT_EQ(doc.xref->EntryCount(), count);
    EXPECT_EQ(doc.xref->capacity, expected_capacity);
    for (int i = doc.xref->EntryCount(); i < doc.xref->capacity; ++i) {
      const XRefEntry& e = doc.xref->entries[i];
      ASSERT_TRUE(e.offset == 0 && e.generation == 0 && e.object == nullptr && e.type == 0) << i;
    }
  }
}

TEST_F(EntryRunTest, ClaimedCountBeyondTheBytesReservesNoMore) {
  EXPECT_FALSE(Read("xref\n0 2000000000\n0000000000 65535 f \ntrailer\n<< >>"));
  EXPECT_EQ(sinks.errors, std::vector<std::string>{"Expected integer"});
  // The failed table is still on the document's list: its block stayed small.
  for (Object* o = doc.objects; o != nullptr; o = o->next) {
    if (XRefTable* table = o->AsXRefTable()) {
      EXPECT_LE(table->capacity, 16);
    }
  }
}

}  // namespace
}  // namespace pdf
