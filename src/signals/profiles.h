// The traffic model of one link over one cycle, in small units: platoon dispersion of an
// upstream profile, the effective green of a link in each time step, the cycle-periodic queue,
// and the random-and-oversaturation queue. Profiles are PCU per time step, indexed by step.
#pragma once

namespace veltra::signals {

// Robertson's platoon dispersion over a periodic cycle of n steps, added into `out`:
//   q'[t + T'] = F q[t] + (1 - F) q'[t + T' - 1],  T' = round(beta T),  F = 1 / (1 + alpha beta T),
// with T the cruise time in steps and beta 0.8. The periodic steady state is found exactly (two
// passes), so the profile's total over the cycle is kept. With alpha 0 the profile is only moved
// by round(T) steps. `scale` multiplies the upstream profile (the share taken from it);
// `work` holds n values of scratch.
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
// departures spread evenly inside each step, so the queue is exact for fluid traffic. When the
// arrivals reach the capacity the uniform part is taken at the capacity (the excess builds the
// oversaturation queue, which is not periodic). Writes the departures of each step to `out`.
QueueCycle PeriodicQueue(const double* arrive, const double* capacity, int n, double* out);

// Mean random-and-oversaturation queue (PCU) over a period of `hours` for a stop line with
// capacity `capacityPerHour` at degree of saturation x: the sheared time-dependent form
//   L = (Q T / 4) [ sqrt((1 - x)^2 + 4 x / (Q T)) - (1 - x) ]
// which tends to x / (2 (1 - x)) for a long undersaturated period and to Q T (x - 1) / 2 when
// oversaturated.
double RandomQueue(double x, double capacityPerHour, double hours);

}  // namespace veltra::signals
