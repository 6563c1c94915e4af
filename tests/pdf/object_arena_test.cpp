// Where parsed objects live and which ones are made at all: the parser takes
// its objects from the document's arena, and makes no object for a dictionary
// key or for the two numbers of a reference.
#include "pdf/object_arena.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "pdf/document.h"
#include "tests/pdf/object_dump.h"
#include "tests/support/sink_capture.h"

namespace pdf {
namespace {

TEST(ObjectArenaTest, HandsOutAlignedDistinctMemoryAndClaimsOnce) {
  ObjectArena arena;
  std::vector<char*> blocks;
  for (size_t size : {1, 7, 8, 88, 120, 64 * 1024, 3}) {
    SCOPED_TRACE(size);
    auto* p = static_cast<char*>(arena.Allocate(size));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % kObjectAlignment, 0u);
    memset(p, 0xA5, size);  // all of it is usable (the sanitizer watches)
    for (char* q : blocks) {
      EXPECT_NE(p, q);
    }
    blocks.push_back(p);
    EXPECT_FALSE(arena.Claim(p + 1));
    EXPECT_TRUE(arena.Claim(p));
    EXPECT_FALSE(arena.Claim(p)) << "claimed twice";
  }
  EXPECT_THROW(arena.Allocate(64 * 1024 + 1), std::bad_alloc);
  arena.Release();
  EXPECT_FALSE(arena.Claim(blocks.back()));
}

class ParsedObjectsTest : public SinkTest {
 protected:
  // Parses `text` and returns the objects it added to the document's list,
  // oldest first, each as its dump.
  std::vector<std::string> NewObjects(const std::string& text, std::string* values) {
    Object* before = doc.objects;
    input_ = std::make_unique<Input>(text);
    LoadText(doc, *input_);
    const int count = doc.ParseObjects();
    values->clear();
    for (int i = doc.stack_count - count; i < doc.stack_count; ++i) {
      *values += (values->empty() ? "" : " ; ") + Dump(doc.stack[static_cast<size_t>(i)]);
    }
    doc.stack_count -= count;
    std::vector<std::string> made;
    for (Object* o = doc.objects; o != before; o = o->next) {
      EXPECT_TRUE(o->in_arena) << Dump(o);
      made.insert(made.begin(), o->IsXRefTable() ? "xref" : Dump(o));
    }
    return made;
  }
  Document doc;
  std::unique_ptr<Input> input_;
};

TEST_F(ParsedObjectsTest, KeysAndReferenceNumbersAreNeverMade) {
  struct Case {
    std::string text;
    std::string values;
    std::vector<std::string> made;  // oldest first
  };
  const Case cases[] = {
      {"<< /Type /Page /Parent 6 0 R >>",
       "<< /Type /Page /Parent null >>",
       {"<object>", "/Page", "<< /Type /Page /Parent null >>"}},  // <object>: the reference
      {"[0 0 612 792]", "[0 0 612 792]", {"[0 0 612 792]", "0", "0", "612", "792"}},
      {"<< /A /B 0 R >>", "<< /A null >>", {"<object>", "<< /A null >>"}},
      {"<< (k) 1 5 2 >>", "<< /k 1 /5 2 >>", {"1", "2", "<< /k 1 /5 2 >>"}},
      {"1 2 (three) /four", "1 ; 2 ; (three) ; /four", {"1", "2", "(three)", "/four"}},
      {"[1 R] 7", "[1 null] ; 7", {"[1 null]", "1", "7"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string values;
    std::vector<std::string> made = NewObjects(c.text, &values);
    EXPECT_EQ(values, c.values);
    std::sort(made.begin(), made.end());
    std::vector<std::string> expect = c.made;
    std::sort(expect.begin(), expect.end());
    EXPECT_EQ(made, expect);
  }
}

TEST_F(ParsedObjectsTest, ArenaObjectsCanBeDeletedAloneAndGoWithTheReset) {
  std::string values;
  NewObjects("<< /A [1 2] /B (text) >>", &values);
  ASSERT_EQ(values, "<< /A [1 2] /B (text) >>");
  Object* newest = doc.objects;  // the dictionary
  ASSERT_TRUE(newest->in_arena);
  delete newest;  // its destructor runs; its memory stays with the arena
  EXPECT_NE(doc.objects, newest);
  auto* heap_object = new Array(&doc);
  EXPECT_FALSE(heap_object->in_arena);
  doc.Reset();
  NewObjects("[3]", &values);
  EXPECT_EQ(values, "[3]");
}

}  // namespace
}  // namespace pdf
