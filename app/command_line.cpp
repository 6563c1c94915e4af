#include "app/command_line.h"

#include <cstring>

#include "diag/format.h"
#include "diag/version.h"

CommandLine ParseCommandLine(int argc, char** argv) {
  CommandLine line;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    auto value = [&](std::string& target) {
      if (i + 1 >= argc) {
        line.error = std::string("missing value after ") + arg;
        return;
      }
      target = argv[++i];
    };
    if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
      line.help = true;
    } else if (strcmp(arg, "--version") == 0) {
      line.version = true;
    } else if (strcmp(arg, "--trace") == 0) {
      line.trace = true;
    } else if (strcmp(arg, "--modern") == 0) {
      line.modern = true;
    } else if (strcmp(arg, "--select") == 0) {
      value(line.select);
    } else if (strcmp(arg, "--screenshot") == 0) {
      value(line.screenshot);
    } else if (strncmp(arg, "--", 2) == 0 && arg[2] != '\0') {
      line.error = std::string("unknown option ") + arg;
    } else if (line.file.empty()) {
      line.file = arg;
    } else {
      line.error = std::string("more than one file: ") + arg;
    }
    if (!line.error.empty()) {
      break;
    }
  }
  return line;
}

const char* UsageText() {
  return "Usage: quorvel [OPTIONS] [FILE.pdf]\n"
         "Shows the internal structure of a PDF file.\n"
         "\n"
         "  --select PATH      expand and select a tree item by its labels,\n"
         "                     for example Root/Pages/Kids/[0]\n"
         "  --screenshot FILE  render the main window to a PNG file and exit\n"
         "  --modern           open in modern mode (cross-reference and object\n"
         "                     streams, damaged files repaired)\n"
         "  --trace            write trace lines to standard error\n"
         "  --version          print the version and exit\n"
         "  --help             print this text and exit\n";
}

std::string VersionText() {
  return VersionText(ResourceString(AFX_IDS_APP_TITLE));
}
