// The library's temporary files and folders in a package folder, and the
// removal of those a killed run left behind.  A decrypted copy of a
// student's answers may be among them, so they must not outlive the run
// that made them.
//
// Two kinds live there:
//   ".Analysis.mdb.tmp-XXXXXX"  the decrypted answer database being written
//                               whole (ReplacementFile)
//   ".unzip-XXXXXXXXXXXX"       a package's staging folder (12 hex digits)
// While its maker works with it, each is held under an exclusive flock(2)
// lock, which the system drops when the maker's process ends in any way.  A
// temporary that nobody holds is a leftover.
//
// Other files replaced whole (pages, keys) have temporaries of the form
// ".<name>.tmp-XXXXXX" too, but that form is common: a host's own program
// may name its files so (".draft.docx.tmp-Ab12Cd") and hold no lock on
// them.  Those are never removed here.
#ifndef GENERATESHEET_UTIL_LEFTOVER_FILES_H_
#define GENERATESHEET_UTIL_LEFTOVER_FILES_H_

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace generatesheet {

inline constexpr char kTemporaryFileMark[] = ".tmp-";
inline constexpr char kStagingFolderPrefix[] = ".unzip-";
inline constexpr std::size_t kStagingSuffixLength = 12;
// The answer database, decrypted in place in the package folder.
inline constexpr char kDecryptedDatabaseName[] = "Analysis.mdb";

// Whether `name` is a temporary of the file named `target`
// (".<target>.tmp-XXXXXX"), or a staging folder's name.
bool IsTemporaryFileName(std::string_view name, std::string_view target);
bool IsStagingFolderName(std::string_view name);

// Whether `name` has the form of a temporary of any file
// (".<target>.tmp-XXXXXX").
bool LooksLikeTemporaryFileName(std::string_view name);

// Whether the file at `path` is a temporary some process holds now, or is
// gone: a file being written under its temporary name, never to be read as
// it stands.  Looks without taking the lock for longer than a glance.
bool TemporaryInFlight(const std::string& path);

// Takes the lock that marks the temporary open as `fd` as in use; false
// (errno set) when it cannot be taken at once.
bool HoldTemporary(int fd);

// Removes from `folder` (a native path) every temporary of the two kinds
// that no process holds: temporaries of the decrypted answer database, and
// staging folders with the files in them.  Never follows a link, never
// touches anything else, never fails: a temporary it cannot remove is left.
// Returns how many it removed.
std::size_t RemoveLeftoverTemporaries(const std::string& folder);

// Removes from `folder` the temporaries ".<target>.tmp-XXXXXX" that no
// process holds, for the targets `is_target` accepts: a caller that names
// its own files (pages) this way clears what a killed run of it left.
std::size_t RemoveLeftoverTemporariesOf(const std::string& folder,
                                        const std::function<bool(std::string_view)>& is_target);

}  // namespace generatesheet

#endif  // GENERATESHEET_UTIL_LEFTOVER_FILES_H_
