// SaturnRead: reads a SATURN network data file, already loaded into NetworkLines, into the
// SATURN model. NetworkReader is the frame every section reader works through: the line
// reader, include files, the namelists, the order of the sections and the steps between them,
// and the orderly stop on a file the model cannot hold.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include "util/errors.h"
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/saturn_vars.h"
#include "saturn/reader_settings.h"
#include "util/log.h"

namespace veltra {

// Reads sat.NetworkLines (the lines of sat.NetworkFileName) from its first line into the
// (emptied) model; included files are spliced into those lines, so that a rewrite of the file
// sees what was read. Messages go to the log. A file that ends inside a namelist or a section,
// a missing include or knob file, or a file that exceeds a capacity of the model stops the
// run in order.
void SaturnRead(const SaturnSettings& settings, SaturnVars& sat, MessageLog& log);
// The same for the lines of a file given by name, which the model takes over.
void SaturnRead(std::vector<std::string> lines, const std::string& fileName, const SaturnSettings& settings,
                SaturnVars& sat, MessageLog& log);

// A file the readers open by a name taken from the network file (upper case there): the
// name as given when it exists, else a file of the same name in other letter case; empty
// when there is none.
std::string ExistingFileIgnoringCase(const std::string& name);

// A numeric field of a record: columns first..last through the field-to-number conversion;
// a blank field reads 0. A field holding a character no number is written with ("1O5" with
// the letter O, "+3", "1,5") would read 0, and a value the columns could not hold written out
// in digits (1E39 in a five-column field, a magnitude of 10^width or more; beyond nine
// columns, beyond the integers) would be held at the integer limits, overflow the sums made of
// it and widen the field when the file is written again: both are no value the field can mean
// and raise FieldRangeError, which the reader turns into a stop naming the file and the line.
int32_t IntAt(const std::string& line, int first, int last);
float RealAt(const std::string& line, int first, int last);
// The same with the blanks inside the field removed first ("1 800" reads 1800).
int32_t SqueezedIntAt(const std::string& line, int first, int last);
// The first character of a field's text that no number is written with (blanks around the
// value aside): the conversion would read the field as 0, and the node, flow or time it holds
// would vanish without a word. 0 when there is none.
char ForeignCharacter(std::string_view text);
struct FieldRangeError : InputError {
  explicit FieldRangeError(const std::string& what) : InputError(what) {}
};
// The other member of a speed/time pair over a length: round(length x 3.6 / value).
int32_t SpeedTimeOver(int32_t length, int32_t value);

class NetworkReader {
 public:
  NetworkReader(const SaturnSettings& settings, SaturnVars& sat, MessageLog& log);

  // The whole file, in the order of its parts.
  void ReadAll();

  // The line reader: moves to the next line that is neither a comment ("*") nor a marker
  // ("%") and, with skipBlanks, not blank; the line is returned in upper case. False at the
  // end of the lines, the current line then being empty.
  bool NextLine(bool skipBlanks = true);
  // The same where the file may not end (inside a namelist, a section or a record).
  const std::string& NextRequired(bool skipBlanks = true);
  // The same for a further card of a record: the end of the section there is an error too.
  const std::string& NextCard(const char* what, bool skipBlanks = true);
  const std::string& Current() const { return current_; }
  size_t Position() const { return static_cast<size_t>(position_); }
  // Node field width of sections 3 to 6: 5, or 10 with DUTCH.
  int Width() const { return sat.Param.DUTCH ? 10 : 5; }
  // The reading is the first of the run: the messages written only once are due.
  bool FirstRead() const { return settings.FirstRead; }

  // Registers a node number read from the current record (at `position`); numbers that do
  // not fit the 9-character keys and a full node table stop the run.
  int32_t RegisterNode(int32_t number, size_t position);
  // Appends a link (with its knob values when the model keeps them); a full table stops the run.
  int32_t AppendLink(Tardat link, const std::array<float, kMaxKnobs>& knobs, size_t position);

  // Orderly stops with a message naming the file and the line (of the line at `position`).
  [[noreturn]] void Fail(const std::string& what) const { FailAt(Position(), what); }
  [[noreturn]] void FailAt(size_t position, const std::string& what) const;
  // The same without a line, for what the file holds as a whole.
  [[noreturn]] void FailFile(const std::string& what) const;
  [[noreturn]] void LimitExceeded(size_t position, const std::string& what, int limit) const;

  // Position of the junction card of a node (by node number), for the steps that follow section 1.
  void NoteJunctionCard(int32_t nodeNumber, size_t position) { junctionCards_[nodeNumber] = position; }
  size_t JunctionCardOf(int32_t nodeNumber) const;

  const SaturnSettings& settings;
  SaturnVars& sat;
  MessageLog& log;
  bool knobRows = false;  // LinkKnobs is kept parallel to Links

 private:
  struct LineOrigin {
    int32_t File = 0;  // index in files_
    int32_t Line = 0;  // 1-based line of that file
  };
  struct SourceFile {
    std::string Name;
    std::string FullName;
    int32_t Parent = -1;  // the file whose "$" line included it
  };

  void ReadParts();
  void ReadFirstNamelist();
  void ReadParam();
  void ApplyParamItem(std::string item);
  void AfterParam();
  // Reads one section whose header is the current line; `handler` gets every record line.
  template <class Handler>
  void ReadSection(int section, const Handler& handler);
  void Include(int section);
  void AfterSection3();
  void AfterSection5();
  void Finish();
  [[noreturn]] void Truncated() const;
  std::string Origin(size_t position) const;

  int64_t position_ = -1;
  std::string current_;
  std::vector<LineOrigin> origins_;
  std::vector<SourceFile> files_;
  std::string context_;  // what is being read, for a file that ends too early
  std::string ending_;   // the line that would have ended it
  std::unordered_map<int32_t, size_t> junctionCards_;
  size_t includedBytes_ = 0;
};

}  // namespace veltra
