// The command lines of the SATURN-shaped programs and of veltra-tntp. Each program declares its
// options once, with the kind of value, its range and its default, so that the check made
// before any work and the usage text shown by --help come from the same table and cannot
// disagree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltra::satprog {

enum class OptionKind : uint8_t { Flag, Integer, Real, Choice, Text };

struct OptionRule {
  const char* Name;   // "--loops"
  OptionKind Kind;
  const char* Value;  // the value's name in the usage text ("N"); "" for a flag
  const char* Help;   // what it does, with its unit
  const char* Default = "";  // as the usage text shows it; "" when there is none
  // Integer and Real: the values allowed, both ends included unless LowExcluded (a gap of 0
  // can never be reached, so the low end itself is refused).
  double Low = 0, High = 0;
  bool LowExcluded = false;
  const char* Choices = "";  // Choice: the words allowed, separated by "|"
};

// A command line that cannot be used, with a message naming the option and what is wrong.
struct OptionError {
  std::string Message;
};

// The arguments, checked against the table: words that start with "--" are options, the others
// positional arguments, of which exactly `positional` must be given.
class CommandLine {
 public:
  // Throws OptionError.
  CommandLine(const std::vector<std::string>& args, const std::vector<OptionRule>& rules, size_t positional);

  const std::vector<std::string>& Positional() const { return positional_; }
  bool Has(const std::string& name) const;
  // The option's value, or `fallback` when it was not given.
  int32_t Integer(const std::string& name, int32_t fallback) const;
  double Real(const std::string& name, double fallback) const;
  std::string Text(const std::string& name, const std::string& fallback) const;

 private:
  const std::string* Given(const std::string& name) const;

  std::vector<std::string> positional_;
  std::vector<std::pair<std::string, std::string>> given_;  // name, value; the last one counts
};

// True when an argument asks for the usage text: "--help", "-h" or "/?".
bool AsksForHelp(const std::vector<std::string>& args);

// The usage text: the synopsis, every option with its value, range and default, then the exit
// codes. Lines end with "\n".
std::string UsageText(const std::string& synopsis, const std::string& purpose, const std::vector<OptionRule>& rules,
                      const std::string& exitCodes);

}  // namespace veltra::satprog
