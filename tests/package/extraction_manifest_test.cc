#include "package/extraction_manifest.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace generatesheet {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

TEST(SplitEntryPathTest, KeepsFoldersAndDropsEmptyAndDotParts) {
  EXPECT_THAT(SplitEntryPath("Analysis.mdb").components, ElementsAre("Analysis.mdb"));
  EXPECT_THAT(SplitEntryPath("sub/a.txt").components, ElementsAre("sub", "a.txt"));
  EXPECT_THAT(SplitEntryPath("sub\\deeper\\a.txt").components,
              ElementsAre("sub", "deeper", "a.txt"));
  EXPECT_THAT(SplitEntryPath("./sub//a.txt").components, ElementsAre("sub", "a.txt"));
  EXPECT_THAT(SplitEntryPath("sub/").components, ElementsAre("sub"));
  // Dots inside a name are harmless.
  EXPECT_THAT(SplitEntryPath("a..b.mdb").components, ElementsAre("a..b.mdb"));
  EXPECT_THAT(SplitEntryPath("...").components, ElementsAre("..."));
}

TEST(SplitEntryPathTest, RefusesAbsoluteAndClimbingNames) {
  for (const char* name : {"/etc/passwd", "\\Windows\\x.dll", "C:\\x.mdb", "c:x.mdb"}) {
    SplitEntryName split = SplitEntryPath(name);
    EXPECT_EQ(split.refusal, "条目名称是绝对路径") << name;
    EXPECT_THAT(split.components, IsEmpty()) << name;
  }
  for (const char* name : {"..", "../a", "a/../../b", "a/..", "..\\a", "a\\..\\..\\b"}) {
    SplitEntryName split = SplitEntryPath(name);
    EXPECT_EQ(split.refusal, "条目名称中含有“..”") << name;
    EXPECT_THAT(split.components, IsEmpty()) << name;
  }
  EXPECT_EQ(SplitEntryPath("").refusal, "条目名称为空");
}

TEST(SplitEntryPathTest, CapsTheLengthAndTheDepthOfAName) {
  EXPECT_EQ(SplitEntryPath(std::string(1024, 'n')).refusal, "");
  EXPECT_EQ(SplitEntryPath(std::string(1025, 'n')).refusal,
            "条目名称长 1025 字节，超过 1024 字节的上限");
  std::string deep = "f";
  for (int i = 0; i < 63; ++i) deep = "d/" + deep;
  EXPECT_EQ(SplitEntryPath(deep).components.size(), 64u);
  SplitEntryName deeper = SplitEntryPath("d/" + deep);
  EXPECT_EQ(deeper.refusal, "条目有 65 层文件夹，超过 64 层的上限");
  EXPECT_THAT(deeper.components, IsEmpty());
}

TEST(ExtractionManifestTest, AcceptsFilesAndFoldersInAnyOrder) {
  ExtractionManifest manifest;
  EXPECT_EQ(manifest.Add("sub/a.txt", EntryKind::kFile), std::nullopt);
  EXPECT_EQ(manifest.Add("sub/", EntryKind::kDirectory), std::nullopt);  // implied before
  EXPECT_EQ(manifest.Add("sub/inner/", EntryKind::kDirectory), std::nullopt);
  EXPECT_EQ(manifest.Add("sub/inner/b.txt", EntryKind::kFile), std::nullopt);
  EXPECT_EQ(manifest.Add("./", EntryKind::kDirectory), std::nullopt);  // the destination
  ASSERT_EQ(manifest.entries().size(), 5u);
  EXPECT_EQ(manifest.entries()[3].name, "sub/inner/b.txt");
  EXPECT_THAT(manifest.entries()[3].components, ElementsAre("sub", "inner", "b.txt"));
  EXPECT_THAT(manifest.entries()[4].components, IsEmpty());
}

TEST(ExtractionManifestTest, RefusesLinksAndSpecialFiles) {
  ExtractionManifest manifest;
  EXPECT_EQ(manifest.Add("link", EntryKind::kSymlink), "条目是符号链接");
  EXPECT_EQ(manifest.Add("hard", EntryKind::kHardlink), "条目是硬链接");
  EXPECT_EQ(manifest.Add("fifo", EntryKind::kSpecial), "条目是设备文件、管道或套接字");
  EXPECT_EQ(manifest.Add("", EntryKind::kFile), "条目名称为空");
  EXPECT_EQ(manifest.Add("./", EntryKind::kFile), "条目名称为空");
}

TEST(ExtractionManifestTest, RefusesNamesThatLandOnTheSamePath) {
  struct Case {
    std::vector<std::pair<std::string, EntryKind>> entries;
    std::string reason;
  };
  const std::vector<Case> cases = {
      {{{"a.mdb", EntryKind::kFile}, {"a.mdb", EntryKind::kFile}}, "重复"},
      {{{"sub/a.mdb", EntryKind::kFile}, {"sub\\a.mdb", EntryKind::kFile}}, "重复"},
      {{{"a.mdb", EntryKind::kFile}, {"./a.mdb", EntryKind::kFile}}, "重复"},
      {{{"sub/", EntryKind::kDirectory}, {"sub", EntryKind::kDirectory}}, "重复"},
      {{{"sub", EntryKind::kDirectory}, {"sub", EntryKind::kFile}}, "重复"},
      {{{"sub", EntryKind::kFile}, {"sub/a.mdb", EntryKind::kFile}}, "既是文件又是文件夹"},
      {{{"sub/a.mdb", EntryKind::kFile}, {"sub", EntryKind::kFile}}, "既是文件又是文件夹"},
  };
  for (const Case& c : cases) {
    ExtractionManifest manifest;
    EXPECT_EQ(manifest.Add(c.entries[0].first, c.entries[0].second), std::nullopt);
    std::optional<std::string> refusal = manifest.Add(c.entries[1].first, c.entries[1].second);
    ASSERT_TRUE(refusal.has_value()) << c.entries[1].first;
    EXPECT_THAT(*refusal, HasSubstr(c.reason)) << c.entries[1].first;
  }
  // A name alone never makes an entry unsafe: which files already there
  // must stay is for the extraction to see.
  ExtractionManifest packages;
  EXPECT_EQ(packages.Add("A.Zip", EntryKind::kFile), std::nullopt);
  EXPECT_EQ(packages.Add("sub/a.zip", EntryKind::kFile), std::nullopt);
  EXPECT_EQ(packages.Add("page.html", EntryKind::kFile), std::nullopt);
  // Names differing in case are different files here.
  ExtractionManifest manifest;
  EXPECT_EQ(manifest.Add("a.mdb", EntryKind::kFile), std::nullopt);
  EXPECT_EQ(manifest.Add("A.mdb", EntryKind::kFile), std::nullopt);
}

}  // namespace
}  // namespace generatesheet
