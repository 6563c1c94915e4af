// The viewer's command line. Parsed before the QApplication exists, so that
// --help and --version work without a display.
#pragma once

#include <string>

struct CommandLine {
  std::string file;        // the PDF to open, empty for a new document
  std::string select;      // --select PATH: item to expand and select
  std::string screenshot;  // --screenshot FILE: render the window to a PNG and exit
  bool trace = false;      // --trace: trace lines to standard error
  bool modern = false;     // --modern: open in modern mode
  bool help = false;
  bool version = false;
  std::string error;  // a usage error, empty when the line is good
};

CommandLine ParseCommandLine(int argc, char** argv);
const char* UsageText();
// "Quorvel 1.02b6"
std::string VersionText();
