// Number tokens: short integers are converted digit by digit, everything else
// by the C library; both must give the very same double (bit for bit, so that
// the sign of zero is kept).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "diag/format.h"
#include "pdf/token.h"
#include "tests/pdf/object_dump.h"

namespace pdf {
namespace {

TEST(NumberValueTest, EveryFormGivesTheLibraryValue) {
  const char* const texts[] = {
      "0",
      "-0",
      "+0",
      "7",
      "-7",
      "+7",
      "0000000017",
      "2147483648",
      "-2147483649",
      "123456789012345",
      "-123456789012345",
      "1234567890123456",
      "99999999999999999999",
      "1.5",
      "-.5",
      "5.",
      "+",
      "-",
      ".",
      "0.",
      "00000000000000000000000000000000000001",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    Input input(text);
    const char* cursor = input.begin();
    Token token;
    ASSERT_TRUE(token.Next(&cursor, input.end()));
    ASSERT_EQ(token.type, TokenType::Number);
    // The library's reading of the same bytes, cut as the lexer cuts them.
    const std::string cut = std::string(text).substr(0, 31);
    const double expect = ParseDouble(cut.c_str(), nullptr);
    EXPECT_EQ(memcmp(&token.value, &expect, sizeof expect), 0) << token.value << " " << expect;
  }
}

}  // namespace
}  // namespace pdf
