// generate-sheet summary: the class summary of a folder of pages, rebuilt
// from the students' results files (e.g. after the shards of a batch).
#include <iostream>
#include <limits>

#include "tools/archive/archive_manifest.h"
#include "tools/archive/summary_files_lock.h"
#include "tools/batch/batch_report_cards.h"
#include "tools/cli/commands.h"
#include "tools/cli/summary_options.h"
#include "tools/job/sheet_job.h"
#include "tools/summary/folder_summary.h"
#include "util/error.h"

namespace generatesheet::cli {

namespace {

constexpr char kAbout[] =
    "用法：generate-sheet summary 文件夹… [--out 汇总文件夹] [--title 标题] [--sign 私钥文件]\n"
    "                              [--pass 60%] [--excellent 85%] [--low 40%]\n"
    "                              [--report-cards]\n"
    "\n"
    "由文件夹中每个学生的结果文件（*.results.json，batch 写在页面旁）重新生成\n"
    "班级汇总 index.html、summary.csv、items.csv、scores.csv、summary.json 与\n"
    "summary.xlsx（工作簿：学生、试题、得分矩阵、班级四张工作表）。\n"
    "分片批量运行（--shard）的"
    "各分片结束后运行一次，即得到全班的汇总。\n"
    "\n"
    "给出多个文件夹（分头运行的各班、各校）时，按科目与题号合并为一份汇总，\n"
    "写入 --out 指定的文件夹（多个文件夹时必需）；汇总中的页面链接指向各自的文件夹。\n"
    "同一学生（学号与科目相同）在两个文件夹中都有结果文件时报错，不写汇总。\n"
    "只给一个文件夹且不给 --out 时，汇总写入该文件夹。\n"
    "\n"
    "只读取文件夹中的普通文件；符号链接、文件夹、命名管道等即使名为 *.results.json\n"
    "也跳过并列出。无法读取的结果文件（损坏、超过 64 MiB、嵌套过深、题目过多）\n"
    "在汇总中单列一行，其余照常汇总。\n"
    "\n"
    "最后重写存档清单 MANIFEST.json，收录汇总文件夹中此时的每个文件（见 "
    "doc/archive-manifest.md）。\n"
    "  --sign 私钥文件  用 keygen --signing 生成的私钥签名，写出 MANIFEST.json.sig\n"
    "  --title 标题     index.html 顶部与页面标题中的考试名称（默认：各科目名加“成绩汇总”），\n"
    "                   其后为运行当天的日期\n";

constexpr char kEpilogue[] =
    "退出码：0 汇总已写出；3 汇总已写出，但有结果文件无法读取或被跳过，\n"
    "或工作簿超出格式的上限未写出（其余汇总文件照常写出）；\n"
    "1 没有结果文件，同一学生在两个文件夹中都有结果文件，或汇总或存档清单未写出；\n"
    "2 用法错误（多个文件夹而没有 --out）。\n";

int Run(const ParsedArgs& args) {
  ExpectPositionals(args, 1, std::numeric_limits<size_t>::max(), "文件夹");
  const std::vector<std::string>& folders = args.Positionals();
  if (folders.size() > 1 && !args.Has("out")) {
    throw UsageError("合并多个文件夹时须用 --out 指定汇总写入的文件夹");
  }
  const ExamTitle exam = ExamTitleOption(args);
  const std::string folder = WithTrailingSlash(args.Get("out").value_or(folders[0]));
  const std::string signing_key = SigningKeyOption(args, folder);
  // Held until the manifest is written: a batch writing into the folder
  // writes them after, or this waits and writes from what it left.
  const SummaryFilesLock lock(folder);
  ReportCards cards;
  const bool with_cards = args.Has("report-cards");
  const RebuildCounts counts = SummariseFolders(folders, folder, ScoreBandsOption(args), exam,
                                                with_cards ? &cards : nullptr);
  for (const std::string& skipped : counts.skipped) std::cerr << "已跳过：" << skipped << "\n";
  if (counts.students == 0) {
    std::string named;
    for (const std::string& f : folders)
      named += (named.empty() ? "" : "、") + WithTrailingSlash(f);
    throw Error("文件夹中没有学生结果文件（*.results.json）：" + named);
  }
  for (const std::string& unreadable : counts.unreadable) std::cerr << unreadable << "\n";
  for (const std::string& note : counts.notes) std::cerr << note << "\n";
  for (const std::string& left_out : counts.left_out) std::cerr << left_out << "\n";
  std::cout << folder << "index.html\n";
  std::cerr << "汇总了 " << counts.students << " 名学生";
  if (!counts.unreadable.empty()) {
    std::cerr << "，其中 " << counts.unreadable.size() << " 个结果文件无法读取（未计入成绩）";
  }
  if (!counts.skipped.empty()) std::cerr << "；跳过 " << counts.skipped.size() << " 个";
  std::cerr << "\n";
  // After the summary, from its figures, and before the manifest lists them.
  const bool cards_written = !with_cards || WriteFolderReportCards(std::move(cards), folder);
  if (!WriteArchiveManifestAfterWork(folder, signing_key)) return kExitFailed;
  const bool all = counts.unreadable.empty() && counts.skipped.empty() && counts.left_out.empty() &&
                   cards_written;
  return all ? kExitOk : kExitWithErrors;
}

}  // namespace

CommandInfo SummaryCommand() {
  // --sign is described in the text above the exit codes.
  return {.name = "summary",
          .summary = "由结果文件生成班级汇总",
          .about = kAbout,
          .options = {{"out", "汇总文件夹", ""},
                      {"sign", "私钥文件", ""},
                      {"title", "标题", ""},
                      {"report-cards", "",
                       "汇总之后为每个页面完整的学生在汇总文件夹中写出成绩报告单 NAME.card.html；\n"
                       "找到浏览器时另写 cards.pdf（每人一页），并把报告单加为该文件夹中学生 PDF "
                       "的最后一页"},
                      kPassOption,
                      kExcellentOption,
                      kLowOption},
          .epilogue = kEpilogue,
          .body = Run};
}

}  // namespace generatesheet::cli
