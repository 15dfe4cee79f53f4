// Helpers shared by the fuzz targets: a scratch folder per process and whole
// file writes, so targets that read files see each input as a real file.
#ifndef GENERATESHEET_FUZZ_FUZZ_SUPPORT_H_
#define GENERATESHEET_FUZZ_FUZZ_SUPPORT_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace generatesheet::fuzz {

// A folder of this process's own under the system's temporary directory,
// created on first use and removed when the process ends normally.
const std::string& ScratchFolder();

// Writes `size` bytes to `path`, replacing it; aborts on failure, since a
// target that cannot write its input tests nothing.
void WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size);

// Removes everything inside `folder` (not the folder itself).
void EmptyFolder(const std::string& folder);

}  // namespace generatesheet::fuzz

#endif  // GENERATESHEET_FUZZ_FUZZ_SUPPORT_H_
