#include "tools/batch/progress_bar.h"

#include <cmath>
#include <cstdio>

namespace generatesheet::cli {

namespace {

constexpr auto kTerminalInterval = std::chrono::milliseconds(100);
constexpr auto kLogInterval = std::chrono::seconds(2);
constexpr size_t kBarWidth = 24;

// Pages per second over the pages this run generated (resumed rows are not
// work done).
double Rate(const ProgressSnapshot& s) {
  const size_t generated = s.done - s.skipped;
  return s.elapsed_seconds > 0 ? generated / s.elapsed_seconds : 0;
}

std::string RateText(const ProgressSnapshot& s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", Rate(s));
  return text;
}

std::string TimeLeft(const ProgressSnapshot& s) {
  if (s.done >= s.total) return FormatDuration(0);
  const double rate = Rate(s);
  return rate > 0 ? FormatDuration((s.total - s.done) / rate) : FormatDuration(-1);
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
  return bar + "  " + std::to_string(s.done) + "/" + std::to_string(s.total) + "  失败 " +
         std::to_string(s.failed) + "  " + RateText(s) + " 页/秒  剩余 " + TimeLeft(s);
}

std::string FormatProgressLine(const ProgressSnapshot& s) {
  return "进度 " + std::to_string(s.done) + "/" + std::to_string(s.total) + "，失败 " +
         std::to_string(s.failed) + "，" + RateText(s) + " 页/秒，剩余约 " + TimeLeft(s);
}

ProgressDisplay::ProgressDisplay(std::ostream& out, bool terminal, size_t total, size_t skipped)
    : out_(out), terminal_(terminal), total_(total), skipped_(skipped) {}

ProgressSnapshot ProgressDisplay::Snapshot(size_t done, size_t failed) const {
  ProgressSnapshot s;
  s.done = done;
  s.total = total_;
  s.failed = failed;
  s.skipped = skipped_;
  s.elapsed_seconds = std::chrono::duration<double>(Clock::now() - start_).count();
  return s;
}

void ProgressDisplay::Update(size_t done, size_t failed) {
  const auto now = Clock::now();
  const auto interval = terminal_ ? Clock::duration(kTerminalInterval) : kLogInterval;
  const auto since = drawn_ ? now - last_draw_ : now - start_;
  if (since < interval) return;
  Draw(Snapshot(done, failed));
}

void ProgressDisplay::Finish(size_t done, size_t failed) {
  Draw(Snapshot(done, failed));
  if (terminal_) out_ << "\n";
  out_.flush();
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
