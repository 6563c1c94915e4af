#include "diag/format.h"

#include <locale.h>
#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace {

// One "C" locale for the process, made on first use and never freed.
locale_t CLocale() {
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c_locale;
}

// Switches this thread to the "C" locale for the guard's lifetime.
class CLocaleScope {
 public:
  CLocaleScope() : previous_(uselocale(CLocale())) {}
  ~CLocaleScope() { uselocale(previous_); }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  locale_t previous_;
};

constexpr size_t kFormatTextSize = 400;  // at most 399 characters

}  // namespace

int FormatV(char* buffer, size_t size, const char* format, va_list args) {
  CLocaleScope scope;
  return vsnprintf(buffer, size, format, args);
}

int FormatInto(char* buffer, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = FormatV(buffer, size, format, args);
  va_end(args);
  return n;
}

static std::string FormatTextV(const char* format, va_list args) {
  char buffer[kFormatTextSize];
  if (FormatV(buffer, sizeof buffer, format, args) < 0) {
    buffer[0] = '\0';
  }
  return buffer;
}

std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatTextV(format, args);
  va_end(args);
  return text;
}

std::string FormatResourceText(int id, ...) {
  va_list args;
  va_start(args, id);
  std::string text = FormatTextV(ResourceString(id), args);
  va_end(args);
  return text;
}

double ParseDouble(const char* text, char** end) {
  return strtod_l(text, end, CLocale());
}

const char* ResourceString(int id) {
  switch (id) {
    case IDS_ABOUT_CAPTION:
      return "About %s";
    case IDS_VERSION_FORMAT:
      return "%s %d.%02db%d";
    case AFX_IDS_APP_TITLE:
      return "Quorvel";
    case IDR_MAINFRAME:
      return "Quorvel\n\nPDF File\nPDF Files (*.pdf)\n.pdf";
    default:
      return "";
  }
}
