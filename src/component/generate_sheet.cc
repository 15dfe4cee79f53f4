// The driver: extract the package, prepare both databases, write the page.
#include "component/create_html_impl.h"
#include "component/error_prefixes.h"
#include "package/thread_zip_component.h"

namespace generatesheet {

namespace {
// The fixed settings the package is always extracted with.
constexpr bool kFixedFlag = false;
constexpr std::int16_t kFixedOption = 2;
constexpr char kPackagePassword[] = "qvk";
// Besides 0, the one result code that counts as a successful extraction.
constexpr std::int16_t kAlsoExtracted = 40;
}  // namespace

std::int16_t CreateHtml::Impl::ExtractPackage() {
  ZipComponent& zip = ThreadZipComponent();
  zip.SetZipFilename(bak_data_path + "\\" + zip_paper_name);
  zip.SetUnzipToFolder(bak_data_path);
  zip.SetFixedFlag(kFixedFlag);
  zip.SetFixedOption(kFixedOption);
  zip.SetEncryptionPassword(kPackagePassword);
  return zip.Unzip(0);
}

bool CreateHtml::Impl::GenerateSheet() {
  page_path.clear();
  results.clear();
  bool result = Reported(prefix::kGenerateSheet, [&] {
    const std::int16_t code = ExtractPackage();
    if (code != 0 && code != kAlsoExtracted) return false;
    InitAnalysisConn();
    InitPbaseConn();
    WritePage();
    return true;
  });
  // Closing both connections lets the same object serve the next student.
  CloseConnections();
  return result;
}

void CreateHtml::Impl::CloseConnections() noexcept {
  if (analysis_conn) analysis_conn->Close();
  if (pbase_conn) pbase_conn->Close();
}

}  // namespace generatesheet
