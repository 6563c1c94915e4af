// zlib's own compressor: the source of Flate data in tests, samples and
// benchmarks, so the decoders are checked against an independent encoder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The zlib stream of `data` at the given level; throws std::runtime_error when
// zlib fails.
std::string Deflate(std::string_view data, int level = 6);
std::string Deflate(const std::vector<uint8_t>& data, int level = 6);
