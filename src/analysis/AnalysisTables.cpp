#include "analysis/AnalysisTables.h"

#include <algorithm>
#include <initializer_list>

#include "files/NumberFormat.h"

namespace morvane::analysis {

namespace {

std::string Real(double v) { return RealToText(v, '.'); }

std::string Optional(const std::optional<double> &v) { return v ? Real(*v) : std::string(); }

void StateHeader(std::ostream &out, Model m) {
  out << (m == Model::Clonal ? "fAB\tfAb\tfaB\tfab" : "p\tq\tDG\tFit");
  for (int k = 1; k <= Classes(m); ++k)
    out << "\tX" << k;
}

void StateCells(std::ostream &out, Model m, const Population &X) {
  if (m == Model::Clonal) {
    out << Real(X[0]) << '\t' << Real(X[1]) << '\t' << Real(X[2]) << '\t' << Real(X[3]);
  } else {
    const Measures s = MeasuresOf(m, X);
    out << Real(s.p) << '\t' << Real(s.q) << '\t' << Real(s.DG) << '\t' << Real(s.Fit);
  }
  for (int k = 0; k < Classes(m); ++k)
    out << '\t' << Real(X[k]);
}

// '\t' before each of stability, radius, lambdaA, lambdaB.
std::string SpectrumCells(const Spectrum &s) {
  return '\t' + std::string(StabilityName(s.stability)) + '\t' + Real(s.radius) + '\t' +
         Optional(s.lambdaA) + '\t' + Optional(s.lambdaB);
}

const char *const kSpectrumHeader = "\tstability\tradius\tlambdaA\tlambdaB";

bool IsReal(std::string_view cell) {
  const auto v = TextToReal(cell);
  return v && Real(*v) == cell;
}

} // namespace

void WriteCommandLine(std::ostream &out, const std::vector<std::string> &words) {
  out << '#';
  for (const std::string &w : words)
    out << ' ' << w;
  out << '\n';
}

void WriteEquilibria(std::ostream &out, Model m, const std::vector<Equilibrium> &list) {
  StateHeader(out, m);
  out << kSpectrumHeader << "\tstarts\n";
  for (const Equilibrium &e : list) {
    StateCells(out, m, e.X);
    out << SpectrumCells(e.spectrum);
    out << '\t' << e.starts << '\n';
  }
}

void WriteBranches(std::ostream &out, Model m, const std::string &parameter,
                   const std::vector<BranchPoint> &points) {
  out << "branch\t" << parameter << '\t';
  StateHeader(out, m);
  out << kSpectrumHeader << "\tevent\n";
  for (const BranchPoint &bp : points) {
    out << bp.branch << '\t' << Real(bp.value) << '\t';
    StateCells(out, m, bp.X);
    out << SpectrumCells(bp.spectrum);
    out << '\t' << bp.event << '\n';
  }
}

std::string OutcomeHeader(bool stableCount) {
  return std::string("\tclassA\tclassB") + kSpectrumHeader + (stableCount ? "\tstableCount" : "");
}

void AppendOutcomeCells(std::string &row, const Outcome &o) {
  row += '\t';
  row += o.classA;
  row += '\t';
  row += o.classB;
  row += o.equilibrium ? SpectrumCells(o.equilibrium->spectrum) : std::string("\t\t\t\t");
  if (o.stableCount)
    row += '\t' + std::to_string(*o.stableCount);
}

bool IsOutcomeCells(const std::vector<std::string_view> &cells, bool stableCount) {
  if (cells.size() != (stableCount ? 7u : 6u))
    return false;
  const auto among = [](std::string_view cell, std::initializer_list<const char *> words) {
    return std::any_of(words.begin(), words.end(), [cell](const char *w) { return cell == w; });
  };
  if (!among(cells[0], {"A fixed", "a fixed", "polymorphic", "not converged"}) ||
      !among(cells[1], {"B fixed", "b fixed", "polymorphic", "not converged"}) ||
      (cells[0] == "not converged") != (cells[1] == "not converged"))
    return false;
  if (cells[2].empty()) {
    // No equilibrium near the end: nothing of one, and so no class.
    if (cells[0] != "not converged" || !cells[3].empty() || !cells[4].empty() || !cells[5].empty())
      return false;
  } else if (!among(cells[2], {StabilityName(Stability::Stable), StabilityName(Stability::Unstable),
                               StabilityName(Stability::Neutral)}) ||
             !IsReal(cells[3]) || (!cells[4].empty() && !IsReal(cells[4])) ||
             (!cells[5].empty() && !IsReal(cells[5]))) {
    return false;
  }
  return !stableCount || (!cells[6].empty() && cells[6].size() < 8 &&
                          std::all_of(cells[6].begin(), cells[6].end(),
                                      [](char ch) { return ch >= '0' && ch <= '9'; }) &&
                          (cells[6] == "0" || cells[6][0] != '0'));
}

void WriteBasins(std::ostream &out, Model m, const BasinMap &map) {
  out << "p0\tq0\tequilibrium\tp\tq\tstability\n";
  const int N = map.grid;
  for (int i = 0; i < N; ++i)
    for (int j = 0; j < N; ++j) {
      const int k = map.reached[static_cast<std::size_t>(i) * N + j];
      out << Real(static_cast<double>(i) / (N - 1)) << '\t'
          << Real(static_cast<double>(j) / (N - 1)) << '\t' << k;
      if (k >= 0) {
        const Equilibrium &e = map.equilibria[k];
        const Measures s = MeasuresOf(m, e.X);
        out << '\t' << Real(s.p) << '\t' << Real(s.q) << '\t'
            << StabilityName(e.spectrum.stability);
      } else {
        out << "\t\t\t";
      }
      out << '\n';
    }
}

} // namespace morvane::analysis
