#include "tests/modern/object_json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "pdf/document.h"
#include "pdf/name_text.h"
#include "pdf/object.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// The bytes a string token stands for: hexadecimal, or literal with escapes.
std::string StringBytes(const pdf::Token& token) {
  std::string text(token.text, static_cast<size_t>(token.length));
  std::string out;
  if (!text.empty() && text.front() == '<') {
    int high = -1;
    for (char c : text) {
      int digit = HexDigit(c);
      if (digit < 0)
        continue;
      if (high < 0) {
        high = digit;
      } else {
        out += static_cast<char>(high * 16 + digit);
        high = -1;
      }
    }
    if (high >= 0)
      out += static_cast<char>(high * 16);
    return out;
  }
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {  // end of line in a string reads as a line feed
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n')
        ++i;
      continue;
    }
    if (c != '\\' || i + 1 >= text.size()) {
      out += c;
      continue;
    }
    char e = text[++i];
    switch (e) {
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      case '\r':
        if (i + 1 < text.size() && text[i + 1] == '\n')
          ++i;
        break;
      case '\n':
        break;
      default:
        if (e >= '0' && e <= '7') {
          int value = e - '0';
          for (int k = 0; k < 2 && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '7';
               ++k) {
            value = value * 8 + (text[++i] - '0');
          }
          out += static_cast<char>(value & 0xFF);
        } else {
          out += e;
        }
    }
  }
  return out;
}

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

// UTF-8 of a PDF text string: UTF-16BE after its mark, else PDFDocEncoding
// (Latin-1 but for a few ranges), as qpdf's JSON writes text.
std::string Utf8(const std::string& bytes) {
  std::string out;
  auto put = [&](uint32_t code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  };
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
      static_cast<unsigned char>(bytes[1]) == 0xFF) {
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      uint32_t unit =
          (static_cast<unsigned char>(bytes[i]) << 8) | static_cast<unsigned char>(bytes[i + 1]);
      if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
        uint32_t low = (static_cast<unsigned char>(bytes[i + 2]) << 8) |
                       static_cast<unsigned char>(bytes[i + 3]);
        put(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
      } else {
        put(unit);
      }
    }
    return out;
  }
  // PDFDocEncoding where it leaves Latin-1: 0x18 to 0x1F, 0x80 to 0x9E, 0xA0.
  static constexpr uint32_t kLow[8] = {0x02D8, 0x02C7, 0x02C6, 0x02D9,
                                       0x02DD, 0x02DB, 0x02DA, 0x02DC};
  static constexpr uint32_t kHigh[32] = {
      0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039, 0x203A, 0x2212,
      0x2030, 0x201E, 0x201C, 0x201D, 0x2018, 0x2019, 0x201A, 0x2122, 0xFB01, 0xFB02, 0x0141,
      0x0152, 0x0160, 0x0178, 0x017D, 0x0131, 0x0142, 0x0153, 0x0161, 0x017E, 0x009F};
  for (unsigned char c : bytes) {
    put(c >= 0x18 && c <= 0x1F   ? kLow[c - 0x18]
        : c >= 0x80 && c <= 0x9F ? kHigh[c - 0x80]
        : c == 0xA0              ? 0x20AC
                                 : c);
  }
  return out;
}

}  // namespace

nlohmann::json ObjectJson(pdf::Object* object) {
  using nlohmann::json;
  if (object == nullptr || object->IsNull()) {
    return nullptr;
  }
  if (auto* reference = dynamic_cast<pdf::Reference*>(object)) {
    if (reference->number == 0) {
      return nullptr;  // object 0 is never an object: qpdf reads such a reference as null
    }
    return std::to_string(reference->number) + " " + std::to_string(reference->generation) + " R";
  }
  if (auto* scalar = dynamic_cast<pdf::Scalar*>(object)) {
    const pdf::Token& token = scalar->token;
    if (token.IsNumber()) {
      double value = token.RealValue();
      if (value == std::floor(value) && std::fabs(value) < 1e15) {
        return static_cast<int64_t>(value);
      }
      return value;
    }
    if (token.IsBoolean()) {
      return token.IsTrue();
    }
    if (token.IsName()) {
      std::string written(token.text, static_cast<size_t>(token.length));
      std::string decoded;
      return "/" + (pdf::DecodeNameEscapes(written, &decoded) ? decoded : written);
    }
    if (token.IsString()) {
      return json{{"bytes", Hex(StringBytes(token))}};
    }
    return "<other scalar>";
  }
  if (pdf::Array* array = object->AsArray()) {
    json items = json::array();
    for (int i = 0; i < array->Count(); ++i) {
      items.push_back(ObjectJson(array->Value(i)));
    }
    return items;
  }
  if (pdf::Dictionary* dictionary = object->AsDictionary()) {
    json entries = json::object();
    for (int i = 0; i < dictionary->Count(); ++i) {
      json value = ObjectJson(dictionary->Value(i));
      if (!value.is_null()) {  // qpdf leaves null values out
        entries[std::string("/") + dictionary->Key(i)] = value;
      }
    }
    if (dictionary->IsStream()) {
      return json{{"stream", json{{"dict", entries}}}};
    }
    return entries;
  }
  return "<object>";
}

std::string JsonMismatch(const nlohmann::json& ours, const nlohmann::json& theirs,
                         const std::string& path) {
  auto differ = [&](const std::string& why) {
    return (path.empty() ? std::string("(top)") : path) + ": " + why + " (ours " + ours.dump() +
           ", qpdf " + theirs.dump() + ")";
  };
  if (ours.is_object() && ours.contains("bytes") && theirs.is_string()) {
    const std::string text = theirs.get<std::string>();
    std::string bytes;
    const std::string hex = ours["bytes"].get<std::string>();
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
      bytes += static_cast<char>(HexDigit(hex[i]) * 16 + HexDigit(hex[i + 1]));
    }
    if (text.rfind("b:", 0) == 0) {
      return text.substr(2) == hex ? "" : differ("string bytes");
    }
    if (text.rfind("u:", 0) == 0) {
      return text.substr(2) == Utf8(bytes) ? "" : differ("string text");
    }
    return differ("string form");
  }
  if (ours.is_number() && theirs.is_number()) {
    const double a = ours.get<double>();
    const double b = theirs.get<double>();
    return std::fabs(a - b) <= 1e-6 * std::max(1.0, std::fabs(b)) ? "" : differ("number");
  }
  if (ours.type() != theirs.type()) {
    return differ("kind");
  }
  if (ours.is_array()) {
    if (ours.size() != theirs.size()) {
      return differ("item count");
    }
    for (size_t i = 0; i < ours.size(); ++i) {
      std::string m = JsonMismatch(ours[i], theirs[i], path + "[" + std::to_string(i) + "]");
      if (!m.empty())
        return m;
    }
    return "";
  }
  if (ours.is_object()) {
    for (auto it = theirs.begin(); it != theirs.end(); ++it) {
      if (!ours.contains(it.key())) {
        return differ("missing key " + it.key());
      }
      std::string m = JsonMismatch(ours[it.key()], it.value(), path + it.key());
      if (!m.empty())
        return m;
    }
    for (auto it = ours.begin(); it != ours.end(); ++it) {
      if (!theirs.contains(it.key())) {
        return differ("extra key " + it.key());
      }
    }
    return "";
  }
  return ours == theirs ? "" : differ("value");
}

bool RunCommand(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  if (!out) {
    throw std::runtime_error("cannot write " + path);
  }
}

nlohmann::json QpdfJson(const std::string& path) {
  const std::string json_path = path + ".json";
  // qpdf exits 3 for warnings; its JSON is complete all the same.
  std::system((std::string(QPDF_EXE) + " --json=2 --json-key=qpdf '" + path + "' > '" + json_path +
               "' 2>/dev/null")
                  .c_str());
  return nlohmann::json::parse(ReadFileBytes(json_path), nullptr, /*allow_exceptions=*/false);
}
