#include "package/archive_zip_component.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/command_output.h"
#include "support/shell_quote.h"
#include "support/temp_dir.h"
#include "support/zip_writer.h"

namespace generatesheet {

void PrintTo(ZipResult code, std::ostream* os) { *os << "ZipResult " << static_cast<int>(code); }

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testing::ReadFileForTest;
using testing::ShellQuote;
using testing::TempDir;
using testing::WriteFileForTest;
using testing::WriteZip;
using testing::ZipEncryption;
using testing::ZipEntry;
using testing::ZipWriteOptions;

using Listing = std::map<std::string, std::string>;

// Every file, folder and link below `root`: its path relative to `root` and
// its content, "<folder>" or "-> target".
Listing ListTree(const std::string& root) {
  Listing listing;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    std::string name = fs::relative(item.path(), root).string();
    if (item.is_symlink()) {
      listing[name] = "-> " + fs::read_symlink(item.path()).string();
    } else if (item.is_directory()) {
      listing[name] = "<folder>";
    } else {
      listing[name] = ReadFileForTest(item.path().string());
    }
  }
  return listing;
}

// The SHA-256 of a file as coreutils computes it.
std::string Sha256sum(const std::string& path) {
  return testing::RunForOutput("sha256sum " + ShellQuote(path)).text.substr(0, 64);
}

std::string RandomBytes(size_t size, unsigned seed = 7) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xff);
  return bytes;
}

// Rewrites the Unix mode that the central directory of the zip at `path`
// records for its first entry (libarchive's writer makes only files,
// folders and links).
void SetFirstEntryMode(const std::string& path, unsigned mode) {
  std::string zip = ReadFileForTest(path);
  size_t header = zip.find(std::string("PK\x01\x02", 4));
  ASSERT_NE(header, std::string::npos);
  zip[header + 5] = 3;  // made on Unix: the high half of the attributes is the mode
  zip[header + 40] = static_cast<char>(mode & 0xff);
  zip[header + 41] = static_cast<char>((mode >> 8) & 0xff);
  WriteFileForTest(path, zip);
}

class ArchiveZipComponentTest : public ::testing::Test {
 protected:
  ArchiveZipComponentTest() : bak_(dir_.File("bak")) {
    fs::create_directory(bak_);
    fs::create_directory(dir_.File("outside"));
    // Left by an earlier run; a refused package must not touch it.
    WriteFileForTest(bak_ + "/Analysis.mdb", "old analysis");
  }

  // Writes the package into the bak folder and answers its path joined the
  // way the driver joins it.
  std::string Package(const std::string& name, const std::vector<ZipEntry>& entries,
                      const ZipWriteOptions& options = {}) {
    WriteZip(bak_ + "/" + name, entries, options);
    return bak_ + "/" + name;
  }

  // Assigns the five settings in the driver's order, then extracts.
  ZipResult Run(const std::string& archive, const std::string& destination,
                const std::string& password = "qvk") {
    zip_.SetZipFilename(archive);
    zip_.SetUnzipToFolder(destination);
    zip_.SetOldControlFlag16(false);
    zip_.SetOldControlOption11(2);
    zip_.SetEncryptionPassword(password);
    return static_cast<ZipResult>(zip_.Extract());
  }
  ZipResult Run(const std::string& archive) { return Run(archive, bak_); }

  // Expects `archive` refused with `code`, a description naming `named`,
  // and every folder of the test (destination and beyond) as it was.
  void ExpectRefused(const std::string& archive, ZipResult code, const std::string& named,
                     const std::string& password = "qvk") {
    Listing before = ListTree(dir_.path());
    EXPECT_EQ(Run(archive, bak_, password), code);
    EXPECT_THAT(zip_.LastResultDescription(), HasSubstr(named));
    EXPECT_EQ(zip_.ArchiveSha256(), "");
    EXPECT_EQ(ListTree(dir_.path()), before);
  }

  TempDir dir_;
  std::string bak_;
  ArchiveZipComponent zip_;
};

TEST_F(ArchiveZipComponentTest, ExtractsPlainPackageIntoDestination) {
  const std::string analysis = RandomBytes(300 * 1024);
  std::string archive = Package(
      "1001.zip", {ZipEntry::File("Analysis.mdb", analysis), ZipEntry::File("Pbase.mdb", "bank"),
                   ZipEntry::Directory("sub/"), ZipEntry::File("sub/notes.txt", "notes"),
                   ZipEntry::File("deep\\x.txt", "made on Windows")});

  ASSERT_EQ(Run(archive), ZipResult::kOk);
  EXPECT_EQ(zip_.LastResultDescription(), "");
  EXPECT_EQ(zip_.ArchiveSha256(), Sha256sum(archive));
  Listing expected = {{"1001.zip", ReadFileForTest(bak_ + "/1001.zip")},
                      {"Analysis.mdb", analysis},
                      {"Pbase.mdb", "bank"},
                      {"sub", "<folder>"},
                      {"sub/notes.txt", "notes"},
                      {"deep", "<folder>"},
                      {"deep/x.txt", "made on Windows"}};
  EXPECT_EQ(ListTree(bak_), expected);  // nothing staged is left behind
  struct stat info;
  ASSERT_EQ(stat((bak_ + "/Pbase.mdb").c_str(), &info), 0);
  EXPECT_EQ(info.st_mtime, ZipWriteOptions().mtime);
}

TEST_F(ArchiveZipComponentTest, KeepsChineseNamesWhateverTheirEncoding) {
  std::string utf8 = Package("utf8.zip", {ZipEntry::File("操作题/分数.txt", "utf-8 name")});
  ASSERT_EQ(Run(utf8), ZipResult::kOk) << zip_.LastResultDescription();
  EXPECT_EQ(ReadFileForTest(bak_ + "/操作题/分数.txt"), "utf-8 name");

  const std::string gbk_name = "\xb7\xd6\xca\xfd.txt";  // "分数.txt" in code page 936
  std::string gbk = Package("gbk.zip", {ZipEntry::File(gbk_name, "gbk name")});
  ASSERT_EQ(Run(gbk), ZipResult::kOk) << zip_.LastResultDescription();
  EXPECT_EQ(ReadFileForTest(bak_ + "/" + gbk_name), "gbk name");
}

TEST_F(ArchiveZipComponentTest, ReplacesFilesOfTheSameNameAndKeepsOthers) {
  WriteFileForTest(bak_ + "/keep.txt", "unrelated");
  chmod((bak_ + "/Analysis.mdb").c_str(), 0444);
  std::string archive = Package("1001.zip", {ZipEntry::File("Analysis.mdb", "new analysis")});

  ASSERT_EQ(Run(archive), ZipResult::kOk);
  EXPECT_EQ(ReadFileForTest(bak_ + "/Analysis.mdb"), "new analysis");
  EXPECT_EQ(ReadFileForTest(bak_ + "/keep.txt"), "unrelated");
}

// Upper-cases what it is fed; refuses the entry once it meets `refused`.
class UpperCaseFilter : public EntryFilter {
 public:
  explicit UpperCaseFilter(char refused) : refused_(refused) {}
  bool Feed(const char* data, std::size_t size, std::string* out) override {
    for (std::size_t i = 0; i < size; ++i) {
      if (data[i] == refused_) return false;
      out->push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(data[i]))));
    }
    return true;
  }
  bool Finish(std::string* out) override {
    out->append("!");
    return refused_ != '!';
  }

 private:
  char refused_;
};

// A filter turns the one file of its name directly in the destination, as
// it is unpacked, and that file is dated when written; a refusal fails the
// extraction and leaves the destination as it was.
TEST_F(ArchiveZipComponentTest, AFilterTurnsTheFileOfItsNameOnly) {
  const std::string large = std::string(200 * 1024, 'a') + "z";
  const struct {
    char refused;
    ZipResult code;
    std::string analysis;
  } cases[] = {
      {'\0', ZipResult::kOk, std::string(200 * 1024, 'A') + "Z!"},
      {'z', ZipResult::kBadEntry, ""},  // refused by Feed, after many bytes
      {'!', ZipResult::kBadEntry, ""},  // refused by Finish
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.refused);
    const std::string archive = Package(
        "1001.zip", {ZipEntry::File("Pbase.mdb", "bank"), ZipEntry::File("./Analysis.mdb", large),
                     ZipEntry::File("sub/Analysis.mdb", "nested"),
                     ZipEntry::File("Analysis.mdb.txt", "other")});
    zip_.SetEntryFilter("Analysis.mdb",
                        [&c] { return std::make_unique<UpperCaseFilter>(c.refused); });
    if (c.code != ZipResult::kOk) {
      ExpectRefused(archive, c.code, "Analysis.mdb");
      EXPECT_TRUE(zip_.FilterRefused());
      continue;
    }
    ASSERT_EQ(Run(archive), ZipResult::kOk) << zip_.LastResultDescription();
    EXPECT_FALSE(zip_.FilterRefused());
    EXPECT_EQ(ReadFileForTest(bak_ + "/Analysis.mdb"), c.analysis);
    EXPECT_EQ(ReadFileForTest(bak_ + "/sub/Analysis.mdb"), "nested");
    EXPECT_EQ(ReadFileForTest(bak_ + "/Analysis.mdb.txt"), "other");
    EXPECT_EQ(ReadFileForTest(bak_ + "/Pbase.mdb"), "bank");
    struct stat info;
    ASSERT_EQ(stat((bak_ + "/Analysis.mdb").c_str(), &info), 0);
    EXPECT_NE(info.st_mtime, ZipWriteOptions().mtime);
    ASSERT_EQ(stat((bak_ + "/sub/Analysis.mdb").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, ZipWriteOptions().mtime);
  }
  // Without a filter the next extraction writes the entry as it is.
  zip_.SetEntryFilter("Analysis.mdb", nullptr);
  ASSERT_EQ(Run(Package("1001.zip", {ZipEntry::File("Analysis.mdb", large)})), ZipResult::kOk);
  EXPECT_EQ(ReadFileForTest(bak_ + "/Analysis.mdb"), large);
  EXPECT_FALSE(zip_.FilterRefused());
}

class EncryptedPackageTest : public ArchiveZipComponentTest,
                             public ::testing::WithParamInterface<ZipEncryption> {};

TEST_P(EncryptedPackageTest, ReadsWithTheFixedPassword) {
  // Several read chunks, and a last cipher block cut short.
  const std::string analysis = RandomBytes(100 * 1024) + std::string(100 * 1024 + 5, 'z');
  for (bool deflate : {true, false}) {
    std::string archive = Package(
        "1001.zip", {ZipEntry::File("Analysis.mdb", analysis), ZipEntry::File("Pbase.mdb", "bank")},
        {.encryption = GetParam(), .password = "qvk", .deflate = deflate});

    ASSERT_EQ(Run(archive), ZipResult::kOk) << zip_.LastResultDescription();
    EXPECT_EQ(ReadFileForTest(bak_ + "/Analysis.mdb"), analysis) << "deflate " << deflate;
    EXPECT_EQ(ReadFileForTest(bak_ + "/Pbase.mdb"), "bank") << "deflate " << deflate;
    EXPECT_EQ(zip_.ArchiveSha256(), Sha256sum(archive)) << "deflate " << deflate;
  }
}

TEST_P(EncryptedPackageTest, RefusesDataChangedInThePackage) {
  for (bool deflate : {true, false}) {
    std::string archive = Package("1001.zip",
                                  {ZipEntry::File("Analysis.mdb", RandomBytes(64 * 1024, 1)),
                                   ZipEntry::File("Pbase.mdb", RandomBytes(64 * 1024, 2))},
                                  {.encryption = GetParam(), .deflate = deflate});
    // A byte in the middle of the second entry's data.
    std::string zip = ReadFileForTest(bak_ + "/1001.zip");
    size_t second = zip.find(std::string("PK\x03\x04", 4), 1);
    ASSERT_NE(second, std::string::npos);
    auto le16 = [&](size_t at) {
      return static_cast<unsigned char>(zip[at]) | static_cast<unsigned char>(zip[at + 1]) << 8;
    };
    size_t middle = second + 30 + le16(second + 26) + le16(second + 28) + 30000;
    zip[middle] = static_cast<char>(zip[middle] ^ 0x55);
    WriteFileForTest(bak_ + "/1001.zip", zip);
    ExpectRefused(archive, ZipResult::kBadEntry, "1001.zip：Pbase.mdb（");
    if (GetParam() == ZipEncryption::kAes256 && !deflate) {
      EXPECT_THAT(zip_.LastResultDescription(), HasSubstr("认证码不符"));
    }
  }
}

TEST_P(EncryptedPackageTest, CapsTheRatioOfAnEncryptedEntry) {
  zip_.SetLimits({.max_ratio = 10, .ratio_floor_bytes = 64 * 1024});
  std::string bomb = Package(
      "bomb.zip",
      {ZipEntry::File("Analysis.mdb", "new"), ZipEntry::File("zeros", std::string(1 << 20, '\0'))},
      {.encryption = GetParam()});
  ExpectRefused(bomb, ZipResult::kLimitExceeded,
                "bomb.zip：zeros（解压后与压缩时的大小之比超过 10:1）");
}

TEST_P(EncryptedPackageTest, RefusesAWrongOrMissingPassword) {
  std::string archive = Package(
      "1001.zip",
      {ZipEntry::File("Analysis.mdb", RandomBytes(4096)), ZipEntry::File("Pbase.mdb", "bank")},
      {.encryption = GetParam(), .password = "other"});
  ExpectRefused(archive, ZipResult::kBadEntry, bak_ + "/1001.zip：Analysis.mdb");
  ExpectRefused(archive, ZipResult::kBadEntry, "条目已加密，需要密码", /*password=*/"");
}

INSTANTIATE_TEST_SUITE_P(Encryptions, EncryptedPackageTest,
                         ::testing::Values(ZipEncryption::kZipCrypto, ZipEncryption::kAes256));

// The AES vendor version (1: AE-1, 2: AE-2) and the CRC-32 that the central
// directory of `zip` records for each of its entries.
std::vector<std::pair<int, std::uint32_t>> AesVersionsAndCrcs(const std::string& zip) {
  const auto le16 = [&](size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(zip[at]) |
                                 static_cast<unsigned char>(zip[at + 1]) << 8);
  };
  std::vector<std::pair<int, std::uint32_t>> found;
  for (size_t at = zip.find("PK\x01\x02"); at != std::string::npos;
       at = zip.find("PK\x01\x02", at + 4)) {
    const std::uint32_t crc = le16(at + 16) | le16(at + 18) << 16;
    const size_t extra = at + 46 + le16(at + 28), extra_end = extra + le16(at + 30);
    int version = 0;
    for (size_t field = extra; field + 4 <= extra_end; field += 4 + le16(field + 2)) {
      if (le16(field) == 0x9901) version = static_cast<int>(le16(field + 4));
    }
    found.emplace_back(version, crc);
  }
  return found;
}

// 7-Zip, like WinZip for most files, writes AES entries of the second kind
// (AE-2), which store no CRC-32 and leave the check to the authentication
// code: read whole, stored or deflated, and a changed byte refused.
TEST_F(ArchiveZipComponentTest, ReadsAesEntriesThatStoreNoCrc) {
  constexpr char kSevenZip[] = "/usr/bin/7z";
  ASSERT_TRUE(fs::exists(kSevenZip)) << kSevenZip << " is missing: run scripts/install-deps.sh";
  const std::string analysis = RandomBytes(150 * 1024) + std::string(100 * 1024 + 5, 'z');
  fs::create_directory(dir_.File("plain"));
  WriteFileForTest(dir_.File("plain/Analysis.mdb"), analysis);
  WriteFileForTest(dir_.File("plain/Pbase.mdb"), "bank");
  for (const char* level : {"-mx=0", "-mx=5"}) {
    SCOPED_TRACE(level);
    fs::remove(bak_ + "/1001.zip");
    const std::string command = "cd " + ShellQuote(dir_.File("plain")) + " && " + kSevenZip +
                                " a -tzip -pqvk -mem=AES256 " + level + " " +
                                ShellQuote(bak_ + "/1001.zip") +
                                " Analysis.mdb Pbase.mdb >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::string zip = ReadFileForTest(bak_ + "/1001.zip");
    EXPECT_EQ(AesVersionsAndCrcs(zip),
              (std::vector<std::pair<int, std::uint32_t>>{{2, 0}, {2, 0}}));

    ASSERT_EQ(Run(bak_ + "/1001.zip"), ZipResult::kOk) << zip_.LastResultDescription();
    EXPECT_EQ(ReadFileForTest(bak_ + "/Analysis.mdb"), analysis);
    EXPECT_EQ(ReadFileForTest(bak_ + "/Pbase.mdb"), "bank");

    const size_t first = zip.find("PK\x03\x04");
    const size_t middle = first + 30 + 20000;
    zip[middle] = static_cast<char>(zip[middle] ^ 0x55);
    WriteFileForTest(bak_ + "/1001.zip", zip);
    ExpectRefused(bak_ + "/1001.zip", ZipResult::kBadEntry, "1001.zip：Analysis.mdb（");
    if (std::string(level) == "-mx=0") {
      EXPECT_THAT(zip_.LastResultDescription(), HasSubstr("认证码不符"));
    }
  }
}

// An AE-1 entry keeps a CRC-32 beside its authentication code: read whole
// when the two agree with the data, stored or deflated, and refused when the
// CRC-32 the package records is another, though the code still fits.
TEST_F(ArchiveZipComponentTest, ChecksTheCrcOfAesEntriesThatStoreOne) {
  const std::string analysis = RandomBytes(150 * 1024, 3) + std::string(70 * 1024 + 3, 'q');
  for (bool deflate : {true, false}) {
    SCOPED_TRACE(deflate ? "deflated" : "stored");
    const std::string archive = Package(
        "1001.zip", {ZipEntry::File("Analysis.mdb", analysis), ZipEntry::File("Pbase.mdb", "bank")},
        {.encryption = ZipEncryption::kAes256, .deflate = deflate});
    std::string zip = ReadFileForTest(archive);
    const auto found = AesVersionsAndCrcs(zip);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], std::make_pair(1, static_cast<std::uint32_t>(crc32(
                                              0, reinterpret_cast<const Bytef*>(analysis.data()),
                                              static_cast<uInt>(analysis.size())))));
    ASSERT_EQ(Run(archive), ZipResult::kOk) << zip_.LastResultDescription();
    EXPECT_EQ(ReadFileForTest(bak_ + "/Analysis.mdb"), analysis);

    // The first entry's CRC-32, one bit changed, in its local header and in
    // the central directory.
    for (const char* signature : {"PK\x03\x04", "PK\x01\x02"}) {
      const size_t at = zip.find(signature) + (signature[2] == 3 ? 14 : 16);
      zip[at] = static_cast<char>(zip[at] ^ 0x01);
    }
    WriteFileForTest(bak_ + "/Analysis.mdb", "old analysis");
    WriteFileForTest(archive, zip);
    ExpectRefused(archive, ZipResult::kBadEntry, "1001.zip：Analysis.mdb（");
    EXPECT_THAT(zip_.LastResultDescription(), HasSubstr("校验和不符"));
  }
}

TEST_F(ArchiveZipComponentTest, NamesTheWrongPasswordOfAnAesEntry) {
  std::string archive = Package("1001.zip", {ZipEntry::File("Analysis.mdb", "x")},
                                {.encryption = ZipEncryption::kAes256, .password = "other"});
  ASSERT_EQ(Run(archive), ZipResult::kBadEntry);
  EXPECT_EQ(zip_.LastResultDescription(), "无法解压答卷包的条目（密码错误或数据损坏）：" + bak_ +
                                              "/1001.zip：Analysis.mdb（密码错误）");
}

TEST_F(ArchiveZipComponentTest, RefusesATruncatedArchive) {
  std::string archive =
      Package("1001.zip", {ZipEntry::File("Pbase.mdb", RandomBytes(64 * 1024)),
                           ZipEntry::File("Analysis.mdb", RandomBytes(64 * 1024))});
  fs::resize_file(bak_ + "/1001.zip", 90 * 1024);
  ExpectRefused(archive, ZipResult::kBadEntry, bak_ + "/1001.zip");

  // One local header, then bytes that are no zip structure at all.
  // Stored, 100 bytes, a 12-byte name, no extra field.
  std::string zip("PK\x03\x04\x14\0\0\0\0\0\0\0\0\0\0\0\0\0d\0\0\0d\0\0\0\x0c\0\0\0", 30);
  zip += "Analysis.mdb";
  for (int i = 0; i < 50; ++i) zip += "\x8f\x11garbage";
  WriteFileForTest(bak_ + "/garbage.zip", zip);
  ExpectRefused(bak_ + "/garbage.zip", ZipResult::kBadEntry,
                "答卷包已损坏或不完整：" + bak_ +
                    "/garbage.zip（条目“Analysis.mdb”之后）：下一个条目的头部无法读取，"
                    "文件已损坏或被截断");
  WriteFileForTest(bak_ + "/header.zip", std::string("PK\x03\x04", 4) + std::string(26, '\x01'));
  ExpectRefused(bak_ + "/header.zip", ZipResult::kBadEntry,
                "答卷包已损坏或不完整：" + bak_ + "/header.zip：条目头部不完整，文件已被截断");
}

TEST_F(ArchiveZipComponentTest, RefusesCorruptDataFoundAfterEarlierEntriesWereUnpacked) {
  // The headers are intact, so the damage shows only when the second
  // entry's data is read; the first entry is already unpacked by then.
  const std::string second = RandomBytes(64 * 1024, 2);
  std::string archive = Package("1001.zip",
                                {ZipEntry::File("Analysis.mdb", RandomBytes(64 * 1024, 1)),
                                 ZipEntry::File("Pbase.mdb", second)},
                                {.deflate = false});
  std::string zip = ReadFileForTest(bak_ + "/1001.zip");
  size_t middle = zip.find(second.substr(30000, 64)) + 10;
  zip[middle] = static_cast<char>(zip[middle] ^ 0x55);
  WriteFileForTest(bak_ + "/1001.zip", zip);
  ExpectRefused(archive, ZipResult::kBadEntry, "1001.zip：Pbase.mdb（");
}

TEST_F(ArchiveZipComponentTest, RefusesMissingAndForeignArchives) {
  ExpectRefused(bak_ + "/missing.zip", ZipResult::kArchiveUnreadable,
                "无法打开答卷包：" + bak_ + "/missing.zip（文件或文件夹不存在）");
  WriteFileForTest(bak_ + "/text.zip", "not a zip at all");
  ExpectRefused(bak_ + "/text.zip", ZipResult::kNotZip,
                "答卷包不是 zip 文件：" + bak_ + "/text.zip");
  WriteFileForTest(bak_ + "/empty.zip", "");
  ExpectRefused(bak_ + "/empty.zip", ZipResult::kNotZip, bak_ + "/empty.zip");
}

TEST_F(ArchiveZipComponentTest, RefusesPathsThatWereNeverSet) {
  // What the driver passes when BakDataPath and ZipPaperName are empty.
  Listing before = ListTree(dir_.path());
  EXPECT_EQ(Run("/", ""), ZipResult::kArchiveUnreadable);
  EXPECT_THAT(zip_.LastResultDescription(), HasSubstr("无法打开答卷包：/"));
  EXPECT_EQ(Run("", ""), ZipResult::kArchiveUnreadable);
  EXPECT_EQ(zip_.LastResultDescription(), "未指定答卷包的路径");

  std::string archive = Package("1001.zip", {ZipEntry::File("Analysis.mdb", "new")});
  before = ListTree(dir_.path());
  EXPECT_EQ(Run(archive, ""), ZipResult::kWriteFailed);
  EXPECT_EQ(zip_.LastResultDescription(), "未指定解压的目标文件夹");
  EXPECT_EQ(Run(archive, dir_.File("absent")), ZipResult::kWriteFailed);
  EXPECT_THAT(zip_.LastResultDescription(), HasSubstr(dir_.File("absent")));
  EXPECT_EQ(ListTree(dir_.path()), before);
}

struct UnsafeCase {
  std::string label;
  std::vector<ZipEntry> entries;
  std::string named;  // in the description
};

class UnsafePackageTest : public ArchiveZipComponentTest,
                          public ::testing::WithParamInterface<UnsafeCase> {};

TEST_P(UnsafePackageTest, RefusesTheWholePackageBeforeWriting) {
  std::vector<ZipEntry> entries = {ZipEntry::File("Analysis.mdb", "new analysis")};
  for (const ZipEntry& entry : GetParam().entries) entries.push_back(entry);
  std::string archive = Package("1001.zip", entries);
  ExpectRefused(archive, ZipResult::kUnsafeEntry, GetParam().named);
  EXPECT_THAT(zip_.LastResultDescription(), HasSubstr("答卷包含有不安全的条目"));
}

INSTANTIATE_TEST_SUITE_P(
    Entries, UnsafePackageTest,
    ::testing::Values(
        UnsafeCase{"Parent",
                   {ZipEntry::File("../outside/evil.txt", "x")},
                   "../outside/evil.txt（条目名称中含有“..”）"},
        UnsafeCase{"InnerParent", {ZipEntry::File("sub/../../evil.txt", "x")}, "含有“..”"},
        UnsafeCase{"BackslashParent", {ZipEntry::File("..\\outside\\evil.txt", "x")}, "含有“..”"},
        UnsafeCase{"Absolute",
                   {ZipEntry::File("/tmp/evil.txt", "x")},
                   "/tmp/evil.txt（条目名称是绝对路径）"},
        UnsafeCase{"Drive", {ZipEntry::File("C:\\evil.txt", "x")}, "绝对路径"},
        UnsafeCase{"Symlink", {ZipEntry::Symlink("link", "/etc")}, "link（条目是符号链接）"},
        UnsafeCase{
            "SymlinkOverFile", {ZipEntry::Symlink("Pbase.mdb", "../outside/x")}, "条目是符号链接"},
        UnsafeCase{
            "Duplicate", {ZipEntry::File("Analysis.mdb", "second")}, "条目名称与另一条目重复"},
        UnsafeCase{"FileThenFolder",
                   {ZipEntry::File("sub", "x"), ZipEntry::File("sub/a.txt", "y")},
                   "既是文件又是文件夹"},
        // The package's own name (its neighbours: see below).
        UnsafeCase{"ItsOwnName",
                   {ZipEntry::File("1001.zip", "22 bytes of plain text")},
                   "1001.zip：1001.zip（条目会覆盖答卷包本身："},
        UnsafeCase{"ItsOwnNameBehindDots",
                   {ZipEntry::File("./1001.zip", "x")},
                   "./1001.zip（条目会覆盖答卷包本身："},
        UnsafeCase{"TooLongAName",
                   {ZipEntry::File(std::string(1025, 'n'), "x")},
                   "（条目名称长 1025 字节，超过 1024 字节的上限）"},
        UnsafeCase{"TooDeep",
                   {ZipEntry::File(
                       [] {
                         std::string name;
                         for (int i = 0; i < 64; ++i) name += "d/";
                         return name + "f";
                       }(),
                       "x")},
                   "（条目有 65 层文件夹，超过 64 层的上限）"}),
    [](const ::testing::TestParamInfo<UnsafeCase>& param_info) { return param_info.param.label; });

TEST_F(ArchiveZipComponentTest, KeepsThePackageItsNeighboursAndTheHostsFiles) {
  // Another student's package and page, a template and a second name
  // (hard link) of the package being extracted, deeper in the folder.
  WriteZip(bak_ + "/B1002.zip", {ZipEntry::File("Analysis.mdb", "B's answers")});
  WriteFileForTest(bak_ + "/B1002.html", "B's page");
  WriteFileForTest(bak_ + "/template.html", "<html>$Content$</html>");
  fs::create_directory(bak_ + "/sub");
  struct Case {
    std::string entry;
    std::string named;
  };
  const std::vector<Case> cases = {
      {"B1002.zip",
       "B1002.zip（条目会覆盖文件夹中已有的答卷包（.zip 文件）：" + bak_ + "/B1002.zip）"},
      {"sub/copy.bin", "sub/copy.bin（条目会覆盖答卷包本身：" + bak_ + "/1001.zip）"},
      {"1001.html", "1001.html（条目会覆盖生成的页面：" + bak_ + "/1001.html）"},
      {"./B1002.html", "./B1002.html（条目会覆盖生成的页面所在文件夹中已有的 .html 文件：" + bak_ +
                           "/B1002.html）"},
      {"./template.html", "（条目会覆盖页面模板：" + bak_ + "/template.html）"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    std::string archive = Package(
        "1001.zip", {ZipEntry::File("Analysis.mdb", "new"), ZipEntry::File(c.entry, "forged")});
    fs::remove(bak_ + "/sub/copy.bin");
    fs::create_hard_link(bak_ + "/1001.zip", bak_ + "/sub/copy.bin");
    zip_.SetKeptFiles(
        {{bak_ + "/1001.html", "生成的页面", true}, {bak_ + "/template.html", "页面模板"}});
    ExpectRefused(archive, ZipResult::kUnsafeEntry, c.named);
  }
  // New files of those kinds replace nothing: a package of notes, a page
  // that is not there yet, names differing in case from a neighbour's, and
  // files in a folder of the package's own.
  zip_.SetKeptFiles({{bak_ + "/1001.html", "生成的页面", true}});
  const std::vector<std::string> harmless = {"notes.zip",  "new.html",      "B1002.ZIP",
                                             "B1002.Html", "sub/page.html", "sub/B1002.zip"};
  std::vector<ZipEntry> entries;
  for (const std::string& name : harmless) entries.push_back(ZipEntry::File(name, "new " + name));
  std::string archive = Package("1001.zip", entries);
  const std::string neighbour = ReadFileForTest(bak_ + "/B1002.zip");
  EXPECT_EQ(Run(archive), ZipResult::kOk) << zip_.LastResultDescription();
  for (const std::string& name : harmless) {
    EXPECT_EQ(ReadFileForTest(bak_ + "/" + name), "new " + name);
  }
  EXPECT_EQ(ReadFileForTest(bak_ + "/B1002.zip"), neighbour);
  EXPECT_EQ(ReadFileForTest(bak_ + "/B1002.html"), "B's page");
  EXPECT_FALSE(fs::exists(bak_ + "/1001.html"));
}

// Peak memory of `work` run in a child process, in kilobytes above what the
// child started with, or -1 when the child failed.
long PeakMemoryGrowthKb(const std::function<bool()>& work) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  pid_t child = fork();
  if (child == 0) {
    struct rusage before, after;
    getrusage(RUSAGE_SELF, &before);
    const bool ok = work();
    getrusage(RUSAGE_SELF, &after);
    long growth = ok ? after.ru_maxrss - before.ru_maxrss : -1;
    ssize_t written = write(fds[1], &growth, sizeof growth);
    _exit(written == sizeof growth ? 0 : 1);
  }
  close(fds[1]);
  long growth = -1;
  if (read(fds[0], &growth, sizeof growth) != sizeof growth) growth = -1;
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? growth : -1;
}

TEST_F(ArchiveZipComponentTest, RefusesAPackageOfVeryLongNamesInLittleMemory) {
  // Four entries of about 64 KB of name each, 32,764 folders deep.
  std::vector<ZipEntry> entries;
  for (const char* top : {"bK/", "bL/", "bM/", "bN/"}) {
    std::string name = top;
    for (int i = 0; i < 32764; ++i) name += "a/";
    entries.push_back(ZipEntry::File(name + "f", "x"));
  }
  std::string archive = Package("long.zip", entries);
  Listing before = ListTree(dir_.path());
  const long growth_kb = PeakMemoryGrowthKb([&] {
    return Run(archive) == ZipResult::kUnsafeEntry &&
           zip_.LastResultDescription().find("（条目名称长 65532 字节，超过 1024 字节的上限）") !=
               std::string::npos;
  });
  EXPECT_GE(growth_kb, 0) << "the package was not refused for its name";
  EXPECT_LT(growth_kb, 50 * 1024);
  EXPECT_EQ(ListTree(dir_.path()), before);
}

TEST_F(ArchiveZipComponentTest, RefusesDeviceEntries) {
  WriteZip(bak_ + "/1001.zip", {ZipEntry::File("tty", "x"), ZipEntry::File("Pbase.mdb", "y")});
  SetFirstEntryMode(bak_ + "/1001.zip", 020644);  // a character device
  ExpectRefused(bak_ + "/1001.zip", ZipResult::kUnsafeEntry, "tty（条目是设备文件、管道或套接字）");
}

TEST_F(ArchiveZipComponentTest, NeverWritesThroughALinkInTheDestination) {
  fs::create_directory_symlink(dir_.File("outside"), bak_ + "/sub");
  std::string archive = Package(
      "1001.zip", {ZipEntry::File("Analysis.mdb", "new"), ZipEntry::File("sub/evil.txt", "x")});
  ExpectRefused(archive, ZipResult::kWriteFailed, bak_ + "/sub");
}

TEST_F(ArchiveZipComponentTest, RefusesAFileWhereAFolderStandsBeforeMovingAnything) {
  fs::create_directory(bak_ + "/Pbase.mdb");
  std::string archive = Package(
      "1001.zip", {ZipEntry::File("Analysis.mdb", "new"), ZipEntry::File("Pbase.mdb", "bank")});
  ExpectRefused(archive, ZipResult::kWriteFailed, bak_ + "/Pbase.mdb（已有同名的文件夹）");
}

TEST_F(ArchiveZipComponentTest, CapsTheNumberOfEntries) {
  zip_.SetLimits({.max_entries = 3});
  std::string three = Package(
      "three.zip",
      {ZipEntry::Directory("sub/"), ZipEntry::File("sub/a", "a"), ZipEntry::File("b", "b")});
  EXPECT_EQ(Run(three), ZipResult::kOk);

  std::string four =
      Package("four.zip", {ZipEntry::File("Analysis.mdb", "new"), ZipEntry::File("a", "a"),
                           ZipEntry::File("b", "b"), ZipEntry::File("c", "c")});
  ExpectRefused(four, ZipResult::kLimitExceeded, "four.zip：c（条目数超过 3 个）");
}

TEST_F(ArchiveZipComponentTest, CapsTheTotalBytesUnpacked) {
  zip_.SetLimits({.max_total_bytes = 100 * 1024});
  std::string exact = Package("exact.zip", {ZipEntry::File("a", RandomBytes(50 * 1024, 1)),
                                            ZipEntry::File("b", RandomBytes(50 * 1024, 2))});
  EXPECT_EQ(Run(exact), ZipResult::kOk);

  // The second entry passes the cap only after the first was unpacked.
  std::string over = Package("over.zip", {ZipEntry::File("Analysis.mdb", RandomBytes(60 * 1024, 3)),
                                          ZipEntry::File("Pbase.mdb", RandomBytes(60 * 1024, 4))});
  ExpectRefused(over, ZipResult::kLimitExceeded,
                "over.zip：Pbase.mdb（解压后的数据总量超过 102400 字节）");
}

TEST_F(ArchiveZipComponentTest, CapsTheRatioOfAnEntryAboveTheFloor) {
  zip_.SetLimits({.max_ratio = 10, .ratio_floor_bytes = 64 * 1024});
  std::string fine =
      Package("fine.zip", {ZipEntry::File("small-zeros", std::string(60 * 1024, '\0')),
                           ZipEntry::File("random", RandomBytes(1 << 20))});
  EXPECT_EQ(Run(fine), ZipResult::kOk) << zip_.LastResultDescription();

  std::string bomb = Package("bomb.zip", {ZipEntry::File("Analysis.mdb", "new"),
                                          ZipEntry::File("zeros", std::string(1 << 20, '\0'))});
  ExpectRefused(bomb, ZipResult::kLimitExceeded,
                "bomb.zip：zeros（解压后与压缩时的大小之比超过 10:1）");
}

TEST_F(ArchiveZipComponentTest, DefaultRatioCapStopsARunOfZeros) {
  // Deflate packs zeros a little past 1000:1.
  std::string bomb =
      Package("bomb.zip", {ZipEntry::File("Analysis.mdb", std::string(8 << 20, '\0'))});
  ExpectRefused(bomb, ZipResult::kLimitExceeded, "（解压后与压缩时的大小之比超过 1000:1）");
}

TEST_F(ArchiveZipComponentTest, EachRunUsesOnlyItsOwnSettings) {
  std::string other = dir_.File("other");
  fs::create_directory(other);
  std::string first = Package(
      "1001.zip", {ZipEntry::File("Analysis.mdb", "first"), ZipEntry::File("only-first.txt", "1")});
  WriteZip(other + "/1002.zip", {ZipEntry::File("Analysis.mdb", "second")},
           {.encryption = ZipEncryption::kAes256});

  ASSERT_EQ(Run(first), ZipResult::kOk);
  Listing bak_after_first = ListTree(bak_);
  EXPECT_EQ(Run(bak_ + "/missing.zip"), ZipResult::kArchiveUnreadable);
  ASSERT_EQ(Run(other + "/1002.zip", other), ZipResult::kOk) << zip_.LastResultDescription();
  EXPECT_EQ(zip_.LastResultDescription(), "");

  EXPECT_EQ(ListTree(bak_), bak_after_first);
  EXPECT_EQ(ListTree(other), (Listing{{"1002.zip", ReadFileForTest(other + "/1002.zip")},
                                      {"Analysis.mdb", "second"}}));
}

}  // namespace
}  // namespace generatesheet
