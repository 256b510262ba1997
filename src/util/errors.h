// What stops a run before its end. Every stop is an InputError: bad input (a file that cannot
// be read or written, a value no field can hold, a list the run cannot follow) and outside
// programs whose failure the run cannot go past. Code below the program's entry only throws
// it; the entry alone turns it into the orderly stop (errors file, report, messages file, exit
// code), so a stop never ends the process from inside a step.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace veltra {

class MessageLog;

// Whether an error also goes to the errors list (data the user must fix).
enum class Listed { No, Yes };

class InputError : public std::runtime_error {
 public:
  // `message`: what the stop says, written by the entry as an error with `around` empty lines
  // before and after it, and with Listed::Yes also into the errors list.
  explicit InputError(const std::string& message, int around = 0, Listed listed = Listed::No);

  // Writes what the stop says, before the entry finishes it.
  virtual void Report(MessageLog& log) const;

  int ExitCode = 1;
  bool SaveErrors = true;  // save the errors list (when it holds lines) before ending
  int PauseMs = 0;         // time the last message stays on the screen before the program ends
  // Close the messages file before anything else, so that it ends with the stop's message
  // (the stop of a run that cannot obtain its cycle from CYOP).
  bool CloseMessagesFirst = false;

 private:
  int around_;
  Listed listed_;
};

// A stop whose messages are already written (to the console, the messages file and, where due,
// the errors list): the entry only finishes it.
struct RunStop : InputError {
  explicit RunStop(int exitCode = 1, bool saveErrors = true, int pauseMs = 0);
  void Report(MessageLog&) const override {}
};

// A file the run needs could not be read, created or written; reported with
// "Proceso Abortado....".
struct FileError : InputError {
  explicit FileError(const std::string& message) : InputError(message) {}
  void Report(MessageLog& log) const override;
};

// A line longer than a reader's limit: the line number and the limit, for readers that word
// the message in their own terms.
struct LineTooLongError : FileError {
  LineTooLongError(const std::string& what, size_t line, size_t limit) : FileError(what), Line(line), Limit(limit) {}
  size_t Line;
  size_t Limit;
};

// Text where an integer must stand after a keyword.
struct NumberFormatError : InputError {
  explicit NumberFormatError(const std::string& what) : InputError(what) {}
  void Report(MessageLog& log) const override;
};

// What a program fault (an exception that is no stop of the run) says when it reaches the entry.
void ReportProgramFault(const std::exception& fault, MessageLog& log);

}  // namespace veltra
