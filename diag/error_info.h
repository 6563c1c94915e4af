// The status record of file operations and the table that turns its code into a
// message for the user.
#pragma once

class ErrorInfo {
 public:
  ErrorInfo();
  // os_error taken from errno at this moment.
  ErrorInfo(int code, const char* subject);
  ErrorInfo(int code, int os_error, const char* subject);
  ErrorInfo(const ErrorInfo& other);
  ErrorInfo& operator=(const ErrorInfo& other);
  ~ErrorInfo();

  // Built on first request and kept; belongs to the record.
  const char* Message();

  int code = 0;
  int os_error = 0;
  char* subject = nullptr;
  char* message = nullptr;
};

enum ErrorCode : int {
  kErrNone = 0,
  kErrOpen = 5,
  kErrDamaged = 7,
  // The user stopped the work (an open whose progress callback said so).
  kErrCancelled = 16,
  // An encrypted file that no password given opened; the subject is the whole
  // message, since it names the handler as well as the file.
  kErrPassword = 20,
};

// The system's text for an error number, trailing line ends removed, in a shared
// 2048-byte buffer. "" for numbers the C library does not know.
const char* SystemErrorText(int number);
