// Texts bound for XML-based files (the SVG picture, the workbook): names read from the
// network and configuration files may be in a Windows code page, which XML does not accept.
#pragma once

#include <string>
#include <string_view>

namespace veltra {

// The text as valid UTF-8: valid sequences are kept, any other byte is taken as a Latin-1
// character; control characters that XML forbids become blanks.
std::string ValidUtf8(std::string_view text);
// ValidUtf8, with &, <, >, " and ' written as entities.
std::string XmlEscape(std::string_view text);
// Number of characters of a valid UTF-8 text.
size_t Utf8Length(std::string_view text);

}  // namespace veltra
