#include "rtf/rtf_tokenizer.h"

#include <array>

namespace generatesheet {

namespace {

constexpr int64_t kParamLimit = 1000000000;

// What a byte is to the tokenizer, looked up rather than compared.
enum CharClass : unsigned char {
  kLetter = 1,
  kDigit = 2,
  kIgnored = 4,   // raw CR, LF and NUL: not text
  kEndsText = 8,  // ends a run of literal text: braces, backslash, ignored bytes
};

constexpr std::array<unsigned char, 256> kClasses = [] {
  std::array<unsigned char, 256> classes{};
  for (int c = 'a'; c <= 'z'; ++c) classes[c] = kLetter;
  for (int c = 'A'; c <= 'Z'; ++c) classes[c] = kLetter;
  for (int c = '0'; c <= '9'; ++c) classes[c] = kDigit;
  for (const unsigned char c : {'\r', '\n', '\0'}) classes[c] = kIgnored | kEndsText;
  for (const unsigned char c : {'{', '}', '\\'}) classes[c] = kEndsText;
  return classes;
}();

bool Is(char c, CharClass what) { return (kClasses[static_cast<unsigned char>(c)] & what) != 0; }
bool IsLetter(char c) { return Is(c, kLetter); }
bool IsDigit(char c) { return Is(c, kDigit); }
bool IsIgnored(char c) { return Is(c, kIgnored); }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

RtfToken RtfTokenizer::Next() {
  while (pos_ < input_.size() && IsIgnored(input_[pos_])) ++pos_;
  RtfToken token;
  if (pos_ >= input_.size()) return token;
  char c = input_[pos_];
  if (c == '{' || c == '}') {
    ++pos_;
    token.kind = c == '{' ? RtfToken::Kind::kGroupStart : RtfToken::Kind::kGroupEnd;
    return token;
  }
  if (c == '\\') return ReadControl();
  size_t start = pos_;
  while (pos_ < input_.size() && !Is(input_[pos_], kEndsText)) ++pos_;
  token.kind = RtfToken::Kind::kText;
  token.text = input_.substr(start, pos_ - start);
  return token;
}

bool RtfTokenizer::NextHexByte(char* byte) {
  while (pos_ < input_.size() && IsIgnored(input_[pos_])) ++pos_;
  if (input_.size() - pos_ < 4 || input_[pos_] != '\\' || input_[pos_ + 1] != '\'') return false;
  const int high = HexValue(input_[pos_ + 2]);
  const int low = HexValue(input_[pos_ + 3]);
  if (high < 0 || low < 0) return false;
  pos_ += 4;
  *byte = static_cast<char>(high * 16 + low);
  return true;
}

void RtfTokenizer::SkipBytes(size_t count) {
  pos_ += count < input_.size() - pos_ ? count : input_.size() - pos_;
}

RtfToken RtfTokenizer::ReadControl() {
  ++pos_;  // the backslash
  if (pos_ >= input_.size()) return RtfToken();
  char c = input_[pos_];
  if (IsLetter(c)) return ReadControlWord();
  if (c == '\'') return ReadHexByte();
  ++pos_;
  RtfToken token;
  token.kind = RtfToken::Kind::kControlSymbol;
  token.symbol = c == '\r' ? '\n' : c;
  return token;
}

RtfToken RtfTokenizer::ReadControlWord() {
  RtfToken token;
  token.kind = RtfToken::Kind::kControlWord;
  const char* const begin = input_.data();
  const char* const end = begin + input_.size();
  const char* p = begin + pos_;
  const char* const name = p;
  while (p < end && IsLetter(*p)) ++p;
  token.text = std::string_view(name, static_cast<size_t>(p - name));

  const bool negative = end - p >= 2 && *p == '-' && IsDigit(p[1]);
  if (negative) ++p;
  int64_t value = 0;
  if (p < end && IsDigit(*p)) {
    token.has_param = true;
    do {
      value = value * 10 + (*p - '0');
      if (value > kParamLimit) value = kParamLimit;
      ++p;
    } while (p < end && IsDigit(*p));
  }
  token.param = static_cast<int32_t>(negative ? -value : value);
  // One space ends a control word and belongs to it.
  if (p < end && *p == ' ') ++p;
  pos_ = static_cast<size_t>(p - begin);
  return token;
}

RtfToken RtfTokenizer::ReadHexByte() {
  ++pos_;  // the quote
  RtfToken token;
  int high = pos_ < input_.size() ? HexValue(input_[pos_]) : -1;
  int low = pos_ + 1 < input_.size() ? HexValue(input_[pos_ + 1]) : -1;
  if (high < 0 || low < 0) {
    // A malformed \' stands for nothing; what follows is read as usual.
    token.kind = RtfToken::Kind::kControlSymbol;
    token.symbol = '\'';
    return token;
  }
  pos_ += 2;
  token.kind = RtfToken::Kind::kHexByte;
  token.symbol = static_cast<char>(high * 16 + low);
  return token;
}

}  // namespace generatesheet
