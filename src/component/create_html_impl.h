// The state and the private procedures of one CreateHtml object.  The
// procedures live in the subsystem that owns them: the driver and the
// connection steps in component/, page assembly and the renderers in
// render/.
//
// Every procedure that can fail runs its body under Reported(): a failure
// thrown inside becomes ErrMsg = prefix + description, and the procedure
// returns its empty result.  Nothing is thrown out of a public member.
#ifndef GENERATESHEET_COMPONENT_CREATE_HTML_IMPL_H_
#define GENERATESHEET_COMPONENT_CREATE_HTML_IMPL_H_

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

#include "data/cipher.h"
#include "data/recordset.h"
#include "generatesheet/connection.h"
#include "generatesheet/create_html.h"

namespace generatesheet {

// The one subject whose question bank holds numeric type ids and whose page
// suppresses some answers; compared exactly.
inline constexpr char kFundamentalsSubject[] = "计算机应用基础";

class CreateHtml::Impl {
 public:
  // Public members of CreateHtml.
  std::shared_ptr<Connection> AnalysisConn();
  std::shared_ptr<Connection> PbaseConn();
  bool GenerateSheet();
  void InitAnalysisConn();
  void InitPbaseConn();

  // Private procedures.
  void GePaperInfo();
  std::string SelectPaper();
  std::string LunShu(const std::string& column_name, const std::string& column_value);
  std::string FuHeTi(const std::string& data_code);
  std::string GetBigQuestion(const std::string& rec_code);
  std::string SingleChoose(const std::string& column_name, const std::string& column_value);
  std::string GetSelectOption(std::int16_t question_no);
  std::string GetAnswerAndAnalysis(std::int16_t question_no);
  std::string GetPaperTotleInfo();
  std::string RtfToText(const std::string& rich_text);

  // Runs `body`; on failure reports it under `prefix` and returns R{}.
  template <typename Body>
  auto Reported(const char* prefix, Body&& body) -> decltype(body()) {
    try {
      return body();
    } catch (const std::exception& e) {
      err_msg = std::string(prefix) + e.what();
    } catch (...) {
      err_msg = std::string(prefix) + "未知错误";
    }
    using Result = decltype(body());
    if constexpr (!std::is_void_v<Result>) return Result{};
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
  std::string err_msg;
  std::unique_ptr<Cipher> cipher;
  std::string page_path;

 private:
  std::int16_t ExtractPackage();
  void CloseConnections() noexcept;
  Cipher& RequireCipher();
  std::string QuestionTable(const Recordset& rs, const char* table_class, const char* table_end,
                            bool with_options);
  std::string RenderQuestions(const char* table_class, const char* table_end, bool with_options,
                              const std::string& column_name, const std::string& column_value);
  std::string TitleQuery(const std::string& column_name, const std::string& column_value);
};

}  // namespace generatesheet

#endif  // GENERATESHEET_COMPONENT_CREATE_HTML_IMPL_H_
