#include "render/code_page.h"

#include <iconv.h>
#include <cerrno>

#include <string>
#include <unordered_map>
#include <utility>

namespace generatesheet {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr int kFallbackCodePage = 1252;
constexpr size_t kMaxCachedDescriptors = 32;

// Owns one iconv descriptor converting into UTF-8.  A descriptor that failed
// to open is kept too, so an unknown code page is not retried on every run.
class IconvDescriptor {
 public:
  explicit IconvDescriptor(const std::string& from) : cd_(iconv_open("UTF-8", from.c_str())) {}
  ~IconvDescriptor() {
    if (valid()) iconv_close(cd_);
  }
  IconvDescriptor(const IconvDescriptor&) = delete;
  IconvDescriptor& operator=(const IconvDescriptor&) = delete;
  IconvDescriptor(IconvDescriptor&& other) noexcept
      : cd_(std::exchange(other.cd_, reinterpret_cast<iconv_t>(-1))) {}
  IconvDescriptor& operator=(IconvDescriptor&&) = delete;

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

std::string EncodingName(int code_page) {
  switch (code_page) {
    case 936:    // GBK
    case 20936:  // GB2312
    case 54936:  // GB18030
      return "GB18030";
    case 950:
      return "CP950";
    case 1361:
      return "JOHAB";
    case 10000:
      return "MACINTOSH";
    case 20127:
      return "ASCII";
    case 65001:
      return "UTF-8";
    default:
      return "CP" + std::to_string(code_page);
  }
}

// This thread's descriptor for `code_page`, or nullptr if iconv lacks it.
// Descriptors are stateful, so each thread keeps its own.
iconv_t DescriptorFor(int code_page) {
  thread_local std::unordered_map<int, IconvDescriptor> cache;
  auto it = cache.find(code_page);
  if (it == cache.end()) {
    // Documents may name any number; keep the cache small all the same.
    if (cache.size() >= kMaxCachedDescriptors) cache.clear();
    it = cache.emplace(code_page, IconvDescriptor(EncodingName(code_page))).first;
  }
  return it->second.valid() ? it->second.get() : nullptr;
}

// Writes out what a stateful converter (CP1258 holds back a base letter for a
// following tone mark) still holds, and returns it to its initial state.
void FlushState(iconv_t cd, std::string* out) {
  char buffer[64];
  char* out_ptr = buffer;
  size_t out_left = sizeof(buffer);
  iconv(cd, nullptr, nullptr, &out_ptr, &out_left);
  out->append(buffer, static_cast<size_t>(out_ptr - buffer));
}

void AppendAsciiOnly(std::string_view bytes, std::string* out) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) < 0x80) {
      out->push_back(c);
    } else {
      AppendCodePointUtf8(kReplacement, out);
    }
  }
}

}  // namespace

int CharsetCodePage(int charset) {
  switch (charset) {
    case 0:
      return 1252;
    case 77:
      return 10000;
    case 128:
      return 932;
    case 129:
      return 949;
    case 130:
      return 1361;
    case 134:
      return 936;
    case 136:
      return 950;
    case 161:
      return 1253;
    case 162:
      return 1254;
    case 163:
      return 1258;
    case 177:
      return 1255;
    case 178:
      return 1256;
    case 186:
      return 1257;
    case 204:
      return 1251;
    case 222:
      return 874;
    case 238:
      return 1250;
    case 255:
      return 437;
    default:
      return 0;
  }
}

void AppendCodePageBytes(std::string_view bytes, int code_page, std::string* out) {
  if (bytes.empty()) return;
  iconv_t cd = DescriptorFor(code_page);
  if (cd == nullptr && code_page != kFallbackCodePage) {
    cd = DescriptorFor(kFallbackCodePage);
  }
  if (cd == nullptr) {
    AppendAsciiOnly(bytes, out);
    return;
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in_ptr = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  char buffer[1024];
  while (in_left > 0) {
    char* out_ptr = buffer;
    size_t out_left = sizeof(buffer);
    size_t result = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    out->append(buffer, static_cast<size_t>(out_ptr - buffer));
    if (result != static_cast<size_t>(-1) || errno == E2BIG) continue;
    // An invalid or truncated sequence: replace its first byte and resume
    // right after it, so the bytes that follow still decode.
    FlushState(cd, out);
    AppendCodePointUtf8(kReplacement, out);
    ++in_ptr;
    --in_left;
  }
  FlushState(cd, out);
}

void AppendCodePointUtf8(char32_t code_point, std::string* out) {
  if ((code_point >= 0xD800 && code_point <= 0xDFFF) || code_point > 0x10FFFF) {
    code_point = kReplacement;
  }
  if (code_point < 0x80) {
    out->push_back(static_cast<char>(code_point));
  } else if (code_point < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code_point >> 6)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else if (code_point < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code_point >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code_point >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  }
}

}  // namespace generatesheet
