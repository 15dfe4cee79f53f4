// generate-sheet summary: the class summary of a folder of pages, rebuilt
// from the students' results files (e.g. after the shards of a batch).
#include <iostream>

#include "tools/class_summary.h"
#include "tools/commands.h"
#include "tools/sheet_job.h"
#include "util/error.h"

namespace generatesheet::cli {

namespace {

constexpr char kHelp[] =
    "用法：generate-sheet summary 文件夹\n"
    "\n"
    "由文件夹中每个学生的结果文件（*.results.json，batch 写在页面旁）重新生成\n"
    "班级汇总 index.html、summary.csv 与 items.csv。分片批量运行（--shard）的\n"
    "各分片结束后运行一次，即得到全班的汇总。\n"
    "\n"
    "退出码：0 汇总已写出；1 结果文件无法读取或汇总未写出；2 用法错误。\n";

int Run(const ParsedArgs& args) {
  ExpectPositionals(args, 1, 1, "文件夹");
  const std::string folder = WithTrailingSlash(args.Positionals()[0]);
  const size_t students = RebuildClassSummary(folder);
  if (students == 0) throw Error("文件夹中没有学生结果文件（*.results.json）：" + folder);
  std::cout << folder << "index.html\n";
  std::cerr << "汇总了 " << students << " 名学生\n";
  return kExitOk;
}

}  // namespace

CommandInfo SummaryCommand() { return {"summary", "由结果文件生成班级汇总", kHelp, {}, Run}; }

}  // namespace generatesheet::cli
