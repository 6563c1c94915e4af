// RC4, the stream cipher of security handler revisions 2 to 4. OpenSSL 3 keeps
// it only in its legacy provider, which a system need not load, so it is ours.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace pdfcrypt {

// `data` enciphered (or deciphered: the same operation) under `key`. An empty
// key gives the data unchanged.
std::vector<uint8_t> Rc4(std::span<const uint8_t> key, std::span<const uint8_t> data);

}  // namespace pdfcrypt
