// File operations the system needs, on native or backslash-joined paths.
#ifndef GENERATESHEET_UTIL_FILE_UTIL_H_
#define GENERATESHEET_UTIL_FILE_UTIL_H_

#include <functional>
#include <string>
#include <string_view>

#include "util/replacement_file.h"

namespace generatesheet {

// Deletes the file at `path` if one exists, read-only or not.  Folders are
// left alone.  Swallows every failure.
void DeleteFileIfExists(const std::string& path) noexcept;

// The whole content of a regular file.  Throws Error naming the file:
// "文件不存在" when it does not exist; a pipe or device is refused at once.
std::string ReadWholeFile(const std::string& path);

// Replaces (or creates) the file at `path` with `content`, never leaving a
// partial file: the bytes go to a temporary file in the same folder, are
// flushed to disk (unless `durability` says the file can be made again),
// and the temporary file is renamed over `path`.  An existing file,
// read-only or not, is replaced only when the new content is complete.
// Throws Error naming the file on failure; the old file is then untouched
// and the temporary file removed.
void WriteFileAtomically(const std::string& path, std::string_view content,
                         Durability durability = Durability::kDurable);

// Receives a file's content piece by piece.
using ContentSink = std::function<void(std::string_view piece)>;

// As WriteFileAtomically, for content too large to hold whole: `produce`
// hands it over in pieces, which are gathered into large writes.
void WriteFileAtomically(const std::string& path,
                         const std::function<void(const ContentSink&)>& produce,
                         Durability durability = Durability::kDurable);

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_FILE_UTIL_H_
