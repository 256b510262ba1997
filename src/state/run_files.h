// The names of every file of a run, made in one place from the names on the command line: the
// SATURN network of each iteration and the name its results are read back under, each
// network's files of each iteration (TRANSYT data and print files, drawings), the cycle
// search's CYOP and test files, and the copies and logs of the run. A network's files carry
// its number, never its position.
#pragma once

#include <array>
#include <string>

#include "model/transyt_model.h"

namespace veltra {

class RunFiles {
 public:
  std::string SaturnFile;   // first argument (made absolute when it names a directory)
  std::string NodesFile;    // second argument
  std::string TransytFile;  // third argument
  std::string SaturnBase() const;   // SaturnFile without its extension
  std::string TransytBase() const;  // TransytFile without its extension

  // Iteration i's SATURN network "<saturn>_<i>.dat", and the name "<saturn>_<i>" its network
  // and listing are read back under.
  std::string SaturnNetwork(int i) const;
  std::string SaturnResults(int i) const;
  // The listing a run restarted after iteration i needs: "<saturn>_<i>.lpa".
  std::string RestartListing(int i) const;

  // Network n's file of iteration i with `extension`: "<transyt>_<i>_<n>" + extension; the
  // data file (".dat"), its print file, its drawing and the drawing's picture.
  std::string NetworkFile(int i, NetworkNumber n, const std::string& extension) const;
  std::string TransytData(int i, NetworkNumber n) const;
  std::string TransytPrint(int i, NetworkNumber n) const;
  std::string Drawing(int i, NetworkNumber n) const;
  std::string Picture(int i, NetworkNumber n) const;
  // The cycle search's files of network n in iteration i: "cyop_<i>_<n>.dat" and its CYOP print
  // file, and the test run at cycle c, "t<i><n><c>.dat" ("t<i><n><c>S.dat" without double cycling).
  static std::string CyopData(int i, NetworkNumber n);
  static std::string CyopPrint(int i, NetworkNumber n);
  static std::string TestData(int i, NetworkNumber n, long long cycle, bool single);
  // The TRANSYT print file of a data file.
  static std::string PrintFileOf(const std::string& dataFile);
  // The SATURN network file and the listing read under a name: "<name>.dat" and "<name>.lpa"
  // (an extension of the name is replaced).
  static std::string NetworkFileOf(const std::string& name);
  static std::string ListingOf(const std::string& name);

  // The TRANSYT files of a network and iteration that the end of the run copies, in order.
  static const std::array<const char*, 9>& TransytExtensions();
  // The SATURN files of the chosen iteration that are kept, in order.
  static const std::array<const char*, 8>& SaturnExtensions();
  // The chosen iteration's files kept under "_F" names: "<transyt>_F_<n>" and "<saturn>_F",
  // each with `extension`.
  std::string ChosenTransyt(NetworkNumber n, const std::string& extension) const;
  std::string ChosenSaturn(const std::string& extension) const;
  // Patterns: the TRANSYT files of iteration i ("<transyt>_<i>_*"), their "_Final_" copies
  // ("<transyt>_Final_*") and the files of any earlier run ("<transyt>_*_*"), each with `extension`.
  std::string IterationFiles(int i, const std::string& extension) const;
  std::string FinalCopies(const std::string& extension) const;
  std::string EarlierRunFiles(const std::string& extension) const;

  // In the working directory: the outside programs' console output ("<saturn>_programas.log")
  // and the default report page ("<saturn>_informe.html"), named after the SATURN file alone.
  std::string ProgramsLog() const;
  std::string Report() const;
};

}  // namespace veltra
