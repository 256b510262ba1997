#include "util/files.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace veltra {

namespace {

size_t LastSeparator(const std::string& name) { return name.find_last_of("/\\"); }

}  // namespace

std::string ExtractFileName(const std::string& name) {
  size_t s = LastSeparator(name);
  return s == std::string::npos ? name : name.substr(s + 1);
}

std::string ExtractFileDir(const std::string& name) {
  size_t s = LastSeparator(name);
  return s == std::string::npos ? std::string() : name.substr(0, s);
}

std::string ExtractExtension(const std::string& name) {
  size_t s = LastSeparator(name);
  size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || (s != std::string::npos && dot < s)) return std::string();
  return name.substr(dot);
}

std::string ChangeExtension(const std::string& name, const std::string& extension) {
  std::string ext = ExtractExtension(name);
  return name.substr(0, name.size() - ext.size()) + extension;
}

std::string JoinPath(const std::string& directory, const std::string& name) {
  if (directory.empty()) return name;
  return (fs::path(directory) / fs::path(name)).string();
}

std::string ExpandFileName(const std::string& name) {
  std::error_code ec;
  fs::path p = fs::absolute(fs::path(name), ec);
  if (ec) return name;
  return p.lexically_normal().string();
}

bool FileExists(const std::string& name) {
  std::error_code ec;
  return !name.empty() && fs::is_regular_file(fs::path(name), ec);
}

bool DirectoryExists(const std::string& name) {
  std::error_code ec;
  return !name.empty() && fs::is_directory(fs::path(name), ec);
}

bool DeleteFileIfExists(const std::string& name) {
  std::error_code ec;
  return fs::remove(fs::path(name), ec);
}

bool AppendLine(const std::string& name, std::string_view text) {
  std::FILE* file = std::fopen(name.c_str(), "ab");
  if (file == nullptr) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fputs("\r\n", file) >= 0;
  return std::fclose(file) == 0 && ok;
}

bool CopyFileReplacing(const std::string& source, const std::string& target) {
  std::error_code ec;
  if (fs::equivalent(fs::path(source), fs::path(target), ec)) return true;  // copying onto itself
  ec.clear();
#ifdef _WIN32
  // The MinGW library refuses to overwrite: it tells files apart by file numbers, which its
  // runtime does not fill in on Windows, so it takes any target for the source. The old copy
  // goes first.
  fs::remove(fs::path(target), ec);
  ec.clear();
#endif
  return fs::copy_file(fs::path(source), fs::path(target), fs::copy_options::overwrite_existing, ec);
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  // Iterative matching with backtracking to the last "*".
  size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  auto same = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  };
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || (pattern[p] != '*' && same(pattern[p], name[n])))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<std::string> MatchingFiles(const std::string& pattern) {
  std::vector<std::string> result;
  std::string dir = ExtractFileDir(pattern);
  std::string filePattern = ExtractFileName(pattern);
  std::error_code ec;
  fs::directory_iterator it(dir.empty() ? fs::path(".") : fs::path(dir), ec);
  if (ec) return result;
  for (const auto& entry : it) {
    std::error_code fileEc;
    if (!entry.is_regular_file(fileEc)) continue;
    std::string fileName = entry.path().filename().string();
    if (WildcardMatch(filePattern, fileName)) result.push_back(dir.empty() ? fileName : JoinPath(dir, fileName));
  }
  std::sort(result.begin(), result.end());
  return result;
}

void DeleteMatching(const std::string& pattern) {
  for (const auto& file : MatchingFiles(pattern)) DeleteFileIfExists(file);
}

namespace {

bool HasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

// What the first "*" of `pattern` matched in `name` (both file-name parts).
std::string StarPart(const std::string& pattern, const std::string& name) {
  size_t star = pattern.find('*');
  if (star == std::string::npos) return std::string();
  std::string prefix = pattern.substr(0, star);
  std::string suffix = pattern.substr(star + 1);
  // The rest of the pattern after the star must match the end of the name; take the
  // shortest capture that lets it (the same choice the matcher makes).
  for (size_t len = 0; prefix.size() + len <= name.size(); ++len) {
    if (WildcardMatch(suffix, name.substr(prefix.size() + len))) return name.substr(prefix.size(), len);
  }
  return name.substr(std::min(prefix.size(), name.size()));
}

std::string TargetFor(const std::string& sourcePattern, const std::string& sourceFile, const std::string& target) {
  if (DirectoryExists(target)) return JoinPath(target, ExtractFileName(sourceFile));
  std::string targetName = ExtractFileName(target);
  size_t star = targetName.find('*');
  if (star == std::string::npos) return target;
  std::string part = StarPart(ExtractFileName(sourcePattern), ExtractFileName(sourceFile));
  targetName.replace(star, 1, part);
  return JoinPath(ExtractFileDir(target), targetName);
}

}  // namespace

void CopyIfExists(const std::string& source, const std::string& target) {
  if (!HasWildcard(source)) {
    if (FileExists(source)) CopyFileReplacing(source, TargetFor(source, source, target));
    return;
  }
  for (const auto& file : MatchingFiles(source)) CopyFileReplacing(file, TargetFor(source, file, target));
}

void DeleteRunFiles(const std::string& name, int level) {
  if (level <= 0) return;
  static const char* const companions[] = {".top", ".dic", ".geo", ".giro", ".arc", ".csv"};
  for (const char* ext : companions) DeleteFileIfExists(ChangeExtension(name, ext));
  if (level >= 2) {
    DeleteFileIfExists(ChangeExtension(name, ".prt"));
    DeleteFileIfExists(ChangeExtension(name, ".cyo"));
  }
  if (level >= 3) DeleteFileIfExists(ChangeExtension(name, ".dat"));
}

}  // namespace veltra
