// The Access reader over arbitrary files (seeded with real databases): every
// table is read, and a damaged file ends in an Error, never a crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "data/mdb_reader.h"
#include "fuzz_support.h"
#include "util/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = generatesheet::fuzz::ScratchFolder() + "/input.mdb";
  generatesheet::fuzz::WriteWholeFile(path, data, size);
  try {
    generatesheet::MdbReader reader(path);
    for (const std::string& name : reader.UserTableNames()) {
      try {
        reader.ReadTable(name);
      } catch (const generatesheet::Error&) {
      }
    }
  } catch (const generatesheet::Error&) {
  }
  return 0;
}
