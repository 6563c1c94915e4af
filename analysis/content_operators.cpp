// Content stream syntax as far as a listing needs it:
//
//   stream   := { white | comment | token }
//   comment  := '%' up to the line end                      (dropped)
//   token    := number | name | string | hexstring | '[' | ']' | '<<' | '>>'
//             | '{' | '}' | keyword
//   keyword  := a run of regular characters that is no number; true, false and
//               null are operands, every other keyword is an operator
//   inline   := 'BI' { operand } 'ID' white data white 'EI'
//
// Operands gather until an operator ends the line. Nothing here recurses:
// arrays and dictionaries are brackets among the operands, so nesting depth
// costs nothing, and every loop advances through the data.
#include "analysis/content_operators.h"

#include <algorithm>
#include <string_view>

#include "pdf/chars.h"

namespace {

enum class Kind { kEnd, kOperand, kOpen, kClose, kOperator };

struct Token {
  Kind kind = Kind::kEnd;
  std::string text;
};

// NUL separates tokens in content streams as it does elsewhere in a file.
bool White(uint8_t c) {
  return c == 0 || pdf::IsWhite(static_cast<char>(c));
}
bool Regular(uint8_t c) {
  return !White(c) && !pdf::IsDelimiter(static_cast<char>(c));
}
bool Printable(uint8_t c) {
  return c >= 0x20 && c < 0x7F;
}

void AppendOctal(std::string& out, uint8_t c) {
  out += '\\';
  out += static_cast<char>('0' + ((c >> 6) & 7));
  out += static_cast<char>('0' + ((c >> 3) & 7));
  out += static_cast<char>('0' + (c & 7));
}

// A string byte as it can stand on one line of text.
void AppendStringByte(std::string& out, uint8_t c) {
  switch (c) {
    case '\n':
      out += "\\n";
      return;
    case '\r':
      out += "\\r";
      return;
    case '\t':
      out += "\\t";
      return;
    case '\b':
      out += "\\b";
      return;
    case '\f':
      out += "\\f";
      return;
    default:
      break;
  }
  if (Printable(c)) {
    out += static_cast<char>(c);
  } else {
    AppendOctal(out, c);
  }
}

// A name or keyword byte; bytes that are no text show as #xx, as names write
// them (escapes the file wrote stay as written).
void AppendRegularByte(std::string& out, uint8_t c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  if (Printable(c)) {
    out += static_cast<char>(c);
    return;
  }
  out += '#';
  out += kHex[c >> 4];
  out += kHex[c & 15];
}

class Scanner {
 public:
  explicit Scanner(std::span<const uint8_t> data) : data_(data) {}

  Token Next();
  // After ID: the inline image's data up to its EI. Returns the data's size
  // and whether an EI ended it.
  size_t SkipInlineData(bool* ended);

 private:
  bool AtEnd() const { return pos_ >= data_.size(); }
  uint8_t Peek(size_t ahead = 0) const {
    return pos_ + ahead < data_.size() ? data_[pos_ + ahead] : 0;
  }
  void SkipWhiteAndComments();
  Token LiteralString();
  Token HexString();
  Token Name();
  Token Keyword();

  std::span<const uint8_t> data_;
  size_t pos_ = 0;
};

void Scanner::SkipWhiteAndComments() {
  while (!AtEnd()) {
    if (White(data_[pos_])) {
      ++pos_;
    } else if (data_[pos_] == '%') {
      while (!AtEnd() && data_[pos_] != '\n' && data_[pos_] != '\r') {
        ++pos_;
      }
    } else {
      return;
    }
  }
}

Token Scanner::Next() {
  SkipWhiteAndComments();
  if (AtEnd()) {
    return {};
  }
  const uint8_t c = data_[pos_];
  switch (c) {
    case '(':
      return LiteralString();
    case '/':
      return Name();
    case '<':
      if (Peek(1) == '<') {
        pos_ += 2;
        return {Kind::kOpen, "<<"};
      }
      return HexString();
    case '>':
      if (Peek(1) == '>') {
        pos_ += 2;
        return {Kind::kClose, ">>"};
      }
      ++pos_;
      return {Kind::kOperand, ">"};  // stray: kept so that nothing vanishes
    case '[':
    case '{':
      ++pos_;
      return {Kind::kOpen, std::string(1, static_cast<char>(c))};
    case ']':
    case '}':
      ++pos_;
      return {Kind::kClose, std::string(1, static_cast<char>(c))};
    case ')':
      ++pos_;
      return {Kind::kOperand, ")"};
    default:
      return Keyword();
  }
}

// Written as the file has it, escapes and balanced parentheses included, with
// bytes that are no text escaped so that the string stays on its line.
Token Scanner::LiteralString() {
  Token token{Kind::kOperand, "("};
  ++pos_;
  int depth = 1;
  while (!AtEnd()) {
    const uint8_t c = data_[pos_++];
    if (c == '\\') {
      if (AtEnd()) {
        break;
      }
      const uint8_t next = data_[pos_++];
      if (next == '\r' || next == '\n') {
        // A backslash before a line end continues the string: no byte.
        if (next == '\r' && Peek() == '\n') {
          ++pos_;
        }
        continue;
      }
      if (token.text.size() >= kMaxOperandText) {
        continue;
      }
      if (Printable(next)) {
        token.text += '\\';
        token.text += static_cast<char>(next);
      } else {
        AppendStringByte(token.text, next);  // the backslash alone means nothing
      }
      continue;
    }
    if (c == '(') {
      ++depth;
    } else if (c == ')' && --depth == 0) {
      break;
    }
    if (token.text.size() < kMaxOperandText) {
      AppendStringByte(token.text, c);
    }
  }
  token.text += ')';
  return token;
}

// Hex digits without the white space between them.
Token Scanner::HexString() {
  Token token{Kind::kOperand, "<"};
  ++pos_;
  while (!AtEnd()) {
    const uint8_t c = data_[pos_++];
    if (c == '>') {
      break;
    }
    if (pdf::HasClass(static_cast<char>(c), pdf::kCharHex) && token.text.size() < kMaxOperandText) {
      token.text += static_cast<char>(c);
    }
  }
  token.text += '>';
  return token;
}

Token Scanner::Name() {
  Token token{Kind::kOperand, "/"};
  ++pos_;
  while (!AtEnd() && Regular(data_[pos_])) {
    AppendRegularByte(token.text, data_[pos_++]);
  }
  return token;
}

Token Scanner::Keyword() {
  Token token{Kind::kOperator, {}};
  const uint8_t first = data_[pos_];
  while (!AtEnd() && Regular(data_[pos_])) {
    AppendRegularByte(token.text, data_[pos_++]);
  }
  if (pdf::HasClass(static_cast<char>(first), pdf::kCharNumberStart) || token.text == "true" ||
      token.text == "false" || token.text == "null") {
    token.kind = Kind::kOperand;
  }
  return token;
}

size_t Scanner::SkipInlineData(bool* ended) {
  // One white-space byte separates ID from the data.
  if (!AtEnd() && White(data_[pos_])) {
    ++pos_;
  }
  const size_t start = pos_;
  // EI stands alone: white space before it (or nothing), and white space, a
  // delimiter or the end after it. Data that happen to hold such bytes end
  // early, as they do for every reader that has no length to go by.
  for (size_t i = start; i + 1 < data_.size(); ++i) {
    if (data_[i] != 'E' || data_[i + 1] != 'I') {
      continue;
    }
    const bool before = i == start || White(data_[i - 1]);
    const bool after = i + 2 == data_.size() || !Regular(data_[i + 2]);
    if (before && after) {
      pos_ = i + 2;
      *ended = true;
      return i > start ? i - start - 1 : 0;
    }
  }
  pos_ = data_.size();
  *ended = false;
  return data_.size() - start;
}

class Listing {
 public:
  explicit Listing(size_t max_lines) : max_lines_(max_lines) {}

  bool Full() const { return full_; }

  void AddOperand(const Token& token) {
    if (text_.size() >= kMaxOperandText) {
      cut_ = true;
      return;
    }
    const bool after_open = !text_.empty() && last_kind_ == Kind::kOpen;
    if (!text_.empty() && !after_open && token.kind != Kind::kClose) {
      text_ += ' ';
    }
    text_ += token.text;
    last_kind_ = token.kind;
  }

  void AddOperator(const std::string& name) {
    if (name == "Q" || name == "ET") {
      depth_ = std::max(depth_ - 1, 0);
    }
    Emit(name);
    if (name == "q" || name == "BT") {
      ++depth_;
    }
  }

  // Operands without an operator: the stream ended in the middle of a line.
  void Finish() {
    if (!text_.empty() || cut_) {
      Emit({});
    }
  }

  std::vector<std::string> Take() { return std::move(lines_); }

 private:
  void Emit(const std::string& tail) {
    if (full_) {
      return;
    }
    if (lines_.size() >= max_lines_) {
      lines_.push_back("... (stopped after " + std::to_string(max_lines_) + " lines)");
      full_ = true;
      return;
    }
    std::string line(static_cast<size_t>(std::min(depth_, kMaxOperatorIndent)) * 2, ' ');
    line += text_;
    if (cut_) {
      line += " ...";
    }
    if (!tail.empty()) {
      if (line.size() > static_cast<size_t>(std::min(depth_, kMaxOperatorIndent)) * 2) {
        line += ' ';
      }
      line += tail;
    }
    lines_.push_back(std::move(line));
    text_.clear();
    cut_ = false;
    last_kind_ = Kind::kEnd;
  }

  size_t max_lines_;
  std::vector<std::string> lines_;
  std::string text_;  // the operands so far
  Kind last_kind_ = Kind::kEnd;
  bool cut_ = false;
  bool full_ = false;
  int depth_ = 0;
};

void ListInlineImage(Scanner& scanner, Listing& listing) {
  listing.AddOperand({Kind::kOperand, "BI"});
  Token token;
  for (token = scanner.Next(); token.kind != Kind::kEnd; token = scanner.Next()) {
    if (token.kind == Kind::kOperator) {
      break;
    }
    listing.AddOperand(token);
  }
  if (token.kind != Kind::kOperator || token.text != "ID") {
    // No data follow: the image is as cut as its dictionary.
    listing.AddOperator("(inline image without ID)");
    if (token.kind == Kind::kOperator) {
      listing.AddOperator(token.text);
    }
    return;
  }
  bool ended = false;
  const size_t size = scanner.SkipInlineData(&ended);
  listing.AddOperand({Kind::kOperand, "ID ..."});
  listing.AddOperator(ended ? "EI (inline image, " + std::to_string(size) + " bytes)"
                            : "(inline image, " + std::to_string(size) + " bytes, no EI)");
}

}  // namespace

std::vector<std::string> FormatContentOperators(std::span<const uint8_t> data, size_t max_lines) {
  Scanner scanner(data);
  Listing listing(max_lines);
  for (Token token = scanner.Next(); token.kind != Kind::kEnd && !listing.Full();
       token = scanner.Next()) {
    if (token.kind != Kind::kOperator) {
      listing.AddOperand(token);
    } else if (token.text == "BI") {
      ListInlineImage(scanner, listing);
    } else {
      listing.AddOperator(token.text);
    }
  }
  listing.Finish();
  return listing.Take();
}
