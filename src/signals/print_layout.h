// Fixed-column print lines: texts placed at 1-based columns, and numbers fitted to a width.
#pragma once

#include <string>

namespace veltra::signals {

// Writes text into the line from the 1-based column on, widening the line with blanks.
void Put(std::string& line, int column, const std::string& text);
// The value right-aligned in `width` characters with up to `decimals` decimals, fewer when
// it would not fit, held at the largest value that fits when even none would.
std::string Fit(double value, int width, int decimals);

}  // namespace veltra::signals
