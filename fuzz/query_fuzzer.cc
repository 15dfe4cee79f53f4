// The query parser over arbitrary text: a Query or an Error, nothing else.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "data/query.h"
#include "util/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    generatesheet::ParseQuery(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const generatesheet::Error&) {
  }
  return 0;
}
