// The text writer: the same bytes into a file or into a stream, and a failed write reported
// when the writer is closed.
#include <gtest/gtest.h>

#include <sstream>

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

}  // namespace
}  // namespace veltra
