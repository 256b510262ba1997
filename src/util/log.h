// The message log (console and, when asked for, a messages file that copies it), the errors
// list saved as the errors file, and the stops that end a run in order.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "util/errors.h"
#include "util/text.h"

namespace veltra {

// The line above and below an error that frames it.
constexpr const char* kErrorFrame = "ERROR - ERROR - ERROR - ERROR - ERROR";

class MessageLog {
 public:
  explicit MessageLog(std::ostream& console) : console_(console) {}
  ~MessageLog();
  MessageLog(const MessageLog&) = delete;
  MessageLog& operator=(const MessageLog&) = delete;

  // Writes each non-empty text, in order, to the console and the messages file. No line end.
  void LogText(std::initializer_list<std::string_view> texts);
  template <class... T>
  void Text(const T&... texts) {
    LogText({std::string_view(texts)...});
  }
  // LogText, then a line end. With no text: an empty line.
  template <class... T>
  void Line(const T&... texts) {
    LogText({std::string_view(texts)...});
    EndLine();
  }
  // n empty lines.
  void EmptyLines(int n);
  // A warning ("ATENCION: ..."), with `around` empty lines before and after it.
  void Warning(std::string_view text, int around = 0);
  // An error ("ERROR - ...", "*** ERROR ..."), with `around` empty lines before and after it;
  // with Listed::Yes it also goes to the errors list.
  void Error(const std::string& text, int around = 0, Listed listed = Listed::No);
  // An error framed by kErrorFrame lines, two empty lines before and after the frame.
  void FramedError(std::string_view text);
  // The error, then the stop (RunStop: the message is out).
  [[noreturn]] void Fatal(const std::string& text, int around = 0, Listed listed = Listed::No);

  // Writes to the console only (lines written before the messages file is opened, the usage text).
  void ConsoleLine(std::string_view text);

  // Creates (or empties) the messages file; false when it cannot be created.
  bool OpenMessagesFile(const std::string& path);
  void CloseMessagesFile();
  bool MessagesFileOpen() const { return file_ != nullptr; }

  // The errors list and the errors file it is saved to.
  std::vector<std::string> Errors;
  std::string ErrorsFileName = "Errores.txt";
  void AddError(std::string line) { Errors.push_back(std::move(line)); }
  // Saves the list (one line per entry, the file replaced) when it holds lines.
  void SaveErrorsIfAny();

 private:
  void EndLine();
  void Spaced(std::string_view text, int around);

  std::ostream& console_;
  std::FILE* file_ = nullptr;
};

}  // namespace veltra
