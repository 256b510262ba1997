// The progress lines of an engine's long run (SATALL's loops, an assignment's iterations, the
// signal-timing search): at most one every few seconds, by default only where a person watches,
// so that batch files, the loop and the tests, which redirect the console, get none. They only
// read the run's state: nothing they do can change a result.
#pragma once

#include <chrono>
#include <ostream>
#include <string>

#include "util/platform.h"

namespace veltra {

constexpr double kProgressInterval = 2.0;       // seconds between lines unless the command line says
constexpr double kMaxProgressInterval = 3600.0;

// What the command line asked for: "--progress S" forces the lines on, one at most every S
// seconds (0: at every step that offers one), even when nobody watches; "--no-progress" forces
// them off; neither leaves them to the console.
struct ProgressChoice {
  bool Forced = false;
  bool Off = false;
  double Interval = kProgressInterval;
};

// Which of the program's standard streams are consoles a person watches; tests leave both false.
struct Terminals {
  bool Output = false;
  bool Error = false;
};
Terminals TerminalsOf(Platform& platform);

// The seconds of "--progress S": a number from 0 to kMaxProgressInterval. False when the text is
// not one.
bool ReadProgressInterval(const std::string& text, double& seconds);

class ProgressLine {
 public:
  ProgressLine() = default;  // silent
  // On when `choice` forces it, or by default when `watched` (a person sees `out`).
  ProgressLine(std::ostream& out, const ProgressChoice& choice, bool watched);

  bool On() const { return out_ != nullptr; }
  // True when a line is due: on, and the interval has passed since the last line (or the start).
  // It reads the clock, so an inner loop asks only every so many steps.
  bool Due();
  // Writes the line with the seconds since the start, and starts the interval again.
  void Write(const std::string& text);

 private:
  using Clock = std::chrono::steady_clock;
  std::ostream* out_ = nullptr;
  Clock::duration interval_{};
  Clock::time_point start_, next_;
};

}  // namespace veltra
