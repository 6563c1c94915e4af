#include "pdf/xref_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pdf/document.h"
#include "tests/support/sink_capture.h"

namespace pdf {
namespace {

class XRefTableTest : public SinkTest {
 protected:
  Document doc;
};

std::string Entry(const XRefEntry& e) {
  return std::to_string(e.offset) + " " + std::to_string(e.generation) + " " +
         (e.type == 0 ? std::string("\\0") : std::string(1, e.type)) +
         (e.object != nullptr ? " obj" : "");
}

TEST_F(XRefTableTest, NewTableHoldsTheFreeHeadOnly) {
  auto* table = new XRefTable(&doc, 321);
  EXPECT_EQ(table->first, 0);
  EXPECT_EQ(table->EntryCount(), 1);
  EXPECT_EQ(table->capacity, 16);
  EXPECT_EQ(table->section_offset, 321);
  EXPECT_EQ(table->prev, nullptr);
  EXPECT_EQ(table->trailer, nullptr);
  EXPECT_EQ(Entry(table->entries[0]), "0 65535 f");
  for (int i = 1; i < table->capacity; ++i) {
    EXPECT_EQ(Entry(table->entries[i]), "0 0 \\0") << i;
  }
  EXPECT_TRUE(table->IsXRefTable());
  EXPECT_EQ(table->AsXRefTable(), table);
  EXPECT_FALSE(table->IsDictionary());
  EXPECT_TRUE(table->Get("Size")->IsNull());
  EXPECT_STREQ(table->Text(), "<object>");
}

TEST_F(XRefTableTest, SetEntryGrowsByDoubling) {
  auto* table = new XRefTable(&doc, 0);
  ASSERT_TRUE(table->SetEntry(20, 3, 1234, 'n'));
  EXPECT_EQ(table->capacity, 32);
  EXPECT_EQ(table->EntryCount(), 21);
  EXPECT_EQ(Entry(table->entries[20]), "1234 3 n");
  EXPECT_EQ(Entry(table->entries[19]), "0 0 \\0");
  ASSERT_TRUE(table->SetEntry(20, 0, 99, 'f'));  // a later call wins
  EXPECT_EQ(Entry(table->entries[20]), "99 0 f");
  EXPECT_EQ(table->EntryCount(), 21);
  EXPECT_FALSE(table->SetEntry(-1, 0, 0, 'n')) << "below first";
}

TEST_F(XRefTableTest, GrowDoublesOrTakesTheRequestAndMayShrink) {
  auto* table = new XRefTable(&doc, 0);
  struct Step {
    int request;
    int capacity;
  };
  const Step steps[] = {{16, 16}, {17, 32}, {100, 100}, {101, 200}, {8, 8}};
  for (const Step& s : steps) {
    SCOPED_TRACE(s.request);
    ASSERT_TRUE(table->Grow(s.request));
    EXPECT_EQ(table->capacity, s.capacity);
    EXPECT_LE(table->EntryCount(), table->capacity);
  }
}

TEST_F(XRefTableTest, LookupFindsTheNewestSectionThatCoversTheNumber) {
  auto* older = new XRefTable(&doc, 0);
  older->SetEntry(5, 0, 500, 'n');
  older->SetEntry(7, 0, 700, 'n');
  auto* newer = new XRefTable(&doc, 0);
  newer->first = 5;
  newer->SetEntry(5, 0, 900, 'n');
  newer->SetEntry(6, 0, 0, 'f');
  newer->prev = older;
  EXPECT_EQ(newer->Lookup(5, 0), 900);
  EXPECT_EQ(newer->Lookup(5, 9), 900) << "the generation is not compared";
  EXPECT_EQ(newer->Lookup(6, 0), 0) << "a free entry answers with its next-free number";
  EXPECT_EQ(newer->Lookup(7, 0), 700);
  EXPECT_EQ(newer->Lookup(0, 0), 0);
  EXPECT_EQ(newer->Lookup(8, 0), -1);
  EXPECT_EQ(newer->Lookup(-3, 0), -1);
}

TEST_F(XRefTableTest, AddObjectRecordsTheObjectInItsEntry) {
  auto* older = new XRefTable(&doc, 0);
  older->SetEntry(3, 0, 300, 'f');
  auto* newer = new XRefTable(&doc, 0);
  newer->first = 10;
  newer->SetEntry(10, 0, 1000, 'n');
  newer->prev = older;

  auto* written = new Array(&doc);
  written->number = 3;
  written->generation = 2;
  written->offset = 333;
  newer->AddObject(written);
  EXPECT_EQ(Entry(older->entries[3]), "333 2 n obj");
  EXPECT_EQ(older->entries[3].object, written);

  auto* unwritten = new Array(&doc);
  unwritten->number = 10;
  newer->AddObject(unwritten);
  EXPECT_EQ(Entry(newer->entries[0]), "1000 0 n obj") << "offset 0 keeps the entry's offset";
  EXPECT_TRUE(sinks.warnings.empty());
}

TEST_F(XRefTableTest, AddObjectNumbersADirectObject) {
  auto* table = new XRefTable(&doc, 0);
  auto* first = new Dictionary(&doc);
  auto* second = new Dictionary(&doc);
  table->AddObject(first);
  table->AddObject(second);
  EXPECT_EQ(first->number, 1);
  EXPECT_EQ(second->number, 2);
  EXPECT_EQ(table->EntryCount(), 3);
  EXPECT_EQ(table->entries[2].object, second);
  EXPECT_EQ(table->NewNumber(), 3);
  EXPECT_EQ(table->EntryCount(), 4);
}

TEST_F(XRefTableTest, AddObjectThrowsTheTableWhereItGaveUp) {
  auto* older = new XRefTable(&doc, 0);
  auto* newer = new XRefTable(&doc, 0);
  newer->first = 10;
  newer->prev = older;
  auto* stray = new Array(&doc);
  stray->number = 42;
  XRefTable* thrown = nullptr;
  try {
    newer->AddObject(stray);
  } catch (XRefTable* table) {
    thrown = table;
  }
  EXPECT_EQ(thrown, older);
  EXPECT_EQ(sinks.warnings, std::vector<std::string>{"PDF xref Add object#42??"});

  // A table whose next number would leave the 32-bit range is full.
  auto* full = new XRefTable(&doc, 0);
  full->first = INT32_MAX;
  thrown = nullptr;
  try {
    full->AddObject(new Dictionary(&doc));
  } catch (XRefTable* table) {
    thrown = table;
  }
  EXPECT_EQ(thrown, full);
  EXPECT_EQ(sinks.warnings.back(), "PDF xref table full!");
}

}  // namespace
}  // namespace pdf
