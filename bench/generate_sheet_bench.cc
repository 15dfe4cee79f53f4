// Time to turn one answer package into its page, by paper size: extraction,
// decryption of the database and of every value, queries and rendering.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "builder/answer_package.h"
#include "data/sodium_cipher.h"
#include "generatesheet/create_html.h"

namespace generatesheet {
namespace {

using builder::PackageDescription;

// A paper of `questions` questions: half single choice with four options,
// a quarter reading comprehension in passages of five, a quarter essays.
PackageDescription MakePaper(int questions) {
  PackageDescription d;
  d.student_id = "20260001";
  d.question_types = {{{"I_CmdId", 1}, {"C_DataCode", "86"}, {"C_TestStyle", "单项选择"}},
                      {{"I_CmdId", 2}, {"C_DataCode", "87"}, {"C_TestStyle", "阅读理解"}},
                      {{"I_CmdId", 3}, {"C_DataCode", "88"}, {"C_TestStyle", "写作"}}};
  for (int no = 1; no <= questions; ++no) {
    const char* code = no <= questions / 2 ? "86" : no <= questions * 3 / 4 ? "87" : "88";
    const std::string passage = "P" + std::to_string(no / 5);
    d.titles.push_back({{"I_QuestionNo", no},
                        {"M_Title", "第" + std::to_string(no) + "题：请阅读下面的句子并作答。"},
                        {"C_DataCode", code},
                        {"C_RecCode", passage}});
    if (std::string(code) != "88") {
      for (const char* letter : {"A", "B", "C", "D"}) {
        d.choices.push_back({{"I_QuestionNo", no},
                             {"C_ChoiceAnswer", letter},
                             {"M_AnswerCont", std::string("选项") + letter}});
      }
    }
    if (no % 5 == 0) d.common_items.push_back({{"C_RecCode", passage}, {"M_Title", "短文"}});
    const bool essay = std::string(code) == "88";
    d.accounts.push_back({{"I_QuestionNo", no}, {"S_GetScore", "1.5"}, {"I_RECNO", 9000 + no}});
    d.analysis.push_back({{"I_QuestionNo", no},
                          {"I_TypeID", essay ? 5 : 1},
                          {"M_StudentAnswer", essay ? "学生的作文" : "2"},
                          {"M_TopicAns", essay ? "范文" : "4"},
                          {"M_Analysis", "本题考查阅读理解能力。"},
                          {"S_Score", 2}});
  }
  return d;
}

void BM_GenerateSheet(benchmark::State& state) {
  std::string dir = (std::filesystem::temp_directory_path() / "gsbench-XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) {
    state.SkipWithError("mkdtemp failed");
    return;
  }
  const std::string key_file = dir + "/bench.key";
  WriteNewMasterKeyFile(key_file);
  ::setenv(kKeyFileEnvironmentVariable, key_file.c_str(), 1);
  SodiumCipher cipher(ReadMasterKeyFile(key_file));
  const std::string package = dir + "/package";
  std::filesystem::create_directories(package);
  builder::BuildAnswerPackage(MakePaper(static_cast<int>(state.range(0))), cipher,
                              package + "/paper.zip");
  {
    FILE* f = std::fopen((dir + "/template.html").c_str(), "w");
    std::fputs("<html><body>$Content$</body></html>", f);
    std::fclose(f);
  }
  CreateHtml sheet;
  sheet.SetBakDataPath(package);
  sheet.SetZipPaperName("paper.zip");
  sheet.SetTemplatePath(dir + "/template.html");
  sheet.SetHTMLPaperPath(dir + "/");
  sheet.SetStudentID("20260001");
  for (auto _ : state) {
    if (!sheet.GenerateSheet() || sheet.PagePath().empty()) {
      state.SkipWithError(sheet.ErrMsg().c_str());
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_GenerateSheet)->Arg(50)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace generatesheet

BENCHMARK_MAIN();
