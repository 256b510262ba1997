// Profile (INI) reading with the semantics the configuration was written for: a missing file
// or key gives the default, section and key names match without regard to case, the first
// occurrence of a key in a section wins, and values are trimmed.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace veltra {

class IniFile {
 public:
  // Loads the file; a missing or unreadable file behaves as an empty one.
  explicit IniFile(const std::string& path);

  bool Exists() const { return exists_; }
  // The file's lines as read (for the configuration echo).
  const std::vector<std::string>& Lines() const { return lines_; }

  bool HasSection(const std::string& section) const;
  bool HasKey(const std::string& section, const std::string& key) const;
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  // Integers that are missing or not valid integers give the default.
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  // Reals that are missing or not valid numbers give the default.
  double ReadFloat(const std::string& section, const std::string& key, double def) const;
  // 0 is false, any other integer true; anything else gives the default.
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;

 private:
  const std::string* Find(const std::string& section, const std::string& key) const;

  bool exists_ = false;
  std::vector<std::string> lines_;
  std::unordered_map<std::string, std::unordered_map<std::string, std::string>> sections_;
};

}  // namespace veltra
