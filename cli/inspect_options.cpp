#include "cli/inspect_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// Deeper trees than this are not useful on a terminal and a cycle would only
// repeat itself.
constexpr long kMaxTreeDepth = 64;

bool ParseNumber(const char* text, long max, long* out) {
  if (*text == '\0') {
    return false;
  }
  char* end = nullptr;
  errno = 0;
  long value = strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || value < 0 || value > max) {
    return false;
  }
  *out = value;
  return true;
}

}  // namespace

InspectOptions ParseInspectOptions(int argc, char** argv) {
  InspectOptions o;
  int views = 0;
  for (int i = 1; i < argc && o.error.empty(); ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string& target) {
      if (i + 1 >= argc) {
        o.error = "missing value after " + arg;
      } else {
        target = argv[++i];
      }
    };
    if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (arg == "--version") {
      o.version = true;
    } else if (arg == "--trace") {
      o.trace = true;
    } else if (arg == "--json") {
      o.json = true;
    } else if (arg == "--modern") {
      o.modern = true;
    } else if (arg == "--contents-bound") {
      std::string number;
      value(number);
      if (o.error.empty() &&
          (!ParseNumber(number.c_str(), 0x7fffffffL, &o.contents_bound) || o.contents_bound == 0)) {
        o.error = "bad byte count: " + number;
      }
    } else if (arg == "--password") {
      value(o.password);
    } else if (arg == "--password-file") {
      value(o.password_file);
    } else if (arg == "--tree") {
      o.tree_depth = 1;
      ++views;
    } else if (arg.rfind("--tree=", 0) == 0) {
      long depth = 0;
      if (!ParseNumber(arg.c_str() + 7, kMaxTreeDepth, &depth)) {
        o.error = "bad depth in " + arg;
      }
      o.tree_depth = static_cast<int>(depth);
      ++views;
    } else if (arg == "--select") {
      value(o.select);
      ++views;
    } else if (arg == "--object") {
      std::string number;
      value(number);
      if (o.error.empty() && !ParseNumber(number.c_str(), 0x7fffffffL, &o.object)) {
        o.error = "bad object number: " + number;
      }
      ++views;
    } else if (arg == "--raw") {
      value(o.raw);
      ++views;
    } else if (arg == "--objects") {
      o.objects = true;
      ++views;
    } else if (arg == "--find") {
      value(o.find);
      ++views;
    } else if (arg == "--regex") {
      o.regex = true;
    } else if (arg == "--in-streams") {
      o.in_streams = true;
    } else if (arg == "--match-case") {
      o.match_case = true;
    } else if (arg == "--refs") {
      std::string number;
      value(number);
      if (o.error.empty() && !ParseNumber(number.c_str(), 0x7fffffffL, &o.refs)) {
        o.error = "bad object number: " + number;
      }
      ++views;
    } else if (arg == "--revisions") {
      o.revisions = true;
      ++views;
    } else if (arg == "--check") {
      o.check = true;
      ++views;
    } else if (arg == "--orphans") {
      o.orphans = true;
      ++views;
    } else if (arg == "--stats") {
      o.stats = true;
      ++views;
    } else if (arg == "--map") {
      o.map = true;
      ++views;
    } else if (arg == "--walk") {
      o.walk = true;
      ++views;
    } else if (arg == "--hex") {
      value(o.hex);
      ++views;
    } else if (arg == "--decoded") {
      value(o.decoded);
      ++views;
    } else if (arg == "--operators") {
      value(o.operators);
      ++views;
    } else if (arg == "--image") {
      value(o.image);
      ++views;
    } else if (arg == "-o") {
      value(o.output);
    } else if (arg.size() > 1 && arg[0] == '-') {
      o.error = "unknown option " + arg;
    } else if (o.file.empty()) {
      o.file = arg;
    } else {
      o.error = "more than one file: " + arg;
    }
  }
  if (!o.error.empty() || o.help || o.version) {
    return o;
  }
  if (o.file.empty()) {
    o.error = "no file given";
  } else if (views > 1) {
    o.error =
        "give at most one of --tree, --select, --object, --objects, --find, --refs, "
        "--revisions, --check, --orphans, --stats, --map, --walk, --raw, --hex, --decoded, "
        "--operators "
        "and --image";
  } else if (o.json && (o.walk || !o.raw.empty() || !o.hex.empty() || !o.decoded.empty() ||
                        !o.operators.empty() || !o.image.empty())) {
    // Their output is bytes (or, for --walk, a sweep's summary): a script asks
    // for those as they are, and --json must never hand it anything but JSON.
    o.error =
        "--json goes with the views that print text: not with --raw, --hex, --decoded, "
        "--operators, --image or --walk";
  } else if (!o.image.empty() && o.output.empty()) {
    o.error = "--image needs -o FILE.png";
  } else if (o.image.empty() && !o.output.empty()) {
    o.error = "-o is only used with --image";
  } else if (!o.operators.empty() && !o.modern) {
    o.error = "--operators is a view of modern mode: add --modern";
  } else if ((o.regex || o.in_streams || o.match_case) && o.find.empty()) {
    o.error = "--regex, --in-streams and --match-case go with --find";
  } else if (!o.password.empty() && !o.password_file.empty()) {
    o.error = "give --password or --password-file, not both";
  } else if ((!o.password.empty() || !o.password_file.empty()) && !o.modern) {
    // Classic mode shows encrypted files as stored: a password would do nothing.
    o.error = "a password is used in modern mode only: add --modern";
  }
  return o;
}

const char* InspectUsage() {
  return "Usage: quorvel-inspect [OPTION] FILE.pdf\n"
         "Opens FILE.pdf as the Quorvel viewer does and prints what it shows.\n"
         "Validation findings come first, one \"Invalid: ...\" or \"Warning: ...\" line each\n"
         "(with --json they are in the document).\n"
         "Without an option it prints the four top-level items.\n"
         "\n"
         "  --tree[=DEPTH]     the structure tree, expanded DEPTH levels below the\n"
         "                     top-level items (default 1; 0 for the top level only)\n"
         "  --select PATH      describe the item reached by PATH as the detail pane does;\n"
         "                     PATH names labels from the top, such as Root/Pages/Kids/[0]\n"
         "  --object N         describe object N as loaded through the cross-reference chain\n"
         "  --objects          one line per object: number, generation, where it is, kind\n"
         "                     and Type\n"
         "  --find TEXT        every key and value that holds TEXT, one line each: the\n"
         "                     object, the path in it and the match; with --regex (TEXT\n"
         "                     is an ECMAScript regular expression), --match-case and\n"
         "                     --in-streams (also the decoded contents of streams)\n"
         "  --refs N           the references object N holds (path, target and its kind),\n"
         "                     then the objects that refer to N, with the paths in them\n"
         "  --revisions        the revisions oldest first (the original file, then each\n"
         "                     update): bytes, section, objects added, changed and freed;\n"
         "                     then each signature: its ByteRange, the revision it signs\n"
         "                     and the objects later revisions changed\n"
         "  --check            each cross-reference section against the file: offsets\n"
         "                     that miss their objects, Size, the free list, numbers\n"
         "                     listed twice, objects no section lists; one line each\n"
         "  --orphans          the objects nothing reachable from the trailer refers to\n"
         "  --stats            the file's bytes by kind of object: objects, bytes, share\n"
         "  --map              the file from byte 0 to the end as ranges, each with what\n"
         "                     owns it: header, object, section, trailer, or nothing\n"
         "  --walk             what exploring the whole file costs: the tree a few levels\n"
         "                     deep, every object described, every image drawn; a summary\n"
         "                     line, then each image not drawn and why\n"
         "  --raw PATH         write the raw bytes of the stream at PATH to standard output\n"
         "  --hex PATH         the raw bytes of the stream at PATH as offset, hex and ASCII\n"
         "  --decoded PATH     write the bytes of the stream at PATH through all its filters\n"
         "                     to standard output\n"
         "  --operators PATH   modern mode: the operators of the content stream at PATH,\n"
         "                     one a line with its operands, indented by q/Q and BT/ET\n"
         "  --image PATH -o F  write the picture of the image stream at PATH as a PNG file\n"
         "  --json             print the view as one JSON document instead of text, its\n"
         "                     findings in it (see docs/json.md); for the tree, --select,\n"
         "                     --object, --objects, --find, --refs, --revisions, --check,\n"
         "                     --orphans, --stats and --map\n"
         "  --modern           modern mode: cross-reference and object streams, damaged\n"
         "                     files repaired, as PDF since 1.5 and real files need\n"
         "  --contents-bound N modern mode shows N bytes of a stream's contents at most\n"
         "                     (default 1048576)\n"
         "  --password PW      modern mode: open an encrypted file with PW, its user or\n"
         "                     owner password (the empty user password is tried without)\n"
         "  --password-file F  the same with the first line of F, so that the password\n"
         "                     does not show in the list of processes\n"
         "  --trace            also write trace lines to standard error\n"
         "  --version          print the version\n"
         "  --help             print this text\n"
         "\n"
         "Exit status: 0 when the file opened, 1 when it did not, 2 for a usage error\n"
         "or an item that cannot be shown.\n"
         "Status 3: the file changed on disk while it was read, so the output may be\n"
         "wrong.\n";
}
