// The rich-text converter over arbitrary bytes: it must return, never crash,
// and always give valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "rtf/rtf_to_text.h"
#include "util/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rtf(reinterpret_cast<const char*>(data), size);
  const std::string text = generatesheet::RtfToPlainText(rtf);
  // Text that is not rich text comes back unchanged; converted text is UTF-8.
  if (text != rtf && !generatesheet::IsValidUtf8(text)) std::abort();
  return 0;
}
