// The progress of a batch on stderr.  On a terminal: one line redrawn in
// place with "\r" (at most ten times a second); elsewhere (a log file, a
// pipe): a plain line every two seconds and one at the end.
#ifndef GENERATESHEET_TOOLS_BATCH_PROGRESS_BAR_H_
#define GENERATESHEET_TOOLS_BATCH_PROGRESS_BAR_H_

#include <chrono>
#include <cstddef>
#include <ostream>
#include <string>

namespace generatesheet::cli {

struct ProgressSnapshot {
  size_t done = 0;     // rows finished, skipped rows included
  size_t total = 0;    // rows of this run
  size_t failed = 0;   // rows whose page was not written
  size_t skipped = 0;  // rows skipped by --resume (counted in done)
  // With PDFs: rows whose page is written and whose PDF is not yet (not
  // counted in done); each counts half a row of work done.
  size_t printing = 0;
  double elapsed_seconds = 0;
};

// "[#######.............]  35/200  失败 1  12.5 页/秒  剩余 0:13", with
// PDFs waiting "  35/200（待打印 10）  ...".
std::string FormatProgressBar(const ProgressSnapshot& s, size_t bar_width);
// "进度 35/200，失败 1，12.5 页/秒，剩余约 0:13", with PDFs waiting
// "进度 35/200（待打印 10），...".
std::string FormatProgressLine(const ProgressSnapshot& s);
// "0:13", "12:05", "1:02:03"; "--:--" when unknown.
std::string FormatDuration(double seconds);

class ProgressDisplay {
 public:
  ProgressDisplay(std::ostream& out, bool terminal, size_t total, size_t skipped);

  // Draws the progress if a redraw is due.  `printing`: rows whose page
  // waits for its PDF.
  void Update(size_t done, size_t failed, size_t printing = 0);
  // Draws the final state and ends the line.
  void Finish(size_t done, size_t failed);
  // A line of its own, at once, below the progress.
  void Note(const std::string& line);

 private:
  ProgressSnapshot Snapshot(size_t done, size_t failed, size_t printing) const;
  void Draw(const ProgressSnapshot& s);

  using Clock = std::chrono::steady_clock;
  std::ostream& out_;
  const bool terminal_;
  const size_t total_;
  const size_t skipped_;
  const Clock::time_point start_ = Clock::now();
  Clock::time_point last_draw_{};
  bool drawn_ = false;
};

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_BATCH_PROGRESS_BAR_H_
