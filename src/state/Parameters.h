// The parameters of a series: what the input windows store at Go, what a
// command line gives morvane-run, what a Detail file's run header records and
// what a sweep varies. This is the one place where they are listed.
#pragma once

#include <array>
#include <cstdint>

namespace morvane {

struct Parameters {
  double SoftProp = 0;       // x, share of soft (within-habitat) regulation
  double MigSurv = 0;        // d, survival of one dispersal attempt
  double HabFreq = 0;        // c, frequency of habitat 1
  std::uint16_t TriesAB = 0; // i, attempts of a choosy [AB]
  std::uint16_t TriesaB = 0; // j, attempts of a choosy [aB]
  double W1A = 0;            // survival of [A] in habitat 1
  double W2A = 0;            // survival of [A] in habitat 2
  double W1a = 0;            // survival of [a] in habitat 1
  double W2a = 0;            // survival of [a] in habitat 2
  double StopThreshold = 0;  // L, convergence threshold of a run
};

// The initial texts of the input windows: x = d = 1, c = 0.5, i = j = 1,
// every survival 1, L = 0.000001.
inline constexpr Parameters kInputWindowParameters{1, 1, 0.5, 1, 1, 1, 1, 1, 1, 0.000001};

// The values a series starts from: p, q and DG0 for the sexual models, the
// four clone frequencies AB, Ab, aB, ab for clones.
struct StartValues {
  double FreqA = 0.5;
  double FreqB = 0.5;
  double DG = 0;
  std::array<double, 4> Clones{0, 0.5, 0, 0.5};
};

} // namespace morvane
