// generate-sheet demo: the bundled sample packages built and their pages
// generated with the demo key.
#include <algorithm>
#include <filesystem>
#include <iostream>

#include "builder/package/answer_package.h"
#include "builder/package/package_cipher.h"
#include "generatesheet/create_html.h"
#include "tools/cli/commands.h"
#include "tools/cli/default_template.h"
#include "tools/cli/demo_class.h"
#include "tools/cli/package_description.h"
#include "tools/job/output_folder.h"
#include "tools/job/sheet_job.h"
#include "util/error.h"
#include "util/file_util.h"

namespace generatesheet::cli {

namespace fs = std::filesystem;

namespace {

constexpr char kAbout[] =
    "用法：generate-sheet demo [--out 文件夹]\n"
    "\n"
    "用随程序提供的示例描述（samples/*.json）和演示密钥 samples/demo.key 生成示例答卷包，\n"
    "再为每个答卷包生成试卷页面，在标准输出打印页面路径。\n"
    "输出文件夹下：packages/ 放答卷包（已解压），pages/ 放页面。\n"
    "另由每个示例生成一个 16 人的班级（答案各不相同，分高一（1）班、高一（2）班），\n"
    "答卷包在 packages/示例名-NN/，批处理清单为 students.csv：\n"
    "  generate-sheet batch 文件夹/students.csv --out 文件夹/pages/ --marks "
    "--key-file samples/demo.key\n"
    "即得班级汇总。\n";

constexpr char kEpilogue[] = "退出码：0 全部页面已写出；1 有页面未写出；2 用法错误。\n";

// Marks a folder as the demo's own, so a later demo may empty it.
constexpr char kMarker[] = ".generate-sheet-demo";

void PrepareFreshFolder(const fs::path& out) {
  std::error_code ec;
  if (fs::exists(out, ec)) {
    if (!fs::is_directory(out, ec)) throw Error("输出路径不是文件夹：" + out.string());
    const bool empty = fs::is_empty(out, ec);
    if (!empty && !fs::exists(out / kMarker, ec)) {
      throw Error("输出文件夹不是空的，也不是之前 demo 的输出，为免误删不予使用：" + out.string());
    }
    for (const auto& entry : fs::directory_iterator(out)) fs::remove_all(entry.path());
  }
  PrepareOutputFolder(out.string());
  WriteFileAtomically((out / kMarker).string(), "generate-sheet demo output\n");
}

std::vector<fs::path> SampleDescriptions(const fs::path& samples) {
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(samples)) {
    if (entry.path().extension() == ".json") found.push_back(entry.path());
  }
  std::sort(found.begin(), found.end());
  if (found.empty()) throw Error("示例文件夹中没有描述文件（*.json）：" + samples.string());
  return found;
}

int Run(const ParsedArgs& args) {
  ExpectPositionals(args, 0, 0, "");
  const std::optional<std::string> out_option = args.Get("out");
  if (out_option && out_option->empty()) throw UsageError("选项 --out 的值为空");
  const fs::path out = out_option.value_or("generate-sheet-demo");

  const std::string key_file = BundledFilePath("samples/demo.key");
  const std::string template_path = DefaultTemplatePath();
  const auto cipher = builder::CipherForKeyFile(key_file);
  const std::vector<fs::path> samples = SampleDescriptions(fs::path(key_file).parent_path());

  PrepareFreshFolder(out);
  const std::string page_prefix = PrepareOutputFolder((out / "pages").string());
  CreateHtml sheet;
  sheet.SetKeyFile(key_file);  // the demo's own key
  int exit_code = kExitOk;
  for (const fs::path& sample : samples) {
    const PackageSpec spec = ReadPackageSpec(sample.string());
    const fs::path folder = out / "packages" / sample.stem();
    PrepareOutputFolder(folder.string());
    builder::BuildAnswerPackage(spec.description, *cipher, (folder / spec.package_name).string(),
                                spec.options);
    const JobOutcome outcome =
        RunJob(sheet,
               {folder.string(), spec.package_name, spec.description.student_id, spec.student_name,
                spec.subject, ""},
               template_path, page_prefix, args.Has("marks"));
    if (!outcome.written) {
      std::cerr << sample.filename().string() << "：" << outcome.message << "\n";
      exit_code = kExitFailed;
      continue;
    }
    if (!outcome.message.empty()) {
      std::cerr << "警告：" << sample.filename().string() << "：" << outcome.message << "\n";
    }
    std::cout << outcome.page_path << "\n";
  }
  BuildDemoClass(samples, *cipher, out);
  return exit_code;
}

}  // namespace

CommandInfo DemoCommand() {
  return {.name = "demo",
          .summary = "生成示例答卷包及其试卷页面",
          .about = kAbout,
          .options = {{"out", "文件夹",
                       "输出文件夹（默认：当前文件夹下的 generate-sheet-demo）。\n"
                       "须不存在、为空，或是之前 demo 的输出（将被清空重建）"},
                      {"marks", "", "页面显示每题得分与判定"}},
          .help_column = 17,
          .epilogue = kEpilogue,
          .body = Run};
}

}  // namespace generatesheet::cli
