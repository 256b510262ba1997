// The text writer: the same bytes into a file or into a stream, and a failed write reported
// when the writer is closed.
#include <gtest/gtest.h>

#include <climits>
#include <sstream>
#include <vector>

#include "support/test_support.h"
#include "util/text.h"

namespace veltra {
namespace {

void WriteSample(TextWriter& out) {
  out.Write("Red 5");
  out.EndLine();
  out.Line("1,90");
  out.Line();
  out.Write("");
}

TEST(TextWriter, StreamAndFileReceiveTheSameBytesWithTheChosenLineEnd) {
  test::TempDir dir;
  for (const char* lineEnd : {"\r\n", "\n"}) {
    WriteTextFile("sample.txt", WriteSample, lineEnd);
    std::ostringstream text;
    TextWriter out(text, lineEnd);
    WriteSample(out);
    out.Close();
    EXPECT_EQ(text.str(), dir.Read("sample.txt"));
    EXPECT_EQ(text.str(), std::string("Red 5") + lineEnd + "1,90" + lineEnd + lineEnd);
  }
}

TEST(TextWriter, AFailedStreamWriteIsReportedOnClose) {
  std::ostringstream text;
  text.setstate(std::ios::badbit);
  TextWriter out(text);
  out.Line("lost");
  EXPECT_THROW(out.Close(), FileError);
}

TEST(TextWriter, AFileThatCannotBeCreatedIsReportedAtOnce) {
  test::TempDir dir;
  EXPECT_THROW(TextWriter("no_such_dir/sample.txt"), FileError);
  EXPECT_THROW(WriteTextFile("no_such_dir/sample.txt", WriteSample), FileError);
}

// Lines read back as written, whatever line end they have and wherever the reader's blocks
// cut them: lines of every length around a block's size, the CR of a CR LF at the end of one
// block and its LF at the start of the next, and a last line without a line end.
TEST(LineFiles, LinesComeBackAsWrittenAcrossTheReadersBlocks) {
  test::TempDir dir;
  for (size_t first : {size_t{65533}, size_t{65534}, size_t{65535}, size_t{65536}}) {
    const std::vector<std::string> written = {std::string(first, 'a'), "", "b", std::string(70000, 'c'), "tail"};
    std::string bytes;
    for (size_t i = 0; i < written.size(); ++i) bytes += written[i] + (i + 1 < written.size() ? (i % 2 ? "\n" : "\r\n") : "");
    dir.Write("lines.txt", bytes);
    std::vector<std::string> read;
    ASSERT_TRUE(LoadLines(dir.File("lines.txt"), read, 70000));
    EXPECT_EQ(read, written) << first;
    EXPECT_THROW(LoadLines(dir.File("lines.txt"), read, 69999), LineTooLongError) << first;
  }
}

// Integer fields are written as printf's "%*lld" writes them, a wider value in full.
TEST(LineFiles, IntegerFieldsAreThoseOfPrintf) {
  for (long long value : {0LL, 7LL, -7LL, 99999LL, -9999LL, 100000LL, 123456789LL, -123456789LL, 1234567890LL,
                          static_cast<long long>(INT_MIN), LLONG_MAX, LLONG_MIN})
    for (int width : {0, 1, 5, 9, 25}) EXPECT_EQ(IntText(value, width), Printf("%*lld", width, value)) << value;
}

}  // namespace
}  // namespace veltra
