#include "signals/profiles.h"

#include <algorithm>
#include <cmath>

namespace veltra::signals {

namespace {
constexpr double kBeta = 0.8;

int Wrap(long t, int n) { return static_cast<int>(((t % n) + n) % n); }
}  // namespace

void AddDispersed(const double* upstream, int n, double travelSteps, double alpha, double scale, double* out,
                  double* work) {
  if (n <= 0 || scale == 0.0) return;
  if (alpha <= 0.0 || travelSteps <= 0.0) {
    const long shift = std::lround(std::max(0.0, travelSteps));
    for (int t = 0; t < n; ++t) out[Wrap(t + shift, n)] += scale * upstream[t];
    return;
  }
  const long shift = std::lround(kBeta * travelSteps);
  const double f = 1.0 / (1.0 + alpha * kBeta * travelSteps);
  const double keep = 1.0 - f;
  // work[j] = dispersed value at step (j + shift): one pass from zero gives the value the
  // recurrence leaves at the cycle's end; the periodic start is that over (1 - keep^n).
  double prev = 0.0;
  for (int j = 0; j < n; ++j) prev = f * upstream[j] + keep * prev;
  double decay = std::pow(keep, n);
  prev = decay < 1.0 ? prev / (1.0 - decay) : 0.0;
  for (int j = 0; j < n; ++j) {
    prev = f * upstream[j] + keep * prev;
    work[j] = prev;
  }
  for (int j = 0; j < n; ++j) out[Wrap(j + shift, n)] += scale * work[j];
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
  double from = start, to = start + length;  // may run past the cycle's end once
  int first = static_cast<int>(std::floor(from / stepSeconds));
  int last = static_cast<int>(std::ceil(to / stepSeconds));
  for (int s = first; s < last; ++s) {
    double a = std::max(from, s * stepSeconds), b = std::min(to, (s + 1) * stepSeconds);
    if (b <= a) continue;
    double& g = green[Wrap(s, n)];
    g = std::min(1.0, g + (b - a) / stepSeconds);
  }
}

QueueCycle PeriodicQueue(const double* arrive, const double* capacity, int n, double* out) {
  QueueCycle r;
  for (int t = 0; t < n; ++t) {
    r.Arrivals += arrive[t];
    r.Capacity += capacity[t];
  }
  // Undersaturated: two passes from an empty queue give the periodic queue exactly, since the
  // periodic queue empties somewhere in the cycle and from there both agree.
  const double scale = r.Arrivals >= r.Capacity ? (r.Arrivals > 0 ? 0.999 * r.Capacity / r.Arrivals : 0.0) : 1.0;
  double q = 0.0;
  for (int pass = 0; pass < 2; ++pass) {
    const bool last = pass == 1;
    for (int t = 0; t < n; ++t) {
      const double a = arrive[t] * scale, c = capacity[t];
      const double q0 = q, rate = a - c;
      double mean;
      if (q0 + rate >= 0.0) {
        q = q0 + rate;
        mean = q0 + 0.5 * rate;
      } else {
        const double tau = q0 / -rate;  // share of the step until the queue clears
        mean = 0.5 * q0 * tau;
        q = 0.0;
      }
      if (!last) continue;
      out[t] = a + q0 - q;
      r.MeanQueue += mean;
      r.MaxQueue = std::max(r.MaxQueue, std::max(q0, q));
      if (q0 > 1e-9)
        r.Stopped += a;
      else if (a > c)
        r.Stopped += a - c;
    }
  }
  r.MeanQueue /= n;
  return r;
}

double RandomQueue(double x, double capacityPerHour, double hours) {
  const double qt = std::max(capacityPerHour, 1.0) * std::max(hours, 1e-6);
  const double z = 1.0 - x;
  return qt / 4.0 * (std::sqrt(z * z + 4.0 * x / qt) - z);
}

}  // namespace veltra::signals
