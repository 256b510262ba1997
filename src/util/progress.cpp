#include "util/progress.h"

#include <charconv>
#include <cmath>

#include "util/text.h"

namespace veltra {

Terminals TerminalsOf(Platform& platform) {
  return {platform.IsTerminal(StandardStream::Output), platform.IsTerminal(StandardStream::Error)};
}

bool ReadProgressInterval(const std::string& text, double& seconds) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value) || value < 0 ||
      value > kMaxProgressInterval)
    return false;
  seconds = value;
  return true;
}

ProgressLine::ProgressLine(std::ostream& out, const ProgressChoice& choice, bool watched) {
  if (choice.Off || !(choice.Forced || watched)) return;
  out_ = &out;
  interval_ = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(choice.Interval));
  start_ = Clock::now();
  next_ = start_ + interval_;
}

bool ProgressLine::Due() { return out_ != nullptr && Clock::now() >= next_; }

void ProgressLine::Write(const std::string& text) {
  if (out_ == nullptr) return;
  const Clock::time_point now = Clock::now();
  *out_ << text << Printf(" (%.1f s)\n", std::chrono::duration<double>(now - start_).count());
  out_->flush();
  next_ = now + interval_;
}

}  // namespace veltra
