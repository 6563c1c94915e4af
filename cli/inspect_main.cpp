// quorvel-inspect: the viewer's views of a PDF file on a terminal.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "analysis/content_operators.h"
#include "analysis/file_map.h"
#include "analysis/reference_index.h"
#include "analysis/revisions.h"
#include "analysis/space.h"
#include "analysis/xref_check.h"
#include "cli/inspect_json.h"
#include "cli/inspect_options.h"
#include "cli/inspect_views.h"
#include "cli/inspect_walk.h"
#include "cli/progress_line.h"
#include "describe/description.h"
#include "describe/find.h"
#include "describe/hex_dump.h"
#include "describe/item_path.h"
#include "describe/labels.h"
#include "describe/object_list.h"
#include "describe/open_mode.h"
#include "describe/png_writer.h"
#include "describe/viewer_document.h"
#include "diag/format.h"
#include "diag/messages.h"
#include "diag/version.h"
#include "filters/filter_chain.h"
#include "pdf/document.h"
#include "pdf/object.h"
#include "pdf/xref_table.h"

namespace {

// Findings are kept to be printed before the view asked for.
class InspectDocument : public ViewerDocument {
 public:
  std::vector<std::string> findings;

 protected:
  void OnFinding(const char* line) override { findings.emplace_back(line); }
};

// The first line of the file, without its line end: a password file may end
// with a newline or not.
bool ReadPasswordFile(const std::string& path, std::string* password) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return false;
  }
  std::getline(in, *password);
  if (!password->empty() && password->back() == '\r') {
    password->pop_back();
  }
  return !in.bad();
}

int PrintLine(FILE* out, const char* text) {
  fputs(text, out);
  size_t n = strlen(text);
  if (n == 0 || text[n - 1] != '\n') {
    fputc('\n', out);
  }
  return 1;
}

// The progress line on a terminal (see progress_line.h); the sinks clear it
// before they print.
ProgressLine* g_progress = nullptr;

void ClearProgress() {
  if (g_progress != nullptr) {
    g_progress->Clear();
  }
}

// Messages the viewer shows in boxes go to standard error, in order.
int MessageToStderr(const char* text) {
  ClearProgress();
  return PrintLine(stderr, text);
}
int TraceToStderr(const char* text) {
  ClearProgress();
  fprintf(stderr, "%s\n", text);
  return 0;
}

// A reference index built with its progress on the terminal.
void BuildIndex(pdf::Document& doc, ReferenceIndex* index) {
  if (g_progress == nullptr || !g_progress->Enabled()) {
    index->Build(doc);
    return;
  }
  g_progress->Start("Finding every reference", ProgressUnit::kObjects);
  index->Build(doc, [](int64_t done, int64_t total) {
    g_progress->Show(done, total);
    return true;
  });
  g_progress->Clear();
}

void PrintTree(const std::vector<TreeItem>& items, int depth, int max_depth, int indent) {
  for (const TreeItem& item : items) {
    printf("%*s%s\n", indent, "", item.label.c_str());
    if (depth < max_depth && item.Expandable()) {
      PrintTree(ChildItems(item.object), depth + 1, max_depth, indent + 2);
    }
  }
}

// --decoded writes at most this much: a decompression bomb fills no disk.
constexpr size_t kDecodedBound = size_t{1} << 30;

// The file was not the same from start to end of the run.
constexpr int kStatusFileChanged = 3;

int Fail(const std::string& message) {
  fprintf(stderr, "quorvel-inspect: %s\n", message.c_str());
  return 2;
}

// --operators: the lines of the Operators tab. Data that decode only in part
// are listed as far as they go, and the error ends the program with status 2.
int PrintOperators(pdf::Object* object, const std::string& path) {
  if (!object->IsStream()) {
    return Fail("'" + path + "' is not a stream");
  }
  std::vector<uint8_t> bytes;
  std::string error;
  const bool decoded = DecodeStreamFully(object->AsDictionary(), kDecodedBound, &bytes, &error);
  for (const std::string& line : FormatContentOperators(bytes)) {
    printf("%s\n", line.c_str());
  }
  if (!error.empty()) {
    fprintf(stderr, "quorvel-inspect: %s\n", error.c_str());
  }
  return decoded ? 0 : 2;
}

int ShowObjects(InspectDocument& doc) {
  for (const ListedObject& listed : ListObjects(doc)) {
    const ObjectRow row = ObjectRowOf(doc, listed);
    const std::string where = row.compressed ? FormatText("in object stream %d", row.place)
                                             : FormatText("offset %d", row.place);
    printf("%d %d obj  %s  %s  %s\n", row.number, row.generation, where.c_str(), row.kind,
           row.type != nullptr ? row.type->Text() : "-");
  }
  return 0;
}

int ShowFind(InspectDocument& doc, const InspectOptions& options) {
  const FindQuery query = FindQueryOf(options);
  FindMatcher matcher;
  std::string error;
  if (!matcher.Compile(query, &error)) {
    return Fail(error);
  }
  const std::vector<ListedObject> objects = ListObjects(doc);
  std::function<void(size_t)> progress;
  if (g_progress != nullptr && g_progress->Enabled()) {
    g_progress->Start("Searching", ProgressUnit::kObjects);
    progress = [&objects](size_t done) {
      g_progress->Show(static_cast<int64_t>(done), static_cast<int64_t>(objects.size()));
    };
  }
  FindInObjects(
      doc, objects, matcher,
      [](const FindHit& hit) {
        ClearProgress();
        printf("%d %d obj  %s  %s\n", hit.number, hit.generation,
               hit.path.empty() ? hit.where.c_str() : hit.path.c_str(), hit.text.c_str());
      },
      progress, nullptr);
  ClearProgress();
  return 0;
}

// The view the options ask for, on an opened document.
int ShowView(InspectDocument& doc, const InspectOptions& options) {
  if (options.objects) {
    return ShowObjects(doc);
  }
  if (!options.find.empty()) {
    return ShowFind(doc, options);
  }
  if (options.refs >= 0) {
    const std::vector<ListedObject> listed = ListObjects(doc);
    const int at = FindListedObject(listed, static_cast<int32_t>(options.refs));
    if (at < 0) {
      return Fail("object " + std::to_string(options.refs) +
                  " is not in the cross-reference chain");
    }
    const ListedObject& object = listed[static_cast<size_t>(at)];
    for (const HeldReference& held :
         HeldReferences(doc.GetObject(object.number, object.generation))) {
      printf("%s  %d %d R  %s\n", held.path.c_str(), held.number, held.generation,
             held.target->IsNull() ? "not found" : ObjectKindName(held.target).c_str());
    }
    ReferenceIndex index;
    BuildIndex(doc, &index);
    const std::vector<Referrer> referrers = ReferrersOf(doc, listed, index, object.number);
    printf("Referred to by %zu:\n", referrers.size());
    for (const Referrer& referrer : referrers) {
      const std::string name = referrer.number == 0
                                   ? "trailer"
                                   : FormatText("%d %d obj", referrer.number, referrer.generation);
      for (const std::string& path : referrer.paths) {
        printf("%s  %s\n", name.c_str(), path.c_str());
      }
    }
    return 0;
  }
  if (options.revisions) {
    fputs(RevisionsText(doc).c_str(), stdout);
    return 0;
  }
  if (options.check) {
    const std::vector<std::string> findings = CheckCrossReferences(doc);
    for (const std::string& finding : findings) {
      printf("%s\n", finding.c_str());
    }
    printf("%zu findings\n", findings.size());
    return 0;
  }
  if (options.orphans) {
    ReferenceIndex index;
    BuildIndex(doc, &index);
    fputs(OrphansText(doc, index).c_str(), stdout);
    return 0;
  }
  if (options.stats) {
    fputs(SpaceText(MeasureSpace(doc)).c_str(), stdout);
    return 0;
  }
  if (options.walk) {
    return WalkFile(doc);
  }
  if (options.map) {
    fputs(FileMapText(MapFile(doc, MeasureSpace(doc))).c_str(), stdout);
    return 0;
  }
  if (options.object >= 0) {
    if (!ObjectIsListed(doc, static_cast<int32_t>(options.object))) {
      return Fail("object " + std::to_string(options.object) +
                  " is not in the cross-reference chain");
    }
    pdf::Object* object = doc.GetObject(static_cast<int>(options.object), 0);
    printf("%s\n", DescribeWithPicture(object, /*image=*/nullptr).c_str());
    return 0;
  }

  const std::string& path = !options.select.empty()      ? options.select
                            : !options.raw.empty()       ? options.raw
                            : !options.hex.empty()       ? options.hex
                            : !options.decoded.empty()   ? options.decoded
                            : !options.operators.empty() ? options.operators
                                                         : options.image;
  if (!path.empty()) {
    std::vector<TreeItem> trail;
    std::string error;
    if (!FindItemPath(doc, path, &trail, &error)) {
      return Fail(error);
    }
    pdf::Object* object = trail.back().object;
    if (!options.select.empty()) {
      std::string text = DescribeWithPicture(object, /*image=*/nullptr);
      fwrite(text.data(), 1, text.size(), stdout);
      if (text.empty() || text.back() != '\n') {
        fputc('\n', stdout);
      }
      return 0;
    }
    if (!options.raw.empty() || !options.hex.empty()) {
      if (!object->IsStream()) {
        return Fail("'" + path + "' is not a stream");
      }
      pdf::Token data;
      object->GetStreamData(data);
      const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(data.text),
                                           data.length > 0 ? static_cast<size_t>(data.length) : 0);
      if (!options.hex.empty()) {
        for (size_t line = 0; line < HexDumpLineCount(bytes.size()); ++line) {
          printf("%s\n", HexDumpLine(bytes, line).c_str());
        }
      } else if (!bytes.empty()) {
        fwrite(bytes.data(), 1, bytes.size(), stdout);
      }
      return 0;
    }
    if (!options.decoded.empty()) {
      if (!object->IsStream()) {
        return Fail("'" + path + "' is not a stream");
      }
      std::vector<uint8_t> bytes;
      std::string error;
      const bool decoded = DecodeStreamFully(object->AsDictionary(), kDecodedBound, &bytes, &error);
      if (!bytes.empty()) {  // an empty vector's data may be null
        fwrite(bytes.data(), 1, bytes.size(), stdout);
      }
      if (!error.empty()) {
        fprintf(stderr, "quorvel-inspect: %s\n", error.c_str());
      }
      return decoded ? 0 : 2;
    }
    if (!options.operators.empty()) {
      return PrintOperators(object, path);
    }
    if (!IsImageStream(object)) {
      return Fail("'" + path + "' is not an image stream");
    }
    std::string error_text;
    if (!WriteImagePng(object, options.output.c_str(), &error_text)) {
      return Fail(error_text);
    }
    return 0;
  }

  PrintTree(TopLevelItems(doc), 0, options.tree_depth < 0 ? 0 : options.tree_depth, 0);
  return 0;
}

// What was read after the change is another file's bytes, or zeros where it
// shrank: the output cannot be trusted, and the status must say so.
int ReportFileChanged(InspectDocument& doc) {
  fprintf(stderr,
          "quorvel-inspect: %s changed on disk while it was read; the output may be wrong\n",
          doc.file.Path().c_str());
  return kStatusFileChanged;
}

// --json: the document on standard output, the findings in it. When the view
// cannot be shown there is no document: the findings go to standard error,
// before the reason.
int ShowJson(InspectDocument& doc, const InspectOptions& options) {
  JsonView view;
  std::string error;
  if (!MakeJsonView(doc, options, &view, &error)) {
    for (const std::string& line : doc.findings) {
      fprintf(stderr, "%s\n", line.c_str());
    }
    return Fail(error);
  }
  const std::string text = JsonDocumentText(doc, options, std::move(view), doc.findings);
  fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  InspectOptions options = ParseInspectOptions(argc, argv);
  if (options.help) {
    fputs(InspectUsage(), stdout);
    return 0;
  }
  if (options.version) {
    printf("quorvel-inspect %s\n", VersionText("Quorvel").c_str());
    return 0;
  }
  if (!options.error.empty()) {
    fprintf(stderr, "quorvel-inspect: %s\n%s", options.error.c_str(), InspectUsage());
    return 2;
  }

  g_error_sink = MessageToStderr;
  g_warning_sink = MessageToStderr;
  if (options.trace) {
    g_trace_sink = TraceToStderr;
  }

  InspectDocument doc;
  const pdf::Mode mode = options.modern ? pdf::Mode::kModern : pdf::Mode::kClassic;
  pdf::OpenOptions open_options = OpenOptionsFor(mode);
  if (options.contents_bound > 0)
    open_options.contents_text_bound = static_cast<size_t>(options.contents_bound);
  open_options.password = options.password;
  if (!options.password_file.empty() &&
      !ReadPasswordFile(options.password_file, &open_options.password)) {
    fprintf(stderr, "quorvel-inspect: cannot read the password file %s: %s\n",
            options.password_file.c_str(), strerror(errno));
    return 2;
  }
  // On a terminal, the progress of long work; nothing at all otherwise.
  ProgressLine progress(stderr, isatty(STDERR_FILENO) != 0);
  g_progress = &progress;
  if (progress.Enabled()) {
    progress.Start("Opening", ProgressUnit::kBytes);
    open_options.progress = [&doc](int64_t done, int64_t total) {
      // A damaged file is rebuilt by scanning it: the line says so.
      const bool repairing = (doc.ModernFeatures() & pdf::kFeatureRepaired) != 0;
      g_progress->Show(done, total, repairing ? "Repairing" : "Opening");
      return true;
    };
  }
  bool opened = doc.Open(options.file.c_str(), open_options);
  progress.Clear();
  // Raw bytes own standard output; findings then go to standard error. A
  // JSON document holds them, and without one they go to standard error too.
  FILE* findings_out =
      options.raw.empty() && options.decoded.empty() && !options.json ? stdout : stderr;
  if (!options.json || !opened) {
    for (const std::string& line : doc.findings) {
      fprintf(findings_out, "%s\n", line.c_str());
    }
  }
  if (!opened) {
    std::string features;
    pdf::OpenProgress modern_progress;
    if (progress.Enabled()) {
      progress.Start("Reading in modern mode", ProgressUnit::kBytes);
      modern_progress = [](int64_t done, int64_t total) {
        g_progress->Show(done, total);
        return true;
      };
    }
    const bool modern_reads =
        !options.modern && ModernModeReads(options.file, &features, modern_progress);
    progress.Clear();
    if (modern_reads) {
      fprintf(stderr, "hint: the file opens with --modern\n");
    }
    return 1;
  }

  if (options.json) {
    const int status = ShowJson(doc, options);
    return doc.FileChanged() ? ReportFileChanged(doc) : status;
  }
  const size_t shown = doc.findings.size();
  const int status = ShowView(doc, options);
  progress.Clear();
  // Findings of what the view loaded (modern mode reports damage it meets on
  // the way): after the view, where they cannot mix with its output.
  for (size_t i = shown; i < doc.findings.size(); ++i) {
    fprintf(stderr, "%s\n", doc.findings[i].c_str());
  }
  return doc.FileChanged() ? ReportFileChanged(doc) : status;
}
