// File names and the file helpers of the run: wildcard deletion and copies, and the
// clean-up of the companion files of one TRANSYT run.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace veltra {

// Name with its extension (the part from the last "." of the file-name part) replaced;
// `extension` includes its dot, or is empty to remove the extension.
std::string ChangeExtension(const std::string& name, const std::string& extension);
// The extension of the file-name part, with its dot ("" when none).
std::string ExtractExtension(const std::string& name);
// File-name part of a path (after the last "/" or "\").
std::string ExtractFileName(const std::string& name);
// Directory part of a path, without the trailing separator ("" when none).
std::string ExtractFileDir(const std::string& name);
// Joins a directory and a file name with this platform's separator.
std::string JoinPath(const std::string& directory, const std::string& name);
// Absolute form of a path, relative names taken from the current directory.
std::string ExpandFileName(const std::string& name);
bool FileExists(const std::string& name);
bool DirectoryExists(const std::string& name);
bool DeleteFileIfExists(const std::string& name);
bool CopyFileReplacing(const std::string& source, const std::string& target);
// Adds one line (CR LF) at the end of a text file, creating it when it does not exist; false
// when it cannot be written.
bool AppendLine(const std::string& name, std::string_view text);

// "*" matches any run of characters, "?" any one; letters match without regard to case,
// as file names do on the systems the program's files come from.
bool WildcardMatch(std::string_view pattern, std::string_view name);
// The files in the pattern's directory whose names match its file-name part, sorted by name.
std::vector<std::string> MatchingFiles(const std::string& pattern);

// Deletes every file matching the pattern.
void DeleteMatching(const std::string& pattern);
// Copies the source (a file or a pattern) to the target (a file, a directory, or a pattern
// whose "*" receives what the source's "*" matched), replacing existing targets.
void CopyIfExists(const std::string& source, const std::string& target);
// Deletes the companion files of one TRANSYT run named after `name`: level 1 the six
// companion files, level 2 also the print files, level 3 also the data file.
void DeleteRunFiles(const std::string& name, int level);

}  // namespace veltra
