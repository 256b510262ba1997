// The run's settings, named by their configuration keys. Global settings come from
// [Parametros], [Exporta], [Saturn] and [Converge]; per-network settings from the section
// "Transyt%d" of each network, kept by network position 1..NumRedes.
#pragma once

#include <string>
#include <vector>

#include "model/setting_lists.h"
#include "model/tables.h"
#include "model/transyt_model.h"

namespace veltra {

// The cycle search of a network (OptimizaCiclo), by the setting's values. A value outside
// these keeps the cycle, as Keep does.
enum class CycleMode : int {
  Keep = -1,                 // the network cycle does not change
  Preassigned = 0,           // the Ciclo setting, or CYOP's cycle once when it is not given
  Cyop = 1,                  // CYOP's cycle-and-structure choice
  RangeTests = 2,            // TRANSYT test runs over CicloMinimo..CicloMaximo
  CyopThenTests = 3,         // CYOP's cycle, then test runs around it
  StructureTests = 4,        // test runs over the range, each with CYOP's structure for its cycle
  SingleStructureTests = 5,  // the same, with a single-structure test run besides each
};
// The search optimises the cycle (its value is above 0): the nodes' timings go out optimised.
inline bool OptimisesCycle(CycleMode mode) { return static_cast<int>(mode) > 0; }

// The iteration loop (TipoIteracion), by the setting's values. Any other value runs no
// iteration, as None does.
enum class IterationMode : int {
  None = 0,            // no TRANSYT or SATURN run: straight to the end of the run
  NetworksInTurn = 1,  // each network iterated to convergence, one after another
  AllNetworks = 2,     // every network in each iteration, SATURN run between iterations
};

struct NetworkSettings {
  int Ciclo = 0;
  double AnchoPista = 0;
  int BusquedaCiclo = 0;
  CycleMode OptimizaCiclo = CycleMode::Preassigned;
  int ActualizaDesfase = 0;
  int CicloMinimo = 0;
  int CicloMaximo = 0;
  double GradoSaturacion = 0;
  int PasoCiclo = 0;
  std::string NombreRed;
  int Cede1Arco = 0;
  int Cede2Arcos = 0;
  bool CicloSimple = false;
  bool CicloDoble = false;
  int DobleIgual = 0;
  NodeList NodoSimple;
  NodeList NodoDoble;
  NodeList NodoPrioridad;
  NodeList CicloPrioridad;
  NodeList NoOptimiza;
  int AjustePublico = 0;
  int FlujoAuxiliar = 0;
  int CorredorFlujosat = 0;
  int CorredorCapacidad = 0;
  double FactorAjuste = 0;
  int TituloLetraTamano = 0;
  int TiempoSim = 0;
  int MinimoCicloDoble = 0;
  int TpoD1 = 0, TpoD2 = 0, equisat = 0, FactFlu = 0, FactVel = 0, TpoVelo = 0, Optimiza = 0, Dispersion = 0,
      Output = 0, Pdelay = 0, Pstop = 0;

  // The preassigned-cycle flag: a negative Ciclo gives the network the cycle of its magnitude
  // with the structure CYOP finds for it, and its nodes are optimised at that cycle.
  bool PreassignedCycle() const { return Ciclo < 0; }

  // The numbered keys, in the order of k.
  NodeGroupList Grupo, Coordina;
  MovementList Lag35, FlujoSat, FlujoS30, FlujoArco1;
  MinimumGreenList VerdeMin;
  QueueList Cola;
  GraphList Grafico;
  DuplicationList Duplica;
  std::vector<PublicTransportDetail> TPublicoDet;
};

struct Settings {
  // [Parametros]
  std::string Mensajes = "null";
  std::string Errores = "Errores.txt";
  std::string NombreRed;
  std::string ResumenCiclo = "null";
  std::string ResumenReparto = "null";
  std::string InformeNodos = "null";
  std::string InformeHtml = "null";  // the run report page; the driver names it after the network
  double AnchoPista = 3.5;
  double FactorVelPubl = 0.9;
  int BusquedaCiclo = 99;
  int LargoMaximo = 2000;
  int MaximoCiclo = 120;
  int MinimoCicloDoble = 80;
  int Cede1Arco = 715;
  int Cede2Arcos = 600;
  int DobleIgual = -1;
  CycleMode OptimizaCiclo = CycleMode::Cyop;
  int ActualizaDesfase = 1;
  int CicloMinimo = 0;
  int CicloMaximo = 0;
  int DxfCompleto = 0;
  double GradoSaturacion = 900.0;
  int PasoCiclo = 4;
  IterationMode TipoIteracion = IterationMode::AllNetworks;
  int CorreSaturn = 1;
  int CorreTransyt = 1;
  int SaturnVisible = 0;
  int TransytVisible = 0;
  int BorrarTransyt = 0;
  int BorrarCyop = 0;
  int BorrarTest = 0;
  int BorrarAnterior = 0;
  std::string CopiarUltimaIt = "null";
  int CopiarFinal = 0;
  int PausaSatnet = 0;
  int PausaSatass = 0;
  int PausaTransyt = 0;
  int PausaCyop = 0;
  int AjustePublico = 0;
  int GuardarFinal = 0;
  int Limite325 = 0;
  int FlujoAuxiliar = 1;
  std::string TransytExe = "t8s";
  // Seconds of pause after each TRANSYT or CYOP run, for programs that release their print
  // file late; our own engine needs none.
  int EsperaTransyt = 1;
  int CorredorFlujosat = 900;
  int CorredorCapacidad = 1465;

  // [Exporta]
  bool GeneraDxf = false;
  double FactorAjuste = 1.0;
  std::string TituloLetraNombre = "STANDARD";
  int TituloLetraTamano = 14;
  int TituloPosHrztal = 0;
  int TituloPosVrtcal = 0;
  int NodosLetraTamano = 8;
  int ArcosLetraTamano = 8;
  int CallesLetraTamano = 8;
  std::string ArcosNombreCalle = "null";
  int CallesPosVrtcal = 0;

  // [Saturn]
  std::string PathSaturn;
  std::string VersionSaturn = "10.1";
  std::string MatrizBinaria = "null";
  int CorreSatass = 0;
  int BorrarSaturn = 0;
  int BorrarLPT = 0;
  int BorrarLPN = 0;
  int BorrarUFN = 0;
  int BorrarUFS = 0;
  int BorrarUFA = 0;
  int BorrarUFC = 0;
  int CorredorBus = 0;
  int EsperaSaturn = 3;
  std::string LineasPrivado;
  std::string Conteos = "null";
  std::string CicloPrioridadSaturn;

  // [Converge]
  int Iteraciones = 3;
  int IteracionInicial = 0;
  double PrecisionSaturn = 0.05;
  double PrecisionIRSaturn = 0.05;
  double PrecisionIRTransyt = 0.05;
  // 1: the signals are optimised on the average of the flows assigned so far, and convergence is
  // judged on it; 0: on the last assignment's flows.
  int Promediado = 0;

  // Per network position 1..NumRedes, a row added as each network's section is read.
  GrowingRows<NetworkSettings> Red;
  // The settings of network r.
  NetworkSettings& Network(NetworkPosition r);
  const NetworkSettings& Network(NetworkPosition r) const;

  // Derived values.
  bool HiddenSaturn() const { return SaturnVisible != 1; }
  bool HiddenTransyt() const { return TransytVisible != 1; }
  bool FullDrawing() const { return DxfCompleto != 0; }
  int TransytNodeLimit() const { return Limite325 != 0 ? 325 : 200; }
  bool EraseAssignmentFiles() const { return BorrarSaturn == 1 || BorrarSaturn == 3; }
  bool EraseUfaAndKp() const { return BorrarSaturn > 1; }
  bool UseListing() const;
};

}  // namespace veltra
