// quorvel-inspect --json: every view's document against docs/json.schema.json
// and against qpdf, and PDF values kept exactly.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/inspect_run.h"
#include "tests/support/command_output.h"
#include "tests/support/pdf_builder.h"

namespace {

// Ordered, so that the order of a dictionary's entries can be checked.
using json = nlohmann::ordered_json;

// The document on standard output, parsed; a failure when there is none.
json Document(const ToolRun& run) {
  json document;
  try {
    document = json::parse(run.out);
  } catch (const json::exception& error) {
    ADD_FAILURE() << error.what() << "\n" << run.out;
  }
  return document;
}

// What qpdf says of the file's objects: where each lies (--show-xref), and
// whether it is a stream and its Type (--json).
struct QpdfObject {
  int generation = 0;
  std::string place;  // "offset 15" or "object stream 100"
  bool stream = false;
  json type;  // the Type name without its slash, or null
};
std::map<int, QpdfObject> QpdfObjects(const std::string& file) {
  std::map<int, QpdfObject> objects;
  std::string out;
  EXPECT_TRUE(CaptureCommand(std::string(QPDF_EXE) + " --show-xref " + Quote(file), &out));
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    int number = 0, generation = 0, first = 0, second = 0;
    if (sscanf(line.c_str(), "%d/%d: compressed; stream = %d, index = %d", &number, &generation,
               &first, &second) == 4) {
      objects[number].place = "object stream " + std::to_string(first);
    } else if (sscanf(line.c_str(), "%d/%d: uncompressed; offset = %d", &number, &generation,
                      &first) == 3) {
      objects[number].generation = generation;
      objects[number].place = "offset " + std::to_string(first);
    }
  }
  EXPECT_TRUE(
      CaptureCommand(std::string(QPDF_EXE) + " --json --json-key=qpdf " + Quote(file), &out));
  const json qpdf = json::parse(out);
  for (const auto& [key, value] : qpdf["qpdf"][1].items()) {
    int number = 0;
    if (sscanf(key.c_str(), "obj:%d", &number) != 1) {
      continue;
    }
    QpdfObject& object = objects[number];
    object.stream = value.contains("stream");
    const json& dict = object.stream ? value["stream"]["dict"] : value["value"];
    const bool named = dict.is_object() && dict.contains("/Type") && dict["/Type"].is_string() &&
                       dict["/Type"].get<std::string>().rfind('/', 0) == 0;
    object.type = named ? json(dict["/Type"].get<std::string>().substr(1)) : json(nullptr);
  }
  return objects;
}

// Every view of every bundled sample, in each mode that reads it: one
// document that the schema accepts, whose --objects qpdf confirms.
TEST(InspectJson, EveryViewMatchesTheSchemaAndQpdf) {
  struct Sample {
    const char* file;
    const char* mode;
  };
  const Sample samples[] = {
      {"sample.pdf", "classic"}, {"sample.pdf", "modern"}, {"sample-modern.pdf", "modern"}};
  struct View {
    const char* args;
    const char* view;
  };
  const View views[] = {
      {"", "tree"},
      {"--tree=3", "tree"},
      {"--select Root/Pages/Kids/[0]/Contents", "select"},
      {"--select Trailer/Info/Title", "select"},
      {"--select XRefs", "select"},
      {"--object 2", "object"},
      {"--objects", "objects"},
      {"--find sample", "find"},
      {"--find 'SAMPLE, page [12]' --regex --in-streams --match-case", "find"},
      {"--refs 2", "refs"},
      {"--revisions", "revisions"},
      {"--check", "check"},
      {"--orphans", "orphans"},
      {"--stats", "stats"},
      {"--map", "map"},
  };
  std::vector<std::unique_ptr<TempFile>> documents;
  std::string names;
  for (const Sample& sample : samples) {
    const std::string file = std::string(SAMPLES_DIR) + "/" + sample.file;
    const std::string mode = std::string(sample.mode) == "modern" ? "--modern " : "";
    for (const View& view : views) {
      SCOPED_TRACE(std::string(sample.file) + " " + mode + view.args);
      ToolRun run = Inspect("--json " + mode + view.args + " " + Quote(file));
      ASSERT_EQ(run.status, 0) << run.err;
      EXPECT_EQ(run.err, "");
      const json document = Document(run);
      EXPECT_EQ(document["format"], "quorvel-inspect");
      EXPECT_EQ(document["version"], 1);
      EXPECT_EQ(document["file"], file);
      EXPECT_EQ(document["mode"], sample.mode);
      EXPECT_EQ(document["view"], view.view);
      documents.push_back(std::make_unique<TempFile>(run.out, ".json"));
      names += " " + Quote(documents.back()->path());

      if (std::string(view.view) == "objects") {
        const std::map<int, QpdfObject> expected = QpdfObjects(file);
        const json& rows = document["result"]["objects"];
        ASSERT_EQ(rows.size(), expected.size());
        for (const json& row : rows) {
          SCOPED_TRACE(row.dump());
          const auto it = expected.find(row["num"].get<int>());
          ASSERT_NE(it, expected.end());
          const QpdfObject& object = it->second;
          EXPECT_EQ(row["gen"], object.generation);
          EXPECT_EQ(row["offset"].is_null() ? "object stream " + row["object_stream"].dump()
                                            : "offset " + row["offset"].dump(),
                    object.place);
          EXPECT_EQ(row["kind"] == "stream", object.stream);
          EXPECT_EQ(row["type"], object.type);
        }
      }
    }
  }
  std::string out;
  EXPECT_TRUE(CaptureCommand(
      std::string(PYTHON3_EXE) + " " + VALIDATE_JSON + " " + Quote(JSON_SCHEMA) + names, &out))
      << out;
  EXPECT_EQ(out, "");
}

// A string that is no text comes back as hex digits of exactly its bytes, a
// number as the file wrote it, entries in the file's order, references as
// written; a stream's data are found where the document says.
TEST(InspectJson, ValuesKeepTheirBytesAndWrittenForm) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R /Probe 3 0 R /Data 4 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  b.Object(3,
           "<< /Zebra 1.50 /Binary <00ff10> /Escaped (a\\001b\\377) /Text (caf\xc3\xa9, 100%) "
           "/Big 12345678901234567890 /Neg -.250 /Name /A#20b /List [1 0 R 007 true null] "
           "/Apple 2 0 R >>");
  b.Stream(4, "/Type /Probe", "stream data");
  b.Finish("/Root 1 0 R /ID [<01> <01>]");
  TempFile file(b.Bytes());
  for (const char* mode : {"", "--modern "}) {
    SCOPED_TRACE(mode);
    const bool modern = *mode != '\0';
    ToolRun run = Inspect(std::string("--json ") + mode + "--object 3 " + Quote(file.path()));
    ASSERT_EQ(run.status, 0) << run.err;
    const json document = Document(run);
    EXPECT_EQ(document["messages"], json::parse(R"(["Warning: No 'Info' entry in Trailer"])"));
    const json& object = document["result"]["object"];
    EXPECT_EQ(object["type"], "dictionary");
    std::vector<std::string> keys;
    for (const auto& [key, value] : object["entries"].items()) {
      keys.push_back(key);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"Zebra", "Binary", "Escaped", "Text", "Big", "Neg",
                                              "Name", "List", "Apple"}));
    const json& entries = object["entries"];
    EXPECT_EQ(entries["Zebra"], json::parse(R"({"type":"number","text":"1.50","value":1.5})"));
    EXPECT_EQ(entries["Binary"],
              json::parse(R"({"type":"string","encoding":"hex","value":"00FF10"})"));
    EXPECT_EQ(entries["Escaped"],
              json::parse(R"({"type":"string","encoding":"hex","value":"610162FF"})"));
    EXPECT_EQ(
        entries["Text"],
        json::parse("{\"type\":\"string\",\"encoding\":\"text\",\"value\":\"caf\xc3\xa9, 100%\"}"));
    EXPECT_EQ(entries["Big"]["text"], "12345678901234567890");
    EXPECT_EQ(entries["Neg"], json::parse(R"({"type":"number","text":"-.250","value":-0.25})"));
    // Modern mode reads the escape as PDF 1.2 does, classic mode as PDF 1.1.
    EXPECT_EQ(entries["Name"]["value"], modern ? "A#20b" : "A#2320b");
    EXPECT_EQ(entries["List"], json::parse(R"({"type":"array","items":[
        {"type":"reference","num":1,"gen":0},
        {"type":"number","text":"007","value":7},
        {"type":"boolean","value":true},
        {"type":"null"}]})"));
    EXPECT_EQ(entries["Apple"], json::parse(R"({"type":"reference","num":2,"gen":0})"));

    // The same value through the tree's path.
    run =
        Inspect(std::string("--json ") + mode + "--select Root/Probe/Binary " + Quote(file.path()));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Document(run)["result"]["object"], entries["Binary"]);

    run = Inspect(std::string("--json ") + mode + "--object 4 " + Quote(file.path()));
    ASSERT_EQ(run.status, 0) << run.err;
    const json stream = Document(run)["result"]["object"];
    EXPECT_EQ(stream["type"], "stream");
    EXPECT_EQ(stream["entries"]["Type"]["value"], "Probe");
    EXPECT_EQ(b.Bytes().substr(stream["offset"].get<size_t>(), stream["length"].get<size_t>()),
              "stream data");
  }
}

// The views that write bytes refuse --json; a view that cannot be shown
// prints no document; findings go in the document, not before it.
TEST(InspectJson, RefusalsFailuresAndFindings) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Object(2, "<< /Type /Pages /Kids [] /Count (3) >>");
  b.Stream(3, "", "BT ET");
  b.Finish("/Root 1 0 R");
  TempFile file(b.Bytes());
  for (const char* view : {"--raw Root", "--hex Root", "--decoded Root",
                           "--modern --operators Root", "--image Root -o /tmp/x.png", "--walk"}) {
    SCOPED_TRACE(view);
    ToolRun run = Inspect(std::string("--json ") + view + " " + Quote(file.path()));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("--json goes with the views that print text"), std::string::npos)
        << run.err;
  }
  const std::string findings =
      "Invalid: Count object is not a number\n"
      "Warning: No 'Info' entry in Trailer\n"
      "Warning: No 'ID' entry in Trailer (strongly recommended)\n";
  ToolRun failed = Inspect("--json --select Root/Nope " + Quote(file.path()));
  EXPECT_EQ(failed.status, 2);
  EXPECT_EQ(failed.out, "");
  EXPECT_EQ(failed.err, findings + "quorvel-inspect: no item 'Nope' below 'Root'\n");

  ToolRun run = Inspect("--json --select Root/Type " + Quote(file.path()));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const json document = Document(run);
  std::string messages;
  for (const json& message : document["messages"]) {
    messages += message.get<std::string>() + "\n";
  }
  EXPECT_EQ(messages, findings);
  EXPECT_EQ(document["result"]["description"], "name: Catalog");

  EXPECT_NE(Inspect("--help").out.find("--json "), std::string::npos);
}

}  // namespace
