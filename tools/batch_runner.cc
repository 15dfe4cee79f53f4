#include "tools/batch_runner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "generatesheet/create_html.h"
#include "tools/batch_summary.h"
#include "tools/pdf_printer.h"
#include "tools/sheet_job.h"

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

  void Run(ProgressDisplay& progress) {
    const unsigned count =
        std::max(1u, std::min<unsigned>(settings_.jobs, static_cast<unsigned>(plan_.units.size())));
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < count && !plan_.units.empty(); ++i) {
      threads.emplace_back([this] { Work(); });
    }
    {
      std::unique_lock lock(mutex_);
      while (finished_threads_ < threads.size()) {
        changed_.wait_for(lock, std::chrono::milliseconds(100));
        progress.Update(done_, failed_);
      }
    }
    for (std::thread& t : threads) t.join();
    progress.Finish(done_, failed_);
  }

 private:
  void Work() {
    CreateHtml sheet;    // one per thread, reused for each of its students
    PdfPrinter printer;  // likewise one browser, started on first use
    for (size_t unit = next_unit_++; unit < plan_.units.size(); unit = next_unit_++) {
      for (size_t row : plan_.units[unit]) RunRow(sheet, printer, plan_.rows[row]);
    }
    std::lock_guard lock(mutex_);
    ++finished_threads_;
    changed_.notify_one();
  }

  void RunRow(CreateHtml& sheet, PdfPrinter& printer, RowResult& result) {
    try {
      // Until this run's record is in place, --resume must not take the
      // page for complete, even if the run is killed.
      RemoveStudentRecord(result.page_path);
      RunStudent(sheet, printer, result);
    } catch (const std::exception& e) {
      result.status = RowStatus::kFailed;
      result.message = e.what();
    }
    std::lock_guard lock(mutex_);
    ++done_;
    if (result.status == RowStatus::kFailed || result.status == RowStatus::kWithErrors) ++failed_;
    changed_.notify_one();
  }

  // The page, its PDF and its record; the record says what became of all
  // three, so --resume redoes a student whose PDF failed.
  void RunStudent(CreateHtml& sheet, PdfPrinter& printer, RowResult& result) {
    const JobOutcome outcome = RunJob(sheet, result.row.job, settings_.template_path,
                                      settings_.page_prefix, settings_.options.marks);
    if (outcome.written) result.page_path = outcome.page_path;
    StudentRecord record = RecordOfRun(result.row.job, outcome, result.page_path);
    record.options = settings_.options;
    record.template_path = FileIdentity(settings_.template_path);
    if (outcome.written && settings_.options.pdf) {
      try {
        printer.Print(outcome.page_path, PdfPathFor(outcome.page_path));
      } catch (const std::exception& e) {
        AddFailure(record, e.what());
      }
    }
    try {
      WriteStudentRecord(settings_.page_prefix, record);
    } catch (const std::exception& e) {
      AddFailure(record, e.what());
    }
    result.status = StatusOf(record.state);
    result.message = record.message;
  }

  BatchPlan& plan_;
  const BatchSettings& settings_;
  std::atomic<size_t> next_unit_{0};
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t done_ = 0;
  size_t failed_ = 0;
  size_t finished_threads_ = 0;
};

}  // namespace

void RunBatch(BatchPlan& plan, const BatchSettings& settings, ProgressDisplay& progress) {
  Workers(plan, settings).Run(progress);
}

}  // namespace generatesheet::cli
