// Token::LocateStreamData: finds a stream's raw data in place after the keyword
// stream; the data are never read or copied.
#include <cstring>

#include "diag/messages.h"
#include "pdf/token.h"

namespace pdf {

namespace {

constexpr char kEndStream[] = "endstream";
constexpr int kEndStreamSize = 9;

}  // namespace

bool Token::LocateStreamData(const char** cursor, const char* end, int data_length) {
  const char* at = *cursor;
  if (at >= end) {
    return false;
  }
  if (*at == '\r') {
    ++at;
    if (at < end && *at == '\n') {
      ++at;
    }
  } else if (*at == '\n') {
    ++at;
  } else {
    return false;
  }
  FreeOwned();
  text = at;
  type = TokenType::StreamData;
  length = data_length;
  // A negative length, or one that runs past the end, never moves the cursor
  // outside the input.
  if (data_length < 0 || data_length > end - at) {
    *cursor = at;
    ErrorMessage("%s", "invalid stream length or truncated PDF");
    return false;
  }
  at += data_length;
  while (at < end && (*at == '\r' || *at == '\n')) {
    ++at;
  }
  *cursor = at;
  if (end - at < kEndStreamSize + 1) {
    ErrorMessage("%s", "invalid stream length or truncated PDF");
    return false;
  }
  if (memcmp(at, kEndStream, kEndStreamSize) != 0) {
    ErrorMessage("%s", "'stream' with no matching 'endstream'");
    return false;
  }
  *cursor = at + kEndStreamSize;
  return true;
}

}  // namespace pdf
