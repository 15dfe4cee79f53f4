// Decoding of encrypted values and encrypted files under a fixed master key.
// The first byte picks what the rest is used for:
//   0: a stored value, decoded as it is;
//   1: a file, decrypted as it is;
//   2: a value encrypted by us, decoded back: it must round-trip;
//   3: a value encrypted by us with one byte changed: it must be refused;
//   4: a file encrypted by us, cut short: it must be refused.
// Every failure must be an Error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cipher/sodium_cipher.h"
#include "fuzz_support.h"
#include "util/error.h"

namespace {

using generatesheet::Error;
using generatesheet::SodiumCipher;

SodiumCipher& Cipher() {
  static SodiumCipher cipher(generatesheet::MasterKey{});
  return cipher;
}

std::string FilePath() { return generatesheet::fuzz::ScratchFolder() + "/input.bin"; }

void DecodeValue(const std::string& rest) {
  std::string key = "1";
  try {
    Cipher().DecryptValue(rest, key);
  } catch (const Error&) {
  }
}

void DecodeFile(const std::uint8_t* data, std::size_t size) {
  std::string path = FilePath();
  generatesheet::fuzz::WriteWholeFile(path, data, size);
  try {
    Cipher().DecryptFileInPlace(path, "");
  } catch (const Error&) {
  }
}

void RoundTripValue(const std::string& rest) {
  std::string key = "7";
  const std::string stored = Cipher().EncryptString(rest, key);
  if (Cipher().DecryptValue(stored, key) != rest) std::abort();
}

void TamperedValue(const std::string& rest) {
  if (rest.empty()) return;
  std::string key = "7";
  std::string stored = Cipher().EncryptString(rest.substr(1), key);
  const std::size_t at = static_cast<unsigned char>(rest[0]) % stored.size();
  const char original = stored[at];
  stored[at] = original == 'A' ? 'B' : 'A';
  try {
    Cipher().DecryptValue(stored, key);
  } catch (const Error&) {
    return;
  }
  std::abort();  // a changed value was taken as genuine
}

void TruncatedFile(const std::string& rest) {
  if (rest.empty()) return;
  std::string path = FilePath();
  generatesheet::fuzz::WriteWholeFile(path, reinterpret_cast<const std::uint8_t*>(rest.data()) + 1,
                                      rest.size() - 1);
  Cipher().EncryptFile(path);
  std::string encrypted;
  {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) encrypted.append(buffer, n);
    std::fclose(f);
  }
  const std::size_t keep = static_cast<unsigned char>(rest[0]) % encrypted.size();
  generatesheet::fuzz::WriteWholeFile(path, reinterpret_cast<const std::uint8_t*>(encrypted.data()),
                                      keep);
  try {
    Cipher().DecryptFileInPlace(path, "");
  } catch (const Error&) {
    return;
  }
  // Only a file too short to carry our mark is left alone as "not ours".
  if (keep >= 8) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 5) {
    case 0:
      DecodeValue(rest);
      break;
    case 1:
      DecodeFile(data + 1, size - 1);
      break;
    case 2:
      RoundTripValue(rest);
      break;
    case 3:
      TamperedValue(rest);
      break;
    default:
      TruncatedFile(rest);
      break;
  }
  return 0;
}
