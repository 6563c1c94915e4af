#include "describe/password_probe.h"

#include <algorithm>
#include <fstream>
#include <string_view>
#include <vector>

#include "describe/open_mode.h"
#include "describe/quiet_sinks.h"
#include "describe/viewer_document.h"
#include "diag/error_info.h"

namespace {

// Trailers, cross-reference streams and the first-page trailer of a
// linearized file all lie within this distance of an end of the file.
constexpr std::streamoff kEncryptWindow = std::streamoff{1} << 20;

bool WindowNamesEncrypt(std::ifstream& in, std::streamoff from, std::streamoff size) {
  std::vector<char> bytes(static_cast<size_t>(size));
  in.seekg(from);
  in.read(bytes.data(), size);
  const std::string_view text(bytes.data(), static_cast<size_t>(in.gcount()));
  return text.find("/Encrypt") != std::string_view::npos;
}

}  // namespace

bool MayBeEncrypted(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) {
    return false;
  }
  const std::streamoff size = in.tellg();
  if (size <= 0) {
    return false;
  }
  const std::streamoff head = std::min(size, kEncryptWindow);
  if (WindowNamesEncrypt(in, 0, head)) {
    return true;
  }
  in.clear();
  const std::streamoff tail = std::min(size - head, kEncryptWindow);
  return tail > 0 && WindowNamesEncrypt(in, size - tail, tail);
}

PasswordProbe ProbePassword(const std::string& path, const pdf::PasswordPrompt& prompt,
                            const std::string& known) {
  PasswordProbe probe;
  if (!MayBeEncrypted(path)) {
    return probe;
  }
  QuietSinks quiet;
  pdf::OpenOptions options = OpenOptionsFor(pdf::Mode::kModern);
  options.password = known;
  std::string last = known;
  options.ask_password = [&](const std::string& protection, int attempt, std::string* password) {
    if (!prompt || !prompt(protection, attempt, password)) {
      return false;
    }
    last = *password;
    return true;
  };
  ViewerDocument doc;
  if (!doc.Open(path.c_str(), options) && doc.open_error.code == kErrPassword) {
    probe.refused = true;
    probe.message = doc.open_error.Message();
  } else {
    probe.password = last;
  }
  return probe;
}
