// Type 4 PostScript calculator functions: the program is parsed once into a
// flat list of operators with relative jumps for if and ifelse, then run on a
// fixed stack of numbers and booleans for each evaluation.
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "color/color_bounds.h"
#include "color/function_parts.h"
#include "color/pdf_values.h"
#include "pdf/object.h"

namespace color {
namespace {

enum class Code : uint8_t {
  kPush,
  kJumpUnless,
  kJump,  // the compiler's own
  kAbs,
  kAdd,
  kAtan,
  kCeiling,
  kCos,
  kCvi,
  kCvr,
  kDiv,
  kExp,
  kFloor,
  kIdiv,
  kLn,
  kLog,
  kMod,
  kMul,
  kNeg,
  kRound,
  kSin,
  kSqrt,
  kSub,
  kTruncate,
  kAnd,
  kBitshift,
  kEq,
  kFalse,
  kGe,
  kGt,
  kLe,
  kLt,
  kNe,
  kNot,
  kOr,
  kTrue,
  kXor,
  kCopy,
  kDup,
  kExch,
  kIndex,
  kPop,
  kRoll,
};

constexpr struct {
  const char* name;
  Code code;
} kOperators[] = {
    {"abs", Code::kAbs},
    {"add", Code::kAdd},
    {"atan", Code::kAtan},
    {"ceiling", Code::kCeiling},
    {"cos", Code::kCos},
    {"cvi", Code::kCvi},
    {"cvr", Code::kCvr},
    {"div", Code::kDiv},
    {"exp", Code::kExp},
    {"floor", Code::kFloor},
    {"idiv", Code::kIdiv},
    {"ln", Code::kLn},
    {"log", Code::kLog},
    {"mod", Code::kMod},
    {"mul", Code::kMul},
    {"neg", Code::kNeg},
    {"round", Code::kRound},
    {"sin", Code::kSin},
    {"sqrt", Code::kSqrt},
    {"sub", Code::kSub},
    {"truncate", Code::kTruncate},
    {"and", Code::kAnd},
    {"bitshift", Code::kBitshift},
    {"eq", Code::kEq},
    {"false", Code::kFalse},
    {"ge", Code::kGe},
    {"gt", Code::kGt},
    {"le", Code::kLe},
    {"lt", Code::kLt},
    {"ne", Code::kNe},
    {"not", Code::kNot},
    {"or", Code::kOr},
    {"true", Code::kTrue},
    {"xor", Code::kXor},
    {"copy", Code::kCopy},
    {"dup", Code::kDup},
    {"exch", Code::kExch},
    {"index", Code::kIndex},
    {"pop", Code::kPop},
    {"roll", Code::kRoll},
};

enum class Kind : uint8_t { kInt, kReal, kBool };

struct Value {
  double number;
  Kind kind;
};

struct Op {
  Code code;
  Value value;       // kPush
  int32_t jump = 0;  // kJumpUnless, kJump: operators to skip
};

constexpr double kIntMin = std::numeric_limits<int32_t>::min();
constexpr double kIntMax = std::numeric_limits<int32_t>::max();

// An integer result stays an integer while it fits 32 bits, as in PostScript.
Value Number(double v, bool integer) {
  return {v, integer && v >= kIntMin && v <= kIntMax ? Kind::kInt : Kind::kReal};
}

class Parser {
 public:
  Parser(const std::vector<uint8_t>& text, std::string* error)
      : at_(reinterpret_cast<const char*>(text.data())), end_(at_ + text.size()), error_(error) {}

  // The whole program: one block, nothing but white space after it.
  bool Program(std::vector<Op>* ops) {
    std::string token;
    if (!Next(&token) || token != "{") {
      return Fail("the program does not start with {");
    }
    if (!Block(0, ops)) {
      return false;
    }
    if (Next(&token)) {
      return Fail("more after the program's closing }");
    }
    return true;
  }

 private:
  bool Fail(std::string why) {
    if (error_->empty()) {
      *error_ = std::move(why);
    }
    return false;
  }

  // The next token: "{", "}", or a run of regular characters; false at the end.
  bool Next(std::string* token) {
    for (;;) {
      while (at_ < end_ && IsSpace(*at_)) {
        ++at_;
      }
      if (at_ < end_ && *at_ == '%') {
        while (at_ < end_ && *at_ != '\n' && *at_ != '\r') {
          ++at_;
        }
        continue;
      }
      break;
    }
    if (at_ >= end_) {
      return false;
    }
    const char* first = at_;
    if (*at_ == '{' || *at_ == '}') {
      ++at_;
    } else {
      while (at_ < end_ && !IsSpace(*at_) && *at_ != '{' && *at_ != '}' && *at_ != '%') {
        ++at_;
      }
    }
    token->assign(first, at_);
    return true;
  }

  static bool IsSpace(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
  }

  // The operators of a block up to its "}", appended to `ops`.
  bool Block(int depth, std::vector<Op>* ops) {
    if (depth >= kMaxCalculatorBlocks) {
      return Fail("blocks nest more than " + std::to_string(kMaxCalculatorBlocks) + " deep");
    }
    std::vector<std::vector<Op>> pending;  // blocks waiting for their if or ifelse
    std::string token;
    while (Next(&token)) {
      if (token == "}") {
        return pending.empty() || Fail("a block without if or ifelse");
      }
      if (token == "{") {
        if (pending.size() == 2) {
          return Fail("three blocks in a row");
        }
        pending.emplace_back();
        if (!Block(depth + 1, &pending.back())) {
          return false;
        }
        continue;
      }
      if (token == "if" || token == "ifelse") {
        const size_t wanted = token == "if" ? 1 : 2;
        if (pending.size() != wanted) {
          return Fail(token + " without " + (wanted == 1 ? "one block" : "two blocks"));
        }
        std::vector<Op>& first = pending[0];
        const int32_t skip = static_cast<int32_t>(first.size()) + (wanted == 2 ? 1 : 0);
        if (!Emit(ops, {Code::kJumpUnless, {}, skip})) {
          return false;
        }
        for (const Op& op : first) {
          if (!Emit(ops, op)) {
            return false;
          }
        }
        if (wanted == 2) {
          if (!Emit(ops, {Code::kJump, {}, static_cast<int32_t>(pending[1].size())})) {
            return false;
          }
          for (const Op& op : pending[1]) {
            if (!Emit(ops, op)) {
              return false;
            }
          }
        }
        pending.clear();
        continue;
      }
      if (!pending.empty()) {
        return Fail("a block without if or ifelse");
      }
      Op op{};
      if (!Operator(token, &op)) {
        return false;
      }
      if (!Emit(ops, op)) {
        return false;
      }
    }
    return Fail("the program ends inside a block");
  }

  bool Emit(std::vector<Op>* ops, const Op& op) {
    if (++emitted_ > kMaxCalculatorOps) {
      return Fail("more than " + std::to_string(kMaxCalculatorOps) + " operators");
    }
    ops->push_back(op);
    return true;
  }

  bool Operator(const std::string& token, Op* op) {
    for (const auto& known : kOperators) {
      if (token == known.name) {
        op->code = known.code;
        return true;
      }
    }
    // A number: an integer unless it has a point or an exponent.
    char* stop = nullptr;
    const double value = std::strtod(token.c_str(), &stop);
    const bool numeric = !token.empty() && stop == token.c_str() + token.size() &&
                         std::isfinite(value) &&
                         token.find_first_of("xXnN") == std::string::npos;  // no hex, inf, nan
    if (!numeric) {
      return Fail("unknown operator " + token.substr(0, 40));
    }
    op->code = Code::kPush;
    op->value = Number(value, token.find_first_of(".eE") == std::string::npos);
    return true;
  }

  const char* at_;
  const char* end_;
  std::string* error_;
  size_t emitted_ = 0;  // over all blocks, the nested ones counted as they come
};

class CalculatorFunction : public ClippedFunction {
 public:
  CalculatorFunction(std::vector<float> domain, std::vector<float> range, std::vector<Op> ops)
      : ClippedFunction(std::move(domain), std::move(range)), ops_(std::move(ops)) {}

 protected:
  void Compute(const float* in, float* out) const override {
    std::array<Value, kMaxCalculatorStack> stack;
    int size = 0;
    for (int i = 0; i < inputs_; ++i) {
      stack[size++] = {in[i], Kind::kReal};
    }
    // A program that fails (an operand missing or of the wrong kind, the
    // stack full, a division by zero) gives the low end of each output.
    const bool ran = Run(stack.data(), &size);
    for (int j = 0; j < outputs_; ++j) {
      const int at = size - outputs_ + j;
      out[j] = ran && at >= 0 ? static_cast<float>(stack[at].number) : range_[2 * j];
    }
  }

 private:
  bool Run(Value* s, int* size_io) const {
    int n = *size_io;
    // Operand checks: `need` values present, `room` more can be pushed.
    auto need = [&](int count) { return n >= count; };
    auto numeric = [&](int count) {
      for (int i = 1; i <= count; ++i) {
        if (s[n - i].kind == Kind::kBool) {
          return false;
        }
      }
      return true;
    };
    auto integers = [&](int count) {
      for (int i = 1; i <= count; ++i) {
        if (s[n - i].kind != Kind::kInt) {
          return false;
        }
      }
      return true;
    };
    const size_t count = ops_.size();
    for (size_t pc = 0; pc < count; ++pc) {
      const Op& op = ops_[pc];
      switch (op.code) {
        case Code::kPush:
        case Code::kTrue:
        case Code::kFalse:
          if (n >= kMaxCalculatorStack) {
            return false;
          }
          s[n++] = op.code == Code::kPush ? op.value
                                          : Value{op.code == Code::kTrue ? 1.0 : 0.0, Kind::kBool};
          break;
        case Code::kJumpUnless:
          if (!need(1) || s[n - 1].kind != Kind::kBool) {
            return false;
          }
          if (s[--n].number == 0.0) {
            pc += static_cast<size_t>(op.jump);
          }
          break;
        case Code::kJump:
          pc += static_cast<size_t>(op.jump);
          break;
        case Code::kAdd:
        case Code::kSub:
        case Code::kMul: {
          if (!need(2) || !numeric(2)) {
            return false;
          }
          const Value a = s[n - 2];
          const Value b = s[n - 1];
          const double r = op.code == Code::kAdd   ? a.number + b.number
                           : op.code == Code::kSub ? a.number - b.number
                                                   : a.number * b.number;
          s[n - 2] = Number(r, a.kind == Kind::kInt && b.kind == Kind::kInt);
          --n;
          break;
        }
        case Code::kDiv:
          if (!need(2) || !numeric(2) || s[n - 1].number == 0.0) {
            return false;
          }
          s[n - 2] = {s[n - 2].number / s[n - 1].number, Kind::kReal};
          --n;
          break;
        case Code::kIdiv:
        case Code::kMod: {
          if (!need(2) || !integers(2) || s[n - 1].number == 0.0) {
            return false;
          }
          const int64_t a = static_cast<int64_t>(s[n - 2].number);
          const int64_t b = static_cast<int64_t>(s[n - 1].number);
          s[n - 2] = Number(static_cast<double>(op.code == Code::kIdiv ? a / b : a % b), true);
          --n;
          break;
        }
        case Code::kAtan: {
          if (!need(2) || !numeric(2)) {
            return false;
          }
          const double num = s[n - 2].number;
          const double den = s[n - 1].number;
          if (num == 0.0 && den == 0.0) {
            return false;
          }
          double degrees = std::atan2(num, den) * 180.0 / M_PI;
          if (degrees < 0) {
            degrees += 360.0;
          }
          s[n - 2] = {degrees, Kind::kReal};
          --n;
          break;
        }
        case Code::kExp: {
          if (!need(2) || !numeric(2)) {
            return false;
          }
          const double r = std::pow(s[n - 2].number, s[n - 1].number);
          if (!std::isfinite(r)) {
            return false;
          }
          s[n - 2] = {r, Kind::kReal};
          --n;
          break;
        }
        case Code::kAbs:
        case Code::kNeg:
        case Code::kCeiling:
        case Code::kFloor:
        case Code::kRound:
        case Code::kTruncate: {
          if (!need(1) || !numeric(1)) {
            return false;
          }
          Value& v = s[n - 1];
          const bool integer = v.kind == Kind::kInt;
          double r = v.number;
          switch (op.code) {
            case Code::kAbs:
              r = std::fabs(r);
              break;
            case Code::kNeg:
              r = -r;
              break;
            case Code::kCeiling:
              r = std::ceil(r);
              break;
            case Code::kFloor:
              r = std::floor(r);
              break;
            case Code::kRound:
              r = std::floor(r + 0.5);
              break;
            default:
              r = std::trunc(r);
              break;
          }
          v = integer ? Number(r, true) : Value{r, Kind::kReal};
          break;
        }
        case Code::kSqrt:
        case Code::kSin:
        case Code::kCos:
        case Code::kLn:
        case Code::kLog:
        case Code::kCvr: {
          if (!need(1) || !numeric(1)) {
            return false;
          }
          const double x = s[n - 1].number;
          double r = x;
          switch (op.code) {
            case Code::kSqrt:
              r = x >= 0 ? std::sqrt(x) : NAN;
              break;
            case Code::kSin:
              r = std::sin(std::fmod(x, 360.0) * M_PI / 180.0);
              break;
            case Code::kCos:
              r = std::cos(std::fmod(x, 360.0) * M_PI / 180.0);
              break;
            case Code::kLn:
              r = x > 0 ? std::log(x) : NAN;
              break;
            case Code::kLog:
              r = x > 0 ? std::log10(x) : NAN;
              break;
            default:
              break;
          }
          if (std::isnan(r)) {
            return false;
          }
          s[n - 1] = {r, Kind::kReal};
          break;
        }
        case Code::kCvi: {
          if (!need(1) || !numeric(1)) {
            return false;
          }
          const double r = std::trunc(s[n - 1].number);
          if (r < kIntMin || r > kIntMax) {
            return false;
          }
          s[n - 1] = {r, Kind::kInt};
          break;
        }
        case Code::kEq:
        case Code::kNe: {
          if (!need(2)) {
            return false;
          }
          const Value a = s[n - 2];
          const Value b = s[n - 1];
          const bool same_kind = (a.kind == Kind::kBool) == (b.kind == Kind::kBool);
          const bool equal = same_kind && a.number == b.number;
          s[n - 2] = {(op.code == Code::kEq) == equal ? 1.0 : 0.0, Kind::kBool};
          --n;
          break;
        }
        case Code::kGe:
        case Code::kGt:
        case Code::kLe:
        case Code::kLt: {
          if (!need(2) || !numeric(2)) {
            return false;
          }
          const double a = s[n - 2].number;
          const double b = s[n - 1].number;
          const bool r = op.code == Code::kGe   ? a >= b
                         : op.code == Code::kGt ? a > b
                         : op.code == Code::kLe ? a <= b
                                                : a < b;
          s[n - 2] = {r ? 1.0 : 0.0, Kind::kBool};
          --n;
          break;
        }
        case Code::kAnd:
        case Code::kOr:
        case Code::kXor: {
          if (!need(2)) {
            return false;
          }
          const Value a = s[n - 2];
          const Value b = s[n - 1];
          if (a.kind == Kind::kBool && b.kind == Kind::kBool) {
            const bool x = a.number != 0.0;
            const bool y = b.number != 0.0;
            const bool r = op.code == Code::kAnd ? x && y : op.code == Code::kOr ? x || y : x != y;
            s[n - 2] = {r ? 1.0 : 0.0, Kind::kBool};
          } else if (a.kind == Kind::kInt && b.kind == Kind::kInt) {
            const int32_t x = static_cast<int32_t>(a.number);
            const int32_t y = static_cast<int32_t>(b.number);
            const int32_t r = op.code == Code::kAnd ? x & y : op.code == Code::kOr ? x | y : x ^ y;
            s[n - 2] = {static_cast<double>(r), Kind::kInt};
          } else {
            return false;
          }
          --n;
          break;
        }
        case Code::kNot: {
          if (!need(1) || s[n - 1].kind == Kind::kReal) {
            return false;
          }
          Value& v = s[n - 1];
          v.number = v.kind == Kind::kBool ? (v.number != 0.0 ? 0.0 : 1.0)
                                           : static_cast<double>(~static_cast<int32_t>(v.number));
          break;
        }
        case Code::kBitshift: {
          if (!need(2) || !integers(2)) {
            return false;
          }
          const uint32_t x = static_cast<uint32_t>(static_cast<int32_t>(s[n - 2].number));
          const int shift = static_cast<int>(s[n - 1].number);
          uint32_t r = 0;
          if (shift >= 0 && shift < 32) {
            r = x << shift;
          } else if (shift < 0 && shift > -32) {
            r = x >> -shift;
          }
          s[n - 2] = {static_cast<double>(static_cast<int32_t>(r)), Kind::kInt};
          --n;
          break;
        }
        case Code::kDup:
          if (!need(1) || n >= kMaxCalculatorStack) {
            return false;
          }
          s[n] = s[n - 1];
          ++n;
          break;
        case Code::kExch:
          if (!need(2)) {
            return false;
          }
          std::swap(s[n - 1], s[n - 2]);
          break;
        case Code::kPop:
          if (!need(1)) {
            return false;
          }
          --n;
          break;
        case Code::kCopy: {
          if (!need(1) || !integers(1)) {
            return false;
          }
          const int k = static_cast<int>(s[n - 1].number);
          --n;
          if (k < 0 || k > n || n + k > kMaxCalculatorStack) {
            return false;
          }
          for (int i = 0; i < k; ++i) {
            s[n + i] = s[n - k + i];
          }
          n += k;
          break;
        }
        case Code::kIndex: {
          if (!need(1) || !integers(1)) {
            return false;
          }
          const int k = static_cast<int>(s[n - 1].number);
          if (k < 0 || k >= n - 1) {
            return false;
          }
          s[n - 1] = s[n - 2 - k];
          break;
        }
        case Code::kRoll: {
          if (!need(2) || !integers(2)) {
            return false;
          }
          const int k = static_cast<int>(s[n - 2].number);
          const int j = static_cast<int>(s[n - 1].number);
          n -= 2;
          if (k < 0 || k > n) {
            return false;
          }
          if (k > 0) {
            const int shift = ((j % k) + k) % k;  // positive j rolls towards the top
            std::rotate(s + n - k, s + n - shift, s + n);
          }
          break;
        }
      }
    }
    *size_io = n;
    return true;
  }

  std::vector<Op> ops_;
};

}  // namespace

std::unique_ptr<Function> LoadCalculator(pdf::Object* stream, std::vector<float> domain,
                                         std::vector<float> range, const LoadContext& context) {
  if (!stream->IsStream() || range.empty()) {
    context.Note("type 4 function: not a stream, or Range missing");
    return nullptr;
  }
  if (domain.size() / 2 > static_cast<size_t>(kMaxCalculatorStack)) {
    context.Note("type 4 function: more inputs than the stack holds");
    return nullptr;
  }
  std::vector<uint8_t> text;
  std::string error;
  if (!StreamBytes(stream, context.decoder, kMaxSmallStreamBytes, &text, &error)) {
    context.Note("type 4 function: the program cannot be decoded (" + error + ")");
    return nullptr;
  }
  error.clear();
  std::vector<Op> ops;
  if (!Parser(text, &error).Program(&ops)) {
    context.Note("type 4 function: " + error);
    return nullptr;
  }
  return std::make_unique<CalculatorFunction>(std::move(domain), std::move(range), std::move(ops));
}

}  // namespace color
