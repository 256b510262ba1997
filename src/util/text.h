// Small text helpers shared by every reader and writer: printf-style formatting,
// fixed-column fields, case and blank handling, and line files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "util/errors.h"

namespace veltra {

// printf-style formatting into a string. Numbers always use "." as the decimal point:
// the program never changes the C library's numeric locale.
// gnu_printf: the C99 formats (%zu, %lld), which the MinGW runtime follows as glibc does.
// clang knows only printf, which it checks against the same C99 formats.
#if defined(__clang__)
std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
#else
std::string Printf(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
#endif

// An integer right-aligned in `width` characters, as "%*lld" writes it (a wider value keeps all
// its digits): the fixed-column fields of the writers and the model's keys, which are written
// hundreds of thousands of times an iteration, without printf's cost per field.
void AppendInt(std::string& out, long long value, int width = 0);
std::string IntText(long long value, int width = 0);

// Characters a..b (1-based, inclusive) of a line; the part beyond the line's end is dropped.
std::string Field(std::string_view line, int first, int last);
// The character at a 1-based column, or '\0' beyond the line's end.
char Column(std::string_view line, int column);

std::string Trim(std::string_view text);
std::string TrimRight(std::string_view text);
std::string Upper(std::string_view text);
void MakeUpper(std::string& text);  // the same, in place
std::string Lower(std::string_view text);
bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Splits at every occurrence of the separator; empty pieces are kept ("a,,b" gives three).
std::vector<std::string> Split(std::string_view text, char separator);

// The longest line any of the program's input files can hold: their records are fixed
// columns or short lists, well under this. A longer line is damage (a binary file, a file
// without line ends) and would otherwise be held whole in memory.
constexpr size_t kMaxLineLength = 64 * 1024;

// Reads a text file into lines. A line ends at LF; a CR before it is not part of the line.
// Returns false when the file cannot be opened; a line longer than maxLineLength throws
// LineTooLongError (a FileError) naming the file, the line and the limit. Formats whose lines may be longer (a trip
// matrix holding an origin's destinations on one line) pass their own limit.
bool LoadLines(const std::string& path, std::vector<std::string>& lines, size_t maxLineLength = kMaxLineLength);

// The same lines handed one at a time to take(line, lineNumber), for a file too large to hold as
// text: the line may be moved from. Returns false when the file cannot be opened.
bool ForEachLine(const std::string& path, size_t maxLineLength, const std::function<void(std::string&, size_t)>& take);

// Writes text line by line with the line end the caller chooses (CR LF by default), into a
// file or into a stream (a test's string, say).
class TextWriter {
 public:
  // Creates the file afresh; throws FileError when it cannot be created.
  explicit TextWriter(const std::string& path, const char* lineEnd = "\r\n");
  // Writes into `stream`, which stays open.
  explicit TextWriter(std::ostream& stream, const char* lineEnd = "\r\n");
  ~TextWriter();
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  bool IsOpen() const { return file_ != nullptr || stream_ != nullptr; }
  void Write(std::string_view text);
  void Line(std::string_view text = {});
  void EndLine();
  // The lines ended so far: the number of the line being written is one more.
  size_t LinesWritten() const { return lines_; }
  // Closes the file (flushes the stream); throws FileError when any write failed.
  void Close();

 private:
  std::FILE* file_ = nullptr;
  std::ostream* stream_ = nullptr;
  std::string path_;
  const char* lineEnd_;
  bool failed_ = false;
  size_t lines_ = 0;
};

// Creates the file, lets `write` fill it through a TextWriter and closes it; FileError when
// it cannot be created or written.
template <class Write>
void WriteTextFile(const std::string& path, const Write& write, const char* lineEnd = "\r\n") {
  TextWriter out(path, lineEnd);
  write(out);
  out.Close();
}

}  // namespace veltra
