// The public surface of CreateHtml: property storage and forwarding to the
// procedures of CreateHtml::Impl.
#include "generatesheet/create_html.h"

#include "component/create_html_impl.h"
#include "util/file_util.h"
#include "util/log.h"
#include "util/path.h"

namespace generatesheet {

CreateHtml::CreateHtml() : impl_(std::make_unique<Impl>()) {}
CreateHtml::~CreateHtml() = default;

std::shared_ptr<Connection> CreateHtml::Impl::AnalysisConn() {
  if (!analysis_conn) analysis_conn = std::make_shared<Connection>();
  return analysis_conn;
}

std::shared_ptr<Connection> CreateHtml::Impl::PbaseConn() {
  if (!pbase_conn) pbase_conn = std::make_shared<Connection>();
  return pbase_conn;
}

std::shared_ptr<Connection> CreateHtml::AnalysisConn() { return impl_->AnalysisConn(); }
void CreateHtml::SetAnalysisConn(std::shared_ptr<Connection> c) { impl_->analysis_conn = c; }
std::shared_ptr<Connection> CreateHtml::PbaseConn() { return impl_->PbaseConn(); }
void CreateHtml::SetPbaseConn(std::shared_ptr<Connection> c) { impl_->pbase_conn = c; }

// Each member that may log points this thread's log at the object's target.
bool CreateHtml::GenerateSheet() {
  ScopedLogTarget log(impl_->log);
  return impl_->GenerateSheet();
}
void CreateHtml::WriteLog(std::string line) {
  ScopedLogTarget log(impl_->log);
  AppendLogLine(line);
}
void CreateHtml::InitAnalysisConn() {
  ScopedLogTarget log(impl_->log);
  impl_->InitAnalysisConn();
}
void CreateHtml::InitPbaseConn() {
  ScopedLogTarget log(impl_->log);
  impl_->InitPbaseConn();
}
void CreateHtml::Delfile(std::string& filepath) { DeleteFileIfExists(NativePath(filepath)); }

std::string CreateHtml::StudentName() const { return impl_->student_name; }
void CreateHtml::SetStudentName(std::string sValue) { impl_->student_name = std::move(sValue); }
std::string CreateHtml::TemplatePath() const { return impl_->template_path; }
void CreateHtml::SetTemplatePath(std::string sValue) { impl_->template_path = std::move(sValue); }
std::string CreateHtml::DocumentPath() const { return impl_->document_path; }
void CreateHtml::SetDocumentPath(std::string sValue) { impl_->document_path = std::move(sValue); }
std::string CreateHtml::BakDataPath() const { return impl_->bak_data_path; }
void CreateHtml::SetBakDataPath(std::string sValue) { impl_->bak_data_path = std::move(sValue); }
std::string CreateHtml::ZipPaperName() const { return impl_->zip_paper_name; }
void CreateHtml::SetZipPaperName(std::string sValue) { impl_->zip_paper_name = std::move(sValue); }
std::string CreateHtml::ZipPassword() const { return impl_->zip_password; }
void CreateHtml::SetZipPassword(std::string sValue) { impl_->zip_password = std::move(sValue); }
std::string CreateHtml::ErrMsg() const { return impl_->err_msg; }
void CreateHtml::SetErrMsg(std::string sValue) { impl_->err_msg = std::move(sValue); }
std::string CreateHtml::StudentID() const { return impl_->student_id; }
void CreateHtml::SetStudentID(std::string sValue) { impl_->student_id = std::move(sValue); }
std::string CreateHtml::Subject() const { return impl_->subject; }
void CreateHtml::SetSubject(std::string sValue) { impl_->subject = std::move(sValue); }
std::string CreateHtml::HTMLPaperPath() const { return impl_->html_paper_path; }
void CreateHtml::SetHTMLPaperPath(std::string sValues) {
  impl_->html_paper_path = std::move(sValues);
}
std::string CreateHtml::LogFolder() const { return impl_->log.folder; }
void CreateHtml::SetLogFolder(std::string folder) { impl_->log.folder = std::move(folder); }
void CreateHtml::SetLogCallback(std::function<void(std::string_view line)> callback) {
  impl_->log.callback =
      callback ? std::make_shared<const LogCallback>(std::move(callback)) : nullptr;
}
std::string CreateHtml::KeyFile() const { return impl_->key_file; }
void CreateHtml::SetKeyFile(std::string path) { impl_->key_file = std::move(path); }
std::string CreateHtml::PagePath() const { return impl_->page_path; }
bool CreateHtml::Marks() const { return impl_->marks; }
void CreateHtml::SetMarks(bool sValue) { impl_->marks = sValue; }
bool CreateHtml::IncompleteNotice() const { return impl_->incomplete_notice; }
void CreateHtml::SetIncompleteNotice(bool sValue) { impl_->incomplete_notice = sValue; }
bool CreateHtml::StudentTitle() const { return impl_->student_title; }
void CreateHtml::SetStudentTitle(bool sValue) { impl_->student_title = sValue; }
const std::vector<QuestionResult>& CreateHtml::Results() const { return impl_->results; }
const std::vector<std::string>& CreateHtml::ResultSections() const {
  return impl_->result_sections;
}
const std::vector<std::string>& CreateHtml::ResultTexts() const { return impl_->result_texts; }
Outcome CreateHtml::PageOutcome() const { return impl_->outcome; }
std::string CreateHtml::PackageSha256() const { return impl_->package_sha256; }
const RunFailure& CreateHtml::Failure() const { return impl_->failure; }

}  // namespace generatesheet
