// Locale-independent text formatting. Qt sets the process locale from the
// environment, and PDF numbers must print with a decimal point whatever it says.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

// vsnprintf under the "C" locale for this thread.
int FormatV(char* buffer, size_t size, const char* format, va_list args);
int FormatInto(char* buffer, size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// At most 399 characters.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
// As FormatText, with the string-table entry `id` as the format.
std::string FormatResourceText(int id, ...);

// strtod under the "C" locale.
double ParseDouble(const char* text, char** end);

// The program's small string table (ids as the resources of the viewer).
enum ResourceId : int {
  IDR_MAINFRAME = 128,
  IDS_ABOUT_CAPTION = 1024,   // "About %s"
  IDS_VERSION_FORMAT = 1025,  // "%s %d.%02db%d"
  AFX_IDS_APP_TITLE = 57344,  // "Quorvel"
};
// The entry for `id`, or "" when there is none.
const char* ResourceString(int id);
