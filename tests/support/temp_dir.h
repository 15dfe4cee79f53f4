// A fresh folder under the system's temporary directory, removed with all
// its content when the object goes.
#ifndef GENERATESHEET_TESTS_SUPPORT_TEMP_DIR_H_
#define GENERATESHEET_TESTS_SUPPORT_TEMP_DIR_H_

#include <string>

namespace generatesheet::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without a trailing "/".
  const std::string& path() const { return path_; }
  // path() + "/" + name.
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Reads and writes whole files for tests; throw std::runtime_error on failure.
std::string ReadFileForTest(const std::string& path);
void WriteFileForTest(const std::string& path, const std::string& content);

}  // namespace generatesheet::testing

#endif  // GENERATESHEET_TESTS_SUPPORT_TEMP_DIR_H_
