#include "rtf/rtf_to_text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rtf/rtf_code_pages.h"
#include "rtf/rtf_control_words.h"
#include "rtf/rtf_text_output.h"
#include "rtf/rtf_tokenizer.h"

namespace generatesheet {

namespace {

// Groups nested deeper than this are read for their braces and \bin data
// only; their text is dropped.  The state stack never grows past it.
constexpr size_t kMaxDepth = 1000;
constexpr char32_t kReplacement = 0xFFFD;

// What a group's text is for.
enum class Destination {
  kText,       // the document's text
  kSkip,       // a destination that is not shown
  kFontTable,  // \fonttbl: read for the fonts' code pages
  kUpr,        // \upr: its ANSI text is dropped for the \ud beside it
};

struct GroupState {
  Destination destination = Destination::kText;
  int font = -1;         // -1 until \f: the default font
  int unicode_skip = 1;  // \ucN: fallback units after each \uN
};

// The reader's state after a document's header: everything before its first
// text.  The documents of a question bank repeat one header word for word,
// and reading it is most of the work for a short answer option, so each
// thread keeps the last header it read and starts a document that opens with
// it from there.
struct HeaderState {
  std::string bytes;  // the header, up to a token that ends in itself
  std::vector<GroupState> stack;
  RtfCodePages code_pages;
  int font_being_defined = -1;
};

thread_local HeaderState last_header;
constexpr size_t kMaxHeaderBytes = 16 * 1024;

// One pass over the tokens with an explicit stack of group states, so no
// input, however deeply nested, can exhaust the call stack.
class RtfTextExtractor {
 public:
  explicit RtfTextExtractor(std::string_view rtf) : input_(rtf), tokenizer_(rtf) {
    if (!last_header.bytes.empty() && rtf.starts_with(last_header.bytes)) {
      stack_ = last_header.stack;
      code_pages_ = last_header.code_pages;
      font_being_defined_ = last_header.font_being_defined;
      tokenizer_.SkipBytes(last_header.bytes.size());
      header_known_ = true;
    } else {
      stack_.emplace_back();  // outside the document's outermost group
    }
  }

  std::string Run();

 private:
  GroupState& state() { return stack_.back(); }
  bool InText() const {
    return overflow_depth_ == 0 && stack_.back().destination == Destination::kText;
  }

  bool ConsumeFallback(RtfToken* token);
  void OnToken(const RtfToken& token);
  void OnGroupStart();
  void OnGroupEnd();
  void OnControlWord(const RtfToken& token);
  void OnFontTableWord(RtfAction action, const RtfToken& token);
  void OnUdWord();
  void OnControlSymbol(char symbol);
  void OnUnicode(int32_t value);
  void OnHexBytes(char first);
  void OnBytes(std::string_view bytes);

  void EmitCodePoint(char32_t code_point);
  void EmitAscii(char c);

  bool StartsText(const RtfToken& token) const;
  bool EndsInItself(const RtfToken& token) const;
  void KeepHeader(size_t end);

  const std::string_view input_;
  RtfTokenizer tokenizer_;
  std::vector<GroupState> stack_;
  size_t overflow_depth_ = 0;  // groups opened beyond kMaxDepth
  bool finished_ = false;      // the outermost group has closed

  RtfCodePages code_pages_;
  int font_being_defined_ = -1;
  int fallback_left_ = 0;  // units still to pass over after a \uN
  std::string hex_run_;    // a run of \'hh bytes
  RtfTextOutput out_;

  bool header_known_ = false;  // started from last_header, or kept it
  bool clean_end_ = true;      // the last token ended in itself
};

std::string RtfTextExtractor::Run() {
  while (!finished_) {
    const size_t end_of_last = tokenizer_.position();
    RtfToken token = tokenizer_.Next();
    if (token.kind == RtfToken::Kind::kEnd) break;
    if (!header_known_ && clean_end_ && StartsText(token)) KeepHeader(end_of_last);
    if (fallback_left_ > 0 && ConsumeFallback(&token)) {
      clean_end_ = false;
      continue;
    }
    OnToken(token);
    clean_end_ = EndsInItself(token);
  }
  return out_.Finish();
}

// The first text of the document, with nothing shown before it.
bool RtfTextExtractor::StartsText(const RtfToken& token) const {
  return (token.kind == RtfToken::Kind::kText || token.kind == RtfToken::Kind::kHexByte) &&
         fallback_left_ == 0 && !finished_ && InText() && out_.Empty();
}

// Whether a token's extent was settled by its own bytes, so that another
// document with the same bytes up to here reads the same tokens up to here.
// A control word that ended without a space, a run of text or a malformed
// \' ended where the next byte told it to.
bool RtfTextExtractor::EndsInItself(const RtfToken& token) const {
  switch (token.kind) {
    case RtfToken::Kind::kGroupStart:
    case RtfToken::Kind::kGroupEnd:
    case RtfToken::Kind::kHexByte:
      return true;
    case RtfToken::Kind::kControlSymbol:
      return token.symbol != '\'';
    case RtfToken::Kind::kControlWord:
      return tokenizer_.position() > 0 && input_[tokenizer_.position() - 1] == ' ';
    default:
      return false;
  }
}

void RtfTextExtractor::KeepHeader(size_t end) {
  header_known_ = true;
  // A header with pictures or styles of its own is seldom shared: not kept.
  if (end > kMaxHeaderBytes) return;
  last_header.bytes.assign(input_.substr(0, end));
  last_header.stack = stack_;
  last_header.code_pages = code_pages_;
  last_header.font_being_defined = font_being_defined_;
}

// Passes over one unit of the ANSI fallback that follows a \uN.  Returns
// true if the token is used up; a brace ends the fallback and is read.
bool RtfTextExtractor::ConsumeFallback(RtfToken* token) {
  switch (token->kind) {
    case RtfToken::Kind::kGroupStart:
    case RtfToken::Kind::kGroupEnd:
      fallback_left_ = 0;
      return false;
    case RtfToken::Kind::kText: {
      size_t skipped = std::min(token->text.size(), static_cast<size_t>(fallback_left_));
      fallback_left_ -= static_cast<int>(skipped);
      token->text.remove_prefix(skipped);
      return token->text.empty();
    }
    case RtfToken::Kind::kControlWord:
      if (token->text == "bin" && token->param > 0) {
        tokenizer_.SkipBytes(static_cast<size_t>(token->param));
      }
      --fallback_left_;
      return true;
    default:
      --fallback_left_;
      return true;
  }
}

void RtfTextExtractor::OnToken(const RtfToken& token) {
  switch (token.kind) {
    case RtfToken::Kind::kGroupStart:
      OnGroupStart();
      break;
    case RtfToken::Kind::kGroupEnd:
      OnGroupEnd();
      break;
    case RtfToken::Kind::kControlWord:
      OnControlWord(token);
      break;
    case RtfToken::Kind::kControlSymbol:
      OnControlSymbol(token.symbol);
      break;
    case RtfToken::Kind::kHexByte:
      OnHexBytes(token.symbol);
      break;
    case RtfToken::Kind::kText:
      OnBytes(token.text);
      break;
    case RtfToken::Kind::kEnd:
      break;
  }
}

void RtfTextExtractor::OnGroupStart() {
  if (overflow_depth_ > 0 || stack_.size() > kMaxDepth) {
    ++overflow_depth_;
    return;
  }
  stack_.push_back(stack_.back());
}

void RtfTextExtractor::OnGroupEnd() {
  if (overflow_depth_ > 0) {
    --overflow_depth_;
    return;
  }
  if (stack_.size() <= 1) return;  // a stray brace outside the document
  stack_.pop_back();
  if (stack_.size() == 1) finished_ = true;
}

void RtfTextExtractor::OnControlWord(const RtfToken& token) {
  if (token.text == "bin") {
    // Binary data is never text, and it may hold braces and backslashes.
    if (token.param > 0) tokenizer_.SkipBytes(static_cast<size_t>(token.param));
    return;
  }
  if (overflow_depth_ > 0) return;
  const RtfWordMeaning* found = FindWordMeaning(token.text);
  if (found == nullptr) return;
  const RtfWordMeaning& meaning = *found;
  GroupState& group = state();
  if (meaning.action == RtfAction::kHiddenDestination) {
    group.destination = Destination::kSkip;
    return;
  }
  if (group.destination == Destination::kFontTable) {
    OnFontTableWord(meaning.action, token);
    return;
  }
  if (group.destination != Destination::kText) {
    // Hidden text changes nothing, except that \ud shows the Unicode half of
    // an \upr pair.
    if (meaning.action == RtfAction::kUd) OnUdWord();
    if (meaning.action == RtfAction::kUnicodeSkip && token.has_param) {
      group.unicode_skip = std::max(token.param, 0);
    }
    return;
  }
  switch (meaning.action) {
    case RtfAction::kFontTable:
      group.destination = Destination::kFontTable;
      break;
    case RtfAction::kUpr:
      group.destination = Destination::kUpr;
      break;
    case RtfAction::kLineBreak:
      EmitAscii('\n');
      break;
    case RtfAction::kTab:
    case RtfAction::kCellEnd:
      EmitAscii('\t');
      break;
    case RtfAction::kRowEnd:
      // The row's last cell already left a tab; the row ends the line.
      if (InText()) out_.DropTrailingTab();
      EmitAscii('\n');
      break;
    case RtfAction::kCharacter:
      EmitCodePoint(meaning.character);
      break;
    case RtfAction::kFont:
      if (token.has_param) group.font = token.param;
      break;
    case RtfAction::kDefaultFont:
      if (token.has_param) code_pages_.SetDefaultFont(token.param);
      break;
    case RtfAction::kDocumentCodePage:
      if (token.param > 0) code_pages_.SetDocumentCodePage(token.param);
      break;
    case RtfAction::kAnsi:
      code_pages_.SetDocumentCodePage(RtfCodePages::kDefault);
      break;
    case RtfAction::kMac:
      code_pages_.SetDocumentCodePage(10000);
      break;
    case RtfAction::kPc:
      code_pages_.SetDocumentCodePage(437);
      break;
    case RtfAction::kPca:
      code_pages_.SetDocumentCodePage(850);
      break;
    case RtfAction::kPlain:
      group.font = -1;
      break;
    case RtfAction::kUnicodeSkip:
      if (token.has_param) group.unicode_skip = std::max(token.param, 0);
      break;
    case RtfAction::kUnicode:
      if (token.has_param) OnUnicode(token.param);
      break;
    default:
      break;
  }
}

// Inside \fonttbl only the fonts' numbers and code pages matter.
void RtfTextExtractor::OnFontTableWord(RtfAction action, const RtfToken& token) {
  switch (action) {
    case RtfAction::kFont:
      font_being_defined_ = token.has_param ? token.param : -1;
      break;
    case RtfAction::kFontCharset:
      if (font_being_defined_ >= 0 && token.has_param) {
        code_pages_.SetFontCharset(font_being_defined_, token.param);
      }
      break;
    case RtfAction::kFontCodePage:
      if (font_being_defined_ >= 0 && token.param > 0) {
        code_pages_.SetFontCodePage(font_being_defined_, token.param);
      }
      break;
    case RtfAction::kUnicodeSkip:
      if (token.has_param) state().unicode_skip = std::max(token.param, 0);
      break;
    case RtfAction::kUnicode:
      // A font name's fallback characters are not names of fonts either.
      fallback_left_ = state().unicode_skip;
      break;
    default:
      break;
  }
}

// {\upr{ANSI text}{\*\ud{Unicode text}}}: the Unicode text is shown.
void RtfTextExtractor::OnUdWord() {
  if (stack_.size() >= 2 && stack_[stack_.size() - 2].destination == Destination::kUpr) {
    state().destination = Destination::kText;
  }
}

void RtfTextExtractor::OnControlSymbol(char symbol) {
  if (overflow_depth_ > 0) return;
  switch (symbol) {
    case '\\':
    case '{':
    case '}':
      // Literal bytes: a backslash may be the trail byte of a GBK character.
      OnBytes(std::string_view(&symbol, 1));
      break;
    case '\n':
      EmitAscii('\n');
      break;
    case '~':
      EmitCodePoint(0x00A0);
      break;
    case '_':
      EmitCodePoint(0x2011);
      break;
    case '-':
      EmitCodePoint(0x00AD);
      break;
    case '*':
      state().destination = Destination::kSkip;
      break;
    default:
      break;
  }
}

void RtfTextExtractor::OnUnicode(int32_t value) {
  fallback_left_ = state().unicode_skip;
  if (!InText()) return;
  if (value < -32768 || value > 65535) {
    EmitCodePoint(kReplacement);
    return;
  }
  out_.AppendUnicodeUnit(static_cast<char32_t>(value < 0 ? value + 65536 : value));
}

// The escaped bytes that follow go with the first: nothing between them can
// change where or in which code page they are shown.
void RtfTextExtractor::OnHexBytes(char first) {
  hex_run_.assign(1, first);
  char byte;
  while (tokenizer_.NextHexByte(&byte)) hex_run_.push_back(byte);
  OnBytes(hex_run_);
}

void RtfTextExtractor::OnBytes(std::string_view bytes) {
  if (!InText()) return;
  out_.AppendBytes(bytes, code_pages_.ForFont(state().font));
}

void RtfTextExtractor::EmitCodePoint(char32_t code_point) {
  if (InText()) out_.AppendCodePoint(code_point);
}

void RtfTextExtractor::EmitAscii(char c) { EmitCodePoint(static_cast<unsigned char>(c)); }

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string RtfToPlainText(std::string_view rtf) {
  std::string_view body = rtf;
  if (body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
  while (!body.empty() && IsSpace(body.front())) body.remove_prefix(1);
  if (body.substr(0, 5) != "{\\rtf") return std::string(rtf);
  return RtfTextExtractor(body).Run();
}

}  // namespace generatesheet
