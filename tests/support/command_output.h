// Running a program of the test oracles (qpdf and the like) through the shell.
#pragma once

#include <string>

// The standard output of a shell command, its standard error discarded;
// false when it cannot run or exits with a failure.
bool CaptureCommand(const std::string& command, std::string* out);
