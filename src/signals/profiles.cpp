#include "signals/profiles.h"

#include <algorithm>
#include <cmath>

namespace veltra::signals {

namespace {
constexpr double kBeta = 0.8;

int Wrap(long t, int n) { return static_cast<int>(((t % n) + n) % n); }

// out[(t + shift) mod n] += scale x from[t], without a division per step.
void AddShifted(const double* from, int n, int shift, double scale, double* out) {
  const int split = n - shift;
  for (int t = 0; t < split; ++t) out[t + shift] += scale * from[t];
  for (int t = split; t < n; ++t) out[t - split] += scale * from[t];
}
}  // namespace

Dispersion MakeDispersion(int n, double travelSteps, double alpha) {
  Dispersion d;
  if (n <= 0) return d;
  travelSteps = std::max(0.0, travelSteps);
  if (alpha <= 0.0 || travelSteps <= 0.0) {
    d.Shift = Wrap(std::lround(travelSteps), n);
    return d;
  }
  d.Smooths = true;
  d.Shift = Wrap(std::lround(kBeta * travelSteps), n);
  d.F = 1.0 / (1.0 + alpha * kBeta * travelSteps);
  const double decay = std::pow(1.0 - d.F, n);
  d.Periodic = decay < 1.0 ? 1.0 / (1.0 - decay) : 0.0;
  return d;
}

void AddDispersed(const double* upstream, int n, const Dispersion& d, double scale, double* out, double* work) {
  if (n <= 0 || scale == 0.0) return;
  if (!d.Smooths) {
    AddShifted(upstream, n, d.Shift, scale, out);
    return;
  }
  const double f = d.F, keep = 1.0 - d.F;
  // work[j] = dispersed value at step (j + shift): one pass from zero gives the value the
  // recurrence leaves at the cycle's end; the periodic start is that over (1 - keep^n).
  double prev = 0.0;
  for (int j = 0; j < n; ++j) prev = f * upstream[j] + keep * prev;
  prev *= d.Periodic;
  for (int j = 0; j < n; ++j) {
    prev = f * upstream[j] + keep * prev;
    work[j] = prev;
  }
  AddShifted(work, n, d.Shift, scale, out);
}

void AddDispersed(const double* upstream, int n, double travelSteps, double alpha, double scale, double* out,
                  double* work) {
  AddDispersed(upstream, n, MakeDispersion(n, travelSteps, alpha), scale, out, work);
}

void AddGreenInterval(double start, double length, int n, double stepSeconds, double* green) {
  if (length <= 0.0 || n <= 0) return;
  const double cycle = n * stepSeconds;
  if (length >= cycle) {
    for (int t = 0; t < n; ++t) green[t] = 1.0;
    return;
  }
  start = std::fmod(start, cycle);
  if (start < 0) start += cycle;
  // In steps: from a to b, which may run past the cycle's end once.
  const double a = start / stepSeconds, b = (start + length) / stepSeconds;
  const int first = static_cast<int>(std::floor(a)), last = static_cast<int>(std::ceil(b)) - 1;
  auto add = [&](int s, double share) {
    double& g = green[s >= n ? s - n : s];
    g = std::min(1.0, g + share);
  };
  if (first >= last) {
    add(first, b - a);
    return;
  }
  add(first, first + 1 - a);
  for (int s = first + 1; s < last; ++s) green[s >= n ? s - n : s] = 1.0;
  add(last, b - last);
}

QueueCycle PeriodicQueue(const double* arrive, const double* capacity, int n, double* out) {
  QueueCycle r;
  for (int t = 0; t < n; ++t) {
    r.Arrivals += arrive[t];
    r.Capacity += capacity[t];
  }
  // Arrivals at or above the capacity: the periodic part is taken at just below it.
  const double scale = r.Arrivals >= r.Capacity ? (r.Arrivals > 0 ? 0.999 * r.Capacity / r.Arrivals : 0.0) : 1.0;
  // Over one cycle the queue maps q to max(q + D, m), with D < 0 the cycle's arrivals less its
  // capacity and m the queue a cycle leaves behind when it starts empty; so m is the periodic
  // queue at the cycle's start, and one pass from an empty queue finds it.
  double q = 0.0;
  for (int t = 0; t < n; ++t) q = std::max(0.0, q + arrive[t] * scale - capacity[t]);
  for (int t = 0; t < n; ++t) {
    const double a = arrive[t] * scale, c = capacity[t];
    const double q0 = q, rate = a - c;
    double mean;
    if (q0 + rate >= 0.0) {
      q = q0 + rate;
      mean = q0 + 0.5 * rate;
      // Every arrival meets a queue; with none standing, those beyond the capacity form one.
      r.Stopped += q0 > 1e-9 ? a : std::max(0.0, rate);
    } else {
      const double tau = q0 / -rate;  // share of the step until the queue clears
      mean = 0.5 * q0 * tau;
      q = 0.0;
      r.Stopped += a * tau;  // those that arrive before it clears
    }
    out[t] = a + q0 - q;
    r.MeanQueue += mean;
    r.MaxQueue = std::max(r.MaxQueue, std::max(q0, q));
  }
  r.MeanQueue /= n;
  return r;
}

double RandomQueue(double arrivalsPerHour, double capacityPerHour, double hours) {
  const double t = std::max(hours, 1e-6);
  const double spare = capacityPerHour - arrivalsPerHour;  // Q - q
  const double e = 4.0 * std::max(0.0, arrivalsPerHour) / t;
  const double root = std::sqrt(spare * spare + e);
  // sqrt(d^2 + e) - d without cancellation when d is large and positive.
  const double bracket = spare > 0 ? e / (root + spare) : root - spare;
  return t / 4.0 * bracket;
}

void Regrid(const double* cells, int n, double cellSeconds, int steps, double stepSeconds, double* out) {
  std::fill(out, out + steps, 0.0);
  for (int i = 0; i < n; ++i) {
    double a = i * cellSeconds;
    const double b = a + cellSeconds;
    int j = std::min(steps - 1, static_cast<int>(std::floor(a / stepSeconds)));
    while (a < b - 1e-12 && j < steps) {
      const double e = j + 1 == steps ? b : std::min(b, (j + 1) * stepSeconds);
      out[j] += cells[i] * (e - a) / cellSeconds;
      a = e;
      ++j;
    }
  }
}

}  // namespace veltra::signals
