#include "files/DetailFile.h"

#include "files/LineText.h"
#include "files/NumberFormat.h"
#include "files/PlotFile.h"
#include "files/TextFile.h"

namespace morvane {

namespace {

// The status texts that close both parameter lines.
void AppendStatusTexts(std::string &out, const SimState &s) {
  for (const std::string *text : {&s.TradeOffStatus, &s.ESSStatus, &s.Ploidy, &s.Reproduction}) {
    out += kTab;
    out += *text;
  }
}

// Generation, then six reals in scientific form, each field followed by a TAB.
void AppendGenerationLine(std::string &out, unsigned long generation, const double (&values)[6]) {
  AppendInteger(out, static_cast<long long>(generation));
  out += kTab;
  for (double v : values) {
    AppendScientific(out, v);
    out += kTab;
  }
  out += kLineEnd;
}

} // namespace

std::string SexualDetailHeaderLines(const SimState &s) {
  std::string out = std::string(kSexualDetailColumns) + kLineEnd;
  AppendInteger(out, s.Generation);
  for (double v : {s.FreqA, s.FreqB, s.DG}) {
    out += kTab;
    AppendFixed(out, v, 6, 4);
  }
  out += kTab;
  AppendScientific(out, s.Fit);
  out += "\t0\t0"; // no productivities before the first generation
  for (double v : {s.SoftProp, s.MigSurv}) {
    out += kTab;
    AppendFixed(out, v, 6, 4);
  }
  for (double v : {s.W1A, s.W2A, s.W1a}) {
    out += kTab;
    AppendFixed(out, v, 10, 6);
  }
  out += kTab;
  AppendFixed(out, s.W2a, 6, 10);
  out += kTab;
  AppendInteger(out, s.TriesAB);
  out += kTab;
  AppendInteger(out, s.TriesaB);
  out += kTab;
  AppendFixed(out, s.HabFreq, 6, 4);
  AppendStatusTexts(out, s);
  out += kLineEnd;
  return out;
}

std::string ClonalDetailHeaderLines(const SimState &s) {
  std::string out = std::string(kClonalDetailColumns) + kLineEnd;
  AppendInteger(out, s.Generation);
  for (int k = 1; k <= 3; ++k) {
    out += kTab;
    AppendFixed(out, s.X[k], 6, 4);
  }
  out += kTab;
  AppendScientific(out, s.X[4]);
  out += "\t0\t0"; // no productivities before the first generation
  for (double v : {s.SoftProp, s.MigSurv, s.W1A, s.W2A}) {
    out += kTab;
    AppendFixed(out, v, 4, 2);
  }
  out += kTab;
  AppendFixed(out, s.W1a, 2, 4);
  out += kTab;
  AppendFixed(out, s.W2a, 4, 2);
  out += kTab;
  AppendIntegerWidth(out, s.TriesAB, 2);
  out += kTab;
  AppendIntegerWidth(out, s.TriesaB, 2);
  out += kTab;
  AppendFixed(out, s.HabFreq, 4, 2);
  AppendStatusTexts(out, s);
  out += kLineEnd;
  return out;
}

void AppendSexualDetailGenerationLine(std::string &out, const SimState &s) {
  AppendGenerationLine(out, s.Generation, {s.FreqA, s.FreqB, s.DG, s.Fit, s.W1, s.W2});
}

void AppendClonalDetailGenerationLine(std::string &out, const SimState &s) {
  AppendGenerationLine(out, s.Generation, {s.X[1], s.X[2], s.X[3], s.X[4], s.W1, s.W2});
}

namespace {

void WriteRunHeader(const SimState &s, const std::string &detailLines,
                    const std::string &plotLine) {
  AppendToFile(s.DetailFile.Name, detailLines);
  try {
    AppendToFile(s.PlotFile.Name, plotLine);
  } catch (const FileError &) {
    // A header in the Detail file without the Plot file's first line would
    // stand alone before the next attempt's header.
    TakeBackTail(s.DetailFile.Name, detailLines.size());
    throw;
  }
}

} // namespace

void WriteSexualRunHeader(const SimState &s) {
  WriteRunHeader(s, SexualDetailHeaderLines(s), SexualPlotFirstLine(s));
}

void WriteClonalRunHeader(const SimState &s) {
  WriteRunHeader(s, ClonalDetailHeaderLines(s), ClonalPlotFirstLine(s));
}

std::size_t WriteSexualDetailGenerationLine(const SimState &s) {
  std::string &line = LineBuffer();
  AppendSexualDetailGenerationLine(line, s);
  AppendToFile(s.DetailFile.Name, line);
  return line.size();
}

std::size_t WriteClonalDetailGenerationLine(const SimState &s) {
  std::string &line = LineBuffer();
  AppendClonalDetailGenerationLine(line, s);
  AppendToFile(s.DetailFile.Name, line);
  return line.size();
}

} // namespace morvane
