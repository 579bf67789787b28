#include "analysis/AnalysisTables.h"

#include <algorithm>
#include <initializer_list>

#include <sstream>
#include <stdexcept>

#include "files/LineText.h"
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

std::vector<BranchRow> BranchRows(Model m, const std::vector<BranchPoint> &points) {
  std::vector<BranchRow> rows;
  rows.reserve(points.size());
  for (const BranchPoint &bp : points) {
    BranchRow row{bp.branch, bp.value, {}, bp.spectrum.stability, bp.event};
    if (m == Model::Clonal) {
      std::copy(bp.X.begin(), bp.X.begin() + 4, row.measures.begin());
    } else {
      const Measures s = MeasuresOf(m, bp.X);
      row.measures = {s.p, s.q, s.DG, s.Fit};
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

BranchTable ReadBranches(const std::string &content, const std::string &name) {
  const auto refuse = [&name](std::size_t line, const std::string &why) {
    throw std::runtime_error(name + ", line " + std::to_string(line) + ": " + why);
  };
  std::vector<std::string_view> lines;
  const std::string_view all(content);
  for (std::size_t start = 0; start < all.size();) {
    const std::size_t end = all.find('\n', start);
    if (end == std::string_view::npos)
      refuse(lines.size() + 1, "the table is cut short (its last line has no end)");
    lines.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  const std::string command = "# morvane-analyse continue";
  if (lines.empty() || lines[0].substr(0, command.size()) != command)
    refuse(1, "not a table of morvane-analyse continue (its first line is not \"" + command +
                  " ...\")");
  if (lines.size() < 2)
    refuse(2, "the column names are missing");
  BranchTable table;
  table.command = std::string(lines[0].substr(2));
  const std::vector<std::string_view> header = TabFields(lines[1]);
  if (header.size() > 1)
    table.parameter = std::string(header[1]);
  // The header is one WriteBranches writes: haploids and diploids differ by
  // their classes, clones by their measures.
  bool known = ParameterNamed(table.parameter).has_value();
  if (known) {
    known = false;
    for (Model m : {Model::HaploidLocal, Model::DiploidLocal, Model::Clonal}) {
      std::ostringstream expected;
      WriteBranches(expected, m, table.parameter, {});
      if (expected.str() == std::string(lines[1]) + '\n') {
        known = true;
        table.clonal = m == Model::Clonal;
      }
    }
  }
  if (!known)
    refuse(2, "these are not the column names of a table of branches");
  const std::size_t stateEnd = header.size() - 5; // stability radius lambdaA lambdaB event
  for (std::size_t n = 2; n < lines.size(); ++n) {
    const std::vector<std::string_view> cells = TabFields(lines[n]);
    if (cells.size() != header.size())
      refuse(n + 1, std::to_string(cells.size()) + " cells where the header names " +
                        std::to_string(header.size()));
    BranchRow row;
    const auto number = [&](std::size_t k, bool optional) {
      const std::optional<double> v = TextToReal(cells[k]);
      if (!v && !(optional && cells[k].empty()))
        refuse(n + 1,
               std::string(header[k]) + " is \"" + std::string(cells[k]) + "\", not a number");
      return v.value_or(0);
    };
    const double branch = number(0, false);
    const int previous = table.rows.empty() ? -1 : table.rows.back().branch;
    if ((branch != previous || previous < 0) && branch != previous + 1)
      refuse(n + 1,
             "branch " + std::string(cells[0]) + " does not follow " +
                 (previous < 0 ? std::string("the header") : "branch " + std::to_string(previous)));
    row.branch = int(branch);
    row.value = number(1, false);
    for (std::size_t k = 2; k < stateEnd; ++k) {
      const double v = number(k, false);
      if (k < 6)
        row.measures[k - 2] = v;
    }
    const std::string_view stability = cells[stateEnd];
    bool named = false;
    for (Stability s : {Stability::Stable, Stability::Unstable, Stability::Neutral})
      if (stability == StabilityName(s)) {
        row.stability = s;
        named = true;
      }
    if (!named)
      refuse(n + 1, "stability is \"" + std::string(stability) +
                        "\" where stable, unstable or neutral stands");
    for (std::size_t k = stateEnd + 1; k < stateEnd + 4; ++k)
      number(k, k > stateEnd + 1);
    row.event = std::string(cells.back());
    if (!row.event.empty() && std::none_of(std::begin(kBranchEvents), std::end(kBranchEvents),
                                           [&](const char *e) { return row.event == e; }))
      refuse(n + 1, "\"" + row.event + "\" is not an event");
    table.rows.push_back(std::move(row));
  }
  return table;
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
