#include "util/key_file_text.h"

#include <sodium.h>

#include "util/error.h"
#include "util/regular_file.h"
#include "util/sodium_ready.h"

namespace generatesheet {

namespace {

// A key file is a few lines; anything much larger is not one.
constexpr size_t kMaxKeyFileBytes = 4096;

// A string whose bytes are wiped when it goes.
struct WipedText {
  std::string text;
  ~WipedText() { sodium_memzero(text.data(), text.size()); }
};

Error KeyFileError(const std::string& path, const KeyFileKind& kind, const std::string& reason) {
  return Error("无法读取" + std::string(kind.name) + "：" + path + "：" + reason);
}

void ReadSmallFile(const std::string& path, const KeyFileKind& kind, std::string& out) {
  try {
    ReadRegularFile(path, kMaxKeyFileBytes, out);
  } catch (const Error& e) {
    std::string reason = e.what();
    const std::string named = "：" + path;
    if (reason.ends_with(named)) reason.resize(reason.size() - named.size());
    throw KeyFileError(path, kind, reason);
  }
}

// The one line that is neither empty nor a comment after the header.
std::string_view KeyLine(const std::string& path, const KeyFileKind& kind, std::string_view text) {
  if (NextLine(text) != kind.header) {
    throw KeyFileError(
        path, kind, "首行不是 \"" + std::string(kind.header) + "\"，不是" + std::string(kind.name));
  }
  std::string_view key_line;
  int key_lines = 0;
  while (!text.empty()) {
    std::string_view line = NextLine(text);
    if (line.empty() || line.front() == '#') continue;
    key_line = line;
    ++key_lines;
  }
  if (key_lines != 1) throw KeyFileError(path, kind, "应当恰好有一行密钥（64 个十六进制数字）");
  return key_line;
}

}  // namespace

std::string_view NextLine(std::string_view& rest) {
  size_t end = rest.find('\n');
  std::string_view line = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

void ReadKeyFile(const std::string& path, const KeyFileKind& kind, KeyBytes* key) {
  EnsureSodiumReady();
  WipedText content;
  ReadSmallFile(path, kind, content.text);
  const std::string_view key_line = KeyLine(path, kind, content.text);
  size_t key_length = 0;
  const char* end = nullptr;
  if (key_line.size() != 2 * key->size() ||
      sodium_hex2bin(key->data(), key->size(), key_line.data(), key_line.size(), nullptr,
                     &key_length, &end) != 0 ||
      key_length != key->size() || end != key_line.data() + key_line.size()) {
    sodium_memzero(key->data(), key->size());
    throw KeyFileError(path, kind, kind.bad_key_line);
  }
}

std::string KeyFileText(const KeyFileKind& kind, const KeyBytes& key) {
  EnsureSodiumReady();
  std::string text(kind.header);
  text += "\n";
  WipedText hex{std::string(2 * key.size() + 1, '\0')};
  sodium_bin2hex(hex.text.data(), hex.text.size(), key.data(), key.size());
  hex.text.pop_back();
  text += hex.text;
  text += "\n";
  return text;
}

}  // namespace generatesheet
