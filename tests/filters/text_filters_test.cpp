// ASCIIHexDecode, ASCII85Decode and RunLengthDecode against Ghostscript's
// PostScript encoders of the same names, an independent implementation; and
// the slips readers forgive.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "filters/filter_chain.h"
#include "tests/filters/image_fixture.h"
#include "tests/support/synthetic_data.h"

namespace {

std::string AsText(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

// `data` through Ghostscript's PostScript encode filter `filter` (with its
// operands before it, such as "0" for RunLengthEncode's record size).
std::string GhostscriptEncode(const std::string& data, const std::string& filter) {
  char dir[] = "/tmp/quorvel-gs-XXXXXX";
  if (mkdtemp(dir) == nullptr)
    return "";
  const std::string in = std::string(dir) + "/in.bin";
  const std::string out = std::string(dir) + "/out.bin";
  std::ofstream(in, std::ios::binary) << data;
  const std::string program =
      "/in (" + in + ") (r) file def /out (" + out + ") (w) file " + filter +
      " filter def { in 65536 string readstring exch out exch writestring not {exit} if } loop "
      "out closefile quit";
  const std::string command = std::string(GS_EXE) + " -q -dNODISPLAY -dNOSAFER -dBATCH -c '" +
                              program + "' >/dev/null 2>&1";
  std::string encoded;
  if (std::system(command.c_str()) == 0)
    encoded = ReadBytes(out);
  std::system(("rm -rf '" + std::string(dir) + "'").c_str());
  return encoded;
}

class TextFiltersTest : public ImageTest {
 protected:
  struct Result {
    bool ok;
    std::string out;
    std::string error;
  };
  Result Decode(const std::string& raw, const char* filter, size_t limit = 1 << 24) {
    pdf::Dictionary* stream = Stream(raw);
    stream->Set("Filter", Name(filter));
    std::vector<uint8_t> out;
    Result r{false, "", ""};
    r.ok = DecodeStreamFully(stream, limit, &out, &r.error);
    r.out.assign(out.begin(), out.end());
    return r;
  }
};

TEST_F(TextFiltersTest, DecodeWhatGhostscriptEncodes) {
  std::string binary;
  for (int i = 0; i < 70000; ++i)
    binary += static_cast<char>((i * 7919) >> (i % 5));
  const std::string runs = std::string(300, 'a') + "abcabc" + std::string(1000, '\0') + "x";
  const std::string samples[] = {"",
                                 "a",
                                 "ab",
                                 "abc",
                                 "abcd",
                                 "abcde",
                                 std::string(4, '\0'),
                                 AsText(MakeContentText(30000, 3)),
                                 binary,
                                 runs};
  struct Filter {
    const char* decode;
    const char* encode;
  };
  const Filter filters[] = {{"ASCIIHexDecode", "/ASCIIHexEncode"},
                            {"ASCII85Decode", "/ASCII85Encode"},
                            {"RunLengthDecode", "0 /RunLengthEncode"}};
  for (const Filter& filter : filters) {
    for (const std::string& data : samples) {
      SCOPED_TRACE(std::string(filter.decode) + " of " + std::to_string(data.size()) + " bytes");
      const std::string encoded = GhostscriptEncode(data, filter.encode);
      ASSERT_FALSE(encoded.empty());
      const Result r = Decode(encoded, filter.decode);
      EXPECT_TRUE(r.ok) << r.error;
      EXPECT_EQ(r.error, "");
      EXPECT_EQ(r.out, data);
    }
  }
}

TEST_F(TextFiltersTest, SlipsForgivenAndDamageReported) {
  struct Case {
    const char* name;
    const char* filter;
    std::string raw;
    bool ok;
    std::string out;
    std::string error;
  };
  const Case cases[] = {
      {"hex with blanks, no end", "ASCIIHexDecode", "48 65\n6C6c 6F", true, "Hello", ""},
      {"hex odd digit", "ASCIIHexDecode", "4865 7>", true, "Hep", ""},
      {"hex damage", "ASCIIHexDecode", "4865xx", true, "He",
       "ASCIIHexDecode: a byte that is no hexadecimal digit (0x78) after 2 bytes"},
      {"85 with <~ and no ~>", "ASCII85Decode", "<~87cURD]i,\"Ebo80", true, "Hello World!", ""},
      {"85 z", "ASCII85Decode", "z!!~>", true, std::string(4, '\0') + '\0', ""},
      {"85 outside the alphabet", "ASCII85Decode", "87cURv", true, "Hell",
       "ASCII85Decode: a byte outside the alphabet (0x76) after 4 bytes"},
      {"85 group beyond 32 bits", "ASCII85Decode", "s8W-\"~>", false, "",
       "ASCII85Decode: a group beyond 32 bits after 0 bytes"},
      {"run length cut inside a run", "RunLengthDecode",
       std::string("\x04"
                   "ab",
                   3),
       true, "ab", "RunLengthDecode: the data end inside a run, after 2 bytes"},
      {"run length without its end", "RunLengthDecode",
       std::string("\xfd"
                   "z",
                   2),
       true, "zzzz", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = Decode(c.raw, c.filter);
    EXPECT_EQ(r.ok, c.ok) << r.error;
    EXPECT_EQ(r.error, c.error);
    if (c.ok) {
      EXPECT_EQ(r.out, c.out);
    }
  }
}

TEST_F(TextFiltersTest, RunLengthBombStopsAtTheLimit) {
  // 3 bytes of input make 128 of output: a megabyte of them would make 42 MB.
  std::string bomb;
  for (int i = 0; i < 100000; ++i)
    bomb += std::string(
        "\x81"
        "z",
        2);
  const Result r = Decode(bomb, "RunLengthDecode", 1 << 20);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "RunLengthDecode: the data decode to more than 1048576 bytes");
}

TEST_F(TextFiltersTest, CryptIdentityPassesOthersNeedTheHandler) {
  pdf::Dictionary* identity = Stream("plain");
  identity->Set("Filter", Name("Crypt"));
  std::vector<uint8_t> out;
  std::string error;
  EXPECT_TRUE(DecodeStreamFully(identity, 100, &out, &error));
  EXPECT_EQ(std::string(out.begin(), out.end()), "plain");

  pdf::Dictionary* named = Stream("secret");
  named->Set("Filter", Name("Crypt"));
  auto* parms = new pdf::Dictionary(&doc_);
  parms->Set("Name", Name("StdCF"));
  named->Set("DecodeParms", parms);
  EXPECT_FALSE(DecodeStreamFully(named, 100, &out, &error));
  EXPECT_EQ(error, "Crypt: the crypt filter StdCF needs the document's security handler");
}

}  // namespace
