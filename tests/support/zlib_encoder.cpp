#include "tests/support/zlib_encoder.h"

#include <zlib.h>

#include <stdexcept>

std::string Deflate(std::string_view data, int level) {
  uLongf size = compressBound(data.size());
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                reinterpret_cast<const Bytef*>(data.data()), data.size(), level) != Z_OK) {
    throw std::runtime_error("compress2 failed");
  }
  out.resize(size);
  return out;
}

std::string Deflate(const std::vector<uint8_t>& data, int level) {
  return Deflate(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), level);
}
