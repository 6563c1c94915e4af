// Files from real producers, made at test time from the bundled sample: every
// object modern mode loads must equal what qpdf reads from the same file, and
// classic mode keeps refusing what it never read.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <string>

#include "describe/labels.h"
#include "describe/open_mode.h"
#include "describe/viewer_document.h"
#include "pdf/document.h"
#include "pdf/xref_table.h"
#include "tests/modern/object_json.h"
#include "tests/support/sink_capture.h"

namespace {

struct Producer {
  const char* name;
  std::string command;  // {in} and {out} stand for the paths
  bool classic_opens;   // whether the written reader reads the result
  unsigned features;    // what modern mode must report having used
};

std::string Expand(std::string command, const std::string& in, const std::string& out) {
  for (auto [key, value] : {std::pair<std::string, std::string>{"{in}", in}, {"{out}", out}}) {
    for (size_t at = command.find(key); at != std::string::npos; at = command.find(key)) {
      command.replace(at, key.size(), "'" + value + "'");
    }
  }
  return command;
}

class ProducerCorpusTest : public SinkTest {
 protected:
  std::string dir_ = [] {
    char pattern[] = "/tmp/quorvel-corpus-XXXXXX";
    return std::string(mkdtemp(pattern));
  }();
  ~ProducerCorpusTest() override { RunCommand("rm -rf '" + dir_ + "'"); }
};

// Every object qpdf lists, loaded by us in modern mode, compared value for
// value; the trailer too. Returns the mismatches.
std::vector<std::string> CompareWithQpdf(pdf::Document& doc, const std::string& path) {
  std::vector<std::string> problems;
  nlohmann::json qpdf = QpdfJson(path);
  if (!qpdf.is_object() || !qpdf.contains("qpdf")) {
    return {"qpdf gave no JSON"};
  }
  const nlohmann::json& objects = qpdf["qpdf"][1];
  int compared = 0;
  for (auto it = objects.begin(); it != objects.end(); ++it) {
    const std::string& key = it.key();
    nlohmann::json ours;
    if (key == "trailer") {
      ours = ObjectJson(doc.xref->trailer);
    } else {
      int number = 0;
      int generation = 0;
      if (sscanf(key.c_str(), "obj:%d %d R", &number, &generation) != 2) {
        continue;
      }
      ours = ObjectJson(doc.GetObject(number, generation));
    }
    const nlohmann::json& theirs = it.value().contains("value") ? it.value()["value"] : it.value();
    std::string mismatch = JsonMismatch(ours, theirs, key);
    if (!mismatch.empty()) {
      problems.push_back(mismatch);
    }
    ++compared;
  }
  if (compared < 10) {
    problems.push_back("only " + std::to_string(compared) + " objects compared");
  }
  return problems;
}

// Four pages of rules, in pdfTeX's primitives only: no format and no fonts
// needed, with object streams as TeX Live configures them.
constexpr char kPdftexDocument[] =
    "\\catcode`\\{=1 \\catcode`\\}=2\n"
    "\\pdfoutput=1 \\pdfminorversion=5 \\pdfobjcompresslevel=2 \\pdfcompresslevel=9\n"
    "\\pdfpagewidth=200bp \\pdfpageheight=200bp\n"
    "\\pdfinfo{/Title (pdfTeX test) /Author (Quorvel)}\n"
    "\\shipout\\hbox{\\vrule width 1in height 1in}\n"
    "\\shipout\\hbox{\\vrule width 2in height 1in}\n"
    "\\shipout\\hbox{\\vrule width 1in height 2in}\n"
    "\\shipout\\hbox{\\vrule width 2in height 2in}\n"
    "\\end\n";

TEST_F(ProducerCorpusTest, ModernModeReadsWhatQpdfReads) {
  const std::string qpdf = QPDF_EXE;
  const std::string gs = GS_EXE;
  WriteFileBytes(dir_ + "/pdftex.tex", kPdftexDocument);
  const std::string pdftex = "cd '" + dir_ + "' && " + std::string(PDFTEX_EXE) +
                             " -ini -interaction=nonstopmode ./pdftex.tex && mv pdftex.pdf {out}";
  const Producer producers[] = {
      {"qpdf object streams", qpdf + " --object-streams=generate {in} {out}", false,
       pdf::kFeatureXRefStreams},
      {"qpdf linearized, object streams",
       qpdf + " --object-streams=generate --linearize {in} {out}", false, pdf::kFeatureXRefStreams},
      {"qpdf object streams, streams uncompressed",
       qpdf +
           " --object-streams=generate --compress-streams=n --decode-level=generalized {in} {out}",
       false, pdf::kFeatureXRefStreams},
      {"qpdf object streams of its own output, preserved",
       qpdf + " --object-streams=generate {in} {out}.tmp && " + qpdf +
           " --object-streams=preserve --linearize {out}.tmp {out}",
       false, pdf::kFeatureXRefStreams},
      {"qpdf QDF (classic)", qpdf + " --qdf --object-streams=disable {in} {out}", true, 0},
      {"qpdf linearized (classic)", qpdf + " --linearize --object-streams=disable {in} {out}", true,
       0},
      {"Ghostscript pdfwrite", gs + " -q -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -o {out} {in}", true,
       0},
      {"pdfTeX", pdftex, false, pdf::kFeatureXRefStreams},
  };
  for (const Producer& producer : producers) {
    SCOPED_TRACE(producer.name);
    const std::string out = dir_ + "/" + std::to_string(&producer - producers) + ".pdf";
    ASSERT_TRUE(RunCommand(Expand(producer.command, SAMPLE_PDF, out))) << producer.command;

    ViewerDocument classic;
    EXPECT_EQ(classic.Open(out.c_str()), producer.classic_opens);

    ViewerDocument doc;
    ASSERT_TRUE(doc.Open(out.c_str(), OpenOptionsFor(pdf::Mode::kModern)));
    EXPECT_EQ(doc.ModernFeatures() & producer.features, producer.features);
    for (const std::string& problem : CompareWithQpdf(doc, out)) {
      ADD_FAILURE() << problem;
    }
    // The sample's picture and page content sit in the same places.
    std::vector<TreeItem> kids;
    EXPECT_EQ(ChildItems(doc.pages->Get("Kids")).size(), 4u);
  }
}

// A classic update appended to a file whose first section is a stream: the
// chain mixes both kinds, newest first.
TEST_F(ProducerCorpusTest, ClassicUpdateOverStreamSection) {
  const std::string base = dir_ + "/base.pdf";
  ASSERT_TRUE(RunCommand(
      Expand(std::string(QPDF_EXE) + " --object-streams=generate {in} {out}", SAMPLE_PDF, base)));
  std::string bytes = ReadFileBytes(base);
  const size_t prev = bytes.rfind("startxref");
  const long prev_offset = std::stol(bytes.substr(prev + 9));
  ViewerDocument probe;
  ASSERT_TRUE(probe.Open(base.c_str(), OpenOptionsFor(pdf::Mode::kModern)));
  const int size = probe.xref->trailer->Get("Size")->IntValue();
  const std::string root = ObjectJson(probe.xref->trailer->Value([&] {
                             for (int i = 0; i < probe.xref->trailer->Count(); ++i)
                               if (std::string(probe.xref->trailer->Key(i)) == "Root")
                                 return i;
                             return -1;
                           }()))
                               .get<std::string>();
  // A new Info dictionary as object `size`, in a classic section of one subsection.
  const size_t info_offset = bytes.size();
  bytes += std::to_string(size) + " 0 obj\n<< /Title (updated) >>\nendobj\n";
  const size_t xref_offset = bytes.size();
  char entry[32];
  snprintf(entry, sizeof entry, "%010zu 00000 n \n", info_offset);
  bytes += "xref\n" + std::to_string(size) + " 1\n" + entry;
  bytes += "trailer\n<< /Size " + std::to_string(size + 1) + " /Root " + root + " /Info " +
           std::to_string(size) + " 0 R /Prev " + std::to_string(prev_offset) + " >>\nstartxref\n" +
           std::to_string(xref_offset) + "\n%%EOF\n";
  const std::string updated = dir_ + "/updated.pdf";
  WriteFileBytes(updated, bytes);

  ViewerDocument doc;
  ASSERT_TRUE(doc.Open(updated.c_str(), OpenOptionsFor(pdf::Mode::kModern)));
  std::vector<std::string> labels;
  for (pdf::XRefTable* table : SectionChain(doc.xref)) {
    labels.push_back(SectionLabel(table));
  }
  ASSERT_EQ(labels.size(), 2u);
  EXPECT_EQ(labels[0], "xref at " + std::to_string(xref_offset));
  EXPECT_EQ(labels[1].rfind("xref stream ", 0), 0u) << labels[1];
  EXPECT_STREQ(doc.info->Get("Title")->Text(), "updated");
  for (const std::string& problem : CompareWithQpdf(doc, updated)) {
    ADD_FAILURE() << problem;
  }
}

}  // namespace
