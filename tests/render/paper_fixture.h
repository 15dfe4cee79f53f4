// A fixture that builds a real answer package (real .mdb files, real
// encryption, a real zip) from a few lines of description, runs the system
// on it and hands back the rendered content.
#ifndef GENERATESHEET_TESTS_RENDER_PAPER_FIXTURE_H_
#define GENERATESHEET_TESTS_RENDER_PAPER_FIXTURE_H_

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>

#include "builder/package/answer_package.h"
#include "cipher/sodium_cipher.h"
#include "generatesheet/create_html.h"
#include "support/temp_dir.h"

namespace generatesheet::testing {

using builder::Cell;
using builder::PackageDescription;
using builder::Row;

class PaperTest : public ::testing::Test {
 protected:
  PaperTest() {
    const std::string key_file = dir_.File("master.key");
    WriteNewMasterKeyFile(key_file);
    ::setenv(kKeyFileEnvironmentVariable, key_file.c_str(), 1);
    cipher_ = std::make_unique<SodiumCipher>(ReadMasterKeyFile(key_file));
    WriteFileForTest(dir_.File("template.html"), "$Content$");
    std::filesystem::create_directory(dir_.File("pages"));
    paper_.student_id = "1001";
    sheet_.SetStudentID("1001");
    sheet_.SetStudentName("张三");
    sheet_.SetSubject("英语");
    sheet_.SetTemplatePath(dir_.File("template.html"));
    sheet_.SetHTMLPaperPath(dir_.File("pages") + "/");
  }
  ~PaperTest() override { ::unsetenv(kKeyFileEnvironmentVariable); }

  // Packs `paper_` as <dir>/<folder>/<folder>.zip, runs GenerateSheet on it
  // and returns the page without its final line break ("" when no page).
  // With `values_cipher`, the values inside Analysis.mdb are encrypted under
  // another master key than the file itself.
  std::string Generate(const std::string& folder = "1001", SodiumCipher* values_cipher = nullptr) {
    const std::string bak = dir_.File(folder);
    std::filesystem::create_directories(bak);
    if (values_cipher == nullptr) {
      builder::BuildAnswerPackage(paper_, *cipher_, bak + "/" + folder + ".zip");
    } else {
      const std::string staging = dir_.File(folder + "-staging");
      std::filesystem::create_directories(staging);
      builder::WriteDatabases(paper_, *values_cipher, staging, {"", false});
      cipher_->EncryptFile(staging + "/Analysis.mdb");
      builder::WriteZip(
          bak + "/" + folder + ".zip",
          {{"Pbase.mdb", staging + "/Pbase.mdb"}, {"Analysis.mdb", staging + "/Analysis.mdb"}},
          "qvk", "zipcrypt");
    }
    return Run(folder);
  }

  // Runs GenerateSheet on the package <dir>/<folder>/<folder>.zip and
  // returns the page as Generate does.
  std::string Run(const std::string& folder) {
    sheet_.SetBakDataPath(dir_.File(folder));
    sheet_.SetZipPaperName(folder + ".zip");
    generated_ = sheet_.GenerateSheet();
    if (sheet_.PagePath().empty()) return "";
    std::string page = ReadFileForTest(sheet_.PagePath());
    if (page.ends_with("\r\n")) page.resize(page.size() - 2);
    return page;
  }

  // The header the page shows for the default student and `score`.
  std::string Header(const std::string& score) const {
    return "<div class='paperTitle'>学号：1001&nbsp;&nbsp;姓名：张三&nbsp;&nbsp;科目：" +
           sheet_.Subject() + "&nbsp;&nbsp;试卷总分：100&nbsp;&nbsp;考生得分：" + score + "</div>";
  }

  void Section(int cmd_id, Cell data_code, Cell style, Cell type_id = Cell(),
               Cell start_exe = Cell()) {
    paper_.question_types.push_back({{"I_CmdId", cmd_id},
                                     {"C_DataCode", data_code},
                                     {"C_TestStyle", style},
                                     {"I_TypeID", type_id},
                                     {"C_Startexe", start_exe}});
  }
  void Question(int no, Cell title, Cell data_code, Cell rec_code = "", Cell type_id = Cell()) {
    paper_.titles.push_back({{"I_QuestionNo", no},
                             {"M_Title", title},
                             {"C_DataCode", data_code},
                             {"C_RecCode", rec_code},
                             {"I_TypeID", type_id}});
  }
  void Option(int no, Cell letter, Cell text) {
    paper_.choices.push_back(
        {{"I_QuestionNo", no}, {"C_ChoiceAnswer", letter}, {"M_AnswerCont", text}});
  }
  void Passage(Cell code, Cell text) {
    paper_.common_items.push_back({{"C_RecCode", code}, {"M_Title", text}});
  }
  // One answered question: its account row and its analysis row.
  void Answer(int no, int type, Cell student, Cell standard, Cell analysis, Cell score = 1,
              Cell got = "0") {
    paper_.accounts.push_back({{"I_QuestionNo", no}, {"S_GetScore", got}, {"I_RECNO", 500 + no}});
    paper_.analysis.push_back({{"I_QuestionNo", no},
                               {"I_TypeID", type},
                               {"M_StudentAnswer", student},
                               {"M_TopicAns", standard},
                               {"M_Analysis", analysis},
                               {"S_Score", score}});
  }

  TempDir dir_;
  std::unique_ptr<SodiumCipher> cipher_;
  PackageDescription paper_;
  CreateHtml sheet_;
  bool generated_ = false;
};

// The answer rows of one question.
inline std::string ChoiceRows(const std::string& student, const std::string& standard,
                              const std::string& analysis) {
  return "<tr><td class='bottom'>考生答案：" + student + " &nbsp;&nbsp;标准答案：" + standard +
         "</td></tr><tr><td class='bottom'>试题解析：" + analysis + "</td></tr>";
}
inline std::string TextRows(const std::string& student, const std::string& standard,
                            const std::string& analysis) {
  return "<tr><td class='bottom'>考生答案：" + student +
         "</td></tr><tr><td class='bottom'>标准答案：" + standard +
         "</td></tr><tr><td class='bottom'>试题解析：" + analysis + "</td></tr>";
}

}  // namespace generatesheet::testing

#endif  // GENERATESHEET_TESTS_RENDER_PAPER_FIXTURE_H_
