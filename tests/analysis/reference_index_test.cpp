// The reference index against qpdf's JSON of the same file: for every object
// qpdf lists, the objects that refer to it, and the orphans a walk from the
// trailer leaves; on a file of our own and on qpdf's rewrite of it in object
// streams (unreferenced objects kept).
#include "analysis/reference_index.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "describe/open_mode.h"
#include "pdf/document.h"
#include "pdf/object.h"
#include "pdf/xref_table.h"
#include "tests/support/command_output.h"
#include "tests/support/pdf_builder.h"

namespace {

// A page tree with a content stream and a font; 7 refers to the page but
// nothing to 7; 8 stands alone; 6 is the Info dictionary.
std::string OwnFile() {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.Object(3,
           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R "
           "/Resources << /Font << /F1 5 0 R >> >> >>");
  b.Stream(4, "", "BT /F1 12 Tf (Hi) Tj ET");
  b.Object(5, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  b.Object(6, "<< /Producer (refs) >>");
  b.Object(7, "<< /Type /Annot /Subtype /Text /P 3 0 R /Rect [0 0 1 1] >>");
  b.Object(8, "[1 2 3]");
  b.Finish("/Root 1 0 R /Info 6 0 R /ID [<0011> <0011>]");
  return b.Bytes();
}

struct Graph {
  std::map<int32_t, std::set<int32_t>> referrers;  // target -> referrers (0: the trailer)
  std::set<int32_t> listed;
  std::set<int32_t> structural;
};

void Collect(const nlohmann::json& value, int32_t from, Graph* graph) {
  static const std::regex kReference(R"((\d+) (\d+) R)");
  std::smatch match;
  if (value.is_string()) {
    const std::string text = value.get<std::string>();
    if (std::regex_match(text, match, kReference)) {
      graph->referrers[std::stoi(match[1])].insert(from);
    }
  } else if (value.is_array() || value.is_object()) {
    for (const auto& item : value) {
      Collect(item, from, graph);
    }
  }
}

// qpdf's account: its objects with their values (a stream's dictionary), and
// the trailer.
Graph QpdfGraph(const std::string& path) {
  std::string text;
  EXPECT_TRUE(
      CaptureCommand(std::string(QPDF_EXE) + " --json=2 --json-key=qpdf '" + path + "'", &text));
  Graph graph;
  const nlohmann::json json = nlohmann::json::parse(text);
  for (const auto& [key, object] : json["qpdf"][1].items()) {
    const nlohmann::json& value =
        object.contains("stream") ? object["stream"]["dict"] : object["value"];
    if (key == "trailer") {
      Collect(value, 0, &graph);
      continue;
    }
    const int32_t number = std::stoi(key.substr(4));
    graph.listed.insert(number);
    if (value.is_object() &&
        (value.value("/Type", "") == "/ObjStm" || value.value("/Type", "") == "/XRef" ||
         value.contains("/Linearized"))) {
      graph.structural.insert(number);
    }
    Collect(value, number, &graph);
  }
  return graph;
}

std::vector<int32_t> OracleOrphans(const Graph& graph) {
  std::map<int32_t, std::set<int32_t>> forward;
  for (const auto& [target, referrers] : graph.referrers) {
    for (int32_t referrer : referrers) {
      forward[referrer].insert(target);
    }
  }
  std::set<int32_t> reached;
  std::vector<int32_t> queue = {0};
  while (!queue.empty()) {
    const int32_t at = queue.back();
    queue.pop_back();
    for (int32_t target : forward[at]) {
      if (reached.insert(target).second) {
        queue.push_back(target);
      }
    }
  }
  std::vector<int32_t> orphans;
  for (int32_t number : graph.listed) {
    if (reached.count(number) == 0 && graph.structural.count(number) == 0) {
      orphans.push_back(number);
    }
  }
  return orphans;
}

TEST(ReferenceIndexTest, AgreesWithQpdf) {
  char pattern[] = "/tmp/quorvel-refs-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  const std::string own = dir + "/own.pdf";
  const std::string streams = dir + "/streams.pdf";
  std::ofstream(own, std::ios::binary) << OwnFile();
  std::string ignored;
  ASSERT_TRUE(CaptureCommand(std::string(QPDF_EXE) +
                                 " --object-streams=generate --preserve-unreferenced '" + own +
                                 "' '" + streams + "'",
                             &ignored));
  struct Row {
    const char* name;
    std::string path;
    pdf::Mode mode;
  };
  const Row rows[] = {
      {"our file, classic mode", own, pdf::Mode::kClassic},
      {"our file, modern mode", own, pdf::Mode::kModern},
      {"qpdf's object streams", streams, pdf::Mode::kModern},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Graph graph = QpdfGraph(row.path);
    pdf::Document doc;
    ASSERT_TRUE(doc.Open(row.path.c_str(), OpenOptionsFor(row.mode)));
    ReferenceIndex index;
    int64_t told = 0;
    ASSERT_TRUE(index.Build(doc, [&](int64_t done, int64_t total) {
      told = done;
      return done <= total;
    }));
    EXPECT_EQ(told, index.Objects());
    for (int32_t number : graph.listed) {
      SCOPED_TRACE("object " + std::to_string(number));
      const auto found = graph.referrers.find(number);
      const std::set<int32_t> expected =
          found != graph.referrers.end() ? found->second : std::set<int32_t>();
      const std::vector<int32_t> ours = index.ReferrersOf(number);
      EXPECT_EQ(std::set<int32_t>(ours.begin(), ours.end()), expected);
    }
    const std::vector<int32_t> orphans = OracleOrphans(graph);
    EXPECT_EQ(index.Orphans(), orphans);
    EXPECT_FALSE(orphans.empty());
  }
  // Cancelled: nothing is kept.
  pdf::Document doc;
  ASSERT_TRUE(doc.Open(own.c_str(), OpenOptionsFor(pdf::Mode::kModern)));
  ReferenceIndex index;
  EXPECT_FALSE(index.Build(doc, [](int64_t, int64_t) { return false; }));
  EXPECT_TRUE(index.ReferrersOf(3).empty());
  std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(ReferenceIndexTest, PathsNameWhereTheReferencesStand) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R /Extra [2 0 R << /Deep 2 0 R >>] >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  b.Finish("/Root 1 0 R");
  pdf::Document doc;
  const std::string& bytes = b.Bytes();
  ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "paths.pdf",
                             OpenOptionsFor(pdf::Mode::kModern)));
  EXPECT_EQ(ReferencePaths(doc.GetObject(1, 0), 2),
            (std::vector<std::string>{"Pages", "Extra/[0]", "Extra/[1]/Deep"}));
  EXPECT_EQ(ReferencePaths(doc.GetObject(1, 0), 2, 1), std::vector<std::string>{"Pages"});
}

// Past its bound on references the index keeps what it found, says it is
// partial, and lists no orphans rather than wrong ones.
TEST(ReferenceIndexTest, BoundedIndexIsPartialAndListsNoOrphans) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.Object(3, "<< /Type /Page /Parent 2 0 R /Annots [4 0 R 4 0 R 4 0 R] >>");
  b.Object(4, "<< /Subtype /Text >>");
  b.Object(5, "<< /Lost true >>");
  b.Finish("/Root 1 0 R");
  pdf::Document doc;
  const std::string& bytes = b.Bytes();
  ASSERT_TRUE(doc.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()), "bound.pdf",
                             OpenOptionsFor(pdf::Mode::kModern)));
  ReferenceIndex whole;
  ASSERT_TRUE(whole.Build(doc));
  EXPECT_TRUE(whole.Complete());
  EXPECT_EQ(whole.Orphans(), std::vector<int32_t>{5});
  ReferenceIndex partial;
  ASSERT_TRUE(partial.Build(doc, {}, 3));  // objects 1 and 2 fit, 3's four references do not
  EXPECT_FALSE(partial.Complete());
  EXPECT_EQ(partial.ReferrersOf(2), std::vector<int32_t>{1});
  EXPECT_TRUE(partial.ReferrersOf(4).empty());
  EXPECT_TRUE(partial.Orphans().empty());
  EXPECT_EQ(OrphansText(doc, partial).rfind("The index stopped at", 0), 0u);
}

}  // namespace
