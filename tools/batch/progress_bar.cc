#include "tools/batch/progress_bar.h"

#include <cmath>
#include <cstdio>

namespace generatesheet::cli {

namespace {

constexpr auto kTerminalInterval = std::chrono::milliseconds(100);
constexpr auto kLogInterval = std::chrono::seconds(2);
constexpr size_t kBarWidth = 24;

// Rows of work done by this run: resumed rows are none, a page that waits
// for its PDF is half of one.
double WorkDone(const ProgressSnapshot& s) {
  return static_cast<double>(s.done - s.skipped) + 0.5 * static_cast<double>(s.printing);
}

// Pages per second over the pages this run generated.
double Rate(const ProgressSnapshot& s) {
  return s.elapsed_seconds > 0 ? WorkDone(s) / s.elapsed_seconds : 0;
}

std::string RateText(const ProgressSnapshot& s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", Rate(s));
  return text;
}

std::string TimeLeft(const ProgressSnapshot& s) {
  if (s.done >= s.total) return FormatDuration(0);
  const double rate = Rate(s);
  const double left = static_cast<double>(s.total - s.done) - 0.5 * static_cast<double>(s.printing);
  return rate > 0 ? FormatDuration(left / rate) : FormatDuration(-1);
}

// "35/200", or with pages waiting for their PDF "35/200（待打印 10）".
std::string Count(const ProgressSnapshot& s) {
  std::string text = std::to_string(s.done) + "/" + std::to_string(s.total);
  if (s.printing > 0) text += "（待打印 " + std::to_string(s.printing) + "）";
  return text;
}

}  // namespace

std::string FormatDuration(double seconds) {
  if (seconds < 0 || !std::isfinite(seconds)) return "--:--";
  const long total = std::lround(std::ceil(seconds));
  char text[32];
  if (total >= 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  }
  return text;
}

std::string FormatProgressBar(const ProgressSnapshot& s, size_t bar_width) {
  const size_t filled = s.total == 0 ? bar_width : s.done * bar_width / s.total;
  std::string bar = "[" + std::string(filled, '#') + std::string(bar_width - filled, '.') + "]";
  return bar + "  " + Count(s) + "  失败 " + std::to_string(s.failed) + "  " + RateText(s) +
         " 页/秒  剩余 " + TimeLeft(s);
}

std::string FormatProgressLine(const ProgressSnapshot& s) {
  return "进度 " + Count(s) + "，失败 " + std::to_string(s.failed) + "，" + RateText(s) +
         " 页/秒，剩余约 " + TimeLeft(s);
}

ProgressDisplay::ProgressDisplay(std::ostream& out, bool terminal, size_t total, size_t skipped)
    : out_(out), terminal_(terminal), total_(total), skipped_(skipped) {}

ProgressSnapshot ProgressDisplay::Snapshot(size_t done, size_t failed, size_t printing) const {
  ProgressSnapshot s;
  s.printing = printing;
  s.done = done;
  s.total = total_;
  s.failed = failed;
  s.skipped = skipped_;
  s.elapsed_seconds = std::chrono::duration<double>(Clock::now() - start_).count();
  return s;
}

void ProgressDisplay::Update(size_t done, size_t failed, size_t printing) {
  const auto now = Clock::now();
  const auto interval = terminal_ ? Clock::duration(kTerminalInterval) : kLogInterval;
  const auto since = drawn_ ? now - last_draw_ : now - start_;
  if (since < interval) return;
  Draw(Snapshot(done, failed, printing));
}

void ProgressDisplay::Finish(size_t done, size_t failed) {
  Draw(Snapshot(done, failed, 0));
  if (terminal_) out_ << "\n";
  out_.flush();
}

void ProgressDisplay::Note(const std::string& line) {
  // On a terminal the progress line is redrawn below the note.
  if (terminal_ && drawn_) out_ << "\n";
  out_ << line << "\n";
  out_.flush();
  drawn_ = false;
}

void ProgressDisplay::Draw(const ProgressSnapshot& s) {
  if (terminal_) {
    // "\033[K" clears what a longer earlier line left behind.
    out_ << "\r" << FormatProgressBar(s, kBarWidth) << "\033[K";
  } else {
    out_ << FormatProgressLine(s) << "\n";
  }
  out_.flush();
  last_draw_ = Clock::now();
  drawn_ = true;
}

}  // namespace generatesheet::cli
