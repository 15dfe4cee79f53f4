#include "tools/batch/batch_runner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "generatesheet/create_html.h"
#include "tools/batch/batch_summary.h"
#include "tools/batch/student_pdf.h"
#include "tools/job/failure_cause.h"
#include "tools/job/output_files.h"
#include "tools/job/sheet_job.h"
#include "tools/pdf/pdf_printer.h"
#include "tools/pdf/print_together.h"

namespace generatesheet::cli {

namespace {

RowStatus StatusOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::kComplete:
      return RowStatus::kWritten;
    case Outcome::kWrittenWithErrors:
      return RowStatus::kWithErrors;
    case Outcome::kNotWritten:
      break;
  }
  return RowStatus::kFailed;
}

class Workers {
 public:
  Workers(BatchPlan& plan, const BatchSettings& settings) : plan_(plan), settings_(settings) {
    for (const RowResult& r : plan_.rows) {
      if (r.status != RowStatus::kPending) ++done_;
      if (r.status == RowStatus::kFailed) ++failed_;
    }
  }

  RunEnd Run(ProgressDisplay& progress) {
    const unsigned count =
        std::max(1u, std::min<unsigned>(settings_.jobs, static_cast<unsigned>(plan_.units.size())));
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < count && !plan_.units.empty(); ++i) {
      threads.emplace_back([this] { Work(); });
    }
    {
      std::unique_lock lock(mutex_);
      bool told_stop = false;
      while (finished_threads_ < threads.size()) {
        changed_.wait_for(lock, std::chrono::milliseconds(100));
        if (!told_stop && Interrupted()) {
          // The rows in flight may take seconds: the stop is told at once.
          progress.Note("正在停止：等待进行中的 " + std::to_string(in_flight_) + " 页完成…");
          told_stop = true;
        }
        progress.Update(done_, failed_, printing_);
      }
    }
    for (std::thread& t : threads) t.join();
    progress.Finish(done_, failed_);
    RunEnd end;
    end.key_mismatches = key_stop_;
    end.interrupted = settings_.interrupted != nullptr && *settings_.interrupted != 0 &&
                      std::ranges::any_of(plan_.rows, [](const RowResult& r) {
                        return r.status == RowStatus::kPending;
                      });
    return end;
  }

 private:
  bool Interrupted() const {
    return settings_.interrupted != nullptr && *settings_.interrupted != 0;
  }
  bool Stopping() const { return key_stop_ || Interrupted(); }

  // A student whose page is written and waits for its PDF, printed with
  // the next students' (print_together.h).
  struct Waiting {
    RowResult* result;
    StudentRecord record;
  };

  void Work() {
    CreateHtml sheet;  // one per thread, reused for each of its students
    sheet.SetKeyFile(settings_.key_file);
    PdfPrinter printer;  // likewise one browser, started on first use
    std::vector<Waiting> waiting;
    for (size_t unit = next_unit_++; unit < plan_.units.size() && !Stopping();
         unit = next_unit_++) {
      for (size_t row : plan_.units[unit]) {
        if (Stopping()) break;
        RunRow(sheet, plan_.rows[row], waiting);
        if (waiting.size() >= (settings_.print_together ? kPagesTogether : 1)) {
          PrintWaiting(printer, waiting);
        }
      }
    }
    PrintWaiting(printer, waiting);  // the rows in flight are finished
    std::lock_guard lock(mutex_);
    ++finished_threads_;
    changed_.notify_one();
  }

  // The page and its record, or, with PDFs, the page waiting for its PDF;
  // the record says what became of all of them, so --resume redoes a
  // student whose PDF failed.
  void RunRow(CreateHtml& sheet, RowResult& result, std::vector<Waiting>& waiting) {
    {
      std::lock_guard lock(mutex_);
      ++in_flight_;
    }
    StudentRecord record;
    try {
      // Until this run's record is in place, --resume must not take the
      // page for complete, even if the run is killed.
      RemoveStudentRecord(result.page_path);
      // A PDF of the page this run replaces is never to pass for the new
      // page's, whether or not this run prints one.
      RemoveEarlierPdf(result.page_path);
      const JobOutcome outcome = RunJob(sheet, result.row.job, settings_.template_path,
                                        settings_.page_prefix, settings_.options.marks);
      if (outcome.written) result.page_path = outcome.page_path;
      record = RecordOfRun(result.row.job, outcome, result.page_path);
      record.options = settings_.options;
      record.template_path = FileIdentity(settings_.template_path);
      record.template_sha256 = settings_.template_sha256;
      result.status = StatusOf(record.state);
      result.message = record.message;
      WatchTheKey(result);
      if (outcome.written && settings_.options.pdf) {
        waiting.push_back({&result, std::move(record)});
        std::lock_guard lock(mutex_);
        ++printing_;
        return;
      }
    } catch (const std::exception& e) {
      result.status = RowStatus::kFailed;
      result.message = e.what();
      WatchTheKey(result);
      CountDone(result);
      return;
    }
    Finish(result, record);
  }

  void PrintWaiting(PdfPrinter& printer, std::vector<Waiting>& waiting) {
    std::vector<PagePrint> prints;
    for (const Waiting& w : waiting) {
      prints.push_back({w.result->page_path, PdfPathFor(w.result->page_path)});
    }
    // Each student is done as soon as their PDF is, even in a group.
    PrintPages(printer, prints, settings_.print_together,
               [&](size_t i, const std::string& failure) {
                 StudentRecord& record = waiting[i].record;
                 if (failure.empty()) {
                   RecordPdfPages(record, prints[i].pdf_path);
                 } else {
                   AddFailure(record, failure);
                 }
                 {
                   std::lock_guard lock(mutex_);
                   --printing_;
                 }
                 Finish(*waiting[i].result, record);
               });
    waiting.clear();
  }

  // Writes the student's record and counts the row done.
  void Finish(RowResult& result, StudentRecord& record) {
    try {
      WriteStudentRecord(settings_.page_prefix, record);
    } catch (const std::exception& e) {
      AddFailure(record, e.what());
    }
    result.status = StatusOf(record.state);
    result.message = record.message;
    CountDone(result);
  }

  void CountDone(const RowResult& result) {
    std::lock_guard lock(mutex_);
    ++done_;
    --in_flight_;
    if (result.status == RowStatus::kFailed || result.status == RowStatus::kWithErrors) ++failed_;
    changed_.notify_one();
  }

  // Until one package opens with the key file, counts those that do not.
  void WatchTheKey(const RowResult& result) {
    std::lock_guard lock(mutex_);
    if (key_fits_ || settings_.keep_going) return;
    const FailureCause cause = ClassifyFailure(result.message);
    if (cause == FailureCause::kKeyMismatch) {
      if (++key_mismatches_ >= kKeyMismatchLimit) key_stop_ = true;
    } else if (result.status != RowStatus::kFailed && cause != FailureCause::kNotAnswerData) {
      key_fits_ = true;
    }
  }

  BatchPlan& plan_;
  const BatchSettings& settings_;
  std::atomic<size_t> next_unit_{0};
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t done_ = 0;
  size_t failed_ = 0;
  size_t finished_threads_ = 0;
  size_t in_flight_ = 0;   // rows begun and not yet done
  size_t printing_ = 0;    // of those, pages written that wait for their PDF
  bool key_fits_ = false;  // a package opened with the key file
  size_t key_mismatches_ = 0;
  std::atomic<bool> key_stop_{false};
};

}  // namespace

RunEnd RunBatch(BatchPlan& plan, const BatchSettings& settings, ProgressDisplay& progress) {
  return Workers(plan, settings).Run(progress);
}

}  // namespace generatesheet::cli
