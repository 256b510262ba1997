#include "satprog/command_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "util/text.h"

namespace veltra::satprog {

namespace {

const OptionRule* Find(const std::vector<OptionRule>& rules, const std::string& name) {
  for (const OptionRule& rule : rules)
    if (name == rule.Name) return &rule;
  return nullptr;
}

std::string Range(const OptionRule& rule) {
  if (rule.LowExcluded) return Printf("more than %g and at most %g", rule.Low, rule.High);
  return Printf("from %g to %g", rule.Low, rule.High);
}

// Words of `text` in lines of at most `width` characters, every line after the first indented.
std::string Wrap(const std::string& text, size_t indent, size_t width) {
  std::string out, line;
  for (const std::string& word : Split(text, ' ')) {
    if (!line.empty() && indent + line.size() + 1 + word.size() > width) {
      out += line + "\n" + std::string(indent, ' ');
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
  }
  return out + line;
}

// A number written in full: no hexadecimal, no "inf" or "nan", nothing after it.
bool ParseNumber(const std::string& text, double& value) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;
  const auto [ptr, ec] = std::from_chars(begin, end, value);
  return begin != end && ec == std::errc() && ptr == end && std::isfinite(value);
}

std::vector<std::string> ChoicesOf(const OptionRule& rule) { return Split(rule.Choices, '|'); }

void Check(const OptionRule& rule, const std::string& value) {
  const std::string name = rule.Name;
  double number = 0;
  switch (rule.Kind) {
    case OptionKind::Integer:
      if (!ParseNumber(value, number) || number != std::floor(number))
        throw OptionError{name + ": \"" + value + "\" is not a whole number"};
      // The range is checked on the number as written, before any cast: 1e10 loops are refused,
      // never wrapped round or cut to 0.
      if (number < rule.Low || number > rule.High)
        throw OptionError{name + ": \"" + value + "\": the value must be " + Range(rule)};
      return;
    case OptionKind::Real:
      if (!ParseNumber(value, number)) throw OptionError{name + ": \"" + value + "\" is not a number"};
      if (number < rule.Low || number > rule.High || (rule.LowExcluded && number == rule.Low))
        throw OptionError{name + ": \"" + value + "\": the value must be " + Range(rule)};
      return;
    case OptionKind::Choice: {
      const std::vector<std::string> choices = ChoicesOf(rule);
      if (std::find(choices.begin(), choices.end(), Lower(value)) == choices.end())
        throw OptionError{name + ": \"" + value + "\" is not one of " + std::string(rule.Choices)};
      return;
    }
    case OptionKind::Text:
      if (value.empty()) throw OptionError{name + ": the value is empty"};
      return;
    case OptionKind::Flag:
      return;
  }
}

}  // namespace

CommandLine::CommandLine(const std::vector<std::string>& args, const std::vector<OptionRule>& rules, size_t positional) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!StartsWith(arg, "--")) {
      positional_.push_back(arg);
      continue;
    }
    const OptionRule* rule = Find(rules, arg);
    if (rule == nullptr) throw OptionError{"unknown option " + arg};
    if (rule->Kind == OptionKind::Flag) {
      given_.emplace_back(arg, "");
      continue;
    }
    if (i + 1 >= args.size()) throw OptionError{arg + ": the value " + rule->Value + " is missing"};
    const std::string& value = args[++i];
    Check(*rule, value);
    given_.emplace_back(arg, rule->Kind == OptionKind::Choice ? Lower(value) : value);
  }
  if (positional_.size() > positional) throw OptionError{"unexpected argument \"" + positional_[positional] + "\""};
  if (positional_.size() != positional)
    throw OptionError{Printf("%d argument%s given where %d %s wanted", static_cast<int>(positional_.size()),
                             positional_.size() == 1 ? "" : "s", static_cast<int>(positional), positional == 1 ? "is" : "are")};
}

const std::string* CommandLine::Given(const std::string& name) const {
  for (auto it = given_.rbegin(); it != given_.rend(); ++it)
    if (it->first == name) return &it->second;
  return nullptr;
}

bool CommandLine::Has(const std::string& name) const { return Given(name) != nullptr; }

int32_t CommandLine::Integer(const std::string& name, int32_t fallback) const {
  const std::string* value = Given(name);
  double number = 0;
  // Checked when given: a whole number within an int32 range.
  return value != nullptr && ParseNumber(*value, number) ? static_cast<int32_t>(number) : fallback;
}

double CommandLine::Real(const std::string& name, double fallback) const {
  const std::string* value = Given(name);
  double number = 0;
  return value != nullptr && ParseNumber(*value, number) ? number : fallback;
}

std::string CommandLine::Text(const std::string& name, const std::string& fallback) const {
  const std::string* value = Given(name);
  return value != nullptr ? *value : fallback;
}

bool AsksForHelp(const std::vector<std::string>& args) {
  return std::any_of(args.begin(), args.end(), [](const std::string& a) { return a == "--help" || a == "-h" || a == "/?"; });
}

std::string UsageText(const std::string& synopsis, const std::string& purpose, const std::vector<OptionRule>& rules,
                      const std::string& exitCodes) {
  std::string text = "usage: " + synopsis + "\n" + purpose;
  if (!rules.empty()) text += "options:\n";
  for (const OptionRule& rule : rules) {
    std::string head = std::string("  ") + rule.Name + (rule.Kind == OptionKind::Flag ? "" : std::string(" ") + rule.Value);
    std::string help = rule.Help;
    if (rule.Kind == OptionKind::Integer || rule.Kind == OptionKind::Real) help += ", " + Range(rule);
    if (rule.Kind == OptionKind::Choice) help += ": " + std::string(rule.Choices);
    if (*rule.Default != '\0') help += " (default " + std::string(rule.Default) + ")";
    text += (head.size() < 22 ? head + std::string(22 - head.size(), ' ') : head + "\n" + std::string(22, ' ')) +
            Wrap(help, 22, 100) + "\n";
  }
  text += "  --help              this text (exit code 0; nothing is read or written)\n";
  text += "exit codes:\n" + exitCodes;
  return text;
}

}  // namespace veltra::satprog
