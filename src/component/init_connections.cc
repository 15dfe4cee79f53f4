// The two connection steps: decrypt the answer database and give each
// connection its connection string.  Neither opens a connection.
#include <cstdlib>

#include "component/create_html_impl.h"
#include "component/error_prefixes.h"
#include "data/sodium_cipher.h"
#include "util/error.h"
#include "util/log.h"
#include "util/path.h"

namespace generatesheet {

namespace {

constexpr char kProvider[] = "Provider = Microsoft.Jet.OLEDB.4.0;Data Source=";
constexpr char kPersistSecurityInfo[] = ";Persist Security Info=False";

// Leaves a connection that did not get this run's string pointing nowhere,
// as on a fresh object: an open one (only a host opens it between runs) is
// let go, a closed one emptied.
void Forget(std::shared_ptr<Connection>& connection) {
  if (!connection) return;
  if (connection->IsOpen()) {
    connection.reset();
  } else {
    connection->SetConnectionString("");
  }
}

std::string KeyMismatch(const std::string& package) {
  std::string text = "答卷数据无法解密：密钥文件与此答卷包不符（答卷包：" + package;
  const char* key_file = std::getenv(kKeyFileEnvironmentVariable);
  if (key_file != nullptr && *key_file != '\0') text += "，密钥文件：" + std::string(key_file);
  return text + "）";
}

}  // namespace

void CreateHtml::Impl::InitAnalysisConn() {
  bool pointed = false;
  Reported(prefix::kInitAnalysisConn, [&] {
    std::string path = bak_data_path + "\\Analysis.mdb";
    try {
      // The new instance replaces the old one only once it exists.
      cipher = CreateCipher();
      // A Null answer counts as false: nothing is reported then.
      if (cipher->zqDecryptFile(path, "").value_or(false)) {
        AnalysisConn()->SetConnectionString(kProvider + path + kPersistSecurityInfo);
        pointed = true;
      }
    } catch (const KeyMismatchError&) {
      throw RunCauseError(KeyMismatch(NativePath(bak_data_path + "\\" + zip_paper_name)));
    } catch (const Error& e) {
      // Every later read of the answers fails for this one reason.
      throw RunCauseError(e.what());
    }
  });
  if (!pointed) Forget(analysis_conn);
}

void CreateHtml::Impl::InitPbaseConn() {
  try {
    PbaseConn()->SetConnectionString(kProvider + bak_data_path + "\\Pbase.mdb" +
                                     kPersistSecurityInfo);
  } catch (const std::exception& e) {
    // Only an open connection refuses the string: the host opened it, and
    // it stays the host's, open as it was.  A run closes both connections
    // before this step, so no run reads an earlier package through it.
    Report(prefix::kInitPbaseConn + std::string(e.what()));
    AppendLogLine(err_msg);
  }
}

}  // namespace generatesheet
