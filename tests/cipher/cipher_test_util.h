// Helpers shared by the cipher tests: a temporary folder and whole-file I/O.
#ifndef GENERATESHEET_TESTS_CIPHER_CIPHER_TEST_UTIL_H_
#define GENERATESHEET_TESTS_CIPHER_CIPHER_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace generatesheet {

class CipherTempDir {
 public:
  CipherTempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "gs-cipher-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
  }
  ~CipherTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  std::string Path(const std::string& name) const { return path_ + "/" + name; }

  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(Path(name), std::ios::binary | std::ios::trunc);
    out << bytes;
  }

  std::string Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::string path_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_TESTS_CIPHER_CIPHER_TEST_UTIL_H_
