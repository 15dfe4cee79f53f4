#include "render/rtf_to_text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "render/code_page.h"
#include "render/rtf_tokenizer.h"
#include "util/utf8.h"

namespace generatesheet {

namespace {

// Groups nested deeper than this are read for their braces and \bin data
// only; their text is dropped.  The state stack never grows past it.
constexpr size_t kMaxDepth = 1000;
constexpr int kDefaultCodePage = 1252;
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

struct FontCodePages {
  int from_charset = 0;   // \fcharset
  int explicit_page = 0;  // \cpg, which wins
};

enum class Action {
  kSkipDestination,
  kFontTable,
  kUpr,
  kUd,
  kLineBreak,
  kTab,
  kCellEnd,
  kRowEnd,
  kCharacter,
  kFont,
  kFontCharset,
  kFontCodePage,
  kDefaultFont,
  kDocumentCodePage,
  kAnsi,
  kMac,
  kPc,
  kPca,
  kPlain,
  kUnicodeSkip,
  kUnicode,
  kBinary,
};

struct WordMeaning {
  Action action;
  char32_t character = 0;  // for kCharacter
};

// Destinations whose text a reader of the document never sees.  Anything in
// a {\* ...} group is dropped too unless its word is read below.
const std::unordered_set<std::string_view>& SkippedDestinations() {
  static const std::unordered_set<std::string_view> kWords = {
      "aftncn",
      "aftnsep",
      "aftnsepc",
      "annotation",
      "atnauthor",
      "atndate",
      "atnicn",
      "atnid",
      "atnparent",
      "atnref",
      "atntime",
      "atrfend",
      "atrfstart",
      "author",
      "background",
      "bkmkend",
      "bkmkstart",
      "buptim",
      "category",
      "colorschememapping",
      "colortbl",
      "comment",
      "company",
      "creatim",
      "datafield",
      "datastore",
      "defchp",
      "defpap",
      "do",
      "doccomm",
      "docvar",
      "dptxbxtext",
      "ebcend",
      "ebcstart",
      "factoidname",
      "falt",
      "ffdeftext",
      "ffentrymcr",
      "ffexitmcr",
      "ffformat",
      "ffhelptext",
      "ffl",
      "ffname",
      "ffstattext",
      "file",
      "filetbl",
      "fldinst",
      "fldtype",
      "fname",
      "fontemb",
      "fontfile",
      "footer",
      "footerf",
      "footerl",
      "footerr",
      "footnote",
      "formfield",
      "ftncn",
      "ftnsep",
      "ftnsepc",
      "generator",
      "gridtbl",
      "header",
      "headerf",
      "headerl",
      "headerr",
      "hl",
      "hlfr",
      "hlinkbase",
      "hlloc",
      "hlsrc",
      "hsv",
      "htmltag",
      "info",
      "keycode",
      "keywords",
      "latentstyles",
      "levelnumbers",
      "leveltext",
      "lfolevel",
      "linkval",
      "list",
      "listlevel",
      "listname",
      "listoverride",
      "listoverridetable",
      "listpicture",
      "liststylename",
      "listtable",
      "lsdlockedexcept",
      "mailmerge",
      "manager",
      "mmathPr",
      "nesttableprops",
      "nextfile",
      "nonesttables",
      "nonshppict",
      "objalias",
      "objclass",
      "objdata",
      "object",
      "objname",
      "objsect",
      "objtime",
      "oldcprops",
      "oldpprops",
      "oldsprops",
      "oldtprops",
      "operator",
      "panose",
      "password",
      "passwordhash",
      "pgp",
      "pgptbl",
      "picprop",
      "pict",
      "pn",
      "pnseclvl",
      "pntxta",
      "pntxtb",
      "printim",
      "private",
      "propname",
      "protend",
      "protstart",
      "protusertbl",
      "pxe",
      "revtbl",
      "revtim",
      "rsidtbl",
      "rxe",
      "shp",
      "shpgrp",
      "shpinst",
      "shppict",
      "shprslt",
      "shptxt",
      "sn",
      "sp",
      "staticval",
      "stylesheet",
      "subject",
      "sv",
      "svb",
      "tc",
      "template",
      "themedata",
      "title",
      "txe",
      "userprops",
      "wgrffmtfilter",
      "windowcaption",
      "writereservation",
      "writereservhash",
      "xe",
      "xform",
      "xmlattrname",
      "xmlattrvalue",
      "xmlclose",
      "xmlname",
      "xmlnstbl",
      "xmlopen",
  };
  return kWords;
}

const std::unordered_map<std::string_view, WordMeaning>& WordMeanings() {
  static const std::unordered_map<std::string_view, WordMeaning> kWords = {
      {"fonttbl", {Action::kFontTable}},
      {"upr", {Action::kUpr}},
      {"ud", {Action::kUd}},
      {"par", {Action::kLineBreak}},
      {"line", {Action::kLineBreak}},
      {"softline", {Action::kLineBreak}},
      {"sect", {Action::kLineBreak}},
      {"page", {Action::kLineBreak}},
      {"column", {Action::kLineBreak}},
      {"tab", {Action::kTab}},
      {"cell", {Action::kCellEnd}},
      {"nestcell", {Action::kCellEnd}},
      {"row", {Action::kRowEnd}},
      {"nestrow", {Action::kRowEnd}},
      {"emdash", {Action::kCharacter, 0x2014}},
      {"endash", {Action::kCharacter, 0x2013}},
      {"emspace", {Action::kCharacter, 0x2003}},
      {"enspace", {Action::kCharacter, 0x2002}},
      {"qmspace", {Action::kCharacter, 0x2005}},
      {"bullet", {Action::kCharacter, 0x2022}},
      {"lquote", {Action::kCharacter, 0x2018}},
      {"rquote", {Action::kCharacter, 0x2019}},
      {"ldblquote", {Action::kCharacter, 0x201C}},
      {"rdblquote", {Action::kCharacter, 0x201D}},
      {"zwj", {Action::kCharacter, 0x200D}},
      {"zwnj", {Action::kCharacter, 0x200C}},
      {"ltrmark", {Action::kCharacter, 0x200E}},
      {"rtlmark", {Action::kCharacter, 0x200F}},
      {"f", {Action::kFont}},
      {"fcharset", {Action::kFontCharset}},
      {"cpg", {Action::kFontCodePage}},
      {"deff", {Action::kDefaultFont}},
      {"ansicpg", {Action::kDocumentCodePage}},
      {"ansi", {Action::kAnsi}},
      {"mac", {Action::kMac}},
      {"pc", {Action::kPc}},
      {"pca", {Action::kPca}},
      {"plain", {Action::kPlain}},
      {"uc", {Action::kUnicodeSkip}},
      {"u", {Action::kUnicode}},
      {"bin", {Action::kBinary}},
  };
  return kWords;
}

// One pass over the tokens with an explicit stack of group states, so no
// input, however deeply nested, can exhaust the call stack.
class RtfTextExtractor {
 public:
  explicit RtfTextExtractor(std::string_view rtf) : tokenizer_(rtf) {
    stack_.emplace_back();  // outside the document's outermost group
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
  void OnFontTableWord(Action action, const RtfToken& token);
  void OnUdWord();
  void OnControlSymbol(char symbol);
  void OnUnicode(int32_t value);
  void OnBytes(std::string_view bytes);

  void EmitCodePoint(char32_t code_point);
  void EmitAscii(char c);
  void FlushBytes();
  void FlushLoneSurrogate();
  int CurrentCodePage() const;
  int FontCodePage(int font) const;

  RtfTokenizer tokenizer_;
  std::vector<GroupState> stack_;
  size_t overflow_depth_ = 0;  // groups opened beyond kMaxDepth
  bool finished_ = false;      // the outermost group has closed

  std::unordered_map<int, FontCodePages> fonts_;
  int font_being_defined_ = -1;
  int default_font_ = -1;
  int document_code_page_ = 0;

  int fallback_left_ = 0;  // units still to pass over after a \uN
  char32_t high_surrogate_ = 0;

  // Bytes of one code page decoded together, so a double-byte character
  // split across \'hh and literal text still comes out whole.
  std::string pending_bytes_;
  int pending_code_page_ = 0;
  std::string out_;
};

std::string RtfTextExtractor::Run() {
  while (!finished_) {
    RtfToken token = tokenizer_.Next();
    if (token.kind == RtfToken::Kind::kEnd) break;
    if (fallback_left_ > 0 && ConsumeFallback(&token)) continue;
    OnToken(token);
  }
  FlushBytes();
  FlushLoneSurrogate();
  while (!out_.empty() && out_.back() == '\n') out_.pop_back();
  return std::move(out_);
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
      OnBytes(std::string_view(&token.symbol, 1));
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
  if (SkippedDestinations().count(token.text) != 0) {
    state().destination = Destination::kSkip;
    return;
  }
  auto it = WordMeanings().find(token.text);
  if (it == WordMeanings().end()) return;
  const WordMeaning& meaning = it->second;
  GroupState& group = state();
  if (group.destination == Destination::kFontTable) {
    OnFontTableWord(meaning.action, token);
    return;
  }
  if (group.destination != Destination::kText) {
    // Hidden text changes nothing, except that \ud shows the Unicode half of
    // an \upr pair.
    if (meaning.action == Action::kUd) OnUdWord();
    if (meaning.action == Action::kUnicodeSkip && token.has_param) {
      group.unicode_skip = std::max(token.param, 0);
    }
    return;
  }
  switch (meaning.action) {
    case Action::kFontTable:
      group.destination = Destination::kFontTable;
      break;
    case Action::kUpr:
      group.destination = Destination::kUpr;
      break;
    case Action::kLineBreak:
      EmitAscii('\n');
      break;
    case Action::kTab:
    case Action::kCellEnd:
      EmitAscii('\t');
      break;
    case Action::kRowEnd:
      if (InText()) {
        FlushBytes();
        // The row's last cell already left a tab; the row ends the line.
        if (!out_.empty() && out_.back() == '\t') out_.pop_back();
      }
      EmitAscii('\n');
      break;
    case Action::kCharacter:
      EmitCodePoint(meaning.character);
      break;
    case Action::kFont:
      if (token.has_param) group.font = token.param;
      break;
    case Action::kDefaultFont:
      if (token.has_param) default_font_ = token.param;
      break;
    case Action::kDocumentCodePage:
      if (token.param > 0) document_code_page_ = token.param;
      break;
    case Action::kAnsi:
      document_code_page_ = kDefaultCodePage;
      break;
    case Action::kMac:
      document_code_page_ = 10000;
      break;
    case Action::kPc:
      document_code_page_ = 437;
      break;
    case Action::kPca:
      document_code_page_ = 850;
      break;
    case Action::kPlain:
      group.font = -1;
      break;
    case Action::kUnicodeSkip:
      if (token.has_param) group.unicode_skip = std::max(token.param, 0);
      break;
    case Action::kUnicode:
      if (token.has_param) OnUnicode(token.param);
      break;
    default:
      break;
  }
}

// Inside \fonttbl only the fonts' numbers and code pages matter.
void RtfTextExtractor::OnFontTableWord(Action action, const RtfToken& token) {
  switch (action) {
    case Action::kFont:
      font_being_defined_ = token.has_param ? token.param : -1;
      break;
    case Action::kFontCharset:
      if (font_being_defined_ >= 0 && token.has_param) {
        fonts_[font_being_defined_].from_charset = CharsetCodePage(token.param);
      }
      break;
    case Action::kFontCodePage:
      if (font_being_defined_ >= 0 && token.param > 0) {
        fonts_[font_being_defined_].explicit_page = token.param;
      }
      break;
    case Action::kUnicodeSkip:
      if (token.has_param) state().unicode_skip = std::max(token.param, 0);
      break;
    case Action::kUnicode:
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
  char32_t unit = static_cast<char32_t>(value < 0 ? value + 65536 : value);
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    FlushBytes();
    FlushLoneSurrogate();
    high_surrogate_ = unit;
  } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
    if (high_surrogate_ == 0) {
      EmitCodePoint(kReplacement);
      return;
    }
    char32_t joined = 0x10000 + ((high_surrogate_ - 0xD800) << 10) + (unit - 0xDC00);
    high_surrogate_ = 0;
    EmitCodePoint(joined);
  } else if (unit != 0) {
    EmitCodePoint(unit);
  }
}

void RtfTextExtractor::OnBytes(std::string_view bytes) {
  if (!InText()) return;
  FlushLoneSurrogate();
  int code_page = CurrentCodePage();
  if (!pending_bytes_.empty() && code_page != pending_code_page_) FlushBytes();
  pending_code_page_ = code_page;
  for (char c : bytes) {
    if (c != '\0') pending_bytes_.push_back(c);
  }
}

void RtfTextExtractor::EmitCodePoint(char32_t code_point) {
  if (!InText()) return;
  FlushBytes();
  FlushLoneSurrogate();
  AppendUtf8(code_point, &out_);
}

void RtfTextExtractor::EmitAscii(char c) { EmitCodePoint(static_cast<unsigned char>(c)); }

void RtfTextExtractor::FlushBytes() {
  AppendCodePageBytes(pending_bytes_, pending_code_page_, &out_);
  pending_bytes_.clear();
}

void RtfTextExtractor::FlushLoneSurrogate() {
  if (high_surrogate_ == 0) return;
  high_surrogate_ = 0;
  AppendUtf8(kReplacement, &out_);
}

// The current font's code page, else the default font's, else the
// document's, else Windows-1252.
int RtfTextExtractor::CurrentCodePage() const {
  int font = stack_.back().font >= 0 ? stack_.back().font : default_font_;
  if (int page = FontCodePage(font); page != 0) return page;
  if (int page = FontCodePage(default_font_); page != 0) return page;
  return document_code_page_ != 0 ? document_code_page_ : kDefaultCodePage;
}

int RtfTextExtractor::FontCodePage(int font) const {
  auto it = fonts_.find(font);
  if (it == fonts_.end()) return 0;
  return it->second.explicit_page != 0 ? it->second.explicit_page : it->second.from_charset;
}

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
