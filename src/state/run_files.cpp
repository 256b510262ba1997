#include "state/run_files.h"

#include "output/svg_writer.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {

std::string RunFiles::SaturnBase() const { return ChangeExtension(SaturnFile, ""); }
std::string RunFiles::TransytBase() const { return ChangeExtension(TransytFile, ""); }

std::string RunFiles::SaturnResults(int i) const { return Printf("%s_%d", SaturnBase().c_str(), i); }
std::string RunFiles::SaturnNetwork(int i) const { return SaturnResults(i) + ".dat"; }
std::string RunFiles::RestartListing(int i) const { return SaturnResults(i) + ".lpa"; }

std::string RunFiles::NetworkFile(int i, NetworkNumber n, const std::string& extension) const {
  return Printf("%s_%d_%d", TransytBase().c_str(), i, n.Value()) + extension;
}
std::string RunFiles::TransytData(int i, NetworkNumber n) const { return NetworkFile(i, n, ".dat"); }
std::string RunFiles::TransytPrint(int i, NetworkNumber n) const { return NetworkFile(i, n, ".prt"); }
std::string RunFiles::Drawing(int i, NetworkNumber n) const { return NetworkFile(i, n, ".dxf"); }
std::string RunFiles::Picture(int i, NetworkNumber n) const { return SvgWriter::PictureName(Drawing(i, n)); }

std::string RunFiles::CyopData(int i, NetworkNumber n) { return Printf("cyop_%d_%d.dat", i, n.Value()); }
std::string RunFiles::CyopPrint(int i, NetworkNumber n) { return ChangeExtension(CyopData(i, n), ".cyo"); }
std::string RunFiles::TestData(int i, NetworkNumber n, long long cycle, bool single) {
  return Printf(single ? "t%d%d%lldS.dat" : "t%d%d%lld.dat", i, n.Value(), cycle);
}
std::string RunFiles::PrintFileOf(const std::string& dataFile) { return ChangeExtension(dataFile, ".prt"); }
std::string RunFiles::NetworkFileOf(const std::string& name) { return ChangeExtension(name, ".dat"); }
std::string RunFiles::ListingOf(const std::string& name) { return ChangeExtension(name, ".lpa"); }

const std::array<const char*, 9>& RunFiles::TransytExtensions() {
  static const std::array<const char*, 9> extensions = {".top", ".dic", ".geo", ".giro", ".arc",
                                                        ".csv", ".prt", ".cyo", ".dat"};
  return extensions;
}

const std::array<const char*, 8>& RunFiles::SaturnExtensions() {
  static const std::array<const char*, 8> extensions = {".dat", ".lpa", ".lpn", ".lpt", ".ufa", ".ufc", ".ufn", ".ufs"};
  return extensions;
}

std::string RunFiles::ChosenTransyt(NetworkNumber n, const std::string& extension) const {
  return Printf("%s_F_%d", TransytBase().c_str(), n.Value()) + extension;
}
std::string RunFiles::ChosenSaturn(const std::string& extension) const { return SaturnBase() + "_F" + extension; }

std::string RunFiles::IterationFiles(int i, const std::string& extension) const {
  return Printf("%s_%d_*", TransytBase().c_str(), i) + extension;
}
std::string RunFiles::FinalCopies(const std::string& extension) const { return TransytBase() + "_Final_*" + extension; }
std::string RunFiles::EarlierRunFiles(const std::string& extension) const { return TransytBase() + "_*_*" + extension; }

std::string RunFiles::ProgramsLog() const { return ExtractFileName(SaturnBase()) + "_programas.log"; }
std::string RunFiles::Report() const { return ExtractFileName(SaturnBase()) + "_informe.html"; }

}  // namespace veltra
