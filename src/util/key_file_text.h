// The text of a key file (the master key's, a signing key's): a header line
// that names the kind of file, optional comment lines starting with "#",
// and one line of the key in hex.  Formats: doc/cipher.md,
// doc/archive-manifest.md.
//
//   GenerateSheet master key 1
//   # optional comment lines
//   <64 hex digits>
#ifndef GENERATESHEET_UTIL_KEY_FILE_TEXT_H_
#define GENERATESHEET_UTIL_KEY_FILE_TEXT_H_

#include <array>
#include <string>
#include <string_view>

namespace generatesheet {

// Every key file holds 32 bytes.
using KeyBytes = std::array<unsigned char, 32>;

// What tells one kind of key file from another, and its words in errors.
struct KeyFileKind {
  std::string_view header;  // the first line
  const char* name;         // "主密钥文件"
  // Why a key line that is not 64 hex digits is refused.
  const char* bad_key_line;
};

// Reads the key file at `path` into *key.  Throws Error
// "无法读取<name>：<path>：<reason>" when it is missing, unreadable or not
// exactly a key file of `kind`; no text of the key is left in memory.
void ReadKeyFile(const std::string& path, const KeyFileKind& kind, KeyBytes* key);

// The text of a key file of `kind` holding `key`.  The caller wipes it.
std::string KeyFileText(const KeyFileKind& kind, const KeyBytes& key);

// Splits off the next line of `rest` (without "\n" or a trailing "\r").
std::string_view NextLine(std::string_view& rest);

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_KEY_FILE_TEXT_H_
