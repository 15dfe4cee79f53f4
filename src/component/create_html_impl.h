// The state and the private procedures of one CreateHtml object.  The
// component drives a run: the driver and the connection steps live in
// component/; the page and everything on it is rendered in render/, which
// the component hands what it needs through a RenderContext.
//
// Every procedure that can fail runs its body under Reported(): a failure
// thrown inside becomes ErrMsg = prefix + description, and the procedure
// returns its empty result.  Nothing is thrown out of a public member.
#ifndef GENERATESHEET_COMPONENT_CREATE_HTML_IMPL_H_
#define GENERATESHEET_COMPONENT_CREATE_HTML_IMPL_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cipher/cipher.h"
#include "generatesheet/connection.h"
#include "generatesheet/create_html.h"
#include "generatesheet/run_failure.h"
#include "util/error_sink.h"
#include "util/log.h"

namespace generatesheet {

class CreateHtml::Impl : public ErrorSink {
 public:
  // Public members of CreateHtml.
  std::shared_ptr<Connection> AnalysisConn();
  std::shared_ptr<Connection> PbaseConn();
  bool GenerateSheet();
  void InitAnalysisConn();
  void InitPbaseConn();

  // ErrMsg keeps the last report only; each report counts as a failure of
  // the run, and the first cause is what the run reports in the end.
  void Report(FailureReport report) override;

  // What the current run has come to; emptied when a run starts.
  struct RunRecord {
    int failures = 0;    // reports written to ErrMsg
    int questions = 0;   // question tables rendered
    RunFailure last;     // the last report, as ErrMsg holds it
    RunFailure cause;    // the report that explains the run's other failures
    std::string advice;  // what to do about the cause, in plain words
  };

  // Runs `body`; on failure reports it under `prefix` and returns R{}.
  template <typename Body>
  auto Reported(std::string_view prefix, Body&& body) -> decltype(body()) {
    return ::generatesheet::Reported(*this, prefix, std::forward<Body>(body));
  }

  std::shared_ptr<Connection> analysis_conn;
  std::shared_ptr<Connection> pbase_conn;
  std::string student_id;
  std::string student_name;
  std::string subject;
  std::string html_paper_path;
  std::string document_path;
  std::string bak_data_path;
  std::string zip_paper_name;
  std::string zip_password;
  std::string template_path;
  std::string key_file;  // "" for the environment's
  LogTarget log;         // folder "" and no callback for the default
  std::string err_msg;
  std::unique_ptr<Cipher> cipher;
  std::string page_path;
  std::string package_sha256;  // of the package the last run extracted
  bool marks = false;
  bool incomplete_notice = false;
  bool student_title = false;
  std::vector<QuestionResult> results;
  std::vector<std::string> result_sections;  // one per result
  std::vector<std::string> result_texts;     // one per result
  Outcome outcome = Outcome::kNotWritten;
  RunFailure failure;  // why the last run fell short
  RunRecord run;

 private:
  void SettleOutcome();
  // The notice a page lacking parts gets at the top of its content, from
  // what the run has reported so far; "" for a whole page.
  std::string IncompleteNotice(int questions_rendered) const;
  static std::string NoQuestionNote(const std::string& subject);
  // Extracts the package; with `unpacking`, its answer database decrypted
  // on the way, `*decrypted` telling whether it was.
  std::int16_t ExtractPackage(Cipher* unpacking, bool* decrypted);
  // A cipher that can decrypt the answer database while it is unpacked, or
  // null when it is to be decrypted in place after.
  std::unique_ptr<Cipher> CipherForUnpacking() const;
  // InitAnalysisConn, with the cipher that decrypted the database while it
  // was unpacked when there was one.
  void PrepareAnalysis(std::unique_ptr<Cipher> unpacked_by);
  RunFailure ExtractionFailure(std::int16_t code) const;
  // The host's paths as the file system takes them: "\" separates folders
  // as "/" does (util/path.h).
  std::string BakFolder() const;
  std::string PackagePath() const;
  std::string PagePathToWrite() const;
  std::string KeyFilePath() const;
  // Renders the paper into the template and writes the page; PagePath tells
  // whether it was written.
  void WritePage();
  void CloseConnections() noexcept;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_COMPONENT_CREATE_HTML_IMPL_H_
