#include "util/text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace veltra {

std::string Printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  char small[256];
  int n = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  std::string result;
  if (n < 0) {
    va_end(copy);
    return result;
  }
  if (static_cast<size_t>(n) < sizeof small) {
    result.assign(small, static_cast<size_t>(n));
  } else {
    result.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(result.data(), result.size(), format, copy);
    result.resize(static_cast<size_t>(n));
  }
  va_end(copy);
  return result;
}

void AppendInt(std::string& out, long long value, int width) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  const size_t length = static_cast<size_t>(result.ptr - digits);
  const size_t padding = width > 0 && static_cast<size_t>(width) > length ? static_cast<size_t>(width) - length : 0;
  const size_t at = out.size();
  out.resize(at + padding + length, ' ');
  std::copy(digits, digits + length, out.begin() + static_cast<std::ptrdiff_t>(at + padding));
}

std::string IntText(long long value, int width) {
  std::string text;
  AppendInt(text, value, width);
  return text;
}

std::string Field(std::string_view line, int first, int last) {
  if (first < 1) first = 1;
  if (last < first || static_cast<size_t>(first) > line.size()) return std::string();
  size_t start = static_cast<size_t>(first - 1);
  size_t count = std::min(line.size(), static_cast<size_t>(last)) - start;
  return std::string(line.substr(start, count));
}

char Column(std::string_view line, int column) {
  if (column < 1 || static_cast<size_t>(column) > line.size()) return '\0';
  return line[static_cast<size_t>(column - 1)];
}

std::string Trim(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  return std::string(text.substr(b, e - b));
}

std::string TrimRight(std::string_view text) {
  size_t e = text.size();
  while (e > 0 && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  return std::string(text.substr(0, e));
}

void MakeUpper(std::string& text) {
  // The "C" locale's mapping, which the program never changes (it sets only the time's).
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

std::string Upper(std::string_view text) {
  std::string s(text);
  MakeUpper(s);
  return s;
}

std::string Lower(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  size_t start = 0;
  while (true) {
    size_t pos = text.find(separator, start);
    if (pos == std::string_view::npos) {
      pieces.emplace_back(text.substr(start));
      break;
    }
    pieces.emplace_back(text.substr(start, pos - start));
    start = pos + 1;
  }
  return pieces;
}

bool ForEachLine(const std::string& path, size_t maxLineLength, const std::function<void(std::string&, size_t)>& take) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  size_t count = 0;
  bool pending = false;  // characters read since the last line end
  // Read in blocks and cut at the line ends found in them: a network file and its listing are
  // read every iteration, and a character at a time was most of their reading.
  std::vector<char> block(64 * 1024);
  while (in) {
    in.read(block.data(), static_cast<std::streamsize>(block.size()));
    const char* at = block.data();
    const char* end = at + in.gcount();
    while (at < end) {
      const char* lineEnd = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
      const char* pieceEnd = lineEnd != nullptr ? lineEnd : end;
      const size_t piece = static_cast<size_t>(pieceEnd - at);
      if (line.size() + piece > maxLineLength)
        throw LineTooLongError(Printf("ERROR - %s, linea %zu: mas de %zu caracteres, limite de una linea", path.c_str(),
                                      count + 1, maxLineLength),
                               count + 1, maxLineLength);
      line.append(at, piece);
      if (piece > 0) pending = true;
      if (lineEnd == nullptr) break;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      take(line, ++count);
      line.clear();
      pending = false;
      at = lineEnd + 1;
    }
  }
  if (pending) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    take(line, ++count);
  }
  return true;
}

bool LoadLines(const std::string& path, std::vector<std::string>& lines, size_t maxLineLength) {
  lines.clear();
  return ForEachLine(path, maxLineLength, [&lines](std::string& line, size_t) { lines.push_back(std::move(line)); });
}

TextWriter::TextWriter(const std::string& path, const char* lineEnd) : path_(path), lineEnd_(lineEnd) {
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) throw FileError("ERROR - No se pudo crear el archivo " + path);
}

TextWriter::TextWriter(std::ostream& stream, const char* lineEnd) : stream_(&stream), lineEnd_(lineEnd) {}

TextWriter::~TextWriter() {
  if (file_) std::fclose(file_);
}

void TextWriter::Write(std::string_view text) {
  if (text.empty()) return;
  if (stream_) {
    if (!stream_->write(text.data(), static_cast<std::streamsize>(text.size()))) failed_ = true;
    return;
  }
  if (!file_) return;
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) failed_ = true;
}

void TextWriter::Line(std::string_view text) {
  Write(text);
  EndLine();
}

void TextWriter::EndLine() {
  Write(lineEnd_);
  ++lines_;
}

void TextWriter::Close() {
  if (stream_) {
    if (!stream_->flush()) failed_ = true;
    stream_ = nullptr;
    if (failed_) throw FileError("ERROR - No se pudo escribir el texto");
    return;
  }
  if (file_) {
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
  }
  if (failed_) throw FileError("ERROR - No se pudo escribir el archivo " + path_);
}

}  // namespace veltra
