#include "util/text.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
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

std::string StatedFigure(const char* format, double value) { return value < 0 ? std::string("-") : Printf(format, value); }

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

std::string Upper(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Lower(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
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
  std::streambuf& buffer = *in.rdbuf();
  std::string line;
  size_t count = 0;
  bool pending = false;  // characters read since the last line end
  for (int c = buffer.sbumpc(); c != std::char_traits<char>::eof(); c = buffer.sbumpc()) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      take(line, ++count);
      line.clear();
      pending = false;
      continue;
    }
    if (line.size() >= maxLineLength)
      throw LineTooLongError(Printf("ERROR - %s, linea %zu: mas de %zu caracteres, limite de una linea", path.c_str(),
                                    count + 1, maxLineLength),
                             count + 1, maxLineLength);
    line.push_back(static_cast<char>(c));
    pending = true;
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
