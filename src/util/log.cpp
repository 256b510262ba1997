#include "util/log.h"

#include "util/text.h"

namespace veltra {

MessageLog::~MessageLog() { CloseMessagesFile(); }

void MessageLog::LogText(std::initializer_list<std::string_view> texts) {
  for (std::string_view t : texts) {
    if (t.empty()) continue;
    // A carriage return inside a message separates its lines; on this console it becomes a
    // line end so the second line does not overwrite the first. The file keeps it as written.
    std::string shown(t);
    for (size_t i = 0; i < shown.size(); ++i) {
      if (shown[i] == '\r' && (i + 1 >= shown.size() || shown[i + 1] != '\n')) shown[i] = '\n';
    }
    console_ << shown;
    console_.flush();
    if (file_) {
      std::fwrite(t.data(), 1, t.size(), file_);
      std::fflush(file_);
    }
  }
}

void MessageLog::EndLine() {
  console_ << '\n';
  console_.flush();
  if (file_) {
    std::fputs("\r\n", file_);
    std::fflush(file_);
  }
}

void MessageLog::EmptyLines(int n) {
  for (int i = 0; i < n; ++i) Line();
}

void MessageLog::Spaced(std::string_view text, int around) {
  EmptyLines(around);
  Line(text);
  EmptyLines(around);
}

void MessageLog::Warning(std::string_view text, int around) { Spaced(text, around); }

void MessageLog::Error(const std::string& text, int around, Listed listed) {
  Spaced(text, around);
  if (listed == Listed::Yes) AddError(text);
}

void MessageLog::FramedError(std::string_view text) {
  EmptyLines(2);
  Line(kErrorFrame);
  Line(text);
  Line(kErrorFrame);
  EmptyLines(2);
}

void MessageLog::Fatal(const std::string& text, int around, Listed listed) {
  Error(text, around, listed);
  throw RunStop();
}

void MessageLog::ConsoleLine(std::string_view text) {
  console_ << text << '\n';
  console_.flush();
}

bool MessageLog::OpenMessagesFile(const std::string& path) {
  CloseMessagesFile();
  file_ = std::fopen(path.c_str(), "wb");
  return file_ != nullptr;
}

void MessageLog::CloseMessagesFile() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
}

void MessageLog::SaveErrorsIfAny() {
  if (Errors.empty()) return;
  TextWriter out(ErrorsFileName);
  for (const auto& line : Errors) out.Line(line);
  out.Close();
}

}  // namespace veltra
