#include "app/command_line.h"

#include <cstring>

#include "diag/format.h"
#include "diag/version.h"

namespace {

// The standard options QApplication takes out of the arguments itself, with
// one dash or two, their values after them or after "=".
constexpr const char* kQtOptionsWithValue[] = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",       "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "style",         "stylesheet",   "session",
    "display",     "geometry",           "title",         "qmljsdebugger"};
constexpr const char* kQtFlags[] = {"reverse", "nograb",      "dograb",
                                    "sync",    "widgetcount", "testability"};

// How many arguments from `arg` on are one of Qt's options (0 for none).
int QtOptionArguments(const char* arg) {
  if (arg[0] != '-') {
    return 0;
  }
  const char* name = arg[1] == '-' ? arg + 2 : arg + 1;
  const char* equals = strchr(name, '=');
  const size_t length = equals != nullptr ? static_cast<size_t>(equals - name) : strlen(name);
  for (const char* option : kQtOptionsWithValue) {
    if (strlen(option) == length && strncmp(name, option, length) == 0) {
      return equals != nullptr ? 1 : 2;
    }
  }
  for (const char* option : kQtFlags) {
    if (equals == nullptr && strcmp(name, option) == 0) {
      return 1;
    }
  }
  return 0;
}

}  // namespace

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
    } else if (const int taken = QtOptionArguments(arg); taken > 0) {
      if (i + taken > argc) {
        line.error = std::string("missing value after ") + arg;
      }
      i += taken - 1;  // left to QApplication
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
         "  --help             print this text and exit\n"
         "\n"
         "Qt's standard options, such as -style NAME, -platform NAME and -reverse,\n"
         "are accepted too.\n";
}

std::string VersionText() {
  return VersionText(ResourceString(AFX_IDS_APP_TITLE));
}
