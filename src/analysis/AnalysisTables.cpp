#include "analysis/AnalysisTables.h"

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

void SpectrumCells(std::ostream &out, const Spectrum &s) {
  out << '\t' << StabilityName(s.stability) << '\t' << Real(s.radius) << '\t' << Optional(s.lambdaA)
      << '\t' << Optional(s.lambdaB);
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
  out << "\tstability\tradius\tlambdaA\tlambdaB\tstarts\n";
  for (const Equilibrium &e : list) {
    StateCells(out, m, e.X);
    SpectrumCells(out, e.spectrum);
    out << '\t' << e.starts << '\n';
  }
}

void WriteBranches(std::ostream &out, Model m, const std::string &parameter,
                   const std::vector<BranchPoint> &points) {
  out << "branch\t" << parameter << '\t';
  StateHeader(out, m);
  out << "\tstability\tradius\tlambdaA\tlambdaB\tevent\n";
  for (const BranchPoint &bp : points) {
    out << bp.branch << '\t' << Real(bp.value) << '\t';
    StateCells(out, m, bp.X);
    SpectrumCells(out, bp.spectrum);
    out << '\t' << bp.event << '\n';
  }
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
