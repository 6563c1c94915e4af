// A content stream (a page's Contents, a form XObject) as its operators, one
// line each with its operands before it, indented by q/Q and BT/ET nesting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// A hostile stream could yield a line per byte; the listing stops here and
// says so in a last line.
inline constexpr size_t kMaxOperatorLines = 100000;
// Indentation stops growing at this depth: thousands of unmatched q would
// otherwise make every later line kilobytes of spaces.
inline constexpr int kMaxOperatorIndent = 32;
// A line's operands are cut after this many characters (a stream of numbers
// without an operator is one line).
inline constexpr size_t kMaxOperandText = 4096;

// `data` is the decoded stream. Comments are dropped; an inline image
// (BI ... ID data EI) is one line that names its size; operands left without
// an operator at the end are a line of their own.
std::vector<std::string> FormatContentOperators(std::span<const uint8_t> data,
                                                size_t max_lines = kMaxOperatorLines);
