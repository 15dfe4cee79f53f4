// Where the WinZip AES entries of a zip archive lie, from its central
// directory: enough to read an entry's data directly.  Only what is plainly
// understood is listed: archives spanning disks, zip64 sizes and offsets,
// and names that occur twice leave the entries concerned out, and their
// data is read the ordinary way.
#ifndef GENERATESHEET_PACKAGE_ZIP_DIRECTORY_H_
#define GENERATESHEET_PACKAGE_ZIP_DIRECTORY_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace generatesheet {

// Reads exactly `size` bytes at `offset` of `fd`; false on an error or at
// the end of the file.
bool ReadExactlyAt(int fd, std::uint64_t offset, unsigned char* out, std::size_t size);

struct AesZipEntry {
  std::uint64_t local_header_offset = 0;
  std::uint64_t packed_size = 0;  // salt, verifier, ciphertext and code
  std::uint16_t method = 0;       // of the plain data: 0 stored, 8 deflated
  int vendor_version = 0;         // 1: the CRC-32 is checked; 2: it is not
  int strength = 0;               // 1, 2, 3: AES-128, -192, -256
  std::uint32_t crc32 = 0;
};

class ZipDirectory {
 public:
  // Reads the central directory of the zip archive open on `fd`.  An
  // unreadable or unusual directory gives an empty listing.
  static ZipDirectory Read(int fd);

  // The AES entry named `name` (as the archive spells it), or null.
  const AesZipEntry* FindAes(const std::string& name) const;

 private:
  std::map<std::string, AesZipEntry> aes_entries_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_PACKAGE_ZIP_DIRECTORY_H_
