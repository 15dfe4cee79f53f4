#include "data/query.h"

#include <charconv>
#include <set>
#include <unordered_map>

#include "data/collation.h"
#include "util/error.h"

namespace generatesheet {

namespace {

struct Token {
  enum class Kind { kName, kNumber, kString, kSymbol, kEnd } kind;
  std::string text;  // names and numbers as written; strings unquoted
  bool bracketed = false;
  std::size_t position = 0;
};

const std::set<std::string>& ReservedWords() {
  static const std::set<std::string> words = {
      "select", "top",  "from", "where",   "and",      "or",    "not",   "order",  "by",
      "asc",    "desc", "null", "is",      "like",     "in",    "group", "having", "union",
      "join",   "on",   "as",   "between", "distinct", "inner", "left",  "right"};
  return words;
}

bool IsNameStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}
bool IsNamePart(unsigned char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

Literal TextLiteral(std::string content) {
  std::string source = "'" + content + "'";
  return Literal{Value::Text(std::move(content)), std::move(source)};
}

// A number as written, with its sign: an integer when it fits, else a double.
Literal NumberLiteral(std::string digits) {
  long long integer = 0;
  auto r = std::from_chars(digits.data(), digits.data() + digits.size(), integer);
  if (r.ec == std::errc() && r.ptr == digits.data() + digits.size()) {
    return Literal{Value::Integer(integer), std::move(digits)};
  }
  double real = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), real);
  return Literal{Value::Double(real), std::move(digits)};
}

// "top n" takes a whole number of at least 1.
std::optional<long long> TopCount(std::string_view digits) {
  long long top = 0;
  auto r = std::from_chars(digits.data(), digits.data() + digits.size(), top);
  if (r.ec != std::errc() || r.ptr != digits.data() + digits.size() || top < 1) return {};
  return top;
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  Query Parse() {
    Tokenize();
    Query q;
    q.text = std::string(text_);
    ExpectKeyword("select");
    if (IsKeyword("top")) {
      Next();
      const Token& n = Expect(Token::Kind::kNumber);
      q.top = TopCount(n.text);
      if (!q.top) Fail(n);
    }
    do {
      q.items.push_back(ParseItem());
    } while (Accept(","));
    ExpectKeyword("from");
    do {
      q.tables.push_back(ParseName());
    } while (Accept(","));
    if (IsKeyword("where")) {
      Next();
      do {
        Condition c;
        c.left = ParseOperand();
        ExpectSymbol("=");
        c.right = ParseOperand();
        q.where.push_back(std::move(c));
      } while (AcceptKeyword("and"));
    }
    if (IsKeyword("order")) {
      Next();
      ExpectKeyword("by");
      q.order_by = ParseColumnRef();
      if (AcceptKeyword("desc")) {
        q.descending = true;
      } else {
        AcceptKeyword("asc");
      }
    }
    Accept(";");
    if (Peek().kind != Token::Kind::kEnd) Fail(Peek());
    return q;
  }

 private:
  [[noreturn]] void Fail(const Token& at) const {
    throw Error("查询语句语法错误（第 " + std::to_string(at.position + 1) + " 个字符附近）：" +
                std::string(text_));
  }

  void Tokenize() {
    std::size_t i = 0;
    while (i < text_.size()) {
      unsigned char c = text_[i];
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        ++i;
        continue;
      }
      Token t;
      t.position = i;
      if (c == '\'') {
        t.kind = Token::Kind::kString;
        ++i;
        for (;;) {
          if (i >= text_.size()) {
            t.position = text_.size();
            Fail(t);  // unterminated literal
          }
          if (text_[i] == '\'') {
            if (i + 1 < text_.size() && text_[i + 1] == '\'') {
              t.text += '\'';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          t.text += text_[i++];
        }
      } else if (c == '[') {
        std::size_t close = text_.find(']', i + 1);
        if (close == std::string_view::npos || close == i + 1) Fail(t);
        t.kind = Token::Kind::kName;
        t.bracketed = true;
        t.text = std::string(text_.substr(i + 1, close - i - 1));
        i = close + 1;
      } else if (IsNameStart(c)) {
        t.kind = Token::Kind::kName;
        while (i < text_.size() && IsNamePart(text_[i])) t.text += text_[i++];
      } else if (IsDigit(c)) {
        t.kind = Token::Kind::kNumber;
        while (i < text_.size() && IsDigit(text_[i])) t.text += text_[i++];
        if (i + 1 < text_.size() && text_[i] == '.' && IsDigit(text_[i + 1])) {
          t.text += text_[i++];
          while (i < text_.size() && IsDigit(text_[i])) t.text += text_[i++];
        }
        if (i < text_.size() && IsNamePart(text_[i])) Fail(t);  // "5abc"
      } else if (c == '=' || c == ',' || c == '.' || c == '*' || c == ';' || c == '-') {
        t.kind = Token::Kind::kSymbol;
        t.text = std::string(1, static_cast<char>(c));
        ++i;
      } else {
        Fail(t);
      }
      tokens_.push_back(std::move(t));
    }
    Token end;
    end.kind = Token::Kind::kEnd;
    end.position = text_.size();
    tokens_.push_back(end);
  }

  const Token& Peek(std::size_t ahead = 0) const {
    return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)];
  }
  const Token& Next() {
    const Token& t = Peek();
    if (pos_ + 1 < tokens_.size()) ++pos_;
    return t;
  }
  bool IsKeyword(const char* word, std::size_t ahead = 0) const {
    const Token& t = Peek(ahead);
    return t.kind == Token::Kind::kName && !t.bracketed && EqualsFolded(t.text, word);
  }
  bool AcceptKeyword(const char* word) {
    if (!IsKeyword(word)) return false;
    Next();
    return true;
  }
  void ExpectKeyword(const char* word) {
    if (!AcceptKeyword(word)) Fail(Peek());
  }
  bool IsSymbol(const char* s, std::size_t ahead = 0) const {
    const Token& t = Peek(ahead);
    return t.kind == Token::Kind::kSymbol && t.text == s;
  }
  bool Accept(const char* s) {
    if (!IsSymbol(s)) return false;
    Next();
    return true;
  }
  void ExpectSymbol(const char* s) {
    if (!Accept(s)) Fail(Peek());
  }
  const Token& Expect(Token::Kind kind) {
    if (Peek().kind != kind) Fail(Peek());
    return Next();
  }

  std::string ParseName() {
    const Token& t = Peek();
    if (t.kind != Token::Kind::kName) Fail(t);
    if (!t.bracketed && ReservedWords().count(FoldCase(t.text))) Fail(t);
    return Next().text;
  }

  ColumnRef ParseColumnRef() {
    ColumnRef ref;
    ref.column = ParseName();
    if (Accept(".")) {
      ref.table = std::move(ref.column);
      ref.column = ParseName();
    }
    return ref;
  }

  SelectItem ParseItem() {
    if (Accept("*")) return {SelectItem::Kind::kAll, {}};
    if (Peek().kind == Token::Kind::kName && IsSymbol(".", 1) && IsSymbol("*", 2)) {
      std::string table = ParseName();
      Next();
      Next();
      return {SelectItem::Kind::kTableAll, {table, ""}};
    }
    return {SelectItem::Kind::kColumn, ParseColumnRef()};
  }

  Operand ParseOperand() {
    const Token& t = Peek();
    if (t.kind == Token::Kind::kString) {
      Next();
      return TextLiteral(t.text);
    }
    bool negative = false;
    if (IsSymbol("-")) {
      negative = true;
      Next();
    }
    if (Peek().kind == Token::Kind::kNumber) {
      return NumberLiteral((negative ? "-" : "") + Next().text);
    }
    if (negative) Fail(Peek());
    return ParseColumnRef();
  }

  std::string_view text_;
  std::vector<Token> tokens_;
  std::size_t pos_ = 0;
};

// A query with its literals taken out: the text with every quoted literal
// and every number replaced by a mark, and the literals as written.  Queries
// of one shape differ only in their literals, so one parse serves them all.
struct Shape {
  std::string key;
  std::vector<std::string_view> literals;
};

constexpr char kTextMark = '\x01';
constexpr char kNumberMark = '\x02';

// Splits `text` the way the parser's tokenizer does.  False for anything
// the tokenizer would refuse: such a query is parsed in full, which
// reports the fault.
bool ScanShape(std::string_view text, Shape* shape) {
  shape->key.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = text[i];
    std::size_t end = i + 1;
    if (c == '\'') {
      for (;; ++end) {
        if (end >= text.size()) return false;
        if (text[end] != '\'') continue;
        if (end + 1 < text.size() && text[end + 1] == '\'') {
          ++end;
          continue;
        }
        break;
      }
      shape->literals.push_back(text.substr(i + 1, end - i - 1));
      shape->key += kTextMark;
      i = end + 1;
      continue;
    }
    if (c == '[') {
      end = text.find(']', i + 1);
      if (end == std::string_view::npos || end == i + 1) return false;
      ++end;
    } else if (IsNameStart(c)) {
      while (end < text.size() && IsNamePart(text[end])) ++end;
    } else if (IsDigit(c)) {
      while (end < text.size() && IsDigit(text[end])) ++end;
      if (end + 1 < text.size() && text[end] == '.' && IsDigit(text[end + 1])) {
        end += 2;
        while (end < text.size() && IsDigit(text[end])) ++end;
      }
      if (end < text.size() && IsNamePart(text[end])) return false;
      shape->literals.push_back(text.substr(i, end - i));
      shape->key += kNumberMark;
      i = end;
      continue;
    }
    shape->key.append(text.substr(i, end - i));
    i = end;
  }
  return true;
}

// The literal of a quoted literal as written: its quotes doubled inside.
std::string Unquoted(std::string_view written) {
  std::string text;
  text.reserve(written.size());
  for (std::size_t i = 0; i < written.size(); ++i) {
    text += written[i];
    if (written[i] == '\'') ++i;
  }
  return text;
}

// `parsed` (a query of the same shape) with the literals of `shape`: the
// top count first, then the literal operands in order.  Nothing when a
// literal does not fit (a top count below 1).
std::optional<Query> Bind(const Query& parsed, const Shape& shape, std::string_view text) {
  Query q = parsed;
  q.text = std::string(text);
  std::size_t next = 0;
  if (q.top) {
    if (shape.literals.empty()) return {};
    q.top = TopCount(shape.literals[next++]);
    if (!q.top) return {};
  }
  for (Condition& c : q.where) {
    for (Operand* side : {&c.left, &c.right}) {
      Literal* literal = std::get_if<Literal>(side);
      if (literal == nullptr) continue;
      if (next >= shape.literals.size()) return {};
      std::string_view written = shape.literals[next++];
      if (literal->value.kind() == Value::Kind::kText) {
        *literal = TextLiteral(Unquoted(written));
      } else {
        const bool negative = literal->source[0] == '-';
        *literal = NumberLiteral((negative ? "-" : "") + std::string(written));
      }
    }
  }
  return q;
}

}  // namespace

Query ParseQuery(std::string_view text) {
  // Each thread keeps the shapes it has parsed; a run sends a handful.
  constexpr std::size_t kMaxShapes = 64;
  thread_local std::unordered_map<std::string, Query> parsed_shapes;
  Shape shape;
  if (!ScanShape(text, &shape)) return Parser(text).Parse();
  auto found = parsed_shapes.find(shape.key);
  if (found != parsed_shapes.end()) {
    if (std::optional<Query> q = Bind(found->second, shape, text)) return std::move(*q);
    return Parser(text).Parse();
  }
  Query q = Parser(text).Parse();
  if (parsed_shapes.size() >= kMaxShapes) parsed_shapes.clear();
  parsed_shapes.emplace(std::move(shape.key), q);
  return q;
}

}  // namespace generatesheet
