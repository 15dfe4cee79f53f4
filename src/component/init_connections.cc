// The two connection steps: decrypt the answer database and give each
// connection its connection string.  Neither opens a connection.
#include "component/create_html_impl.h"
#include "component/error_prefixes.h"
#include "util/log.h"

namespace generatesheet {

namespace {
constexpr char kProvider[] = "Provider = Microsoft.Jet.OLEDB.4.0;Data Source=";
constexpr char kPersistSecurityInfo[] = ";Persist Security Info=False";
}  // namespace

void CreateHtml::Impl::InitAnalysisConn() {
  Reported(prefix::kInitAnalysisConn, [&] {
    std::string path = bak_data_path + "\\Analysis.mdb";
    // The new instance replaces the old one only once it exists.
    cipher = CreateCipher();
    // A Null answer counts as false: nothing is reported then.
    if (cipher->zqDecryptFile(path, "").value_or(false)) {
      AnalysisConn()->SetConnectionString(kProvider + path + kPersistSecurityInfo);
    }
  });
}

void CreateHtml::Impl::InitPbaseConn() {
  try {
    PbaseConn()->SetConnectionString(kProvider + bak_data_path + "\\Pbase.mdb" +
                                     kPersistSecurityInfo);
  } catch (const std::exception& e) {
    err_msg = std::string(prefix::kInitPbaseConn) + e.what();
    AppendLogLine(err_msg);
  }
}

}  // namespace generatesheet
