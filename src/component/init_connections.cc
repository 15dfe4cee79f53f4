// The two connection steps: decrypt the answer database and give each
// connection its connection string.  Neither opens a connection.
#include "cipher/sodium_cipher.h"
#include "component/create_html_impl.h"
#include "component/error_prefixes.h"
#include "render/incomplete_notice.h"
#include "util/error.h"
#include "util/log.h"

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

// The file's format cannot tell a wrong key from damaged data: both are
// named.
std::string KeyMismatch(const std::string& package, const std::string& key_file) {
  std::string text = "答卷数据无法解密：密钥文件不符，或答卷数据已损坏（答卷包：" + package;
  if (!key_file.empty()) text += "，密钥文件：" + key_file;
  return text + "）";
}

}  // namespace

void CreateHtml::Impl::InitAnalysisConn() { PrepareAnalysis(nullptr); }

void CreateHtml::Impl::PrepareAnalysis(std::unique_ptr<Cipher> unpacked_by) {
  bool pointed = false;
  const bool unpacked_plain = unpacked_by != nullptr;
  Reported(prefix::kInitAnalysisConn, [&] {
    const std::string path = BakFolder() + "/Analysis.mdb";
    // The new instance replaces the old one only once it exists.
    try {
      cipher = unpacked_plain ? std::move(unpacked_by) : CreateCipher(KeyFilePath());
    } catch (const Error& e) {
      // Every later read of the answers fails for want of the key.
      throw RunCauseError(FailureKind::kOther, KeyFileOrDefault(KeyFilePath()), e.what(),
                          std::string(AdviceFor(Remedy::kKeyFile)));
    }
    try {
      // A refusal or a Null answer is reported by nobody here.
      // Decrypted while it was unpacked, as in place: it is plain now.
      if (unpacked_plain || cipher->DecryptFileInPlace(path, "") == FileDecryption::kDecrypted) {
        AnalysisConn()->SetConnectionString(kProvider + bak_data_path + "\\Analysis.mdb" +
                                            kPersistSecurityInfo);
        pointed = true;
      }
    } catch (const KeyMismatchError&) {
      throw RunCauseError(FailureKind::kKeyMismatch, PackagePath(),
                          KeyMismatch(PackagePath(), KeyFileOrDefault(KeyFilePath())),
                          std::string(AdviceFor(Remedy::kKeyOrPackage)));
    } catch (const Error& e) {
      // Every later read of the answers fails for this one reason.
      throw RunCauseError(e.what(), std::string(AdviceFor(Remedy::kPackage)));
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
    Report({prefix::kInitPbaseConn, e.what()});
    AppendLogLine(err_msg);
  }
}

}  // namespace generatesheet
