#include "rtf/rtf_text_output.h"

#include "rtf/code_page.h"
#include "util/utf8.h"

namespace generatesheet {

namespace {
constexpr char32_t kReplacement = 0xFFFD;
}  // namespace

void RtfTextOutput::AppendBytes(std::string_view bytes, int code_page) {
  FlushLoneSurrogate();
  if (!pending_bytes_.empty() && code_page != pending_code_page_) FlushBytes();
  pending_code_page_ = code_page;
  // Literal text never holds NUL (the tokenizer passes over it); a \'00 does.
  if (bytes.find('\0') == std::string_view::npos) {
    pending_bytes_.append(bytes);
    return;
  }
  for (const char c : bytes) {
    if (c != '\0') pending_bytes_.push_back(c);
  }
}

void RtfTextOutput::AppendCodePoint(char32_t code_point) {
  FlushBytes();
  FlushLoneSurrogate();
  AppendUtf8(code_point, &out_);
}

void RtfTextOutput::AppendUnicodeUnit(char32_t unit) {
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    FlushBytes();
    FlushLoneSurrogate();
    high_surrogate_ = unit;
  } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
    if (high_surrogate_ == 0) {
      AppendCodePoint(kReplacement);
      return;
    }
    const char32_t joined = 0x10000 + ((high_surrogate_ - 0xD800) << 10) + (unit - 0xDC00);
    high_surrogate_ = 0;
    AppendCodePoint(joined);
  } else if (unit != 0) {
    AppendCodePoint(unit);
  }
}

void RtfTextOutput::DropTrailingTab() {
  FlushBytes();
  if (!out_.empty() && out_.back() == '\t') out_.pop_back();
}

std::string RtfTextOutput::Finish() {
  FlushBytes();
  FlushLoneSurrogate();
  while (!out_.empty() && out_.back() == '\n') out_.pop_back();
  return std::move(out_);
}

void RtfTextOutput::FlushBytes() {
  AppendCodePageBytes(pending_bytes_, pending_code_page_, &out_);
  pending_bytes_.clear();
}

void RtfTextOutput::FlushLoneSurrogate() {
  if (high_surrogate_ == 0) return;
  high_surrogate_ = 0;
  AppendUtf8(kReplacement, &out_);
}

}  // namespace generatesheet
