#include "app/view_text.h"

QString PaneText(const std::string& description) {
  // Written through a pointer: a description can be millions of characters
  // (a cross-reference section of a million entries), appended one by one
  // it took a noticeable part of a second.
  QString text(static_cast<qsizetype>(description.size()), Qt::Uninitialized);
  QChar* out = text.data();
  QChar* const begin = out;
  const size_t size = description.size();
  for (size_t i = 0; i < size; ++i) {
    const char c = description[i];
    if (c == '\r') {
      if (i + 1 < size && description[i + 1] == '\n') {
        ++i;
      }
      *out++ = QChar('\n');
    } else {
      *out++ = QChar(static_cast<unsigned char>(c));
    }
  }
  text.truncate(out - begin);
  return text;
}
