#include "engine/InitialState.h"

namespace morvane {

DGRange ComputeDGRange(double p, double q) {
  if (IsFixedFrequency(p) || IsFixedFrequency(q))
    return {0.0, 0.0};
  const double a = -p * q;
  const double b = -(1 - p) * (1 - q);
  const double c = p * (1 - q);
  const double d = (1 - p) * q;
  return {a > b ? a : b, c < d ? c : d};
}

void StoreDGRange(SimState &s) {
  const DGRange range = ComputeDGRange(s.FreqA, s.FreqB);
  s.DGMin = range.lower;
  s.DGMax = range.upper;
}

double ComputeFitMin(double p) {
  const double m = p < 1 - p ? p : 1 - p;
  if (IsFixedFrequency(p))
    return 0.0;
  return -m / (1 - m);
}

void HaploidInitialState(SimState &s) {
  s.Fit = 0;
  s.DeltaP = 0;
  s.DeltaQ = 0;
  const double p = s.FreqA;
  const double q = s.FreqB;
  if (IsFixedFrequency(p) || IsFixedFrequency(q))
    s.DG = 0;
  const double D = s.DG;
  s.X[1] = p * q + D;
  s.X[2] = p * (1 - q) - D;
  s.X[3] = q * (1 - p) - D;
  s.X[4] = (1 - p) * (1 - q) + D;
}

void DiploidInitialState(SimState &s) {
  const double p = s.FreqA;
  const double q = s.FreqB;
  if (IsFixedFrequency(p) || IsFixedFrequency(q))
    s.DG = 0;
  const double D = s.DG;
  const double gAB = p * q + D;
  const double gAb = p * (1 - q) - D;
  const double gaB = q * (1 - p) - D;
  const double gab = (1 - p) * (1 - q) + D;
  s.X[1] = gAB * gAB;
  s.X[2] = 2 * gAB * gAb;
  s.X[3] = gAb * gAb;
  s.X[4] = 2 * gAB * gaB;
  s.X[5] = 2 * (gAB * gab + gAb * gaB);
  s.X[6] = 2 * gAb * gab;
  s.X[7] = gaB * gaB;
  s.X[8] = 2 * gaB * gab;
  s.X[9] = gab * gab;
  s.Heteroz = s.X[4] + s.X[5] + s.X[6];
  if (IsFixedFrequency(p))
    s.Fit = 0;
  else
    s.Fit = 1 - s.Heteroz / (2 * p * (1 - p));
}

void DiploidGenotypesFromFit(SimState &s) {
  const double p = s.FreqA;
  const double q = s.FreqB;
  const double F = s.Fit;
  const double gAB = p * q;
  const double gAb = p * (1 - q);
  const double gaB = (1 - p) * q;
  const double gab = (1 - p) * (1 - q);
  s.X[1] = gAB * gAB + F * gAB * gaB;
  s.X[2] = 2 * gAB * gAb + F * (gAB * gab + gAb * gaB);
  s.X[3] = gAb * gAb + F * gAb * gab;
  s.X[4] = 2 * gAB * gaB - F * 2 * gAB * gaB;
  const double H5 = 2 * (gAB * gab + gAb * gaB);
  s.X[5] = H5 - F * H5;
  s.X[6] = 2 * gAb * gab - F * 2 * gAb * gab;
  s.X[7] = gaB * gaB + F * gaB * gAB;
  s.X[8] = 2 * gaB * gab + F * (gab * gAB + gaB * gAb);
  s.X[9] = gab * gab + F * gab * gAb;
}

} // namespace morvane
