#include "builder/jet/header_page.h"

#include <cstring>
#include <utility>

#include "builder/jet/jet_format.h"

namespace generatesheet::jet {

namespace {

constexpr size_t kMaskStart = 0x18;
constexpr size_t kMaskLength = 128;
constexpr uint8_t kMaskKey[] = {0xC7, 0xDA, 0x39, 0x6B};

// RC4 keystream XORed over `data`; applying it twice restores the input.
void Rc4(const uint8_t* key, size_t key_length, uint8_t* data, size_t length) {
  uint8_t s[256];
  for (int i = 0; i < 256; ++i) s[i] = static_cast<uint8_t>(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % key_length]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  for (size_t n = 0, i = 0, j = 0; n < length; ++n) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    data[n] ^= s[(s[i] + s[j]) & 0xFF];
  }
}

}  // namespace

void WriteHeaderPage(uint8_t* page) {
  page[0] = kJetHeaderPage;
  page[1] = 0x01;
  std::memcpy(page + 4, "Standard Jet DB", 16);  // with its terminating 0
  page[0x14] = 0x01;                             // Jet 4
  Put16(page + 0x3C, 1252);                      // code page
  Put32(page + 0x3E, 0);                         // database key: 0 leaves every other page unmasked
  // Password (0x42, 40 bytes) and creation date (0x72) stay 0: no password.
  Put16(page + 0x6E, 0x0409);  // General sort order
  Rc4(kMaskKey, sizeof kMaskKey, page + kMaskStart, kMaskLength);
}

}  // namespace generatesheet::jet
