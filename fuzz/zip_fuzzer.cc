// Extraction of arbitrary bytes as a package into a scratch folder, with
// small limits so a bomb costs little.  Whatever the input, the extraction
// answers a code, and a refused package leaves the folder empty.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz_support.h"
#include "package/archive_zip_component.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace fs = std::filesystem;
  const std::string& scratch = generatesheet::fuzz::ScratchFolder();
  const std::string archive = scratch + "/package.zip";
  const std::string destination = scratch + "/out";
  generatesheet::fuzz::WriteWholeFile(archive, data, size);
  fs::create_directory(destination);

  generatesheet::ExtractionLimits limits;
  limits.max_entries = 64;
  limits.max_total_bytes = 1 << 20;
  generatesheet::ArchiveZipComponent zip(limits);
  zip.SetZipFilename(archive);
  zip.SetUnzipToFolder(destination);
  zip.SetEncryptionPassword("qvk");
  const std::int16_t code = zip.Extract();
  if (code != 0 && !fs::is_empty(destination)) std::abort();  // a refusal leaves nothing
  if (code != 0 && zip.LastResultDescription().empty()) std::abort();
  generatesheet::fuzz::EmptyFolder(scratch);
  return 0;
}
