#include "signals/print_layout.h"

#include <cmath>

#include "util/text.h"

namespace veltra::signals {

void Put(std::string& line, int column, const std::string& text) {
  const size_t at = static_cast<size_t>(column - 1);
  if (line.size() < at + text.size()) line.resize(at + text.size(), ' ');
  line.replace(at, text.size(), text);
}

std::string Fit(double value, int width, int decimals) {
  if (!std::isfinite(value)) value = value < 0 ? -1e300 : 1e300;
  for (int d = decimals; d >= 0; --d) {
    std::string text = Printf("%*.*f", width, d, value);
    if (static_cast<int>(text.size()) <= width) return text;
  }
  // Even without decimals the value is too wide: the largest (or smallest) that fits.
  const int digits = value < 0 ? width - 1 : width;
  double limit = std::pow(10.0, digits) - 1;
  return Printf("%*.0f", width, value < 0 ? -limit : limit);
}

}  // namespace veltra::signals
