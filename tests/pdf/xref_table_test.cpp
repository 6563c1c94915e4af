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
  // A table of `first` holding the entries given as {number, offset, type}.
  XRefTable* Table(int32_t first, std::vector<std::tuple<int, int, char>> entries) {
    auto* table = new XRefTable(&doc, 0);
    table->first = first;
    for (auto [number, offset, type] : entries) {
      EXPECT_TRUE(table->SetEntry(number, 0, offset, type));
    }
    return table;
  }
  Document doc;
};

std::string Entry(const XRefEntry& e) {
  return std::to_string(e.offset) + " " + std::to_string(e.generation) + " " +
         (e.type == 0 ? std::string("0") : std::string(1, e.type)) + (e.object ? " obj" : "");
}

TEST_F(XRefTableTest, NewTableAndGrowth) {
  auto* table = new XRefTable(&doc, 321);
  EXPECT_EQ(table->EntryCount(), 1);
  EXPECT_EQ(table->capacity, 16);
  EXPECT_EQ(Entry(table->entries[0]), "0 65535 f");
  EXPECT_EQ(Entry(table->entries[15]), "0 0 0");
  EXPECT_EQ(table->AsXRefTable(), table);
  EXPECT_TRUE(table->Get("Size")->IsNull());

  ASSERT_TRUE(table->SetEntry(20, 3, 1234, 'n'));
  EXPECT_EQ(table->capacity, 32);
  EXPECT_EQ(table->EntryCount(), 21);
  EXPECT_EQ(Entry(table->entries[20]), "1234 3 n");
  EXPECT_EQ(Entry(table->entries[19]), "0 0 0");
  EXPECT_FALSE(table->SetEntry(-1, 0, 0, 'n')) << "below first";

  const std::pair<int, int> steps[] = {{32, 32}, {33, 64}, {200, 200}, {8, 8}};
  for (auto [request, capacity] : steps) {
    ASSERT_TRUE(table->Grow(request));
    EXPECT_EQ(table->capacity, capacity) << request;
    EXPECT_LE(table->EntryCount(), table->capacity);
  }
}

TEST_F(XRefTableTest, LookupAnswersFromTheNewestSectionThatCoversTheNumber) {
  XRefTable* older = Table(0, {{5, 500, 'n'}, {7, 700, 'n'}});
  XRefTable* newer = Table(5, {{5, 900, 'n'}, {6, 0, 'f'}});
  newer->prev = older;
  const std::pair<int, int> cases[] = {{5, 900}, {6, 0}, {7, 700}, {0, 0}, {8, -1}, {-3, -1}};
  for (auto [number, offset] : cases) {
    EXPECT_EQ(newer->Lookup(number, 9), offset) << number;
  }
}

TEST_F(XRefTableTest, AddObjectRecordsNumbersAndThrowsWhereItGaveUp) {
  XRefTable* older = Table(0, {{3, 300, 'f'}});
  XRefTable* newer = Table(10, {{10, 1000, 'n'}});
  newer->prev = older;
  auto* written = new Array(&doc);
  written->number = 3;
  written->generation = 2;
  written->offset = 333;
  newer->AddObject(written);
  EXPECT_EQ(Entry(older->entries[3]), "333 2 n obj");
  auto* unwritten = new Array(&doc);
  unwritten->number = 10;
  newer->AddObject(unwritten);
  EXPECT_EQ(Entry(newer->entries[0]), "1000 0 n obj") << "offset 0 keeps the entry's offset";

  auto* direct = new Dictionary(&doc);
  older->AddObject(direct);
  EXPECT_EQ(direct->number, 4);
  EXPECT_EQ(older->entries[4].object, direct);
  EXPECT_TRUE(sinks.warnings.empty());

  auto thrown_by = [](XRefTable* table, Object* object) -> XRefTable* {
    try {
      table->AddObject(object);
    } catch (const XRefRegistrationError& error) {
      return error.table;
    }
    return nullptr;
  };
  auto* stray = new Array(&doc);
  stray->number = 42;
  EXPECT_EQ(thrown_by(newer, stray), older);
  XRefTable* full = Table(INT32_MAX, {});  // its next number would leave the 32-bit range
  EXPECT_EQ(thrown_by(full, new Dictionary(&doc)), full);
  EXPECT_EQ(sinks.warnings,
            (std::vector<std::string>{"PDF xref Add object#42??", "PDF xref table full!"}));
}

}  // namespace
}  // namespace pdf
