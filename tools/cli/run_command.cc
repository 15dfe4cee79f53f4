// generate-sheet run: one student's page.
#include <iostream>

#include "generatesheet/create_html.h"
#include "tools/batch/batch_summary.h"
#include "tools/cli/commands.h"
#include "tools/cli/default_template.h"
#include "tools/cli/input_files.h"
#include "tools/job/output_files.h"
#include "tools/job/output_folder.h"
#include "tools/job/sheet_job.h"
#include "tools/pdf/pdf_printer.h"
#include "util/path.h"

namespace generatesheet::cli {

namespace {

constexpr char kAbout[] =
    "用法：generate-sheet run --bak-data-path 文件夹 --zip 答卷包名 --out 文件夹/ [选项]\n"
    "\n"
    "把一个学生的答卷包生成为 HTML 试卷页面：答卷包解压到它所在的文件夹，\n"
    "Analysis.mdb 就地解密，页面写到 --out 文件夹，文件名为答卷包名去掉 \"#\"、\n"
    "\".zip\" 换成 \".html\"。成功时在标准输出打印页面路径。\n";

constexpr char kEpilogue[] =
    "退出码：0 页面完整写出；3 页面已写出但有错误或 PDF 未生成（原因打印在标准错误）；\n"
    "1 页面未写出（原因打印在标准错误）；2 用法错误。\n";

int Run(const ParsedArgs& args) {
  ExpectPositionals(args, 0, 0, "");
  StudentJob job;
  job.package_folder = WithoutTrailingSlash(args.Require("bak-data-path"));
  job.zip_name = args.Require("zip");
  if (auto fault = FileNameFault(job.zip_name)) {
    throw UsageError("选项 --zip 的值必须是不含路径的文件名：" + *fault);
  }
  const std::string out = args.Require("out");
  job.student_id = args.Require("student-id");
  job.student_name = args.Get("student-name").value_or("");
  job.subject = args.Get("subject").value_or("");
  std::string template_path = args.Get("template").value_or("");
  if (args.Has("template") && template_path.empty()) {
    throw UsageError("选项 --template 的值为空");
  }
  const std::string key_file = KeyFileOption(args);
  if (args.Has("pdf")) FindBrowser();

  if (template_path.empty()) template_path = DefaultTemplatePath();
  CheckTemplate(template_path);
  const std::string page_prefix = PrepareOutputFolder(out);

  CreateHtml sheet;
  sheet.SetKeyFile(key_file);
  const JobOutcome outcome = RunJob(sheet, job, template_path, page_prefix, args.Has("marks"));
  if (!outcome.written) {
    std::cerr << outcome.message << "\n";
    return kExitFailed;
  }
  StudentRecord record = RecordOfRun(job, outcome, outcome.page_path);
  std::cout << outcome.page_path << "\n";
  if (args.Has("pdf")) {
    const std::string pdf = PdfPathFor(outcome.page_path);
    try {
      PdfPrinter().Print(outcome.page_path, pdf);
      std::cout << pdf << "\n";
    } catch (const std::exception& e) {
      AddFailure(record, e.what());  // the page stands without its PDF
    }
  }
  if (record.state == Outcome::kComplete) return kExitOk;
  std::cerr << "警告：页面已写出，但有错误：" << record.message << "\n";
  return kExitWithErrors;
}

}  // namespace

CommandInfo RunCommand() {
  return {.name = "run",
          .summary = "生成一个学生的试卷页面",
          .about = kAbout,
          .options = {{"bak-data-path", "文件夹", "答卷包所在的文件夹（必需）"},
                      {"zip", "名称", "答卷包的文件名，如 1001.zip（必需）"},
                      {"out", "文件夹/", "页面写入的文件夹，不存在时创建（必需）"},
                      {"template", "文件",
                       "HTML 模板，含 $Title$ 与 $Content$（默认：随程序提供的\n"
                       "templates/default.html）"},
                      {"student-id", "学号", "页眉中的学号，也参与答案解密（必需）"},
                      {"student-name", "姓名", "页眉中的姓名"},
                      {"subject", "科目", "页眉中的科目；\"计算机应用基础\" 使用该科目的规则"},
                      {"key-file", "文件", "主密钥文件（默认：环境变量 GENERATESHEET_KEY_FILE）"},
                      {"marks", "", "页面显示每题得分与判定（正确、部分得分、错误、未作答）"},
                      {"pdf", "", "页面另存为 A4 的 PDF（同名 .pdf，需要 Chromium）"}},
          .help_column = 26,
          .epilogue = kEpilogue,
          .body = Run};
}

}  // namespace generatesheet::cli
