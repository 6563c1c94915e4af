// How a document is opened: the mode, and what modern mode needs from outside
// the core. One value handed to the open and kept by the document, so that two
// documents in one process can be read in different modes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "pdf/decryptor.h"

namespace pdf {

class Dictionary;

enum class Mode {
  kClassic,  // the written behaviour, text for text
  kModern,   // what PDF since 1.5 holds: stream sections, object streams, repair
};

// Decodes the whole data of a stream through all its filters into `out`, at
// most `limit` bytes. True when `out` holds usable bytes (`error` may still
// carry a warning); false with the reason in `error`. The filters library
// supplies it: the core itself links no decompressor.
using StreamDecoder = bool (*)(Dictionary* stream, size_t limit, std::vector<uint8_t>* out,
                               std::string* error);

// Decoded object streams are kept up to this many bytes in all, least recently
// used first out: expanding many objects of one stream then decodes it once.
inline constexpr size_t kDefaultObjectStreamCacheBytes = 64u << 20;

// The detail pane shows this many bytes of a stream's decoded contents.
inline constexpr size_t kDefaultContentsTextBound = size_t{1} << 20;
// Pictures with more pixels are drawn reduced: 64 megapixels take 192 MB as a
// 24-bit bitmap, about what a viewer can afford per selection.
inline constexpr size_t kDefaultImagePixelBound = size_t{64} << 20;

// Told how far a long open got: `done` of `total` bytes of the file read or
// scanned, `done` never going down; false cancels the open.
using OpenProgress = std::function<bool(int64_t done, int64_t total)>;

// An open tells its progress once this many more bytes have been read,
// scanned or parsed.
inline constexpr int64_t kDefaultOpenProgressBytes = int64_t{4} << 20;

struct OpenOptions {
  Mode mode = Mode::kClassic;
  StreamDecoder decoder = nullptr;
  size_t object_stream_cache_bytes = kDefaultObjectStreamCacheBytes;
  // What modern mode's descriptions show at most (settings of the viewer).
  size_t contents_text_bound = kDefaultContentsTextBound;
  size_t image_pixel_bound = kDefaultImagePixelBound;
  // Encrypted files: the handler's maker, the password tried first ("" is the
  // empty user password) and who to ask when it fails. Without a maker an
  // encrypted file opens with its strings and streams as stored.
  DecryptorFactory decryptor = nullptr;
  // The same maker in two steps, optional: with it the key of a file whose
  // Encrypt dictionary stands just before its cross-reference stream is
  // derived on a second thread while that stream is read.
  DecryptorPreparer prepare_decryptor = nullptr;
  std::string password;
  PasswordPrompt ask_password;
  // Called on the open's thread while a large file is read or repaired, every
  // `progress_bytes` at most; when it returns false the open stops, reports
  // nothing, and fails with open_error kErrCancelled. Kept for that open only:
  // the document forgets it when the open ends.
  OpenProgress progress;
  int64_t progress_bytes = kDefaultOpenProgressBytes;

  bool Modern() const { return mode == Mode::kModern; }
};

}  // namespace pdf
