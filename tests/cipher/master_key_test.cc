#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>
#include <string>

#include "cipher/cipher_test_util.h"
#include "cipher/sodium_cipher.h"
#include "util/error.h"

namespace generatesheet {
namespace {

const std::string kHex = "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f";

class MasterKeyTest : public ::testing::Test {
 protected:
  // Reading the key file `content` must fail with an error naming the file.
  void ExpectMalformed(const std::string& content) {
    SCOPED_TRACE(content);
    dir_.Write("master.key", content);
    try {
      ReadMasterKeyFile(dir_.Path("master.key"));
      ADD_FAILURE() << "accepted";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("无法读取主密钥文件：" + dir_.Path("master.key")),
                std::string::npos)
          << e.what();
    }
  }

  CipherTempDir dir_;
};

TEST_F(MasterKeyTest, ReadsTheDocumentedFormat) {
  MasterKey expected;
  for (size_t i = 0; i < expected.size(); ++i) expected[i] = static_cast<unsigned char>(i);

  dir_.Write("master.key", "GenerateSheet master key 1\n" + kHex + "\n");
  EXPECT_EQ(ReadMasterKeyFile(dir_.Path("master.key")), expected);

  // Comments, blank lines, CRLF line ends and capital hex digits are fine.
  std::string upper = kHex;
  for (char& c : upper) c = static_cast<char>(std::toupper(c));
  dir_.Write(
      "master.key",
      "GenerateSheet master key 1\r\n# 演示密钥，仅供示例答卷包使用，不保密\r\n\r\n" + upper);
  EXPECT_EQ(ReadMasterKeyFile(dir_.Path("master.key")), expected);
}

TEST_F(MasterKeyTest, RefusesAnythingElse) {
  ExpectMalformed("");
  ExpectMalformed(kHex + "\n");                                             // no header
  ExpectMalformed("GenerateSheet master key 2\n" + kHex + "\n");            // other version
  ExpectMalformed("GenerateSheet master key 1\n");                          // no key
  ExpectMalformed("GenerateSheet master key 1\n" + kHex.substr(2) + "\n");  // short
  ExpectMalformed("GenerateSheet master key 1\n" + kHex + "00\n");          // long
  ExpectMalformed("GenerateSheet master key 1\n" + kHex.substr(2) + "zz\n");
  ExpectMalformed("GenerateSheet master key 1\n" + kHex + "\n" + kHex + "\n");
  ExpectMalformed("GenerateSheet master key 1\n " + kHex + "\n");
  ExpectMalformed("GenerateSheet master key 1\n" + kHex + "\n" + std::string(5000, '#'));
  // 32 raw bytes are not a key file of ours.
  ExpectMalformed(std::string(32, '\x01'));

  try {
    ReadMasterKeyFile(dir_.Path("missing.key"));
    ADD_FAILURE() << "accepted";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(dir_.Path("missing.key")), std::string::npos);
  }
}

TEST_F(MasterKeyTest, NewKeyFilesArePrivateRandomAndNeverOverwritten) {
  WriteNewMasterKeyFile(dir_.Path("a.key"));
  WriteNewMasterKeyFile(dir_.Path("b.key"));
  EXPECT_NE(ReadMasterKeyFile(dir_.Path("a.key")), ReadMasterKeyFile(dir_.Path("b.key")));
  EXPECT_EQ(dir_.Names(), (std::set<std::string>{"a.key", "b.key"}));

  struct stat info;
  ASSERT_EQ(::stat(dir_.Path("a.key").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);

  const std::string before = dir_.Read("a.key");
  try {
    WriteNewMasterKeyFile(dir_.Path("a.key"));
    ADD_FAILURE() << "overwrote a key file";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("已存在"), std::string::npos) << e.what();
  }
  EXPECT_EQ(dir_.Read("a.key"), before);
  EXPECT_EQ(dir_.Names(), (std::set<std::string>{"a.key", "b.key"}));

  EXPECT_THROW(WriteNewMasterKeyFile(dir_.Path("no/such/folder.key")), Error);
}

}  // namespace
}  // namespace generatesheet
