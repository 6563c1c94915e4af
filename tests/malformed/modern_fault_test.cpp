// Faults of modern-mode reading found by fuzzing and by review, one test each,
// named after the fault.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "describe/open_mode.h"
#include "describe/viewer_document.h"
#include "pdf/object_stream.h"
#include "pdf/xref_table.h"
#include "tests/malformed/document_walk.h"
#include "tests/malformed/open_check.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/zlib_encoder.h"

namespace {

// One entry of a cross-reference stream with W [1 4 2].
struct StreamEntry {
  int type;         // 0 free, 1 in use, 2 compressed
  uint32_t second;  // offset, or the object stream's number
  int third;        // generation, or the position in the object stream
};

std::string EntryBytes(const StreamEntry& entry) {
  std::string bytes(1, static_cast<char>(entry.type));
  for (int shift = 24; shift >= 0; shift -= 8) {
    bytes += static_cast<char>(entry.second >> shift & 0xFF);
  }
  bytes += static_cast<char>(entry.third >> 8 & 0xFF);
  bytes += static_cast<char>(entry.third & 0xFF);
  return bytes;
}

// Ends the file with cross-reference stream `number` listing 0 to the highest
// number of `entries` (the others free), its dictionary holding `trailer`.
void FinishWithXRefStream(PdfBuilder& b, int number, const std::map<int, StreamEntry>& entries,
                          const std::string& trailer) {
  const int size = entries.empty() ? 1 : entries.rbegin()->first + 1;
  std::string data;
  for (int i = 0; i < size; ++i) {
    auto found = entries.find(i);
    data += EntryBytes(found != entries.end() ? found->second : StreamEntry{0, 0, 0});
  }
  const size_t at = b.Stream(number,
                             "/Type /XRef /W [1 4 2] /Size " + std::to_string(size) + " " +
                                 trailer + " /Filter /FlateDecode",
                             Deflate(data));
  b.Raw("startxref\n" + std::to_string(at) + "\n%%EOF\n");
}

// The decoded data of an object stream holding `objects` (number, text).
struct ObjectStreamText {
  std::string data;
  int first = 0;
};
ObjectStreamText ObjectStreamOf(const std::vector<std::pair<int, std::string>>& objects) {
  std::string pairs;
  std::string bodies;
  for (const auto& [number, body] : objects) {
    pairs += std::to_string(number) + " " + std::to_string(bodies.size()) + " ";
    bodies += body + " ";
  }
  pairs += "\n";
  return {pairs + bodies, static_cast<int>(pairs.size())};
}

size_t ObjectCount(const pdf::Document& doc) {
  size_t count = 0;
  for (const pdf::Object* object = doc.objects; object != nullptr; object = object->next) {
    ++count;
  }
  return count;
}

bool OpenModern(ViewerDocument& doc, const std::string& bytes) {
  return doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), kMalformedName,
                        OpenOptionsFor(pdf::Mode::kModern));
}

TEST(ModernFaultRegression, CompressedObjectLoadParsedEveryLaterObjectOfItsStream) {
  // Loading one object of a stream read every object after it as well, and
  // kept them all: loading each of N objects cost N^2 / 2 objects.
  constexpr int kObjects = 2000;
  std::vector<std::pair<int, std::string>> objects = {{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                                                      {2, "<< /Type /Pages /Kids [] /Count 0 >>"}};
  for (int i = 0; i < kObjects; ++i) {
    objects.emplace_back(3 + i, "[0 1 2 3 4 5 6 7 8 9]");
  }
  const ObjectStreamText stream = ObjectStreamOf(objects);
  PdfBuilder b("%PDF-1.5\n");
  std::map<int, StreamEntry> entries;
  for (size_t i = 0; i < objects.size(); ++i) {
    entries[objects[i].first] = {2, 5000, static_cast<int>(i)};
  }
  entries[5000] = {
      1,
      static_cast<uint32_t>(b.Stream(5000,
                                     "/Type /ObjStm /N " + std::to_string(objects.size()) +
                                         " /First " + std::to_string(stream.first),
                                     stream.data)),
      0};
  FinishWithXRefStream(b, 5001, entries, "/Root 1 0 R");

  UserMessages quiet;
  ViewerDocument doc;
  ASSERT_TRUE(OpenModern(doc, b.Bytes()));
  const size_t before = ObjectCount(doc);
  pdf::Object* array = doc.GetObject(3, 0);
  ASSERT_TRUE(array->IsArray());
  EXPECT_EQ(array->Count(), 10);
  // The array and its ten numbers, and nothing of the objects after it.
  EXPECT_LE(ObjectCount(doc) - before, 11u);
  // A reference is one value of three tokens; a number followed by another
  // is a number.
  const ObjectStreamText values = ObjectStreamOf({{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                                                  {2, "<< /Type /Pages /Kids [] /Count 0 >>"},
                                                  {3, "7 0 R"},
                                                  {4, "7 0"},
                                                  {5, "(text)"},
                                                  {6, "null"}});
  PdfBuilder small("%PDF-1.5\n");
  std::map<int, StreamEntry> small_entries;
  for (int i = 1; i <= 6; ++i) {
    small_entries[i] = {2, 10, i - 1};
  }
  small_entries[10] = {
      1,
      static_cast<uint32_t>(small.Stream(
          10, "/Type /ObjStm /N 6 /First " + std::to_string(values.first), values.data)),
      0};
  FinishWithXRefStream(small, 11, small_entries, "/Root 1 0 R");
  ViewerDocument values_doc;
  ASSERT_TRUE(OpenModern(values_doc, small.Bytes()));
  EXPECT_NE(dynamic_cast<pdf::Reference*>(values_doc.GetObject(3, 0)), nullptr);
  EXPECT_TRUE(values_doc.GetObject(4, 0)->IsNumber());
  EXPECT_EQ(values_doc.GetObject(4, 0)->IntValue(), 7);
  EXPECT_TRUE(values_doc.GetObject(5, 0)->IsString());
  EXPECT_TRUE(values_doc.GetObject(6, 0)->IsNull());
}

TEST(ModernFaultRegression, SectionsSharingOneXRefStmEachHeldACopyOfItsTable) {
  // Every classic section of a chain may name the same XRefStm: each one was
  // read again and copied into its section, so a few hundred kilobytes of
  // sections held the stream's table thousands of times.
  constexpr int kStreamEntries = 1 << 16;
  constexpr int kSections = 200;
  PdfBuilder b("%PDF-1.5\n");
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  std::string data = EntryBytes({0, 0, 65535});
  for (int number = 1; number < kStreamEntries; ++number) {
    data += number <= 2 ? EntryBytes({1, static_cast<uint32_t>(b.OffsetOf(number)), 0})
                        : EntryBytes({2, 3, number});
  }
  const size_t stream_at = b.Stream(
      3, "/Type /XRef /W [1 4 2] /Size " + std::to_string(kStreamEntries) + " /Filter /FlateDecode",
      Deflate(data));
  size_t previous = 0;
  for (int i = 0; i < kSections; ++i) {
    const size_t at = b.Size();
    b.Raw("xref\n0 1\n0000000000 65535 f \ntrailer\n<< /Size " + std::to_string(kStreamEntries) +
          " /Root 1 0 R /XRefStm " + std::to_string(stream_at) +
          (i > 0 ? " /Prev " + std::to_string(previous) : std::string()) + " >>\n");
    previous = at;
  }
  b.Raw("startxref\n" + std::to_string(previous) + "\n%%EOF\n");

  UserMessages quiet;
  ViewerDocument doc;
  ASSERT_TRUE(OpenModern(doc, b.Bytes()));
  EXPECT_EQ(doc.ModernFeatures() & pdf::kFeatureRepaired, 0u);
  int sections = 0;
  int64_t entries = 0;
  for (pdf::XRefTable* table = doc.xref; table != nullptr; table = table->prev) {
    ++sections;
    entries += table->count;
    ASSERT_NE(table->hybrid, nullptr);
    EXPECT_EQ(table->hybrid, doc.xref->hybrid);  // one stream, read once
  }
  EXPECT_EQ(sections, kSections);
  EXPECT_LT(entries, 2 * int64_t{kStreamEntries});
  EXPECT_TRUE(doc.GetObject(2, 0)->IsDictionary());
  const pdf::XRefEntry* compressed = doc.xref->FindEntry(kStreamEntries - 1);
  ASSERT_NE(compressed, nullptr);
  EXPECT_EQ(compressed->type, 'c');
}

TEST(ModernFaultRegression, RepairOfPartsThatNeverEndTookTimeSquareInTheFileSize) {
  // Each trailer and object that the rebuilding tried was parsed to wherever
  // it ended; a string left open ends with the file, so a megabyte of short
  // headers cost minutes. A catalog that cannot be read was tried again for
  // every trailer naming it.
  constexpr int kParts = 100000;
  const std::string prefix =
      "%PDF-1.7\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
      "2 0 obj << /Type /Pages /Kids [] /Count 0 >> endobj\n";
  auto repeat = [](const std::string& first, const std::string& part) {
    std::string bytes = first;
    for (int i = 0; i < kParts; ++i) {
      bytes += part;
    }
    return bytes;
  };
  std::string open_objects = prefix;
  std::string open_xref_streams = prefix;
  for (int i = 0; i < kParts; ++i) {
    open_objects += std::to_string(3 + i) + " 0 obj (\n";
    open_xref_streams += std::to_string(3 + i) + " 0 obj << /Type /XRef (\nstream\nendstream\n";
  }
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"objects whose strings never end", open_objects},
      {"trailers whose strings never end", repeat(prefix, "trailer << (\n")},
      {"trailers naming a catalog that never ends",
       repeat(prefix + "5 0 obj (\n", "trailer << /Root 5 0 R >>\n")},
      {"cross-reference streams whose strings never end", open_xref_streams},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UserMessages quiet;
    ViewerDocument doc;
    // Minutes per case before; ctest's time limit catches a return to that.
    ASSERT_TRUE(OpenModern(doc, c.bytes));
    EXPECT_NE(doc.ModernFeatures() & pdf::kFeatureRepaired, 0u);
    ASSERT_NE(doc.catalog, nullptr);
    EXPECT_EQ(doc.catalog->number, 1);
  }
}

TEST(ModernFaultRegression, MisindexedObjectStreamCostAScanOfItsIndexPerObject) {
  // Every entry of the table names position 0 of the stream: each object was
  // then looked for by a scan of the whole index, N^2 / 2 steps for N objects.
  constexpr int kObjects = 200000;
  std::vector<std::pair<int, std::string>> objects = {{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                                                      {2, "<< /Type /Pages /Kids [] /Count 0 >>"}};
  for (int i = 0; i < kObjects; ++i) {
    objects.emplace_back(3 + i, std::to_string(i));
  }
  const ObjectStreamText stream = ObjectStreamOf(objects);
  PdfBuilder b("%PDF-1.5\n");
  constexpr int kStream = kObjects + 10;
  std::map<int, StreamEntry> entries;
  for (const auto& object : objects) {
    entries[object.first] = {2, kStream, 0};
  }
  entries[kStream] = {1,
                      static_cast<uint32_t>(b.Stream(
                          kStream,
                          "/Type /ObjStm /N " + std::to_string(objects.size()) + " /First " +
                              std::to_string(stream.first) + " /Filter /FlateDecode",
                          Deflate(stream.data))),
                      0};
  FinishWithXRefStream(b, kStream + 1, entries, "/Root 1 0 R");

  UserMessages quiet;
  ViewerDocument doc;
  ASSERT_TRUE(OpenModern(doc, b.Bytes()));
  // Every object once: minutes before, a scan of the index per object; ctest's
  // time limit catches a return to that.
  for (int i = 0; i < kObjects; i += 997) {
    pdf::Object* object = doc.GetObject(3 + i, 0);
    ASSERT_TRUE(object->IsNumber());
    EXPECT_EQ(object->IntValue(), i);
  }
  pdf::Object* last = doc.GetObject(3 + kObjects - 1, 0);
  ASSERT_TRUE(last->IsNumber());
  EXPECT_EQ(last->IntValue(), kObjects - 1);
  for (int i = 0; i < kObjects; ++i) {
    ASSERT_FALSE(doc.GetObject(3 + i, 0)->IsNull());
  }
}

}  // namespace
