// The traffic model of one link over one cycle, in small units: platoon dispersion of an
// upstream profile, the effective green of a link in each time step, the cycle-periodic queue,
// and the random-and-oversaturation queue. Profiles are PCU per time step, indexed by step.
#pragma once

namespace veltra::signals {

// Robertson's platoon dispersion over a periodic cycle of n steps:
//   q'[t + T'] = F q[t] + (1 - F) q'[t + T' - 1],  T' = round(beta T),  F = 1 / (1 + alpha beta T),
// with T the cruise time in steps and beta 0.8. With alpha 0 (or no cruise time) the profile is
// only moved by round(T) steps. The constants depend on the link alone, so they are worked out
// once and the profile of every evaluation goes through them.
struct Dispersion {
  int Shift = 0;          // T' (or round(T) without dispersion), in steps, 0 .. n - 1
  bool Smooths = false;   // false: the profile is only moved
  double F = 1.0;         // share of the upstream step that arrives in its own step
  double Periodic = 1.0;  // 1 / (1 - (1 - F)^n): from one pass over the cycle to the periodic state
};
Dispersion MakeDispersion(int n, double travelSteps, double alpha);

// Adds scale x the dispersed upstream profile into `out`. The periodic steady state is found
// exactly (two passes), so the profile's total over the cycle is kept. `work` holds n values.
void AddDispersed(const double* upstream, int n, const Dispersion& d, double scale, double* out, double* work);
// The same with the constants worked out on the spot.
void AddDispersed(const double* upstream, int n, double travelSteps, double alpha, double scale, double* out,
                  double* work);

// Adds to `green` (n steps of length stepSeconds over a cycle) the fraction of each step that lies
// in the interval [start, start + length) seconds, taken around the cycle; fractions stay <= 1.
void AddGreenInterval(double start, double length, int n, double stepSeconds, double* green);

// Result of the queue recurrence over one cycle.
struct QueueCycle {
  double MeanQueue = 0.0;   // PCU, averaged over the cycle (PCU-hours of uniform delay per hour)
  double MaxQueue = 0.0;    // PCU, largest queue in the cycle
  double Stopped = 0.0;     // PCU per cycle that meet red or join a queue
  double Arrivals = 0.0;    // PCU per cycle
  double Capacity = 0.0;    // PCU per cycle
};

// Queue recurrence q[t+1] = max(0, q[t] + a[t] - c[t]) over a periodic cycle, with arrivals and
// departures spread evenly inside each step, so the queue and the arrivals that meet it are
// exact for fluid traffic. When the arrivals reach the capacity the uniform part is taken at
// the capacity (the excess builds the oversaturation queue, which is not periodic). Writes the
// departures of each step to `out`. The result does not depend on which step the cycle is
// started from: one pass from an empty queue ends at the periodic queue exactly.
QueueCycle PeriodicQueue(const double* arrive, const double* capacity, int n, double* out);

// Mean random-and-oversaturation queue (PCU) over a period of T = `hours` for a stop line with
// arrivals q and capacity Q (PCU/h): the sheared time-dependent form
//   L = (T / 4) [ sqrt((Q - q)^2 + 4 q / T) - (Q - q) ],
// the same as (Q T / 4) [ sqrt((1 - x)^2 + 4 x / (Q T)) - (1 - x) ] with x = q / Q, but written so
// that it holds down to Q = 0. It tends to x / (2 (1 - x)) for a long undersaturated period, to
// T (q - Q) / 2 when oversaturated, and to the arrival queue q T / 2 when nothing can leave.
double RandomQueue(double arrivalsPerHour, double capacityPerHour, double hours);

// Sums a profile of n cells of cellSeconds into `steps` steps of stepSeconds over the same cycle,
// each cell shared out by its overlap with the steps.
void Regrid(const double* cells, int n, double cellSeconds, int steps, double stepSeconds, double* out);

}  // namespace veltra::signals
