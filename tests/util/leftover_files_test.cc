#include "util/leftover_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "package/archive_zip_component.h"
#include "package/extraction_staging.h"
#include "support/temp_dir.h"
#include "support/zip_writer.h"
#include "util/replacement_file.h"

namespace generatesheet {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileForTest;
using testing::TempDir;
using testing::WriteFileForTest;
using testing::WriteZip;
using testing::ZipEntry;

std::set<std::string> NamesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& item : fs::directory_iterator(folder)) {
    names.insert(item.path().filename().string());
  }
  return names;
}

TEST(LeftoverFilesTest, KnowsTheNamesOfItsTemporaries) {
  constexpr std::string_view kDatabase = kDecryptedDatabaseName;
  EXPECT_TRUE(IsTemporaryFileName(".Analysis.mdb.tmp-a1B2c3", kDatabase));
  EXPECT_TRUE(IsTemporaryFileName(".1001.html.tmp-XXXXXX", "1001.html"));
  EXPECT_FALSE(IsTemporaryFileName(".1001.html.tmp-XXXXXX", kDatabase));  // another file's
  EXPECT_FALSE(IsTemporaryFileName(".draft.docx.tmp-Ab12Cd", kDatabase));
  EXPECT_FALSE(IsTemporaryFileName(".analysis.mdb.tmp-a1B2c3", kDatabase));  // another case
  EXPECT_FALSE(IsTemporaryFileName(".x.Analysis.mdb.tmp-a1B2c3", kDatabase));
  EXPECT_FALSE(IsTemporaryFileName("Analysis.mdb.tmp-a1B2c3", kDatabase));  // not hidden
  EXPECT_FALSE(IsTemporaryFileName(".Analysis.mdb.tmp-a1B2c", kDatabase));  // suffix too short
  EXPECT_FALSE(IsTemporaryFileName(".Analysis.mdb.tmp-a1B2c3d", kDatabase));
  EXPECT_FALSE(IsTemporaryFileName(".Analysis.mdb.tmp-a1B2c.", kDatabase));
  EXPECT_FALSE(IsTemporaryFileName(".Analysis.mdb-tmp-a1B2c3", kDatabase));
  EXPECT_FALSE(IsTemporaryFileName(".tmp-abcdef", ""));  // no name before the mark
  EXPECT_TRUE(IsStagingFolderName(".unzip-0123456789ab"));
  EXPECT_FALSE(IsStagingFolderName(".unzip-0123456789AB"));
  EXPECT_FALSE(IsStagingFolderName(".unzip-0123456789a"));
  EXPECT_FALSE(IsStagingFolderName("unzip-0123456789ab"));
  // Of any file: a name before the mark, then the mark and six letters.
  EXPECT_TRUE(LooksLikeTemporaryFileName(".s.tmp-a1B2c3"));
  EXPECT_TRUE(LooksLikeTemporaryFileName(".index.html.tmp-a1B2c3"));
  EXPECT_FALSE(LooksLikeTemporaryFileName("..tmp-a1B2c3"));
  EXPECT_FALSE(LooksLikeTemporaryFileName(".tmp-a1B2c3"));
  EXPECT_FALSE(LooksLikeTemporaryFileName(".index.html.tmp-a1B2c"));
  EXPECT_FALSE(LooksLikeTemporaryFileName("index.html"));
}

// A temporary is in flight while its writer holds it, and once it is gone;
// a temporary no one holds is a file like any other.
TEST(LeftoverFilesTest, ATemporaryIsInFlightWhileHeldOrOnceGone) {
  TempDir dir;
  std::optional<ReplacementFile> writing(std::in_place, dir.File("s1.html"), 0644);
  const std::string temp = writing->temp_path();
  EXPECT_TRUE(TemporaryInFlight(temp));
  fs::copy_file(temp, dir.File(".s2.html.tmp-Ab12Cd"));
  EXPECT_FALSE(TemporaryInFlight(dir.File(".s2.html.tmp-Ab12Cd")));
  writing->Write("<html>");
  writing->Commit();
  EXPECT_TRUE(TemporaryInFlight(temp));
  writing.reset();
  EXPECT_TRUE(fs::exists(dir.File("s1.html")));
  EXPECT_FALSE(TemporaryInFlight(dir.File("s1.html")));
}

// A process that makes a staging folder with one staged file and a
// decrypted database being written, as an extraction and a decryption do
// mid-run, and then waits to be killed.
class MidRunProcess {
 public:
  explicit MidRunProcess(const std::string& folder) {
    int ready[2];
    if (pipe(ready) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      try {
        HoldTemporariesUntilKilled(folder, ready[1]);
      } catch (...) {
      }
      _exit(1);
    }
    close(ready[1]);
    char byte = 0;
    ready_ = read(ready[0], &byte, 1) == 1 && byte == 'y';
    close(ready[0]);
  }
  ~MidRunProcess() { Kill(); }

  bool ready() const { return ready_; }
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  static void HoldTemporariesUntilKilled(const std::string& folder, int ready) {
    ExtractionStaging staging;
    ManifestEntry entry{"Pbase.mdb", EntryKind::kFile, {"Pbase.mdb"}};
    const bool staged = staging.Open(folder, folder + "/1001.zip", {}).ok() &&
                        staging.Begin(0, entry).ok() && staging.Append("bank", 4).ok();
    ReplacementFile decrypted(folder + "/Analysis.mdb", 0644);
    decrypted.Write("the student's decrypted answers");
    const char byte = staged ? 'y' : 'n';
    if (write(ready, &byte, 1) != 1) return;
    for (;;) pause();
  }

  pid_t pid_ = -1;
  bool ready_ = false;
};

TEST(LeftoverFilesTest, ALiveRunKeepsItsTemporariesAndAKilledOneLosesThemAtTheNextRun) {
  TempDir dir;
  WriteZip(dir.File("1001.zip"),
           {ZipEntry::File("Pbase.mdb", "bank"), ZipEntry::File("Analysis.mdb", "encrypted")});
  // Files of the same look that are not ours stay whatever happens: a
  // host's temporaries, held by nobody, and a link.
  WriteFileForTest(dir.File(".notes.tmp-12345"), "too short a suffix");
  WriteFileForTest(dir.File(".draft.docx.tmp-Ab12Cd"), "a host's own temporary");
  WriteFileForTest(dir.File(".1001.html.tmp-Ab12Cd"), "another program's, of a page's name");
  fs::create_directory(dir.File(".unzip-not-ours"));
  fs::create_symlink(dir.File("1001.zip"), dir.File(".Analysis.mdb.tmp-linked"));

  MidRunProcess run(dir.path());
  ASSERT_TRUE(run.ready());
  std::set<std::string> mid_run = NamesIn(dir.path());
  std::set<std::string> temporaries;
  for (const std::string& name : mid_run) {
    if (IsStagingFolderName(name) || IsTemporaryFileName(name, kDecryptedDatabaseName)) {
      temporaries.insert(name);
    }
  }
  ASSERT_EQ(temporaries.size(), 3u);                     // staging folder, decrypted copy, the link
  EXPECT_EQ(RemoveLeftoverTemporaries(dir.path()), 0u);  // held by the live run
  EXPECT_EQ(NamesIn(dir.path()), mid_run);

  run.Kill();
  ArchiveZipComponent zip;
  zip.SetZipFilename(dir.File("1001.zip"));
  zip.SetUnzipToFolder(dir.path());
  ASSERT_EQ(zip.Extract(), 0) << zip.LastResultDescription();
  EXPECT_EQ(NamesIn(dir.path()),
            (std::set<std::string>{"1001.zip", "Pbase.mdb", "Analysis.mdb", ".notes.tmp-12345",
                                   ".draft.docx.tmp-Ab12Cd", ".1001.html.tmp-Ab12Cd",
                                   ".unzip-not-ours", ".Analysis.mdb.tmp-linked"}));
  EXPECT_EQ(ReadFileForTest(dir.File("Analysis.mdb")), "encrypted");
}

}  // namespace
}  // namespace generatesheet
