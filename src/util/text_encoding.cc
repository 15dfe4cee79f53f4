#include "util/text_encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <map>
#include <utility>

#include "util/error.h"
#include "util/utf8.h"

namespace generatesheet {

namespace {

constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";

// One iconv descriptor, closed on destruction.
class IconvHandle {
 public:
  IconvHandle(const std::string& from, const std::string& to)
      : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~IconvHandle() {
    if (valid()) iconv_close(cd_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// How many conversions are under way on this thread (they nest when an
// unconvertible character is replaced).
thread_local int conversions_running = 0;

// The calling thread's descriptor for a pair of encodings, reset to its
// initial state.  Throws Error for an encoding iconv does not know.
iconv_t ThreadDescriptor(const std::string& from, const std::string& to) {
  thread_local std::map<std::pair<std::string, std::string>, IconvHandle> cache;
  // Documents can name any number of code pages; keep a handful open, and
  // never close one an unfinished conversion on this thread still uses.
  constexpr size_t kMaxOpen = 32;
  if (cache.size() >= kMaxOpen && conversions_running == 0 && !cache.count({from, to})) {
    cache.clear();
  }
  auto [it, inserted] = cache.try_emplace({from, to}, from, to);
  if (!it->second.valid()) {
    cache.erase(it);
    throw Error("不支持的文字编码：" + (from == "UTF-8" ? to : from));
  }
  iconv(it->second.get(), nullptr, nullptr, nullptr, nullptr);
  return it->second.get();
}

bool KnownToIconv(const std::string& name) {
  IconvHandle probe(name, "UTF-8");
  return probe.valid();
}

// Runs `bytes` through iconv.  `on_invalid(in, left, out)` handles a byte
// sequence the conversion refuses and returns how many input bytes it used.
template <typename OnInvalid>
std::string Convert(std::string_view bytes, const std::string& from, const std::string& to,
                    OnInvalid on_invalid) {
  iconv_t cd = ThreadDescriptor(from, to);
  ++conversions_running;
  struct Running {
    ~Running() { --conversions_running; }
  } running;
  std::string out;
  out.resize(bytes.size() * 2 + 16);
  char* in_ptr = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  size_t used = 0;
  while (true) {
    char* out_ptr = out.data() + used;
    size_t out_left = out.size() - used;
    const size_t rc = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    used = out.size() - out_left;
    if (rc != static_cast<size_t>(-1)) {
      if (in_left > 0) continue;
      // Let a stateful converter (CP1258 holds back a base letter for a
      // following tone mark) write what it still holds.
      out_ptr = out.data() + used;
      out_left = out.size() - used;
      if (iconv(cd, nullptr, nullptr, &out_ptr, &out_left) == static_cast<size_t>(-1) &&
          errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      used = out.size() - out_left;
      break;
    }
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // EILSEQ, or EINVAL: a sequence cut short by the end of the input, which
    // counts as one bad character whatever its length.
    const bool cut_short = errno == EINVAL;
    out.resize(used);
    const size_t consumed = cut_short
                                ? (on_invalid(std::string_view(in_ptr, in_left), out), in_left)
                                : on_invalid(std::string_view(in_ptr, in_left), out);
    in_ptr += consumed;
    in_left -= consumed;
    used = out.size();
    out.resize(used + in_left * 2 + 16);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(used);
  return out;
}

std::string Lowercase(std::string_view s) {
  std::string lower(s);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

// The encoding named by the first "charset=" in the head of an HTML file.
std::string DeclaredCharset(std::string_view head) {
  const std::string lower = Lowercase(head);
  const size_t at = lower.find("charset");
  if (at == std::string::npos) return "";
  size_t i = at + 7;
  while (i < lower.size() &&
         (lower[i] == ' ' || lower[i] == '=' || lower[i] == '"' || lower[i] == '\'')) {
    ++i;
  }
  size_t end = i;
  while (end < lower.size() &&
         (std::isalnum(static_cast<unsigned char>(lower[end])) || lower[end] == '-' ||
          lower[end] == '_' || lower[end] == ':' || lower[end] == '.')) {
    ++end;
  }
  return lower.substr(i, end - i);
}

// The iconv name for an HTML charset label, "" when unusable.
std::string IconvNameForLabel(const std::string& label) {
  static const std::map<std::string, std::string> kAliases = {
      {"gb2312", "GB18030"},    {"gbk", "GB18030"},        {"x-gbk", "GB18030"},
      {"cp936", "GB18030"},     {"gb_2312-80", "GB18030"}, {"euc-cn", "GB18030"},
      {"gb18030", "GB18030"},   {"utf-8", "UTF-8"},        {"utf8", "UTF-8"},
      {"big5", "BIG5-HKSCS"},   {"shift_jis", "CP932"},    {"sjis", "CP932"},
      {"iso-8859-1", "CP1252"}, {"latin1", "CP1252"},      {"us-ascii", "CP1252"},
  };
  if (label.empty()) return "";
  const auto alias = kAliases.find(label);
  std::string name = alias != kAliases.end() ? alias->second : label;
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return KnownToIconv(name) ? name : "";
}

}  // namespace

TextEncoding DetectTemplateEncoding(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return {"UTF-8", "\xEF\xBB\xBF"};
  if (bytes.starts_with("\xFF\xFE")) return {"UTF-16LE", "\xFF\xFE"};
  if (bytes.starts_with("\xFE\xFF")) return {"UTF-16BE", "\xFE\xFF"};
  if (IsValidUtf8(bytes)) return {"UTF-8", ""};
  const std::string declared = IconvNameForLabel(DeclaredCharset(bytes.substr(0, 1024)));
  if (!declared.empty()) return {declared, ""};
  return {"GB18030", ""};
}

void RefuseUtf32(std::string_view bytes, const std::string& what, const std::string& path) {
  if (bytes.starts_with(std::string_view("\xFF\xFE\x00\x00", 4)) ||
      bytes.starts_with(std::string_view("\x00\x00\xFE\xFF", 4))) {
    throw Error(what + "的编码是 UTF-32，无法读取（请存为 UTF-8）：" + path);
  }
}

std::string DecodeToUtf8(std::string_view bytes, const TextEncoding& encoding) {
  if (bytes.starts_with(encoding.bom)) bytes.remove_prefix(encoding.bom.size());
  return Convert(bytes, encoding.name, "UTF-8", [](std::string_view, std::string& out) {
    out += kReplacementUtf8;
    return size_t{1};
  });
}

StrictDecoding DecodeToUtf8Strictly(std::string_view bytes, const TextEncoding& encoding) {
  const size_t bom = bytes.starts_with(encoding.bom) ? encoding.bom.size() : 0;
  const std::string_view body = bytes.substr(bom);
  StrictDecoding decoded;
  if (encoding.name == "UTF-8") {
    for (size_t pos = 0; pos < body.size();) {
      const size_t start = pos;
      char32_t ignored = 0;
      if (!NextCodePoint(body, &pos, &ignored)) {
        decoded.invalid_at = bom + start;
        return decoded;
      }
    }
    decoded.text = body;
    return decoded;
  }
  decoded.text = Convert(body, encoding.name, "UTF-8", [&](std::string_view rest, std::string&) {
    if (!decoded.invalid_at) decoded.invalid_at = bom + body.size() - rest.size();
    return rest.size();  // nothing after it is needed
  });
  if (decoded.invalid_at) decoded.text.clear();
  return decoded;
}

std::string EncodeFromUtf8(std::string utf8, const TextEncoding& encoding) {
  // Whole UTF-8 text is its own UTF-8 form: nothing to convert or copy.
  if (encoding.name == "UTF-8" && IsValidUtf8(utf8)) {
    utf8.insert(0, encoding.bom);
    return utf8;  // moved, not copied: a page can be tens of megabytes
  }
  const std::string& target = encoding.name;
  std::string body = Convert(utf8, "UTF-8", target, [&](std::string_view rest, std::string& out) {
    size_t length = 0;
    char32_t cp = kReplacementCharacter;
    if (!NextCodePoint(rest, &length, &cp)) cp = kReplacementCharacter;
    // An ASCII reference is representable in every target the template
    // could have named (UTF-16 targets never get here).
    const std::string reference = "&#" + std::to_string(static_cast<unsigned long>(cp)) + ";";
    out += Convert(reference, "UTF-8", target,
                   [](std::string_view, std::string&) { return size_t{1}; });
    return length;
  });
  return encoding.bom + body;
}

std::string ConvertEncoding(std::string_view bytes, const std::string& from,
                            const std::string& to) {
  return Convert(bytes, from, to, [&](std::string_view, std::string& out) {
    out += Convert(kReplacementUtf8, "UTF-8", to, [](std::string_view, std::string& o) {
      o += '?';
      return size_t{1};
    });
    return size_t{1};
  });
}

FirstCharacter DecodeFirstCharacter(std::string_view bytes, const std::string& encoding) {
  iconv_t cd = ThreadDescriptor(encoding, "UTF-32LE");
  unsigned char unit[4] = {};
  char* in_ptr = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  char* out_ptr = reinterpret_cast<char*>(unit);
  size_t out_left = sizeof unit;
  // Room for one character only: iconv stops after it (E2BIG).
  const size_t rc = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
  const int error = rc == static_cast<size_t>(-1) ? errno : 0;
  FirstCharacter first;
  if (out_left == 0) {
    first.outcome = FirstCharacter::Outcome::kDecoded;
    first.length = bytes.size() - in_left;
    first.code_point =
        unit[0] | unit[1] << 8 | unit[2] << 16 | static_cast<char32_t>(unit[3]) << 24;
  } else if (error == EINVAL) {
    first.outcome = FirstCharacter::Outcome::kCutShort;
  } else if (error == EILSEQ) {
    first.outcome = FirstCharacter::Outcome::kInvalid;
  }
  return first;
}

}  // namespace generatesheet
