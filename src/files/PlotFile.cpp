#include "files/PlotFile.h"

#include "files/LineText.h"
#include "files/NumberFormat.h"
#include "files/TextFile.h"

namespace morvane {

namespace {

// Generation, then four reals in fixed notation, TAB-separated.
struct Field {
  double value;
  int width;
  int decimals;
};

void AppendLine(std::string &out, unsigned long generation, const Field (&fields)[4]) {
  AppendInteger(out, static_cast<long long>(generation));
  for (const Field &f : fields) {
    out += kTab;
    AppendFixed(out, f.value, f.width, f.decimals);
  }
  out += kLineEnd;
}

} // namespace

void ResetPlotFile(SimState &s, const std::string &fixedName) {
  s.BindPlotFile(fixedName);
  CreateEmptyFile(fixedName);
}

// The series-start lines carry fewer decimals than the generation lines.
std::string SexualPlotFirstLine(const SimState &s) {
  std::string out;
  AppendLine(out, s.Generation, {{s.FreqA, 6, 4}, {s.FreqB, 6, 4}, {s.DG, 6, 4}, {s.Fit, 6, 4}});
  return out;
}

std::string ClonalPlotFirstLine(const SimState &s) {
  std::string out;
  AppendLine(out, s.Generation, {{s.X[1], 5, 3}, {s.X[2], 5, 3}, {s.X[3], 5, 3}, {s.X[4], 4, 2}});
  return out;
}

void AppendSexualPlotGenerationLine(std::string &out, const SimState &s) {
  AppendLine(out, s.Generation, {{s.FreqA, 7, 5}, {s.FreqB, 7, 5}, {s.DG, 7, 5}, {s.Fit, 4, 2}});
}

void AppendClonalPlotGenerationLine(std::string &out, const SimState &s) {
  AppendLine(out, s.Generation, {{s.X[1], 7, 5}, {s.X[2], 7, 5}, {s.X[3], 7, 5}, {s.X[4], 7, 5}});
}

void WriteSexualPlotGenerationLine(const SimState &s) {
  std::string &line = LineBuffer();
  AppendSexualPlotGenerationLine(line, s);
  AppendToFile(s.PlotFile.Name, line);
}

void WriteClonalPlotGenerationLine(const SimState &s) {
  std::string &line = LineBuffer();
  AppendClonalPlotGenerationLine(line, s);
  AppendToFile(s.PlotFile.Name, line);
}

} // namespace morvane
