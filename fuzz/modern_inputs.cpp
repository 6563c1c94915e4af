#include "fuzz/modern_inputs.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace {

constexpr std::string_view kHeader = "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n";

std::string Text(std::span<const uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// Appends "N 0 obj\n<< entries /Length L >>\nstream\n" data "\nendstream\nendobj\n".
void AppendStream(std::string* file, int number, const std::string& entries,
                  const std::string& data) {
  *file += std::to_string(number) + " 0 obj\n<< " + entries + " /Length " +
           std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream\nendobj\n";
}

void AppendObject(std::string* file, int number, const std::string& body) {
  *file += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
}

// The objects before the cross-reference stream, with their offsets.
std::string XRefStreamPrefix(std::vector<int32_t>* offsets) {
  std::string file(kHeader);
  offsets->assign(kXRefStreamObject + 2, 0);
  auto mark = [&](int number) {
    (*offsets)[static_cast<size_t>(number)] = static_cast<int32_t>(file.size());
  };
  mark(1);
  AppendObject(&file, 1, "<< /Type /Catalog /Pages 2 0 R /Names 8 0 R >>");
  mark(2);
  AppendObject(&file, 2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  mark(3);
  AppendObject(&file, 3,
               "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
               "/Resources << >> >>");
  mark(4);
  AppendStream(&file, 4, "", "BT /F1 12 Tf 72 720 Td (Fuzz) Tj ET");
  mark(5);
  const std::string first_object = "<< /Title (Cross-reference stream) >>";
  const std::string pairs = "6 0 8 " + std::to_string(first_object.size() + 1) + "\n";
  AppendStream(&file, 5, "/Type /ObjStm /N 2 /First " + std::to_string(pairs.size()),
               pairs + first_object + " [1 0 R 6 0 R]");
  return file;
}

// The fixed objects of the security handler's file, 1 to 7 by number, with
// the content stream's data and the form's entries and data as given.
std::vector<std::string> SecurityObjects(const std::string& content,
                                         const std::string& form_entries,
                                         const std::string& form_data) {
  const std::string metadata = "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta/>";
  auto stream = [](const std::string& entries, const std::string& data) {
    return "<< " + entries + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
           "\nendstream";
  };
  return {
      "",
      "<< /Metadata 3 0 R /Pages 4 0 R /Type /Catalog >>",
      "<< /Title (Quarterly figures) /Author <FEFF00510075006F0072> /Subject () "
      "/Keywords <000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F20> >>",
      stream("/Subtype /XML /Type /Metadata", metadata),
      "<< /Count 1 /Kids [5 0 R] /Type /Pages >>",
      "<< /Contents 6 0 R /MediaBox [0 0 200 200] /Parent 4 0 R /Resources << /XObject << /Fm 7 "
      "0 R >> >> /Type /Page >>",
      stream("", content),
      stream("/Type /XObject /Subtype /Form /BBox [0 0 10 10] " + form_entries, form_data),
  };
}

// The objects numbered from 1 in a classic file with the trailer's entries.
std::string ClassicFile(const std::vector<std::string>& objects, const std::string& trailer) {
  std::string file(kHeader);
  std::string xref = "xref\n0 " + std::to_string(objects.size()) + "\n0000000000 65535 f \n";
  for (size_t number = 1; number < objects.size(); ++number) {
    char line[24];
    snprintf(line, sizeof line, "%010zu 00000 n \n", file.size());
    xref += line;
    AppendObject(&file, static_cast<int>(number), objects[number]);
  }
  const size_t xref_offset = file.size();
  file += xref + "trailer\n<< /Size " + std::to_string(objects.size()) + " " + trailer +
          " >>\nstartxref\n" + std::to_string(xref_offset) + "\n%%EOF\n";
  return file;
}

std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out = "<";
  for (char c : bytes) {
    out += kDigits[static_cast<uint8_t>(c) >> 4];
    out += kDigits[static_cast<uint8_t>(c) & 15];
  }
  return out + ">";
}

const char kFormData[] = "0 0 m 10 10 l S";

}  // namespace

SecurityInput SplitSecurityInput(std::span<const uint8_t> input) {
  SecurityInput parts;
  if (input.size() < kSecurityHeaderBytes) {
    return parts;
  }
  size_t at = kSecurityHeaderBytes;
  auto take = [&](size_t wanted) {
    const size_t n = std::min(wanted, input.size() - at);
    std::string bytes = Text(input.subspan(at, n));
    at += n;
    return bytes;
  };
  parts.password = take(input[0]);
  parts.id = take(input[1]);
  parts.encrypt = take(static_cast<size_t>(input[2] << 8 | input[3]));
  parts.content = take(input.size() - at);
  return parts;
}

std::string JoinSecurityInput(const SecurityInput& parts) {
  const size_t dict = std::min<size_t>(parts.encrypt.size(), 0xFFFF);
  std::string out = {static_cast<char>(std::min<size_t>(parts.password.size(), 255)),
                     static_cast<char>(std::min<size_t>(parts.id.size(), 255)),
                     static_cast<char>(dict >> 8), static_cast<char>(dict & 0xFF)};
  return out + parts.password.substr(0, 255) + parts.id.substr(0, 255) +
         parts.encrypt.substr(0, dict) + parts.content;
}

std::string SecurityHandlerFile(const SecurityInput& parts) {
  const std::string form = DeflateFast(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(kFormData), sizeof kFormData - 1));
  // The form's own Crypt filter leaves it in clear whatever the document's is.
  std::vector<std::string> objects = SecurityObjects(
      parts.content, "/Filter [/Crypt /FlateDecode] /DecodeParms [<< /Name /Identity >> null]",
      form);
  objects.push_back(parts.encrypt);
  std::string trailer = "/Root 1 0 R /Info 2 0 R /Encrypt 8 0 R";
  if (!parts.id.empty()) {
    trailer += " /ID [" + Hex(parts.id) + " " + Hex(parts.id) + "]";
  }
  return ClassicFile(objects, trailer);
}

std::string SecurityHandlerPlainFile(const std::string& content) {
  return ClassicFile(SecurityObjects(content, "", kFormData),
                     "/Root 1 0 R /Info 2 0 R /ID [<0123456789ABCDEF> <0123456789ABCDEF>]");
}

std::string DeflateFast(std::span<const uint8_t> data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, data.data(),
                static_cast<uLong>(data.size()), 1) != Z_OK) {
    return {};
  }
  out.resize(size);
  return out;
}

std::vector<int32_t> XRefStreamObjectOffsets() {
  std::vector<int32_t> offsets;
  XRefStreamPrefix(&offsets);
  return offsets;
}

std::string XRefStreamFile(std::span<const uint8_t> input) {
  if (input.size() < kXRefStreamHeaderBytes) {
    return {};
  }
  const uint8_t flags = input[0];
  const int w0 = input[1] & 3;
  const int w1 = input[1] >> 2 & 7;
  const int w2 = input[1] >> 5 & 7;
  const int size = input[2];
  const std::span<const uint8_t> data = input.subspan(kXRefStreamHeaderBytes);

  std::vector<int32_t> offsets;
  std::string file = XRefStreamPrefix(&offsets);
  std::string entries = "/Type /XRef /W [" + std::to_string(w0) + " " + std::to_string(w1) + " " +
                        std::to_string(w2) + "] /Size " + std::to_string(size);
  if ((flags & kXRefNoRoot) == 0) {
    entries += " /Root 1 0 R /Info 6 0 R";
  }
  if ((flags & kXRefIndex) != 0) {
    entries += " /Index [" + std::to_string(input[3]) + " " + std::to_string(input[4]) + "]";
  }
  std::string stream_data = Text(data);
  if ((flags & kXRefFlate) != 0) {
    entries += " /Filter /FlateDecode";
    stream_data = DeflateFast(data);
  }
  if ((flags & kXRefPng) != 0) {
    const int columns = w0 + w1 + w2 > 0 ? w0 + w1 + w2 : 1;
    entries += " /DecodeParms << /Predictor 12 /Columns " + std::to_string(columns) + " >>";
  }
  // Prev names a classic section that lists the first objects: the stream's
  // entries for them win, the rest come from the older section.
  std::string older;
  if ((flags & kXRefPrev) != 0) {
    const size_t older_offset = file.size();
    older = "xref\n0 5\n0000000000 65535 f \n";
    for (int number = 1; number <= 4; ++number) {
      char line[24];
      snprintf(line, sizeof line, "%010d 00000 n \n", offsets[static_cast<size_t>(number)]);
      older += line;
    }
    older += "trailer\n<< /Size 5 /Root 1 0 R >>\n";
    file += older;
    entries += " /Prev " + std::to_string(older_offset);
  }
  const size_t xref_offset = file.size();
  AppendStream(&file, kXRefStreamObject, entries, stream_data);
  size_t startxref = xref_offset;
  if ((flags & kXRefHybrid) != 0) {
    startxref = file.size();
    file += "xref\n0 1\n0000000000 65535 f \ntrailer\n<< /Size " + std::to_string(size) +
            " /Root 1 0 R /XRefStm " + std::to_string(xref_offset) + " >>\n";
  }
  file += "startxref\n" + std::to_string(startxref) + "\n%%EOF\n";
  return file;
}

std::string ObjectStreamFile(std::span<const uint8_t> input) {
  if (input.size() < kObjectStreamHeaderBytes) {
    return {};
  }
  const int count = input[0];
  const int first = input[1] << 8 | input[2];
  const uint8_t flags = input[3];
  const std::span<const uint8_t> data = input.subspan(kObjectStreamHeaderBytes);
  const int extends = flags & kObjStmExtendsMask;

  std::string file(kHeader);
  int32_t offsets[14] = {};
  offsets[11] = static_cast<int32_t>(file.size());
  const std::string info = "<< /Title (Extended) /Producer (fuzz) >>";
  AppendStream(&file, 11,
               std::string("/Type /ObjStm /N 1 /First 4") +
                   (extends == kObjStmExtendsCycle ? " /Extends 10 0 R" : ""),
               "5 0 " + info);
  offsets[12] = static_cast<int32_t>(file.size());
  AppendStream(&file, 12, "", "BT /F1 12 Tf 72 720 Td (Objects) Tj ET");
  offsets[10] = static_cast<int32_t>(file.size());
  std::string entries = (flags & kObjStmNoType) != 0 ? "" : "/Type /ObjStm ";
  entries += "/N " + std::to_string(count) + " /First " + std::to_string(first);
  if (extends == kObjStmExtendsOther || extends == kObjStmExtendsCycle) {
    entries += " /Extends 11 0 R";
  } else if (extends == kObjStmExtendsSelf) {
    entries += " /Extends 10 0 R";
  }
  std::string stream_data = Text(data);
  if ((flags & kObjStmFlate) != 0) {
    entries += " /Filter /FlateDecode";
    stream_data = DeflateFast(data);
  }
  if ((flags & kObjStmLengthRef) != 0) {
    // The Length is resolved while the stream itself is being decoded.
    file += "10 0 obj\n<< " + entries + " /Length 3 0 R >>\nstream\n" + stream_data +
            "\nendstream\nendobj\n";
  } else {
    AppendStream(&file, 10, entries, stream_data);
  }
  offsets[13] = static_cast<int32_t>(file.size());

  // W [1 4 2]: object 0 free, 1 to 9 compressed in stream 10 at positions 0 to
  // 8, 10 to 13 uncompressed.
  std::string xref;
  auto put = [&xref](int type, uint32_t second, int third) {
    xref += static_cast<char>(type);
    for (int shift = 24; shift >= 0; shift -= 8) {
      xref += static_cast<char>(second >> shift & 0xFF);
    }
    xref += static_cast<char>(third >> 8 & 0xFF);
    xref += static_cast<char>(third & 0xFF);
  };
  put(0, 0, 65535);
  for (int number = 1; number <= 9; ++number) {
    put(2, 10, number - 1);
  }
  for (int number = 10; number <= 13; ++number) {
    put(1, static_cast<uint32_t>(offsets[number]), 0);
  }
  AppendStream(&file, 13, "/Type /XRef /W [1 4 2] /Size 14 /Root 1 0 R /Info 5 0 R", xref);
  file += "startxref\n" + std::to_string(offsets[13]) + "\n%%EOF\n";
  return file;
}

ColorFunctionInput SplitColorFunctionInput(std::span<const uint8_t> input) {
  ColorFunctionInput parts;
  if (input.size() < kColorFunctionHeaderBytes) {
    return parts;
  }
  size_t object = static_cast<size_t>(input[0] << 8 | input[1]);
  size_t entries = static_cast<size_t>(input[2] << 8 | input[3]);
  std::span<const uint8_t> rest = input.subspan(kColorFunctionHeaderBytes);
  object = std::min(object, rest.size());
  parts.object = Text(rest.first(object));
  rest = rest.subspan(object);
  entries = std::min(entries, rest.size());
  parts.entries = Text(rest.first(entries));
  parts.data = Text(rest.subspan(entries));
  return parts;
}

std::string JoinColorFunctionInput(const ColorFunctionInput& parts) {
  const auto be16 = [](size_t n) {
    return std::string{static_cast<char>(n >> 8 & 0xff), static_cast<char>(n & 0xff)};
  };
  return be16(parts.object.size()) + be16(parts.entries.size()) + parts.object + parts.entries +
         parts.data;
}

std::string ColorFunctionFile(std::span<const uint8_t> input) {
  if (input.size() < kColorFunctionHeaderBytes) {
    return {};
  }
  const ColorFunctionInput parts = SplitColorFunctionInput(input);
  return ClassicFile({"", parts.object,
                      "<< " + parts.entries + " /Length " + std::to_string(parts.data.size()) +
                          " >>\nstream\n" + parts.data + "\nendstream",
                      "<< /Type /Catalog /Pages 4 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"},
                     "/Root 3 0 R");
}
