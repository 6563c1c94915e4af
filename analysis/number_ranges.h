// Object numbers written short: "1-5 8 10-12".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The numbers (in ascending order) as runs; at most `limit` runs are written,
// then " ... (N more)".
std::string NumberRanges(const std::vector<int32_t>& numbers, size_t limit = SIZE_MAX);
