// Every file the examples leave, byte for byte, against a record of an earlier run: veltra runs
// the example as configured, with the outside programs served by the print files and listings
// that a run with the real engines left (tests/data/examples/standin.sh), so that only veltra's
// own work is compared and a change of the engines moves nothing. The start-up date, the
// workbook's timestamps and the working directory named in the report are the only parts left
// out. scripts/record-examples.sh records the engines' outputs and the expected files again.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// What may differ between two runs of the same example: the date of the start-up header, the
// working directory the report names, and the timestamps inside the workbook.
std::string Normalised(const fs::path& file, const std::string& text) {
  static const std::regex date("Fecha de Ejecuci\xc3\xb3n: [^\r\n<]*");
  static const std::regex directory("(<dt>Directorio de trabajo</dt><dd>)[^<]*");
  std::string out = std::regex_replace(text, date, "Fecha de Ejecuci\xc3\xb3n: -");
  if (file.extension() == ".html") out = std::regex_replace(out, directory, "$1-");
  return out;
}

// The members of a workbook (a zip file) in order, without their creation and change times.
std::string WorkbookText(const fs::path& file) {
  const fs::path dump = file.string() + ".members";
  const std::string command =
      "/usr/bin/python3 -c \"import re, sys, zipfile\n"
      "z = zipfile.ZipFile(sys.argv[1])\n"
      "for n in sorted(z.namelist()):\n"
      "    t = z.read(n).decode('utf-8', 'replace')\n"
      "    print('== ' + n); print(re.sub(r'<dcterms:(created|modified)[^<]*</dcterms:[a-z]+>', '', t))\" '" +
      file.string() + "' > '" + dump.string() + "'";
  const int status = std::system(command.c_str());
  std::string text = WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ReadFile(dump) : std::string("(sin leer)");
  fs::remove(dump);
  return text;
}

std::string Fingerprint(const std::string& text) {
  uint64_t hash = 1469598103934665603ULL;  // 64-bit FNV-1a
  for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ULL;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return hex;
}

using Manifest = std::map<std::string, std::string>;  // file -> fingerprint

Manifest ReadManifest(const fs::path& path) {
  Manifest manifest;
  std::istringstream in(ReadFile(path));
  for (std::string fingerprint, name; in >> fingerprint >> name;) manifest[name] = fingerprint;
  return manifest;
}

// Runs the example in a fresh folder with the stand-ins first on the PATH and fingerprints
// every file the folder then holds, with the console output as "(consola)".
Manifest RecordedRun(const std::string& example, const std::vector<std::string>& args, fs::path& dir) {
  const fs::path records = fs::path(VELTRA_RECORDS_DIR) / example;
  const fs::path work = fs::temp_directory_path() / ("veltra_recorded_" + example + "_" + std::to_string(::getpid()));
  fs::remove_all(work);
  dir = work / "run";
  const fs::path bin = work / "bin";
  fs::create_directories(dir);
  fs::create_directories(bin);
  fs::copy(fs::path(VELTRA_EXAMPLES_DIR) / example, dir, fs::copy_options::recursive);
  std::ofstream(bin / "recorded") << (records / "recorded").string() << "\n";
  for (const char* program : {"t8s", "SATNET", "SATALL", "SATASS", "SATEASY"})
    fs::copy_file(fs::path(VELTRA_RECORDS_DIR) / "standin.sh", bin / program);
  // The console goes beside the folder: a file written in it would be listed by the report.
  std::string command = "cd '" + dir.string() + "' && PATH='" + bin.string() + "':/usr/bin:/bin '" + VELTRA_EXE + "'";
  for (const std::string& a : args) command += " '" + a + "'";
  command += " > '" + (work / "console").string() + "' 2>&1 </dev/null";
  const int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadFile(work / "console");

  Manifest manifest;
  manifest["(consola)"] = Fingerprint(Normalised("console", ReadFile(work / "console")));
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    const fs::path& file = entry.path();
    const std::string text = file.extension() == ".xlsx" ? WorkbookText(file) : ReadFile(file);
    manifest[file.filename().string()] = Fingerprint(Normalised(file, text));
  }
  return manifest;
}

void ExpectTheRecordedOutputs(const std::string& example, const std::vector<std::string>& args) {
#ifndef VELTRA_HAVE_XLSXWRITER
  GTEST_SKIP() << "the record holds the workbook, which this build writes as CSV";
#endif
  fs::path dir;
  const Manifest actual = RecordedRun(example, args, dir);
  const fs::path expectedFile = fs::path(VELTRA_RECORDS_DIR) / example / "expected.txt";
  if (std::getenv("VELTRA_RECORD_EXAMPLES") != nullptr) {
    std::ofstream out(expectedFile, std::ios::binary);
    for (const auto& [name, fingerprint] : actual) out << fingerprint << "  " << name << "\n";
    return;
  }
  const Manifest expected = ReadManifest(expectedFile);
  ASSERT_FALSE(expected.empty()) << expectedFile;
  for (const auto& [name, fingerprint] : expected) {
    auto found = actual.find(name);
    if (found == actual.end())
      ADD_FAILURE() << name << ": not written";
    else
      EXPECT_EQ(found->second, fingerprint) << name << " differs (the run is in " << dir << ")";
  }
  for (const auto& [name, fingerprint] : actual)
    EXPECT_TRUE(expected.count(name) != 0) << name << ": written, not in the record";
  if (!::testing::Test::HasFailure()) fs::remove_all(dir.parent_path());
}

TEST(RecordedRun, EveryOutputOfTheTownIsAsRecorded) {
  ExpectTheRecordedOutputs("pueblo", {"pueblo.dat", "nodos.txt", "pueblo_tr.dat"});
}

TEST(RecordedRun, EveryOutputOfSiouxFallsIsAsRecorded) {
  ExpectTheRecordedOutputs("siouxfalls", {"siouxfalls.dat", "nodos.txt", "siouxfalls_tr.dat"});
}

}  // namespace
