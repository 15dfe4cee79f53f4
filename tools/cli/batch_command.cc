// generate-sheet batch: the pages of every student of a manifest.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <system_error>
#include <thread>

#include "tools/archive/archive_manifest.h"
#include "tools/archive/summary_files_lock.h"
#include "tools/batch/batch_class_pdf.h"
#include "tools/batch/batch_manifest.h"
#include "tools/batch/batch_plan.h"
#include "tools/batch/batch_report.h"
#include "tools/batch/batch_report_cards.h"
#include "tools/batch/batch_runner.h"
#include "tools/batch/batch_summary.h"
#include "tools/batch/interrupt_watch.h"
#include "tools/batch/progress_bar.h"
#include "tools/batch/stale_page_files.h"
#include "tools/batch/student_pdf.h"
#include "tools/cli/commands.h"
#include "tools/cli/default_template.h"
#include "tools/cli/input_files.h"
#include "tools/cli/shard_option.h"
#include "tools/cli/summary_options.h"
#include "tools/job/failure_cause.h"
#include "tools/job/output_files.h"
#include "tools/job/output_folder.h"
#include "tools/job/sheet_job.h"
#include "tools/pdf/card_pdf.h"
#include "tools/pdf/class_pdf.h"
#include "tools/pdf/pdf_printer.h"
#include "tools/pdf/print_together.h"
#include "tools/summary/class_summary.h"
#include "util/error.h"
#include "util/file_util.h"
#include "util/folder_lock.h"
#include "util/leftover_files.h"

namespace generatesheet::cli {

namespace {

constexpr char kAbout[] =
    "用法：generate-sheet batch 清单.csv --out 文件夹/ [选项]\n"
    "\n"
    "为清单中的每个学生生成试卷页面。清单为 CSV 文件（UTF-8 或 GB18030；RFC 4180 引号规则），\n"
    "首行为表头，须含以下列（顺序不限，其他列忽略；也可用括号中的中文列名）：\n"
    "  package_folder（答卷包文件夹）  答卷包所在文件夹（相对路径从清单所在文件夹算起）\n"
    "  zip_name（答卷包）              答卷包文件名，须以 .zip 结尾，如 1001.zip\n"
    "  student_id（学号）              学号\n"
    "  student_name（姓名）            姓名\n"
    "  subject（科目）                 科目\n"
    "可选列：\n"
    "  class（班级）                   班级；汇总中按班级与全年级并列比较\n"
    "页面、结果文件或 PDF 会覆盖本次运行读写的其他文件（汇总、班级 PDF、其他行的文件、\n"
    "答卷包、清单、报告、模板、密钥文件）的行不生成。\n";

constexpr char kEpilogue[] =
    "页面旁另写出班级汇总 index.html、summary.csv、items.csv、scores.csv、summary.json、\n"
    "summary.xlsx（同样的表格与各科统计量合为一个工作簿）和每个学生的结果文件\n"
    "（*.results.json），最后写出存档清单 MANIFEST.json：文件夹中每个文件的\n"
    "SHA-256 与大小，用 generate-sheet verify 核对（格式见 doc/archive-manifest.md）。\n"
    "分片运行时不写汇总和存档清单，各分片结束后用 generate-sheet summary 文件夹 生成。\n"
    "用 --pdf 时另写出班级 PDF class.pdf：每个页面完整的学生各占一份，从新的一页（用 --duplex\n"
    "时从奇数页）开始，书签为“学号 姓名”；未收入的学生列在第一页。它每次运行都按全班重写\n"
    "（包括 --resume 跳过的学生），分片运行时不写。浏览器取环境变量 GENERATESHEET_BROWSER\n"
    "指明的程序，否则在 PATH 中找 chromium、chromium-browser、google-chrome、\n"
    "google-chrome-stable。\n"
    "用 --report-cards 时，汇总之后为每个页面完整的学生写出成绩报告单 NAME.card.html；\n"
    "同时用 --pdf 时，成绩报告单另加为学生 PDF 的最后一页，并合成 cards.pdf（清单顺序，\n"
    "每人一页，书签为“学号 姓名”）。不用 --report-cards 时删除上次运行的成绩报告单。\n"
    "进度显示在标准错误上。一个学生失败不影响其他学生；但最先处理的 5 名考生的答卷包\n"
    "都与密钥文件不符时，批处理停止（见 --keep-going）。按 Ctrl-C（SIGINT）或收到\n"
    "SIGTERM 时，等进行中的页面写完后停止，写出报告和汇总。\n"
    "退出码：0 每个页面都完整写出（或因 --resume 跳过）；3 页面都已写出，但有的有错误\n"
    "（包括 PDF 未生成）；\n"
    "1 有页面未写出，或因密钥文件不符而停止；2 用法错误；130 被 SIGINT 中断；\n"
    "143 被 SIGTERM 中断（中断后用 --resume 继续）。\n";

constexpr size_t kListed = 20;
// Line numbers named on a line that stands for many students.
constexpr size_t kLinesNamed = 10;
constexpr unsigned kMaxJobs = 1024;

unsigned ParseJobs(const ParsedArgs& args) {
  const std::optional<std::string> text = args.Get("jobs");
  if (!text) return std::max(1u, std::thread::hardware_concurrency());
  unsigned jobs = 0;
  const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), jobs);
  if (ec != std::errc() || end != text->data() + text->size() || jobs == 0 || jobs > kMaxJobs) {
    throw UsageError("选项 --jobs 的值应为 1 到 " + std::to_string(kMaxJobs) +
                     " 之间的整数，而不是 " + *text);
  }
  return jobs;
}

// The files the batch writes beside the pages, besides the pages.
std::set<std::string> PageNames(const BatchPlan& plan) {
  std::set<std::string> names = ClassFileNames();
  for (const RowResult& r : plan.rows) {
    const std::string page = std::filesystem::path(r.page_path).filename().string();
    names.insert({page, RecordFileName(page),
                  std::filesystem::path(PdfPathFor(page)).filename().string(), CardFileName(page)});
  }
  return names;
}

// The summary files and the archive manifest are written over whatever has
// their names: none may be a file the batch reads or writes (a manifest
// saved as summary.csv).
void CheckSummaryLeavesOwnFiles(const PlanSettings& settings) {
  std::vector<std::pair<std::string, std::string>> names;
  for (const char* name : kSummaryFiles) names.emplace_back(name, "班级汇总文件");
  for (const char* name : kArchiveFiles) names.emplace_back(name, "存档清单");
  if (settings.options.pdf) {
    names.emplace_back(kClassPdfName, "班级 PDF");
    names.emplace_back(kCardsPdfName, "成绩报告单 PDF");
  }
  for (const auto& [name, written] : names) {
    const std::string summary = FileIdentity(settings.page_prefix + name);
    for (const auto& [path, what] : settings.own_files) {
      if (FileIdentity(path) == summary) {
        throw Error(what + " " + path + " 会被" + written + "覆盖；请换一个文件名或输出文件夹");
      }
    }
  }
}

// The record beside a row's page; none when it cannot be read.
std::optional<StudentRecord> RecordOf(const RowResult& r) {
  const std::filesystem::path page(r.page_path);
  try {
    return ReadStudentRecord(
        (page.parent_path() / RecordFileName(page.filename().string())).string());
  } catch (const Error&) {
    return std::nullopt;
  }
}

// A skipped row's PDF printed again: its page count into its record, or,
// when it failed or does not read whole, the page with errors, in the row
// and in its record (so the next --resume redoes the student).
void TakeReprint(RowResult& r, const std::string& failure) {
  std::optional<StudentRecord> record = RecordOf(r);
  std::string why = failure;
  if (why.empty() && record) {
    RecordPdfPages(*record, PdfPathFor(r.page_path));
    if (record->state == Outcome::kComplete) {
      try {
        WriteStudentRecord(
            WithTrailingSlash(std::filesystem::path(r.page_path).parent_path().string()), *record);
        return;
      } catch (const Error& e) {
        why = e.what();
      }
    } else {
      why = record->message;
    }
  }
  if (why.empty()) why = "学生结果文件无法读取，PDF 的页数未记下：" + r.page_path;
  r.status = RowStatus::kWithErrors;
  r.message = why;
  MarkRecordWithErrors(r);
}

// Rows skipped by --resume whose PDF is not the one printed with the page:
// missing, older than the page, damaged, or of another page count.
void PrintMissingPdfs(BatchPlan& plan, PdfPrinter& printer, bool together) {
  std::vector<RowResult*> rows;
  std::vector<PagePrint> prints;
  for (RowResult& r : plan.rows) {
    if (r.status != RowStatus::kSkipped) continue;
    const std::optional<StudentRecord> record = RecordOf(r);
    if (record && PdfStillPrinted(r.page_path, *record)) continue;
    rows.push_back(&r);
    prints.push_back({r.page_path, PdfPathFor(r.page_path)});
  }
  const std::vector<std::string> failures = PrintPages(printer, prints, together);
  for (size_t i = 0; i < rows.size(); ++i) TakeReprint(*rows[i], failures[i]);
}

// The class summary beside the pages; false when it could not be written.
// `all_files` turns false when a summary file was left out (the rest
// written), as a workbook beyond the format's limits is.
bool WriteSummary(const BatchPlan& plan, const Shard& shard, const std::string& page_prefix,
                  unsigned jobs, const RunEnd& end, const ScoreBands& bands, const ExamTitle& exam,
                  bool& all_files, ReportCards* cards = nullptr) {
  if (shard.count > 1) {
    std::cerr << "分片运行不写班级汇总；所有分片结束后运行：generate-sheet summary " << page_prefix
              << "\n";
    return true;
  }
  try {
    const std::string note = end.interrupted      ? "批量生成被中断，用 --resume 继续"
                             : end.key_mismatches ? "批量生成已停止，用 --resume 继续"
                                                  : "";
    ClassSummary summary = BatchSummary(plan, jobs, note);
    summary.SetBands(bands);
    summary.SetExam(exam);
    const SummaryWritten written = summary.Write(page_prefix, cards);
    for (const std::string& line : written.notes) std::cerr << line << "\n";
    for (const std::string& line : written.left_out) std::cerr << line << "\n";
    all_files = written.left_out.empty();
    return true;
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return false;
  }
}

// class.pdf beside the pages; false when it could not be written.
bool WriteClassPdf(BatchPlan& plan, const Shard& shard, const std::string& page_prefix,
                   bool odd_starts, PdfPrinter& printer) {
  if (shard.count > 1) {
    std::cerr << "分片运行不写班级 PDF（" << kClassPdfName << "）\n";
    return true;
  }
  try {
    WriteBatchClassPdf(plan, page_prefix, odd_starts, printer);
    return true;
  } catch (const std::exception& e) {
    std::cerr << "班级 PDF 未生成：" << e.what() << "\n";
    return false;
  }
}

bool NotComplete(const RowResult& r) {
  return r.status == RowStatus::kFailed || r.status == RowStatus::kWithErrors;
}

// "N 名考生：CAUSE（清单第 a、b 行）" for each cause that more than one
// student's page shares; returns the rows so told.
std::set<const RowResult*> PrintSharedCauses(const BatchPlan& plan) {
  std::map<FailureCause, std::vector<const RowResult*>> shared;
  for (const RowResult& r : plan.rows) {
    if (!NotComplete(r)) continue;
    const FailureCause cause = ClassifyFailure(r.message);
    if (cause != FailureCause::kOther) shared[cause].push_back(&r);
  }
  std::set<const RowResult*> told;
  for (const auto& [cause, rows] : shared) {
    if (rows.size() < 2) continue;
    std::cerr << rows.size() << " 名考生：" << CauseWords(cause) << "（清单第 ";
    for (size_t i = 0; i < rows.size() && i < kLinesNamed; ++i) {
      std::cerr << (i == 0 ? "" : "、") << rows[i]->row.line;
    }
    std::cerr << (rows.size() > kLinesNamed ? " 行等，见报告）\n" : " 行）\n");
    told.insert(rows.begin(), rows.end());
  }
  return told;
}

// The counts of each kind; then each cause many students share, once; then
// the other students whose page is not complete, by kind, up to kListed of
// each.
void PrintSummary(const BatchPlan& plan) {
  const BatchCounts counts = CountResults(plan);
  std::cerr << "完整 " << counts.complete << " 页，有错误 " << counts.with_errors << " 页，未写出 "
            << counts.not_written << " 页，跳过 " << counts.skipped << " 页";
  if (counts.not_run > 0) std::cerr << "，未处理 " << counts.not_run << " 页";
  std::cerr << "\n";
  const std::set<const RowResult*> told = PrintSharedCauses(plan);
  const auto list = [&](RowStatus status, const char* label) {
    const auto count = static_cast<size_t>(std::ranges::count_if(
        plan.rows, [&](const RowResult& r) { return r.status == status && !told.count(&r); }));
    size_t listed = 0;
    for (const RowResult& r : plan.rows) {
      if (r.status != status || told.count(&r)) continue;
      if (listed++ == kListed) {
        std::cerr << "……另有 " << count - kListed << " 个" << label << "，见报告\n";
        break;
      }
      std::cerr << label << "：清单第 " << r.row.line << " 行（学号 " << r.row.job.student_id
                << "，" << r.row.job.student_name << "）：" << r.message << "\n";
    }
  };
  list(RowStatus::kFailed, "未写出");
  list(RowStatus::kWithErrors, "有错误");
}

// Why the rows a stopped batch did not begin stay undone, for the report.
void NoteRowsNotRun(BatchPlan& plan, const std::string& why) {
  for (RowResult& r : plan.rows) {
    if (r.status == RowStatus::kPending) r.message = why;
  }
}

// The last word of a batch that stopped before its end, and its exit code.
int StoppedEarly(const BatchPlan& plan, const RunEnd& end, int signal,
                 const std::string& key_file) {
  const BatchCounts counts = CountResults(plan);
  if (end.interrupted) {
    std::cerr << "已中断：完成 " << plan.rows.size() - counts.not_run << " / " << plan.rows.size()
              << " 页；用 --resume 继续\n";
    return 128 + signal;
  }
  std::cerr << "已停止：最先处理的 " << kKeyMismatchLimit
            << " 名考生的答卷包都与密钥文件不符（密钥文件：" << key_file << "），其余 "
            << counts.not_run
            << " 名考生未处理。请检查 --key-file；确认密钥文件无误、仍要处理全部考生时，加 "
               "--keep-going\n";
  return kExitFailed;
}

// class.pdf of an earlier run, when this one made pages again and writes
// none: it holds the pages as they were.
void RemoveStaleClassPdf(const BatchPlan& plan, const std::string& page_prefix) {
  if (std::ranges::none_of(plan.rows, [](const RowResult& r) {
        return r.status != RowStatus::kPending && r.status != RowStatus::kSkipped && !r.refused;
      })) {
    return;
  }
  const std::string path = page_prefix + kClassPdfName;
  std::error_code ec;
  if (std::filesystem::remove(path, ec)) {
    std::cerr << "已删除过时的班级 PDF（页面已重新生成，本次未写班级 PDF）：" << path << "\n";
  }
}

// RemoveLeftoverTemporaries on a package folder no run holds now: a run
// that holds it may have made its staging folder and not yet locked it.
// A folder in use is cleared by its next run, under its lock.
void RemoveLeftoversOfIdleFolder(const std::string& folder) {
  try {
    const FolderLock idle(folder, std::chrono::milliseconds(0));
    RemoveLeftoverTemporaries(folder);
  } catch (const Error&) {
  }
}

// What the batch writes beside the pages once the rows are done.
struct FolderWork {
  BatchPlan& plan;
  const Shard& shard;
  const std::string& page_prefix;
  unsigned jobs;
  bool pdf;
  bool duplex;
  bool report_cards;
  const std::string& signing_key;
  bool keep_earlier;  // interrupted before any row: the earlier files stay
  const RunEnd& end;
  ScoreBands bands;
  const ExamTitle& exam;
};

struct Finished {
  bool summary = true;
  bool class_pdf = true;
  bool archive = true;
  bool cards = true;
  bool all_summary_files = true;  // false: one was left out, the rest written
  bool all() const { return summary && class_pdf && archive && cards; }
};

// The summary, class.pdf, the report and the archive manifest, written
// while no other run writes them into the folder: each is made from what
// the folder holds, so a run waits for another's to be over and then writes
// them all again from what is there.
Finished WriteFolderFiles(const FolderWork& work, PdfPrinter& printer,
                          const std::optional<std::string>& report_path,
                          const std::string& manifest_path) {
  Finished finished;
  std::optional<SummaryFilesLock> lock;
  try {
    if (!work.keep_earlier) lock.emplace(work.page_prefix);
  } catch (const std::exception& e) {
    std::cerr << "汇总与存档清单未写出：" << e.what() << "\n";
    if (report_path) WriteBatchReport(*report_path, work.plan, manifest_path, work.shard);
    return {false, false, false, false};
  }
  if (!work.keep_earlier) {
    // First, so that a student whose PDF cannot be put in is one with
    // errors in the summary too.
    if (work.pdf) {
      finished.class_pdf =
          WriteClassPdf(work.plan, work.shard, work.page_prefix, work.duplex, printer);
    }
    if (!work.pdf || work.shard.count > 1) RemoveStaleClassPdf(work.plan, work.page_prefix);
    ReportCards cards;
    const bool with_cards = work.report_cards && work.shard.count <= 1;
    finished.summary =
        WriteSummary(work.plan, work.shard, work.page_prefix, work.jobs, work.end, work.bands,
                     work.exam, finished.all_summary_files, with_cards ? &cards : nullptr);
    // After the summary, from its figures; none when it was not written.
    if (with_cards && finished.summary) {
      finished.cards =
          WriteBatchReportCards(std::move(cards), work.plan, work.page_prefix, work.pdf, printer);
    } else if (!work.report_cards && work.shard.count <= 1) {
      RemoveReportCards(work.plan, work.page_prefix);
    }
  }
  if (report_path) WriteBatchReport(*report_path, work.plan, manifest_path, work.shard);
  if (work.shard.count <= 1 && !work.keep_earlier) {
    finished.archive = WriteArchiveManifestAfterWork(work.page_prefix, work.signing_key);
  }
  return finished;
}

// The batch's options, each read and checked before any work.
struct BatchOptions {
  std::string manifest_path;
  std::string out;
  unsigned jobs = 1;
  Shard shard;
  std::optional<std::string> report_path;
  std::string template_path;  // "" for the bundled template
  std::string key_file;       // resolved
  std::string signing_key;    // "" without --sign
  ScoreBands bands;
  ExamTitle exam;
  bool pdf = false;
  bool duplex = false;
};

BatchOptions ReadBatchOptions(const ParsedArgs& args) {
  ExpectPositionals(args, 1, 1, "清单文件");
  BatchOptions o;
  o.manifest_path = args.Positionals()[0];
  o.out = args.Require("out");
  o.jobs = ParseJobs(args);
  o.shard = args.Has("shard") ? ParseShard(*args.Get("shard")) : Shard{};
  o.report_path = args.Get("report");
  if (o.report_path && o.report_path->empty()) throw UsageError("选项 --report 的值为空");
  o.template_path = args.Get("template").value_or("");
  if (args.Has("template") && o.template_path.empty()) {
    throw UsageError("选项 --template 的值为空");
  }
  if (o.report_path) CheckReportPath(*o.report_path, o.manifest_path);
  o.key_file = KeyFileOption(args);
  if (o.shard.count > 1 && args.Has("sign")) {
    throw UsageError("分片运行不写存档清单，--sign 请在 generate-sheet summary 时给出");
  }
  o.signing_key = SigningKeyOption(args, o.out);
  o.bands = ScoreBandsOption(args);
  o.exam = ExamTitleOption(args);
  o.pdf = args.Has("pdf");
  o.duplex = args.Has("duplex");
  if (o.duplex && !o.pdf) {
    throw UsageError("选项 --duplex 用于 --pdf 写出的班级 PDF（class.pdf），须与 --pdf 一起给出");
  }
  // A missing browser is told once, before any page.
  if (o.pdf) FindBrowser();
  return o;
}

// The batch planned over the manifest, the template, the manifest and the
// output folder checked first.
struct PreparedBatch {
  BatchPlan plan;
  PlanSettings settings;
  bool print_together = false;  // the bundled template's pages, printed in groups
};

PreparedBatch PrepareBatch(const ParsedArgs& args, BatchOptions& o) {
  PreparedBatch batch;
  // The bundled template's pages are printed in groups (print_together.h).
  batch.print_together = o.pdf && o.template_path.empty();
  if (o.template_path.empty()) o.template_path = DefaultTemplatePath();
  CheckTemplate(o.template_path);
  std::vector<std::string> warnings;
  const std::vector<ManifestRow> manifest = ReadManifest(o.manifest_path, &warnings);
  for (const std::string& warning : warnings) std::cerr << warning << "\n";
  const std::string page_prefix = PrepareOutputFolder(o.out);

  batch.settings = {.page_prefix = page_prefix,
                    .resume = args.Has("resume"),
                    .options = {args.Has("marks"), o.pdf},
                    .template_path = o.template_path,
                    .template_sha256 = Sha256Hex(ReadWholeFile(o.template_path)),
                    .own_files = {}};
  batch.settings.own_files = {
      {o.manifest_path, "清单文件"}, {o.template_path, "模板文件"}, {o.key_file, "密钥文件"}};
  if (o.report_path) batch.settings.own_files.emplace_back(*o.report_path, "报告文件");
  if (!o.signing_key.empty()) {
    batch.settings.own_files.emplace_back(o.signing_key, "签名密钥文件");
  }
  CheckSummaryLeavesOwnFiles(batch.settings);
  batch.plan = PlanBatch(manifest, o.shard, batch.settings);
  RemoveStalePageFiles(page_prefix, PageNames(batch.plan));
  // Staging folders and decrypted databases a killed run left (the library
  // also does this before each extraction; rows skipped by --resume never
  // reach one).
  std::set<std::string> package_folders;
  for (const RowResult& row : batch.plan.rows) package_folders.insert(row.row.job.package_folder);
  for (const std::string& folder : package_folders) RemoveLeftoversOfIdleFolder(folder);
  return batch;
}

// The exit code of a batch that ran to its end.
int ExitCode(const BatchPlan& plan, const Finished& finished) {
  const BatchCounts counts = CountResults(plan);
  if (counts.not_written > 0 || !finished.all()) {
    return kExitFailed;
  }
  return counts.with_errors > 0 || !finished.all_summary_files ? kExitWithErrors : kExitOk;
}

int Run(const ParsedArgs& args) {
  BatchOptions o = ReadBatchOptions(args);
  // From here on, SIGINT and SIGTERM stop the batch in good order.
  const InterruptWatch interrupts;
  PreparedBatch batch = PrepareBatch(args, o);
  BatchPlan& plan = batch.plan;
  const std::string& page_prefix = batch.settings.page_prefix;
  RemoveLeftoverBrowserProfiles();  // of a killed --pdf run, with or without --pdf now
  ProgressDisplay progress(std::cerr, ::isatty(STDERR_FILENO) != 0, plan.rows.size(),
                           CountResults(plan).skipped);
  const RunEnd end = RunBatch(plan,
                              {.template_path = o.template_path,
                               .template_sha256 = batch.settings.template_sha256,
                               .page_prefix = page_prefix,
                               .jobs = o.jobs,
                               .options = batch.settings.options,
                               .key_file = o.key_file,
                               .print_together = batch.print_together,
                               .interrupted = &interrupts.received(),
                               .keep_going = args.Has("keep-going")},
                              progress);
  if (end.interrupted) {
    NoteRowsNotRun(plan, "批处理被中断，此行未处理（用 --resume 继续）");
  } else if (end.key_mismatches) {
    NoteRowsNotRun(plan, "批处理已停止：最先处理的答卷包都与密钥文件不符，此行未处理");
  }
  // The main thread's browser: PDFs missing beside skipped pages, and the
  // first page of class.pdf.
  PdfPrinter printer;
  if (o.pdf && !end.interrupted) PrintMissingPdfs(plan, printer, batch.print_together);
  // Interrupted before any row was done: an earlier summary stays as it is.
  const bool nothing_done = CountResults(plan).not_run == plan.rows.size();
  const Finished finished = WriteFolderFiles(
      {plan, o.shard, page_prefix, o.jobs, o.pdf, o.duplex, args.Has("report-cards"), o.signing_key,
       end.interrupted && nothing_done, end, o.bands, o.exam},
      printer, o.report_path, o.manifest_path);
  PrintSummary(plan);
  if (o.shard.count <= 1 && finished.summary && !(end.interrupted && nothing_done)) {
    std::cout << "打开 " << std::filesystem::absolute(page_prefix + "index.html").string() << "\n";
  }
  if (end.interrupted || end.key_mismatches) {
    return StoppedEarly(plan, end, interrupts.received(), o.key_file);
  }
  return ExitCode(plan, finished);
}

}  // namespace

CommandInfo BatchCommand() {
  return {
      .name = "batch",
      .summary = "按清单批量生成试卷页面",
      .about = kAbout,
      .options = {{"out", "文件夹/", "页面写入的文件夹，不存在时创建（必需）"},
                  {"jobs", "N", "并行的工作线程数（默认：CPU 核数）"},
                  {"resume", "",
                   "跳过上次为同一学生（学号、姓名、科目、班级）、由同一答卷包和模板\n"
                   "（路径与内容都相同）、"
                   "以相同的 --marks、--pdf 完整写出、且比答卷包新的页面\n"
                   "（中断或修正后重跑用）"},
                  {"shard", "K/N", "只处理序号（从 0 起）除以 N 余 K 的行，供多台机器分担"},
                  {"report", "文件.json", "写出报告：每个学生的页面路径或错误信息"},
                  {"marks", "", "页面显示每题得分与判定（正确、部分得分、错误、未作答）"},
                  {"pdf", "",
                   "每个页面另存为 A4 的 PDF（需要 Chromium 或 Chrome，见下），\n"
                   "并把页面完整的学生按清单顺序合成班级 PDF class.pdf"},
                  {"report-cards", "",
                   "汇总之后为每个页面完整的学生写出成绩报告单 NAME.card.html（一页 A4）；\n"
                   "用 --pdf 时另加为学生 PDF 的最后一页，并合成 cards.pdf（每人一页，带书签）"},
                  {"duplex", "",
                   "班级 PDF 中每个学生都从奇数页开始（必要时插入空白页），\n"
                   "供双面打印"},
                  {"template", "文件", "HTML 模板（默认：随程序提供的 templates/default.html）"},
                  {"key-file", "文件", "主密钥文件（默认：环境变量 GENERATESHEET_KEY_FILE）"},
                  {"keep-going", "", "最先处理的 5 名考生的答卷包都与密钥文件不符时也不停止"},
                  {"sign", "私钥文件",
                   "用 keygen --signing 生成的私钥为存档清单签名，写出 MANIFEST.json.sig"},
                  kPassOption,
                  kExcellentOption,
                  kLowOption,
                  {"title", "标题",
                   "班级汇总 index.html 顶部与页面标题中的考试名称\n"
                   "（默认：各科目名加“成绩汇总”），其后为运行当天的日期"}},
      .help_column = 21,
      .epilogue = kEpilogue,
      .body = Run};
}

}  // namespace generatesheet::cli
