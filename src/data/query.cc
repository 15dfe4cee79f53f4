#include "data/query.h"

#include <charconv>
#include <set>

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
      long long top = 0;
      auto r = std::from_chars(n.text.data(), n.text.data() + n.text.size(), top);
      if (r.ec != std::errc() || r.ptr != n.text.data() + n.text.size() || top < 1) Fail(n);
      q.top = top;
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
      return Literal{Value::Text(t.text), "'" + t.text + "'"};
    }
    bool negative = false;
    if (IsSymbol("-")) {
      negative = true;
      Next();
    }
    if (Peek().kind == Token::Kind::kNumber) {
      std::string digits = (negative ? "-" : "") + Next().text;
      long long integer = 0;
      auto r = std::from_chars(digits.data(), digits.data() + digits.size(), integer);
      if (r.ec == std::errc() && r.ptr == digits.data() + digits.size()) {
        return Literal{Value::Integer(integer), digits};
      }
      double real = 0;
      std::from_chars(digits.data(), digits.data() + digits.size(), real);
      return Literal{Value::Double(real), digits};
    }
    if (negative) Fail(Peek());
    return ParseColumnRef();
  }

  std::string_view text_;
  std::vector<Token> tokens_;
  std::size_t pos_ = 0;
};

}  // namespace

Query ParseQuery(std::string_view text) { return Parser(text).Parse(); }

}  // namespace generatesheet
