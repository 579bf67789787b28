// Series written with the program's own Detail and Plot file writers, for
// the tests that read them back (the reader and the plot windows).
#pragma once

#include <cmath>
#include <string>

#include "files/DetailFile.h"
#include "files/PlotFile.h"
#include "files/SeriesReader.h"
#include "state/SimState.h"

namespace morvane::testing {

// The parameters of one series of the given model, told apart by `k`.
inline SimState SeriesState(const std::string &ploidy, const std::string &reproduction, int k) {
  SimState s;
  s.Ploidy = ploidy;
  s.Reproduction = reproduction;
  s.SoftProp = 0.25 * k;
  s.MigSurv = 1 - 0.1 * k;
  s.HabFreq = 0.5 + 0.05 * k;
  s.TriesAB = static_cast<std::uint16_t>(k);
  s.TriesaB = static_cast<std::uint16_t>(k + 1);
  s.W1A = 0.9;
  s.W2A = 0.6;
  s.W1a = 0.5 + 0.1 * k;
  s.W2a = 0.8;
  s.TradeOffStatus = "NoTO";
  s.ESSStatus = "NoESS";
  return s;
}

// The state of generation g of a moving population.
inline void MoveTo(SimState &s, unsigned g) {
  s.Generation = g;
  s.FreqA = s.X[1] = 0.5 + 0.4 * std::sin(g / 7.0);
  s.FreqB = s.X[2] = 0.5 - 0.3 * std::cos(g / 5.0);
  s.DG = s.X[3] = 0.2 * std::sin(g / 3.0);
  s.Fit = s.X[4] = -0.1 * std::cos(g / 11.0);
}

// The Plot file (`detail` false) or the Detail file series of `generations`
// generations with the parameters of `s`.
inline std::string SeriesText(SimState s, bool clonal, bool detail, unsigned generations) {
  MoveTo(s, 0);
  std::string text = detail ? (clonal ? ClonalDetailHeaderLines(s) : SexualDetailHeaderLines(s))
                            : (clonal ? ClonalPlotFirstLine(s) : SexualPlotFirstLine(s));
  const auto append =
      detail ? (clonal ? AppendClonalDetailGenerationLine : AppendSexualDetailGenerationLine)
             : (clonal ? AppendClonalPlotGenerationLine : AppendSexualPlotGenerationLine);
  for (unsigned g = 1; g <= generations; ++g) {
    MoveTo(s, g);
    append(text, s);
  }
  return text;
}
inline std::string PlotFileText(bool clonal, unsigned generations) {
  return SeriesText(SimState{}, clonal, false, generations);
}
inline std::string DetailSeriesText(const SimState &s, unsigned generations) {
  return SeriesText(s, s.Reproduction == "Clonal", true, generations);
}

// Three series of three models: haploids with local panmixia (k = 1, 30
// generations), diploids with global panmixia (k = 2, 40) and clones (k = 3,
// 50).
inline const char *const kThreeModels[3][2] = {
    {"Haploid", "Local"}, {"Diploid", "Global"}, {"Haploid", "Clonal"}};
inline unsigned ThreeModelsGenerations(int k) { return 20 + 10 * static_cast<unsigned>(k); }
inline std::string ThreeModelsDetailFile() {
  std::string text;
  for (int k = 1; k <= 3; ++k)
    text += DetailSeriesText(SeriesState(kThreeModels[k - 1][0], kThreeModels[k - 1][1], k),
                             ThreeModelsGenerations(k));
  return text;
}

// Where line `line` (from 1) of `text` starts.
inline std::size_t LineStart(const std::string &text, int line) {
  std::size_t at = 0;
  for (int l = 1; l < line; ++l)
    at = text.find('\n', at) + 1;
  return at;
}

} // namespace morvane::testing
