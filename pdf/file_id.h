// The file identifier written into the trailer's ID: a hexadecimal string of
// the MD5 digest of the information dictionary's string values.
#pragma once

#include <string>

namespace pdf {

class Object;

// "<" + 32 lowercase hexadecimal digits + ">". The digest covers the text of
// every String value of `info` in entry order, each up to its first NUL byte;
// other values do not take part, and no strings give the digest of no bytes.
std::string FileIdentifier(Object* info);

}  // namespace pdf
