#include "analysis/number_ranges.h"

std::string NumberRanges(const std::vector<int32_t>& numbers, size_t limit) {
  std::string text;
  size_t runs = 0;
  for (size_t i = 0; i < numbers.size();) {
    size_t j = i;
    while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) {
      ++j;
    }
    if (runs == limit) {
      text += " ... (" + std::to_string(numbers.size() - i) + " more)";
      break;
    }
    if (!text.empty()) {
      text += ' ';
    }
    text += std::to_string(numbers[i]);
    if (j > i) {
      text += '-' + std::to_string(numbers[j]);
    }
    ++runs;
    i = j + 1;
  }
  return text;
}
