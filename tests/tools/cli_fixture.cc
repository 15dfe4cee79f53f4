#include "tools/cli_fixture.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace generatesheet::testing {

std::string CliPath() { return GENERATESHEET_BINARY_DIR "/generate-sheet"; }

namespace {

std::string CommandText(const std::vector<std::string>& args, const std::string& working_dir,
                        const std::vector<std::string>& env) {
  std::string command = "cd " + ShellQuote(working_dir) + " && exec env";
  for (const std::string& setting : env) {
    command += setting.starts_with("-") ? " -u " + ShellQuote(setting.substr(1))
                                        : " " + ShellQuote(setting);
  }
  command += " " + ShellQuote(CliPath());
  for (const std::string& arg : args) command += " " + ShellQuote(arg);
  return command;
}

}  // namespace

int SpawnCli(const std::vector<std::string>& args, const std::string& working_dir,
             const std::vector<std::string>& env, const std::string& err_file) {
  const std::string command = CommandText(args, working_dir, env) + " >/dev/null 2>" +
                              ShellQuote(err_file.empty() ? "/dev/null" : err_file) + " </dev/null";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return pid;
}

CliResult RunCli(const std::vector<std::string>& args, const std::string& working_dir,
                 const std::vector<std::string>& env) {
  const std::string out_file = working_dir + "/.cli-stdout";
  const std::string err_file = working_dir + "/.cli-stderr";
  std::string command = CommandText(args, working_dir, env);
  command += " >" + ShellQuote(out_file) + " 2>" + ShellQuote(err_file) + " </dev/null";
  const int status = std::system(command.c_str());
  CliResult result;
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadFileForTest(out_file);
  result.err = ReadFileForTest(err_file);
  std::filesystem::remove(out_file);
  std::filesystem::remove(err_file);
  return result;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

CliTest::CliTest() {
  key_file_ = dir_.File("master.key");
  WriteNewMasterKeyFile(key_file_);
  cipher_ = std::make_unique<SodiumCipher>(ReadMasterKeyFile(key_file_));
}

builder::PackageDescription CliTest::SmallPaper(const std::string& student_id) const {
  builder::PackageDescription paper;
  paper.student_id = student_id;
  paper.question_types.push_back(
      {{"I_CmdId", 1}, {"C_DataCode", "86"}, {"C_TestStyle", "单项选择题"}});
  paper.titles.push_back(
      {{"I_QuestionNo", 1}, {"M_Title", "中国的首都是哪座城市？"}, {"C_DataCode", "86"}});
  paper.choices.push_back({{"I_QuestionNo", 1}, {"C_ChoiceAnswer", "A"}, {"M_AnswerCont", "上海"}});
  paper.choices.push_back({{"I_QuestionNo", 1}, {"C_ChoiceAnswer", "B"}, {"M_AnswerCont", "北京"}});
  paper.accounts.push_back({{"I_QuestionNo", 1}, {"S_GetScore", "5"}, {"I_RECNO", 11}});
  paper.analysis.push_back({{"I_QuestionNo", 1},
                            {"I_TypeID", 1},
                            {"M_StudentAnswer", "2"},
                            {"M_TopicAns", "2"},
                            {"M_Analysis", "北京是首都。"},
                            {"S_Score", 5}});
  return paper;
}

std::string CliTest::MakePackage(const std::string& folder, const std::string& zip_name,
                                 const std::string& student_id) {
  const std::string path = dir_.File(folder);
  std::filesystem::create_directories(path);
  builder::BuildAnswerPackage(SmallPaper(student_id), *cipher_, path + "/" + zip_name);
  return path;
}

}  // namespace generatesheet::testing
