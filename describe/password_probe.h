// Before an encrypted file replaces the document on show: whether it needs a
// password beyond the empty one, and which one the user gives, found by a
// quiet open of its own, so that a cancelled or failed password leaves the
// document that was open in place.
#pragma once

#include <string>

#include "pdf/decryptor.h"

// True when the file's first or last mebibyte names an Encrypt entry, where
// every trailer of a real file is; a cheap test before the probe below.
bool MayBeEncrypted(const std::string& path);

struct PasswordProbe {
  bool refused = false;  // no password given opened it; `message` says so
  std::string password;  // the one to open it with ("" for none)
  std::string message;
};

// Opens `path` quietly in modern mode and asks `prompt` as the open does;
// files that are not encrypted, or that fail for another reason, are left to
// the real open. `known`, when given, is tried before anyone is asked: the
// password that opened the file last time, for a reload.
PasswordProbe ProbePassword(const std::string& path, const pdf::PasswordPrompt& prompt,
                            const std::string& known = {});
