// The program's version, as the About box and --version show it.
#pragma once

#include <string>

// "NAME 1.02b6": the version format with the project's version numbers.
std::string VersionText(const char* name);
