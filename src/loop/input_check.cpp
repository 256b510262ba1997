#include "loop/input_check.h"

#include "loop/engine_checks.h"
#include "model/tables.h"
#include "saturn/counts.h"
#include "saturn/listing.h"
#include "saturn/network_reader.h"
#include "saturn/street_names.h"
#include "transyt/node_list.h"
#include "util/conversions.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {

SaturnSettings SaturnSettingsOf(const Run& run) {
  SaturnSettings settings;
  settings.LineasPrivado = run.Cfg.LineasPrivado;
  settings.FirstRead = run.FirstRead();
  return settings;
}

void InputCheck(Run& run, const std::string& name, int iteration) {
  MessageLog& log = run.Log;
  SaturnVars& sat = run.Sat;
  log.Line(run.ProgressMessage);
  const std::string dataFile = RunFiles::NetworkFileOf(name);
  const std::string listing = RunFiles::ListingOf(name);
  if (!FileExists(dataFile)) {
    log.Fatal(Printf("ERROR - %s no existe. Abortando ...", dataFile.c_str()), 2);
  }

  sat.Clear();
  if (!LoadLines(dataFile, sat.NetworkLines)) throw FileError("ERROR - No se puede leer " + dataFile);
  sat.NetworkFileName = dataFile;
  SaturnRead(SaturnSettingsOf(run), sat, log);
  if (!sat.Network.HasCoordinates) {
    log.Error("Faltan coordenadas geograficas. Abortando ...", 1);
    run.Sys.WaitForEnter();
    throw RunStop();
  }

  if (run.Cfg.UseListing()) {
    const std::string found = ExistingFileIgnoringCase(listing);
    if (found.empty()) {
      log.Fatal(Printf("ERROR - Red Saturn %s no existe", listing.c_str()), 2);
    }
    if (!LoadLines(found, sat.ListingLines)) throw FileError("ERROR - No se puede leer " + found);
    SaturnSettings settings = SaturnSettingsOf(run);
    settings.FirstRead = iteration == run.Cfg.IteracionInicial;
    settings.ListingFile = found;
    ShowListingNotes(run, ReadListing(sat.ListingLines, iteration, settings, sat, log), iteration);
  } else {
    const std::string& counts = run.Cfg.Conteos;
    if (!FileExists(counts)) {
      log.Fatal(Printf("ERROR - Archivo %s no existe", counts.c_str()), 2);
    }
    if (!LoadLines(counts, sat.ListingLines)) throw FileError("ERROR - No se puede leer " + counts);
    ReadCounts(sat.ListingLines, counts, sat, log);
  }
}

void ApplyPriorityLists(const Settings& cfg, SaturnVars& sat, const QorVars& qor, MessageLog& log) {
  const std::vector<std::string> pairs = Split(cfg.CicloPrioridadSaturn, ',');
  for (size_t i = 0; i + 1 < pairs.size(); i += 2) {
    const NetworkNumber network(TextToInt(pairs[i + 1]));
    // The last position of that number; 0 when no network has it.
    int position = 0;
    for (NetworkPosition p : qor.Positions())
      if (qor.NumberOf(p) == network) position = p.Value();
    const int32_t index = sat.FindNode(TextToInt(pairs[i]));
    if (index != 0)
      At(sat.Nodes, index).TransytNetworkPosition = position;
    else
      log.Error(Printf("ERROR - Nodo (CicloPrioridad) %s no existe en red Saturn", pairs[i].c_str()));
  }

  for (NetworkPosition p : qor.Positions()) {
    const int32_t number = qor.NumberOf(p).Value();
    const NodeList& list = cfg.Network(p).CicloPrioridad;
    if (list.Empty()) continue;
    if (list.First() == "-1") {
      // Every unsignalised node of the network follows the network's cycle.
      for (size_t i = 1; i < sat.Nodes.size(); ++i) {
        TNodo& node = sat.Nodes[i];
        if (node.TransytNetwork == number && node.SignalPlan == 0) node.TransytNetworkPosition = p.Value();
      }
      continue;
    }
    for (const NodeListItem& item : list.Items()) {
      const int32_t index = sat.FindNode(item.Number);
      if (index != 0)
        At(sat.Nodes, index).TransytNetworkPosition = p.Value();
      else
        log.Error(Printf("ERROR - Nodo (CicloPrioridad) %s no existe en red %d", item.Text.c_str(), number));
    }
  }
}

int ReadNetworkAndNodeList(Run& run, const std::string& name, int iteration) {
  InputCheck(run, name, iteration);
  return ReadNodeList(run.Files.NodesFile, run.Cfg.TransytNodeLimit(), run.Sat, run.Qor, run.Log, run.FirstRead());
}

void ApplyInputLists(Run& run) {
  ApplyPriorityLists(run.Cfg, run.Sat, run.Qor, run.Log);
  if (Lower(run.Cfg.ArcosNombreCalle) != "null")
    ReadStreetNames(run.Cfg.ArcosNombreCalle, run.FirstRead(), run.Sat, run.Log);
}

void ReadSaturnResults(Run& run, int iteration) {
  run.CurrentSaturnName = run.Files.SaturnResults(iteration);
  run.ProgressMessage = Printf("   Leyendo resultados Saturn (%d)...", iteration);
  ReadNetworkAndNodeList(run, run.CurrentSaturnName, iteration);
  ApplyInputLists(run);
}

}  // namespace veltra
