#include "app/view_text.h"

QString PaneText(const std::string& description) {
  QString text;
  text.reserve(static_cast<qsizetype>(description.size()));
  for (size_t i = 0; i < description.size(); ++i) {
    char c = description[i];
    if (c == '\r') {
      if (i + 1 < description.size() && description[i + 1] == '\n') {
        ++i;
      }
      text += QChar('\n');
    } else {
      text += QChar(static_cast<unsigned char>(c));
    }
  }
  return text;
}
