// KwtUtils, the conversions: the text-to-number conversion every reader relies on, keyword helpers,
// spreadsheet cell names, the direction angle and the nearest drawing colour, and the
// image of the program information file used to start DOS-style programs.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "util/errors.h"

namespace veltra {

// The result of converting a text field: an integer, a real, or (for anything else) the integer 0.
struct NumberValue {
  bool IsReal = false;
  int32_t Integer = 0;
  double Real = 0.0;

  int32_t AsInteger() const;  // reals round to the nearest integer, halves to the even neighbour
  double AsReal() const;
};

NumberValue ConvertNumber(std::string_view text);
// A decimal written as digits, a point and digits (a minus sign before them allowed), of at
// most 15 digits: its value, as the full conversion gives it (the nearest double), in `value`.
// False for any other text, which then needs the full conversion.
bool ShortDecimal(std::string_view text, double& value);
int32_t TextToInt(std::string_view text);
double TextToReal(std::string_view text);

// Rounds to the nearest integer, halves to the even neighbour; values beyond the int32 range
// are held at its ends.
int32_t RoundEven(double value);

std::string RemoveBlanks(std::string_view text);
// Cuts the text at blanks (a TAB counts as a blank) into its non-empty pieces.
std::vector<std::string> SplitBlanks(std::string_view text);
bool IsBlank(std::string_view text);
// True when the text is exactly the integer it converts to, right-aligned in `width` characters.
bool IntegerField(std::string_view text, int width, int32_t& value);
// Removes every blank from `text` (the caller's copy changes) and tests whether `key` occurs in it.
bool SqueezeAndFind(std::string& text, std::string_view key);
bool Contains(std::string_view text, std::string_view key);
std::string TextAfterKey(std::string_view text, std::string_view key);

// Raises NumberFormatError when the text after the key is not an integer.
int32_t IntegerAfterKey(std::string_view text, std::string_view key);
double RealAfterKey(std::string_view text, std::string_view key);

// Spreadsheet cell name: column 1..26 one letter, above that two letters; then the row.
std::string CellName(int row, int column);

// Direction of the vector from (x2, y2) to (x1, y1), radians counter-clockwise from +X, in [0, 2π).
double DirectionAngle(double x1, double y1, double x2, double y2);

// Nearest drawing colour index 1..255 of an RGB colour given as 0xRRGGBB.
int NearestColourIndex(uint32_t rgb);
// The palette behind it (index 0..255), red, green and blue.
const std::array<std::array<double, 3>, 256>& ColourPalette();

// Program information file image (967 bytes) for starting a DOS-style program.
constexpr size_t kPifSize = 967;
std::array<uint8_t, kPifSize> BuildPif(const std::string& program, const std::string& parameters, bool hidden,
                                       const std::string& startDirectory);

}  // namespace veltra
