// The zip writer of the package builder, under the names tests use.
#ifndef GENERATESHEET_TESTS_SUPPORT_ZIP_WRITER_H_
#define GENERATESHEET_TESTS_SUPPORT_ZIP_WRITER_H_

#include "builder/package/zip_archive.h"

namespace generatesheet::testing {

using builder::WriteZip;
using builder::ZipEncryption;
using builder::ZipEntry;
using builder::ZipWriteOptions;

}  // namespace generatesheet::testing

#endif  // GENERATESHEET_TESTS_SUPPORT_ZIP_WRITER_H_
